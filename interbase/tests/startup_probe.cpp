// A small program that starts and stops the InterBase binding and the report
// support units the way the backup program does (subsystem 8 before 7, stopped
// in reverse), so tests can check what a run leaves behind. Prints what it
// found on stdout; a start-up failure goes to stderr with exit status 1,
// before anything else runs.

#include "interbase/IBL_ClientLib.h"
#include "interbase/Startup.h"
#include "platform/core/UnitStartup.h"
#include "platform/os/Files.h"
#include "report_support/Startup.h"

#include <cstdio>
#include <string>

namespace {

// True when a file whose name contains `part` is mapped into the process.
bool mapped(const std::string& part) {
    return os::read_file("/proc/self/maps").find(part) != std::string::npos;
}

}  // namespace

int main() {
    // The two libraries at their places in the program's order (…, 8, 6, 7, …).
    core::UnitTable units({
        {"interbase", interbase::unit_startup, interbase::unit_shutdown},
        {"report_support", report_support::unit_startup, report_support::unit_shutdown},
    });
    try {
        units.Startup();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    const std::string name = interbase::ClientLibraryName();
    std::printf("started\n");
    std::printf("client library: %s\n", name.empty() ? "none" : name.c_str());
    std::printf("mandatory entry points bound: %s\n",
                interbase::ClientEntryPoint(interbase::ClientEntry::isc_attach_database) ? "yes" : "no");

    units.Shutdown();
    std::printf("client library after shut-down: %s\n", interbase::ClientLibraryLoaded() ? "loaded" : "unloaded");
    if (!name.empty()) {
        const std::string base = name.substr(name.rfind('/') + 1);
        std::printf("still mapped: %s\n", mapped(base) ? "yes" : "no");
    }
    return 0;
}
