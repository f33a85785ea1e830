#pragma once
// What the client families share in making a class of each row: the title
// model of a row's unit, the class description (the bank contract, LerRetorno
// and the class's own operations) and the registration of every row's class
// with its unit. A family's class template C<I> holds `row` (with class_name
// and unit) and the static operations, LerRetorno included.

#include "billing/BankClass.h"
#include "billing/ModelProfile.h"
#include "billing/PluginClasses.h"

#include <string>
#include <string_view>
#include <utility>

namespace billing::clients {

// The title model of a row's model unit; empty: the engine's.
const ModelProfile& family_model(std::string_view unit);

// The description of row class C: the contract, LerRetorno, then `own`'s operations.
template <class C, class Own = NoOwnOperations>
TClassInfo family_class_info(Own own = {}) {
    return bank_class<C>(std::string(C::row.class_name), [&](auto& b) {
        b.Operation("LerRetorno", &C::LerRetorno);
        own(b);
    });
}

// The class of row class C, described on first use (C::StaticClass returns it).
template <class C, class Own = NoOwnOperations>
TClass family_class(Own own = {}) {
    static const TClassInfo info = family_class_info<C>(own);
    return &info;
}

template <template <std::size_t> class C, std::size_t... I>
void register_family(std::index_sequence<I...>) {
    (register_plugin_class(C<I>::StaticClass(), C<I>::row.unit), ...);
}

}  // namespace billing::clients
