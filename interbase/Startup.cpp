#include "interbase/Startup.h"

#include "interbase/IBL_ClientLib.h"
#include "interbase/IBL_DateUtils.h"
#include "interbase/IBL_Grid.h"
#include "interbase/IBL_Settings.h"
#include "interbase/IBL_SharedObjects.h"

#include "platform/core/UnitStartup.h"

namespace interbase {
namespace {

// The subsystem's units in start-up order; shut-down runs in reverse.
// The grid starts after the client library binding and stops before it.
// Never destroyed: shut-down is explicit, and a table destroyed at exit would
// run shut-downs after the objects they free are gone.
core::UnitTable& units() {
    static core::UnitTable* table = new core::UnitTable({
        {"IBL_DateUtils", DateUnitStartup, DateUnitShutdown},
        {"IBL_SharedObjects", SharedObjectsUnitStartup, SharedObjectsUnitShutdown},
        {"IBL_ClientLib", BindingUnitStartup, BindingUnitShutdown},
        {"IBL_Settings", SettingsUnitStartup, SettingsUnitShutdown},
        {"IBL_Grid", GridUnitStartup, GridUnitShutdown},
    });
    return *table;
}

}  // namespace

void unit_startup() { units().Startup(); }

void unit_shutdown() { units().Shutdown(); }

}  // namespace interbase
