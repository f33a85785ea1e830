// report-tool printers and print, against an ippeveprinter on loopback.

#include "report/print/tests/IppPrinter.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

using namespace test_support;
using report::testing::IppPrinter;
using report::testing::kNoCupsServer;

namespace {

std::string tool() { return tool_path("report-tool"); }

}  // namespace

// Without a CUPS server there are no printers.
TEST(PrintersCommand, NoServerNoPrinters) {
    const SplitResult r = run_split(std::string(kNoCupsServer) + " " + tool() + " printers");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(PrintersCommand, ListsAPrinterGivenByUri) {
    IppPrinter printer;
    ASSERT_TRUE(printer.running()) << printer.why();
    const SplitResult r = run_split(std::string(kNoCupsServer) + " " + tool() + " printers " + printer.uri());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& out = r.out;
    EXPECT_NE(out.find("printer\t0\t" + printer.uri() + "\t"), std::string::npos) << out;
    EXPECT_NE(out.find("settings\t0\t600\t600\tcopies,duplex,orientation,paper,bin"), std::string::npos) << out;
    EXPECT_NE(out.find("paper\t0\t9\tA4\tiso_a4_210x297mm\t210\t297\n"), std::string::npos) << out;
    EXPECT_NE(out.find("paper\t0\t1\tLetter\tna_letter_8.5x11in\t215.9\t279.4\n"), std::string::npos) << out;
    EXPECT_NE(out.find("paper\t0\t20\tEnv10\t"), std::string::npos) << out;
    EXPECT_NE(out.find("bin\t0\t7\tAuto\tauto\n"), std::string::npos) << out;
    EXPECT_NE(out.find("bin\t0\t4\tManual\tmanual\n"), std::string::npos) << out;
}

TEST(PrintersCommand, RefusesANameThatIsNoUri) {
    const SplitResult r = run_split(std::string(kNoCupsServer) + " " + tool() + " printers nonesuch");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
}
