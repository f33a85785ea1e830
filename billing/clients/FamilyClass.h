#pragma once
// What the client families share in making a class of each row: the class
// description (the bank contract and LerRetorno) and the registration of
// every row's class with its unit. A family's class template C<I> holds
// `row` (with class_name and unit) and the static operations.

#include "billing/BankClass.h"
#include "billing/PluginClasses.h"

#include <string>
#include <utility>

namespace billing::clients {

template <class C>
TClassInfo family_class_info() {
    return bank_class<C>(std::string(C::row.class_name), [](auto& b) { b.Operation("LerRetorno", &C::LerRetorno); });
}

template <template <std::size_t> class C, std::size_t... I>
void register_family(std::index_sequence<I...>) {
    (register_plugin_class(C<I>::StaticClass(), C<I>::row.unit), ...);
}

}  // namespace billing::clients
