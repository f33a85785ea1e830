// The units of the programs that show the report windows (report-preview):
// the report engine's start-up runs with the windows', and everything stops
// in reverse.

#include "report/ui/Startup.h"

#include "platform/core/Classes.h"
#include "report/expr/BRExpr.h"
#include "report/print/BRExportFilters.h"
#include "report/print/BRPreviewFactory.h"
#include "report/ui/BRStdPrev.h"

#include <gtest/gtest.h>

TEST(WindowProgramUnits, StartTheReportEngineWithTheWindowsAndStopInReverse) {
    ASSERT_EQ(report::ExportFilterLibrary(), nullptr);
    {
        const report::ui::WindowProgramUnits units;
        // The printer engine's start-up: the export filter registry.
        ASSERT_NE(report::ExportFilterLibrary(), nullptr);
        EXPECT_EQ(report::ExportFilterLibrary()->SaveDialogFilterText(), "BandReport file(*.BRP)|*.BRP");
        // The expression library, the report and data classes, the windows.
        EXPECT_GT(FunctionLibrary().Count(), 0);
        EXPECT_NE(GetClass("TBandReport"), nullptr);
        EXPECT_NE(GetClass("TADOQuery"), nullptr);
        EXPECT_NE(GetClass("TBRExprEditor"), nullptr);
        EXPECT_NE(dynamic_cast<TBRStandardPreviewInterface*>(&report::preview_factory()), nullptr);
    }
    EXPECT_EQ(report::ExportFilterLibrary(), nullptr);
    EXPECT_EQ(report::preview_factory_slot.get(), nullptr);
    EXPECT_EQ(GetClass("TBandReport"), nullptr);
}
