// report-tool printers and print, against an ippeveprinter on loopback.

#include "report/print/tests/IppPrinter.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <vector>

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

// ------------------------------------------------------------------ print

#include "report/print/BRPrntr.h"
#include "report/print/tests/StreamMaker.h"

#include <QImage>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/graphics/qt/MetafilePlayer.h"
#include "platform/graphics/qt/QtCanvas.h"

using report::testing::make_stream;

namespace {

class PrintCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() { graphics::qt::unit_startup(); }
    static void TearDownTestSuite() { graphics::qt::unit_shutdown(); }
    ScratchDir dir{"print-command"};
};

// Waits (a few seconds at most) for the spool to hold n documents.
std::vector<std::string> wait_for_spool(const IppPrinter& printer, std::size_t n) {
    for (int i = 0; i < 100; ++i) {
        auto files = printer.spooled();
        if (files.size() >= n) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the last one be written whole
            return printer.spooled();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return printer.spooled();
}

}  // namespace

// A PDF of each paper: well formed, of the stream's paper, and page for
// page what the stored pages look like at 96 dpi. Without a runtime folder
// or a screen the tool still says nothing on stderr (Qt's notes stay out).
TEST_F(PrintCommand, PdfMatchesTheStoredPages) {
    struct Case {
        const char* what;
        TBRPaperSize size;
        TPrinterOrientation orientation;
        double width_pt, height_pt;
        const char* env;
    } cases[] = {
        {"A4 portrait", TBRPaperSize::A4, poPortrait, 595.28, 841.89,
         "env -u XDG_RUNTIME_DIR QT_QPA_PLATFORM=offscreen"},
        {"A3 landscape, no screen named", TBRPaperSize::A3, poLandscape, 1190.55, 841.89,
         "env -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string brp = dir / "s.brp", pdf = dir / "out.pdf";
        make_stream(brp, 2, c.size, c.orientation, c.orientation == poLandscape);
        const SplitResult r = run_split(std::string(c.env) + " " + kNoCupsServer + " " + tool() + " print " + brp +
                                        " --pdf " + pdf);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(run("qpdf --check " + shell_quote(pdf)).status, 0) << run("qpdf --check " + pdf).output;
        ASSERT_EQ(pdf_pages(pdf), 2);
        for (int n = 1; n <= 2; ++n) {
            const auto [w, h] = pdf_page_size(pdf, n);
            EXPECT_NEAR(w, c.width_pt, 1.0);
            EXPECT_NEAR(h, c.height_pt, 1.0);
        }
        // Each page rendered by poppler at 96 dpi against the stored page played at 96 dpi.
        ASSERT_EQ(run("pdftoppm -r 96 -png " + shell_quote(pdf) + " " + shell_quote(dir / "poppler")).status, 0);
        TBRPrinter stored;
        stored.LoadPageStreamFile(brp);
        for (int n = 1; n <= 2; ++n) {
            const std::string ours = dir / ("ours-" + std::to_string(n) + ".png");
            ASSERT_TRUE(graphics::qt::render_metafile(*stored.GetStoredPage(n), 96).save(QString::fromStdString(ours)));
            const std::string theirs = dir / ("poppler-" + std::to_string(n) + ".png");
            const CommandResult m = run(oracle_command("image_match.py") + " " + ours + " " + theirs);
            EXPECT_EQ(m.status, 0) << "page " << n << ": " << m.output;
        }
    }
}

TEST_F(PrintCommand, CopiesAndDuplexReachThePrinter) {
    IppPrinter printer;
    ASSERT_TRUE(printer.running()) << printer.why();
    const std::string brp = dir / "five.brp";
    make_stream(brp, 5, TBRPaperSize::A4, poPortrait);
    const std::string env = std::string(kNoCupsServer) + " ";
    SplitResult r = run_split(env + tool() + " print " + brp + " --printer " + printer.uri() +
                              " --copies 2 --duplex 2");
    ASSERT_EQ(r.status, 0) << r.err;
    auto files = wait_for_spool(printer, 1);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(pdf_pages(files[0]), 5);
    const std::string job = printer.job_attributes(1);
    EXPECT_NE(job.find("copies (integer) = 2"), std::string::npos) << job;
    EXPECT_NE(job.find("sides (keyword) = two-sided-long-edge"), std::string::npos) << job;
    EXPECT_NE(job.find("job-name (nameWithoutLanguage) = five"), std::string::npos) << job;

    // A range: pages 3 and 4 only.
    r = run_split(env + tool() + " print " + brp + " --printer " + printer.uri() + " --first 3 --last 4");
    ASSERT_EQ(r.status, 0) << r.err;
    files = wait_for_spool(printer, 2);
    ASSERT_EQ(files.size(), 2u);
    const std::string second = files[0] == files[1] ? files[0] : (files[0].find("/1-") != std::string::npos ? files[1] : files[0]);
    EXPECT_EQ(pdf_pages(second), 2);
    const std::string text = capture("pdftotext " + shell_quote(second) + " -");
    EXPECT_NE(text.find("Page 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 4"), std::string::npos) << text;
    for (const char* other : {"Page 1", "Page 2", "Page 5"}) EXPECT_EQ(text.find(other), std::string::npos) << text;
}

// Bad input: a clear error, no job, nothing written over a good file.
TEST_F(PrintCommand, BadInputSubmitsNothing) {
    IppPrinter printer;
    ASSERT_TRUE(printer.running()) << printer.why();
    const std::string brp = dir / "five.brp", damaged = dir / "damaged.brp", pdf = dir / "keep.pdf";
    make_stream(brp, 5, TBRPaperSize::A4, poPortrait);
    std::string bytes = read_file(brp);
    bytes.resize(bytes.size() - 500);
    write_file(damaged, bytes);
    write_file(pdf, "a good file");
    const std::string env = std::string(kNoCupsServer) + " ";
    struct Case {
        const char* what;
        std::string args;
        int status;
        const char* message;
    } cases[] = {
        {"unknown printer", brp + " --printer nonesuch", 1, "unknown printer \"nonesuch\""},
        {"range past the end", brp + " --printer " + printer.uri() + " --first 4 --last 9", 1, "not within the 5 pages"},
        {"first after last", brp + " --printer " + printer.uri() + " --first 4 --last 2", 1, "not within"},
        {"damaged stream", damaged + " --printer " + printer.uri(), 1, "report-tool:"},
        {"damaged stream to a file", damaged + " --pdf " + pdf, 1, "report-tool:"},
        {"missing stream", dir / "missing.brp" + " --pdf " + pdf, 1, "report-tool:"},
        {"no printer at all", brp, 1, "there is no printer"},
        {"both outputs", brp + " --printer x --pdf " + pdf, 2, "usage"},
        {"bad duplex", brp + " --pdf " + pdf + " --duplex 4", 2, "--duplex takes a whole number from 1 to 3"},
        {"too many copies", brp + " --pdf " + pdf + " --copies 1000", 2, "--copies takes a whole number from 1 to 999"},
        {"no copies", brp + " --pdf " + pdf + " --copies 0", 2, "--copies takes a whole number from 1 to 999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SplitResult r = run_split(env + tool() + " print " + c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(printer.spooled().empty());
    EXPECT_EQ(read_file(pdf), "a good file");
    // Nothing left behind beside the target either.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 3);
}

// A PDF file gets the usual permissions, keeps what stands at its path, and
// replaces the old file only when it is whole: a write past the file-size
// limit, or to a full device, fails the run and leaves the old file.
TEST_F(PrintCommand, PdfFileIsReplacedWholeWithTheUsualPermissions) {
    const std::string brp = dir / "s.brp", pdf = dir / "out.pdf";
    make_stream(brp, 3, TBRPaperSize::A4, poPortrait);
    const std::string print = std::string(kNoCupsServer) + " " + tool() + " print " + shell_quote(brp) + " --pdf ";
    const OutputModes modes = output_modes(print + shell_quote(pdf), pdf);
    EXPECT_EQ(modes.made, 0644);
    EXPECT_EQ(modes.replaced, 0664);

    // Through a link: the link stays and the file it names gets the PDF.
    std::filesystem::create_symlink("out.pdf", dir / "link.pdf");
    write_file(pdf, "old");
    ASSERT_EQ(run(print + shell_quote(dir / "link.pdf")).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.pdf"));
    EXPECT_EQ(read_file(pdf).rfind("%PDF-", 0), 0u);

    write_file(pdf, "a good file");
    struct Case {
        const char* what;
        std::string command;
    } cases[] = {
        {"file-size limit", "ulimit -f 8; " + print + shell_quote(pdf)},
        {"full device", print + "/dev/full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what) == "full device" && !std::filesystem::exists("/dev/full")) continue;
        const SplitResult r = run_split(c.command);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("report-tool: Disk full\n"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(pdf), "a good file");
    }
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link.pdf", "out.pdf", "s.brp"}));
}

// A printer that takes the connection and never answers is given up after
// a bounded wait, and the message says so (not CUPS's "Success").
TEST_F(PrintCommand, APrinterThatNeverAnswersIsGivenUpWithTheReason) {
    const std::string brp = dir / "one.brp", port = dir / "port";
    make_stream(brp, 1, TBRPaperSize::A4, poPortrait);
    const std::string listener = shell_quote(
        "import socket, sys\n"
        "s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen(8)\n"
        "open(sys.argv[1], 'w').write(str(s.getsockname()[1]))\n"
        "held = []\n"
        "while True: held.append(s.accept())\n");
    const SplitResult r = run_split("sh -c " + shell_quote(std::string(kPython3) + " -c " + listener + " " + shell_quote(port) +
                                    " & lpid=$!\n"
                                    "for i in $(seq 100); do [ -s " + shell_quote(port) + " ] && break; sleep 0.1; done\n" +
                                    kNoCupsServer + " timeout 100 " + tool() + " print " + shell_quote(brp) +
                                    " --printer ipp://127.0.0.1:$(cat " + shell_quote(port) + ")/ipp/print\n"
                                    "status=$?; kill $lpid; exit $status"));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("cannot be reached: no answer within 10 seconds"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Success"), std::string::npos) << r.err;
}
