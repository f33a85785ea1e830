#include "interbase/Startup.h"

#include "interbase/IBL_ClientLib.h"
#include "interbase/IBL_DateUtils.h"
#include "interbase/IBL_Grid.h"
#include "interbase/IBL_Settings.h"
#include "interbase/IBL_SharedObjects.h"

#include <cstddef>

namespace interbase {
namespace {

struct Unit {
    void (*startup)();
    void (*shutdown)();
};

// The subsystem's units in start-up order; shut-down runs in reverse.
// The grid starts after the client library binding and stops before it.
constexpr Unit kUnits[] = {
    {DateUnitStartup, DateUnitShutdown},
    {SharedObjectsUnitStartup, SharedObjectsUnitShutdown},
    {BindingUnitStartup, BindingUnitShutdown},
    {SettingsUnitStartup, SettingsUnitShutdown},
    {GridUnitStartup, GridUnitShutdown},
};
constexpr std::size_t kUnitCount = sizeof kUnits / sizeof kUnits[0];

std::size_t g_started = 0;

void shut_down_started() {
    while (g_started > 0) {
        --g_started;
        try {
            kUnits[g_started].shutdown();
        } catch (...) {
            // Every started unit gets its shut-down, whatever one of them raises.
        }
    }
}

}  // namespace

void unit_startup() {
    try {
        for (; g_started < kUnitCount; ++g_started) kUnits[g_started].startup();
    } catch (...) {
        shut_down_started();
        throw;
    }
}

void unit_shutdown() { shut_down_started(); }

}  // namespace interbase
