// `report-tool pages`: streams made by synth checked by the struct walker,
// pages read by the EMF tools of other programs, rendering against the
// canvas, and the coder against the reference coder.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/graphics/qt/QtCanvas.h"
#include "report/pages/SamplePage.h"
#include "tests/support/TestSupport.h"

using namespace test_support;

namespace {

std::string tool() { return "QT_QPA_PLATFORM=offscreen " + tool_path("report-tool") + " pages "; }

}  // namespace

TEST(PagesTool, SynthStreamsPassTheStructWalker) {
    ScratchDir dir("brp-tool");
    struct Case {
        const char* options;
        const char* compressed;
    } cases[] = {
        {"", "no"}, {"--compress", "yes"}, {"--memory-limit 0", "no"}, {"--compress --memory-limit 5000", "yes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        std::string file = dir / "s.brp";
        ASSERT_EQ(run_status(tool() + "synth --pages 7 " + c.options + " " + file), 0);
        auto walk = run(oracle_command("brp_walk.py") + " " + file + " --pages 7 --compressed " + c.compressed);
        EXPECT_EQ(walk.status, 0) << walk.output;
        auto info = run(tool() + "info " + file);
        EXPECT_EQ(info.status, 0);
        EXPECT_NE(info.output.find(std::string("compressed: ") + c.compressed), std::string::npos) << info.output;
        EXPECT_NE(info.output.find("pages: 7\npage 1: record at 128, "), std::string::npos) << info.output;
        EXPECT_NE(info.output.find("page 7: "), std::string::npos);
    }
    ASSERT_EQ(run_status(tool() + "synth --pages 0 " + (dir / "empty.brp")), 0);
    auto walk = run(oracle_command("brp_walk.py") + " " + (dir / "empty.brp") + " --pages 0");
    EXPECT_EQ(walk.status, 0) << walk.output;
    EXPECT_NE(run(tool() + "info " + (dir / "empty.brp")).output.find("pages: 0"), std::string::npos);
}

TEST(PagesTool, ExtractedPagesAreEnhancedMetafilesToOtherTools) {
    ScratchDir dir("brp-tool");
    std::string file = dir / "s.brp", emf = dir / "p2.emf";
    ASSERT_EQ(run_status(tool() + "synth --pages 3 --compress " + file), 0);
    ASSERT_EQ(run_status(tool() + "extract " + file + " 2 " + emf), 0);
    EXPECT_NE(capture("file -b " + emf).find("Windows Enhanced Metafile"), std::string::npos);
    std::string dump = capture("printemf " + emf + " 2>/dev/null");
    EXPECT_NE(dump.find("EXTTEXTOUTW"), std::string::npos);
    EXPECT_NE(dump.find("Demonstrativo de cobrança - página 2"), std::string::npos);
    ASSERT_EQ(run_status("emf2svg-conv -i " + emf + " -o " + (dir / "p2.svg") + " 2>/dev/null"), 0);
    std::string svg = read_file(dir / "p2.svg");
    EXPECT_NE(svg.find("Título 200"), std::string::npos);
    EXPECT_NE(svg.find("Total da página 2"), std::string::npos);
}

TEST(PagesTool, RenderedPageMatchesThePageDrawnOnTheCanvas) {
    ScratchDir dir("brp-tool");
    std::string file = dir / "s.brp", png = dir / "p3.png";
    ASSERT_EQ(run_status(tool() + "synth --pages 4 --compress " + file), 0);
    ASSERT_EQ(run_status(tool() + "render " + file + " 3 " + png), 0);
    QImage want(report::kSamplePageWidth, report::kSamplePageHeight, QImage::Format_RGB32);
    want.fill(Qt::white);
    {
        graphics::qt::GraphicsScope qt;
        QPainter p(&want);
        graphics::qt::QtCanvas canvas(p);
        report::draw_sample_page(canvas, 3);
    }
    QImage got(QString::fromStdString(png));
    ASSERT_EQ(got.size(), want.size());
    got = got.convertToFormat(QImage::Format_RGB32);
    int differ = 0;
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x) differ += got.pixel(x, y) != want.pixel(x, y);
    EXPECT_EQ(differ, 0);
    ASSERT_EQ(run_status(tool() + "render " + file + " 3 " + png + " --dpi 48"), 0);
    EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(397, 562));
}

TEST(PagesTool, CodeAndDecodeAgreeWithTheReferenceCoder) {
    ScratchDir dir("brp-tool");
    std::string plain = dir / "plain", payload = dir / "payload", back = dir / "back";
    ASSERT_EQ(run_status(tool() + "synth --pages 2 " + (dir / "s.brp")), 0);
    ASSERT_EQ(run_status(tool() + "code < " + (dir / "s.brp") + " > " + payload), 0);
    ASSERT_EQ(run_status(tool() + "decode < " + payload + " > " + back), 0);
    EXPECT_EQ(read_file(back), read_file(dir / "s.brp"));
    std::string code = read_file(payload);
    ASSERT_GE(code.size(), 4u);
    ASSERT_EQ(run_status(oracle_command("splay_coder.py") + " code < " + (dir / "s.brp") + " > " + plain), 0);
    EXPECT_EQ(code.substr(4), read_file(plain));
    // A payload cut short is refused, with nothing on standard output.
    write_file(payload, code.substr(0, code.size() / 2));
    auto cut = run_split(tool() + "decode < " + payload);
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, "");
    EXPECT_NE(cut.err.find("Stream read error"), std::string::npos);
}

// From a pipe the coder reads to the end, as from a file: the same payload
// (the plain size first), and decode takes its payload from a pipe too.
TEST(PagesTool, CodeAndDecodeReadPipesToTheEnd) {
    ScratchDir dir("brp-pipe");
    ASSERT_EQ(run_status(tool() + "synth --pages 3 " + (dir / "s.brp")), 0);
    const std::string big = read_file(dir / "s.brp");
    const struct {
        const char* name;
        std::string plain;
    } cases[] = {{"three bytes", "abc"}, {"empty", ""}, {"a page stream", big}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir / "plain", c.plain);
        const auto from_file = run_split(tool() + "code < " + (dir / "plain"));
        const auto from_pipe = run_split("cat " + (dir / "plain") + " | " + tool() + "code");
        ASSERT_EQ(from_file.status, 0) << from_file.err;
        ASSERT_EQ(from_pipe.status, 0) << from_pipe.err;
        EXPECT_EQ(from_pipe.out, from_file.out);
        ASSERT_GE(from_pipe.out.size(), 4u);
        EXPECT_EQ(from_pipe.out.substr(0, 4),
                  std::string({char(c.plain.size() & 0xFF), char((c.plain.size() >> 8) & 0xFF),
                               char((c.plain.size() >> 16) & 0xFF), char(c.plain.size() >> 24)}));
        write_file(dir / "payload", from_pipe.out);
        const auto back = run_split("cat " + (dir / "payload") + " | " + tool() + "decode");
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_EQ(back.out, c.plain);
    }
    // The three bytes as coded by the reference coder.
    EXPECT_EQ(run_split("printf abc | " + tool() + "code | od -An -tx1").out, " 03 00 00 00 46 3d 01\n");
}

TEST(PagesTool, BadArgumentsAndFilesGetClearErrors) {
    ScratchDir dir("brp-tool");
    std::string file = dir / "s.brp";
    ASSERT_EQ(run_status(tool() + "synth --pages 2 " + file), 0);
    struct Case {
        std::string args;
        int status;
        const char* message;
    } cases[] = {
        {"", 2, "usage"},
        {"synth --pages x " + file, 2, "usage"},
        {"extract " + file + " 3 " + (dir / "x.emf"), 1, "Page 3 is not in 1..2"},
        {"extract " + file + " 0 " + (dir / "x.emf"), 1, "Page 0 is not in 1..2"},
        {"info " + (dir / "missing.brp"), 1, "missing.brp: No such file or directory"},
        {"render " + file + " 1 " + (dir / "x.png") + " --dpi 0", 2, "usage"},
        {"extract " + file + " 1 " + (dir / "no/x.emf"), 1, "no/x.emf: No such file or directory"},
    };
    for (const auto& c : cases) {
        auto r = run_split(tool() + c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    }
    EXPECT_FALSE(std::ifstream(dir / "x.emf").good());
}

// Every file report-tool pages writes gets the usual permissions; whatever it
// prints must reach standard output, or the run fails.
TEST(PagesTool, OutputsGetTheUsualPermissionsAndAFullStandardOutputFails) {
    ScratchDir dir("brp-modes");
    const std::string brp = dir / "s.brp";
    ASSERT_EQ(run_status(tool() + "synth --pages 2 " + shell_quote(brp)), 0);
    struct Case {
        const char* out;
        std::string args;
    } cases[] = {
        {"t.brp", "synth --pages 2"},
        {"p.emf", "extract " + shell_quote(brp) + " 1"},
        {"p.png", "render " + shell_quote(brp) + " 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const std::string out = dir / c.out;
        const OutputModes modes = output_modes(tool() + c.args + " " + shell_quote(out) + " 2>/dev/null", out);
        EXPECT_EQ(modes.made, 0644);
        EXPECT_EQ(modes.replaced, 0664);
    }
    const SplitResult full = run_split(tool() + "info " + shell_quote(brp) + " >/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("report-tool: cannot write standard output: No space left on device\n"), std::string::npos)
        << full.err;
}

// A run ended by SIGTERM leaves neither its spilled page stream nor a
// half-written output behind.
TEST(PagesTool, ASignalLeavesNoTemporaryFile) {
    ScratchDir dir("brp-signal");
    const std::string program = tool_path("report-tool"), out = dir / "out.brp";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("TMPDIR", dir.path().c_str(), 1);
        ::execl(program.c_str(), program.c_str(), "pages", "synth", "--pages", "100000", "--memory-limit", "0",
                out.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool spilled = false;
    for (int i = 0; i < 1000 && !spilled; ++i) {
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) spilled = spilled || !e.is_directory();
        if (!spilled) ::usleep(10000);
    }
    EXPECT_TRUE(spilled);
    ::usleep(100000);  // past the moment the file is made and registered
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (!e.is_directory()) ADD_FAILURE() << "left: " << e.path();  // Qt may make its runtime folder here
}
