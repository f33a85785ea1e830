// A report printed again on an IPP Everywhere printer on loopback: the job
// has the report's pages, copies and sides.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/graphics/tests/FixedFontEngine.h"
#include "platform/print/Printers.h"
#include "report/bands/BandRpt.h"
#include "report/print/tests/IppPrinter.h"
#include "tests/support/TestSupport.h"

namespace {

using test_support::capture;
using test_support::pdf_pages;
using test_support::shell_quote;

// Only printers given by URI exist while it lives.
struct NoCupsServer {
    std::string saved;
    bool had = false;
    NoCupsServer() {
        if (const char* v = std::getenv("CUPS_SERVER")) had = true, saved = v;
        setenv("CUPS_SERVER", "127.0.0.1:1", 1);
    }
    ~NoCupsServer() {
        if (had) setenv("CUPS_SERVER", saved.c_str(), 1);
        else unsetenv("CUPS_SERVER");
    }
};

struct Report {
    test_support::FixedFontEngine engine;
    core::ScopedService<graphics::FontEngine*> fonts{graphics::font_engine_slot, &engine};
    TBandReport report{nullptr};
    int left = 0;
    Report() {
        report.SetUnits(TBRUnit::Native);
        TBRCustomBand* detail = report.CreateStandardBand(rbDetail);
        detail->Size()->SetCurrentUnit(TBRUnit::Native);
        detail->Size()->SetHeight(600);
        report.OnNeedData = [this](TObject*, bool& more) { more = left-- > 0; };
        report.ShowProgress = false;
    }
};

TEST(RunToPrinterIpp, TheJobCarriesTheReportsSettings) {
    NoCupsServer no_server;
    report::testing::IppPrinter printer;
    ASSERT_TRUE(printer.running()) << printer.why();
    print::CupsPrintDevice device({printer.uri()});
    Report r;
    r.report.PrinterSettings()->PrinterIndex = -1;  // the default: the only printer
    r.report.PrinterSettings()->Copies = 2;
    r.report.PrinterSettings()->Duplex = true;
    r.left = 10;  // 4 records to a page: 3 pages
    r.report.RunToPrinter(&device);
    EXPECT_EQ(r.report.ReportPrinter(), nullptr);  // none before, none after
    const std::vector<std::string> spooled = printer.await_spooled();
    ASSERT_EQ(spooled.size(), 1u);
    EXPECT_EQ(pdf_pages(spooled[0]), 3);
    const std::string job = printer.job_attributes(1);
    EXPECT_NE(job.find("copies (integer) = 2"), std::string::npos) << job;
    // Duplex without an extended code turns on the short edge.
    EXPECT_NE(job.find("sides (keyword) = two-sided-short-edge"), std::string::npos) << job;

    // No printer at all: nothing is printed and the report is left as it was.
    print::CupsPrintDevice nothing;
    r.left = 10;
    r.report.RunToPrinter(&nothing);
    EXPECT_EQ(r.report.ReportPrinter(), nullptr);
    EXPECT_TRUE(r.report.Ready());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(printer.spooled().size(), 1u);
}

}  // namespace
