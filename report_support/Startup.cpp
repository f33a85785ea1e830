#include "report_support/Startup.h"

#include "report_support/RSConsts.h"
#include "report_support/RSFilters.h"
#include "report_support/RSPDFFilter.h"
#include "report_support/RSPrintDialog.h"
#include "report_support/RSSaveDialog.h"
#include "report_support/RSTypes.h"
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
        {"RSTypes", BuildPaperTable, ClearPaperTable},
        {"RSConsts", SelectLocaleStrings, ClearLocaleStrings},
        {"RSFilters", InitFilters, DoneFilters},
        {"RSSaveDialog", InitSaveParams, DoneSaveParams},
        {"RSPrintDialog", InitPrintParams, DonePrintParams},
        {"RSPDFFilter", InitPdfFilterDefaults, DonePdfFilterDefaults},
    });
    return *table;
}

}  // namespace

void unit_startup() { units().Startup(); }

void unit_shutdown() { units().Shutdown(); }

}  // namespace report_support
