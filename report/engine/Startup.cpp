#include "report/engine/Startup.h"

#include "report/bands/BandRpt.h"
#include "report/controls/BRCtrls.h"
#include "report/engine/BRRegister.h"
#include "report/expr/BRExpr.h"
#include "report/print/BRHyperlinks.h"
#include "report/print/BRPrnSu.h"

namespace report {

void unit_startup() {
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
        DoneExpressionLibrary();
        throw;
    }
}

void unit_shutdown() {
    DonePrinterEngine();
    ClearSearchText();
    UnregisterPrinterSettingsClasses();
    UnregisterControlClasses();
    FinalizeReportDefaults();
    DoneExpressionLibrary();
}

}  // namespace report
