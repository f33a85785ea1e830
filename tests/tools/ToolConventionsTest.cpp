// Every tool run as a user runs it: --help and --version on standard output
// with status 0, the usage on standard error with status 2 when called alone
// or with a wrong option.
#include <gtest/gtest.h>

#include <regex>
#include <unistd.h>
#include <string>

#include "tests/support/TestSupport.h"

using test_support::run_split;
using test_support::shell_quote;
using test_support::SplitResult;

namespace {

struct Tool {
    const char* name;
    const char* command;  // a command whose own usage `TOOL COMMAND --help` prints; nullptr when none
    const char* usage = "usage: ";  // how its usage starts, in the tool's own language
};

constexpr Tool kTools[] = {
    {"archive-tool", "list"},    {"picture-tool", "decode"}, {"billing-tool", "boleto", "uso: "},
    {"report-tool", "run"},      {"sql-tool", nullptr},      {"interbase-tool", "glyphs"},
    {"report-preview", nullptr}, {"report-builder", nullptr},
};

SplitResult run_tool(const Tool& tool, const std::string& args) {
    // No display: nothing may open a window to answer these.
    return run_split("env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C " +
                     shell_quote(test_support::tool_path(tool.name)) + " " + args + " </dev/null");
}

}  // namespace

TEST(ToolConventions, HelpAndVersionGoToStandardOutputWithStatus0) {
    std::string version;
    for (const Tool& tool : kTools) {
        SCOPED_TRACE(tool.name);
        SplitResult r = run_tool(tool, "--help");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind(tool.usage, 0), 0u) << r.out;
        EXPECT_NE(r.out.find(tool.name), std::string::npos) << r.out;

        r = run_tool(tool, "--version");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        std::smatch m;
        ASSERT_TRUE(std::regex_match(r.out, m, std::regex(std::string(tool.name) + " \\(Tamblero\\) ([0-9]+\\.[0-9]+\\.[0-9]+)\n")))
            << r.out;
        // One version for the whole project.
        if (version.empty()) version = m[1];
        EXPECT_EQ(m[1], version);
    }
}

// `TOOL COMMAND --help` prints that command's usage, never takes --help for
// a file name or an argument, and runs nothing.
TEST(ToolConventions, ACommandsHelpIsItsUsage) {
    for (const Tool& tool : kTools) {
        if (!tool.command) continue;
        SCOPED_TRACE(tool.name);
        for (const std::string& args : {std::string(tool.command) + " --help", std::string(tool.command) + " x --help"}) {
            const SplitResult r = run_tool(tool, args);
            EXPECT_EQ(r.status, 0) << args;
            EXPECT_EQ(r.err, "") << args;
            EXPECT_EQ(r.out.rfind(tool.usage, 0), 0u) << r.out;
            EXPECT_NE(r.out.find(tool.command), std::string::npos) << r.out;
        }
    }
    // Only the command's lines, with the block of its options.
    const SplitResult list = run_tool(kTools[0], "list --help");
    EXPECT_EQ(list.out.find("compress"), std::string::npos) << list.out;
    const SplitResult compress = run_tool(kTools[0], "compress --help");
    EXPECT_NE(compress.out.find("--switch add|refresh|move|delete"), std::string::npos) << compress.out;
    EXPECT_EQ(compress.out.find("detect FILE"), std::string::npos) << compress.out;
    // After "--" it is an argument like any other.
    const SplitResult eval = run_split("LC_ALL=C " + shell_quote(test_support::tool_path("report-tool")) +
                                       " eval -- --help");
    EXPECT_NE(eval.status, 0);
    EXPECT_EQ(eval.out.rfind("usage:", 0), std::string::npos) << eval.out;
}

TEST(ToolConventions, AloneOrWithAWrongOptionTheUsageGoesToStandardErrorWithStatus2) {
    for (const Tool& tool : kTools) {
        for (const char* args : {"", "--no-such-option"}) {
            SCOPED_TRACE(std::string(tool.name) + " " + args);
            const SplitResult r = run_tool(tool, args);
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find(tool.usage), std::string::npos) << r.err;
        }
    }
}

// A failure is one line on stderr, "TOOL: FILE: reason", with the system's
// reason, and a non-zero status.
TEST(ToolConventions, FailuresAreOneLineNamingTheFileAndTheReason) {
    test_support::ScratchDir dir("tool-errors");
    const std::string missing = dir / "missing";
    const std::string folder = dir.path();
    const std::string cut = dir / "cut";
    test_support::write_file(cut, "GIF89a\x10");
    test_support::write_file(dir / "f.txt", "text");
    test_support::write_file(dir / "brp", "BRP");
    struct Case {
        const char* tool;
        std::string args;
        std::string line;
    };
    const std::string q = shell_quote(missing);
    const Case cases[] = {
        {"picture-tool", "info " + q, missing + ": No such file or directory"},
        {"picture-tool", "decode " + q + " " + shell_quote(dir / "o.ppm"), missing + ": No such file or directory"},
        {"picture-tool", "reduce " + q + " " + shell_quote(dir / "o.bmp") + " --method 0",
         missing + ": No such file or directory"},
        {"picture-tool", "save " + q + " " + shell_quote(dir / "o.gif"), missing + ": No such file or directory"},
        {"picture-tool", "info " + shell_quote(folder), folder + ": Is a directory"},
        {"picture-tool", "info " + shell_quote(cut), cut + ": Stream read error (the file ends early)"},
        {"archive-tool", "list " + q, missing + ": No such file or directory"},
        {"archive-tool", "list " + shell_quote(folder), folder + ": Is a directory"},
        {"archive-tool", "detect " + q, missing + ": No such file or directory"},
        {"billing-tool", "boleto --bank 341 " + q, missing + ": No such file or directory"},
        {"billing-tool", "retorno --bank 341 " + q, missing + ": No such file or directory"},
        {"report-tool", "run " + q + " --pdf " + shell_quote(dir / "o.pdf"), missing + ": No such file or directory"},
        {"report-tool", "pages info " + q, missing + ": No such file or directory"},
        {"report-tool", "pages info " + shell_quote(dir / "brp"),
         dir / "brp" + ": Stream read error (the file ends early)"},
        {"sql-tool", "--connect 'DRIVER=SQLite3;Database=:memory:' --file " + q, missing + ": No such file or directory"},
        {"interbase-tool", "glyphs " + q, missing + ": No such file or directory"},
        {"interbase-tool", "glyphs " + shell_quote(dir / "f.txt"), dir / "f.txt" + ": Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tool) + " " + c.args);
        const SplitResult r = run_tool(Tool{c.tool, nullptr}, c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, std::string(c.tool) + ": " + c.line + "\n");
    }
}

// A pass that changes nothing fails and says why.
TEST(ToolConventions, AnArchivePassThatDoesNothingSaysWhy) {
    test_support::ScratchDir dir("tool-errors");
    const std::string zip = dir / "a.zip", file = dir / "f.txt";
    test_support::write_file(file, "text");
    const Tool archive{"archive-tool", nullptr};
    SplitResult r = run_tool(archive, "compress " + shell_quote(zip) + " " + shell_quote(dir / "none.*"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "archive-tool: " + zip + ": 25268 Nothing to do (no file matches " + dir / "none.*" + ")\n");
    r = run_tool(archive, "compress " + shell_quote(zip) + " " + shell_quote(file));
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_tool(archive, "compress --keep " + shell_quote(zip) + " " + shell_quote(file));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

// An output named for a format the command does not write is refused and
// not made; "-" is standard output where the output is a stream (PPM).
TEST(ToolConventions, OutputsNamedForAnotherFormatAreRefused) {
    test_support::ScratchDir dir("tool-outputs");
    const std::string ppm = dir / "in.ppm", gif = dir / "in.gif";
    test_support::write_file(ppm, std::string("P6\n2 1\n255\n\xff\x00\x00\x00\x00\xff", 17));
    const Tool picture{"picture-tool", nullptr};
    SplitResult r = run_tool(picture, "save " + shell_quote(ppm) + " " + shell_quote(gif));
    ASSERT_EQ(r.status, 0) << r.err;
    struct Case {
        std::string args;
        std::string output;
        std::string says;
    };
    const Case refused[] = {
        {"decode " + shell_quote(gif) + " " + shell_quote(dir / "a.jpg"), dir / "a.jpg", "not .jpg"},
        {"draw " + shell_quote(gif) + " 4 4 FFFFFF " + shell_quote(dir / "a.GIF"), dir / "a.GIF", "not .gif"},
        {"reduce " + shell_quote(ppm) + " " + shell_quote(dir / "x.png") + " --method 0", dir / "x.png", "not .png"},
        {"save " + shell_quote(ppm) + " " + shell_quote(dir / "x.png"), dir / "x.png", "not .png"},
    };
    // Each is refused with status 2, says what the command writes, and writes nothing.
    auto expect_refused = [&](const Tool& tool, const auto& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.args);
            r = run_tool(tool, c.args);
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err.rfind(std::string(tool.name) + ": " + c.output + ": writes ", 0), 0u) << r.err;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
            EXPECT_NE(access(c.output.c_str(), F_OK), 0);
        }
    };
    expect_refused(picture, refused);
    // Standard output, and names in any case or without an extension.
    r = run_tool(picture, "decode " + shell_quote(gif) + " -");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string("P6\n2 1\n255\n\xff\x00\x00\x00\x00\xff", 17));
    r = run_tool(picture, "decode " + shell_quote(gif) + " " + shell_quote(dir / "a.PNG"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test_support::read_file(dir / "a.PNG").substr(1, 3), "PNG");
    r = run_tool(picture, "decode " + shell_quote(gif) + " " + shell_quote(dir / "frame"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test_support::read_file(dir / "frame").substr(0, 3), "P6\n");

    // report-tool writes PDFs, page streams, PNG pictures and EMF pages.
    const Tool report{"report-tool", nullptr};
    const std::string layout = shell_quote(test_support::source_path("examples/orders.json"));
    const std::string brp = dir / "pages.brp";
    ASSERT_EQ(run_tool(report, "pages synth --pages 1 " + shell_quote(brp)).status, 0);
    const Case report_refused[] = {
        {"run " + layout + " --pdf " + shell_quote(dir / "r.png"), dir / "r.png", "not .png"},
        {"run " + layout + " --brp " + shell_quote(dir / "r.pdf"), dir / "r.pdf", "not .pdf"},
        {"print " + shell_quote(brp) + " --pdf " + shell_quote(dir / "p.ps"), dir / "p.ps", "not .ps"},
        {"design " + layout + " " + shell_quote(dir / "d.jpg"), dir / "d.jpg", "not .jpg"},
        {"pages render " + shell_quote(brp) + " 1 " + shell_quote(dir / "p.gif"), dir / "p.gif", "not .gif"},
        {"pages extract " + shell_quote(brp) + " 1 " + shell_quote(dir / "p.png"), dir / "p.png", "not .png"},
    };
    expect_refused(report, report_refused);
}
