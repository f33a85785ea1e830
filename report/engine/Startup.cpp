#include "report/engine/Startup.h"

#include "report/bands/BandRpt.h"
#include "report/controls/BRCtrls.h"
#include "report/engine/BRRegister.h"
#include "report/expr/BRExpr.h"
#include "report/print/BRHyperlinks.h"
#include "report/print/BRPrnSu.h"

namespace report {

namespace {
// Start-ups not yet matched by a shut-down: only the first starts the
// steps, only the last shut-down undoes them.
int startups = 0;
}  // namespace

void unit_startup() {
    if (startups++ > 0) return;
    InitExpressionLibrary();
    try {
        InitReportDefaults();
        RegisterControlClasses();
        RegisterPrinterSettingsClasses();
        RegisterReportClasses();
        InitPrinterEngine();
    } catch (...) {
        UnregisterControlClasses();
        FinalizeReportDefaults();
        report::DoneExpressionLibrary();
        startups = 0;
        throw;
    }
}

void unit_shutdown() {
    if (startups == 0 || --startups > 0) return;
    DonePrinterEngine();
    ClearSearchText();
    UnregisterPrinterSettingsClasses();
    UnregisterControlClasses();
    FinalizeReportDefaults();
    report::DoneExpressionLibrary();
}

}  // namespace report
