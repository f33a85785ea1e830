#include "report_support/Startup.h"

#include "report_support/RSUtils.h"

#include "platform/core/UnitStartup.h"

namespace report_support {
namespace {

// The subsystem's units in start-up order; shut-down runs in reverse.
// Never destroyed: shut-down is explicit, and a table destroyed at exit would
// run shut-downs after the objects they free are gone.
core::UnitTable& units() {
    static core::UnitTable* table = new core::UnitTable({
        {"RSUtils", InitReportLibraryPaths, DoneReportLibraryPaths},
    });
    return *table;
}

}  // namespace

void unit_startup() { units().Startup(); }

void unit_shutdown() { units().Shutdown(); }

}  // namespace report_support
