// Every tool run as a user runs it: --help and --version on standard output
// with status 0, the usage on standard error with status 2 when called alone
// or with a wrong option.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/TestSupport.h"

using test_support::run_split;
using test_support::shell_quote;
using test_support::SplitResult;

namespace {

struct Tool {
    const char* name;
    const char* command;  // a command whose own usage `TOOL COMMAND --help` prints; nullptr when none
};

constexpr Tool kTools[] = {
    {"archive-tool", "list"},   {"picture-tool", "decode"}, {"billing-tool", "boleto"},
    {"report-tool", "run"},     {"sql-tool", nullptr},      {"interbase-tool", "glyphs"},
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
        EXPECT_EQ(r.out.rfind("usage: ", 0), 0u) << r.out;
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
            EXPECT_EQ(r.out.rfind("usage: ", 0), 0u) << r.out;
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
            EXPECT_NE(r.err.find("usage: "), std::string::npos) << r.err;
        }
    }
}
