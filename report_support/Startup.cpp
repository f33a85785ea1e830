#include "report_support/Startup.h"

#include "report_support/RSUtils.h"

#include <cstddef>

namespace report_support {
namespace {

struct Unit {
    void (*startup)();
    void (*shutdown)();
};

// The subsystem's units in start-up order; shut-down runs in reverse.
constexpr Unit kUnits[] = {
    {InitReportLibraryPaths, DoneReportLibraryPaths},
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

}  // namespace report_support
