// report-tool support ...: the tables as a person sees them.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

using test_support::output_lines;

std::string tool(const std::string& env, const std::string& args) {
    return "env -u LC_ALL -u LC_MESSAGES -u LANG " + env + " " + test_support::shell_quote(test_support::tool_path("report-tool")) + " " + args;
}

}  // namespace

TEST(ReportTool, SupportTables) {
    struct Case {
        const char* env;
        const char* args;
        std::size_t rows;
        std::size_t row;
        const char* text;
    } cases[] = {
        {"LANG=pt_BR.UTF-8", "support messages", 76, 0, "0\tImprimindo o relatório..."},
        {"LC_ALL=fr_FR.UTF-8", "support messages", 76, 4, "4\tInvalid printer path"},
        {"LANG=de_DE.UTF-8", "support messages", 76, 75, "75\tDirection"},
        {"", "support papers", 141, 4, "4\tA4 210 x 297 mm\t210\t297\t9\tcoded"},
        {"", "support papers", 141, 36, "36\t9x11 228.6 x 279.4 mm\t228.6\t279.4\t44\tcoded"},
        {"", "support papers", 141, 140, "140\tUser Defined\t0\t0\t256\tcoded"},
        {"", "support papers", 141, 0, "0\tA0 841 x 1189 mm\t841\t1189\t0\temulated"},
        {"", "support pdf-defaults", 9, 4, "DocumentInfo.Creator\tReportSupport v3.23"},
        {"", "support pdf-defaults", 9, 8, "TextControl.TabSize\t8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.env) + " " + c.args);
        const auto r = test_support::run_split(tool(c.env, c.args));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const auto rows = output_lines(r.out);
        ASSERT_EQ(rows.size(), c.rows);
        EXPECT_EQ(rows[c.row].substr(0, std::string(c.text).size()), c.text);
    }
}

TEST(ReportTool, UnknownCommandsPrintTheUsage) {
    for (const char* args : {"", "support", "support tables", "support papers extra", "nonsense"}) {
        SCOPED_TRACE(args);
        const auto r = test_support::run_split(tool("", args));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: report-tool"), std::string::npos) << r.err;
    }
}
