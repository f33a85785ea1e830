// Layouts written to hurt, run through report-tool as a user runs it: each
// is refused with a message and exit status 1, never a crash.

#include "platform/core/SysUtils.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test_support;

namespace {

SplitResult tool(const std::string& args) {
    return run_split("env -u XDG_RUNTIME_DIR LC_ALL=C QT_QPA_PLATFORM=offscreen " +
                     shell_quote(tool_path("report-tool")) + " " + args);
}

std::string detail_with(const std::string& controls) {
    return R"({"class": "TBandReport", "name": "R", "properties": {"ReportTitle": "T"},
      "children": [{"class": "TBRBand", "name": "DetailBand1",
        "properties": {"BandType": "rbDetail", "Size": {"Values": ["60"]}}, "children": [)" +
           controls + "]}]}";
}

}  // namespace

// Expressions whose Master is each other (or itself) are refused when the
// layout is read, by every command that reads it.
TEST(HostileLayout, ExpressionsThatAreEachOthersMasterAreRefused) {
    ScratchDir dir("report-hostile");
    const std::string pair = detail_with(
        R"({"class": "TBRExpr", "name": "A", "properties": {"Expression": "1", "Master": "B"}},
           {"class": "TBRExpr", "name": "B", "properties": {"Expression": "2", "Master": "A"}})");
    const std::string ring = detail_with(
        R"({"class": "TBRExpr", "name": "A", "properties": {"Expression": "1", "Master": "B"}},
           {"class": "TBRExpr", "name": "B", "properties": {"Expression": "2", "Master": "C"}},
           {"class": "TBRExpr", "name": "C", "properties": {"Expression": "3", "Master": "A"}})");
    const std::string itself =
        detail_with(R"({"class": "TBRExpr", "name": "A", "properties": {"Expression": "1", "Master": "A"}})");
    for (const auto& [what, json] : {std::pair{"a pair", pair}, {"a ring of three", ring}, {"itself", itself}}) {
        write_file(dir / "layout.json", json);
        const std::string layout = shell_quote(dir / "layout.json");
        for (const std::string& command : {"run " + layout + " --pdf " + shell_quote(dir / "out.pdf"),
                                           "design " + layout + " " + shell_quote(dir / "out.png"),
                                           "builder --layout " + layout + " --validate '1 + 1'"}) {
            SCOPED_TRACE(std::string(what) + ": " + command);
            const SplitResult r = tool(command);
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_NE(r.err.find("Master: Circular linking not allowed"), std::string::npos) << r.err;
        }
    }
    // Masters that form no ring still read and run.
    write_file(dir / "layout.json",
               detail_with(R"({"class": "TBRExpr", "name": "A", "properties": {"Expression": "1", "Master": "B"}},
                  {"class": "TBRExpr", "name": "B", "properties": {"Expression": "2", "Master": "R"}})"));
    const SplitResult r = tool("run " + shell_quote(dir / "layout.json") + " --pdf " + shell_quote(dir / "out.pdf"));
    EXPECT_EQ(r.status, 0) << r.err;
}

// Controls nested forty thousand deep are refused with a message before
// they can exhaust the stack.
TEST(HostileLayout, DeeplyNestedControlsAreRefused) {
    ScratchDir dir("report-hostile");
    std::string json = R"({"class": "TBandReport", "name": "R", "children": [)";
    const int levels = 40000;
    for (int i = 0; i < levels; ++i) json += R"({"class": "TBRShape", "name": "S)" + std::to_string(i) + R"(", "children": [)";
    for (int i = 0; i < levels; ++i) json += "]}";
    json += "]}";
    write_file(dir / "layout.json", json);
    const SplitResult r = tool("run " + shell_quote(dir / "layout.json") + " --pdf " + shell_quote(dir / "out.pdf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "report-tool: Error reading S255: components nested more than 256 levels deep\n");
}

// The design picture of a page ten metres square would take gigabytes: it
// is refused with its size; a page of ordinary paper is drawn.
TEST(HostileLayout, ADesignPictureTooLargeIsRefused) {
    ScratchDir dir("report-hostile");
    auto page = [](const std::string& length, const std::string& width) {
        return R"({"class": "TBandReport", "name": "R", "properties": {"Page": {"PaperSize": "Custom",
                   "Values": ["100", ")" + length + R"(", "100", ")" + width + R"(", "100", "100", "0"]}}})";
    };
    write_file(dir / "huge.json", page("100000", "100000"));
    SplitResult r = tool("design " + shell_quote(dir / "huge.json") + " " + shell_quote(dir / "huge.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "report-tool design: a picture of 37795 x 37795 pixels is larger than the 67108864 pixels allowed\n");
    EXPECT_FALSE(FileExists(dir / "huge.png"));
    write_file(dir / "a4.json", page("2970", "2100"));
    r = tool("design " + shell_quote(dir / "a4.json") + " " + shell_quote(dir / "a4.png"));
    EXPECT_EQ(r.status, 0) << r.err;
}
