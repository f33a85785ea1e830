#pragma once
// The bank plug-in classes that unit start-ups have registered, each with the
// unit that holds it: the engine's and the clients' alike. Registering one
// also registers it with the class registry, once.

#include "platform/core/ClassInfo.h"

#include <string_view>
#include <vector>

namespace billing {

struct PluginClass {
    TClass cls;
    std::string_view unit;
};

// Registers cls (by its name) as a bank class of unit; a second registration does nothing.
void register_plugin_class(TClass cls, std::string_view unit);
// Every registered bank class, in registration order.
std::vector<PluginClass> plugin_classes();

}  // namespace billing
