#include "billing/Startup.h"

#include "billing/PluginClasses.h"
#include "billing/cbBancos.h"

namespace billing {

void unit_startup() {
    for (const BankRow& row : bank_table()) register_plugin_class(row.plugin(), row.unit);
}

void unit_shutdown() {}

}  // namespace billing
