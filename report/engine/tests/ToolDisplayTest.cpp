// report-tool under a display that cannot be opened (DISPLAY names an X
// server nobody runs): the commands without windows work as they do with no
// display at all, and those with windows end with status 1 and say why,
// leaving no temporary file behind.

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace test_support;

namespace {

// A display number with no X server socket.
std::string unreachable_display() {
    for (int n = 7391;; ++n)
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))) return ":" + std::to_string(n);
}

constexpr const char* kLayout = R"({
  "class": "TBandReport",
  "name": "OrdersReport",
  "properties": {
    "ReportTitle": "Orders",
    "DataSet": "Orders",
    "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
             "Values": ["100", "2970", "100", "2100", "100", "100", "0"]}
  },
  "children": [
    {"class": "TBRBand", "name": "DetailBand1",
     "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}},
     "children": [
       {"class": "TBRExpr", "name": "Customer",
        "properties": {"Left": 0, "Top": 0, "Width": 300, "Height": 16, "Expression": "customer"}}]},
    {"class": "TQuery", "name": "Orders",
     "properties": {"SQL": ["select id, customer from orders order by id"]}}
  ]
})";

}  // namespace

TEST(ToolDisplay, AnUnreachableDisplayStopsOnlyTheWindowCommands) {
    ScratchDir dir("report-display");
    const std::string layout = dir / "orders.json", db = dir / "shop.db", brp = dir / "pages.brp",
                      temp = dir / "tmp";
    write_file(layout, kLayout);
    ASSERT_EQ(run_status("sqlite3 " + shell_quote(db) +
                         " \"create table orders(id integer primary key, customer text);"
                         " insert into orders(customer) values ('Ana'), ('Bruno');\""),
              0);
    ASSERT_EQ(run_status("mkdir " + shell_quote(temp)), 0);
    const std::string env = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR LC_ALL=C TMPDIR=" +
                            shell_quote(temp) + " DISPLAY=" + unreachable_display() + " ";
    const std::string tool = env + shell_quote(tool_path("report-tool")) + " ";
    const std::string L = shell_quote(layout), D = shell_quote(db), B = shell_quote(brp);

    // Without windows: each command does its work and says nothing of displays.
    struct Headless {
        std::string args;
        std::string output;  // the file it makes
    };
    const Headless headless[] = {
        {"pages synth --pages 2 " + B, brp},
        {"run " + L + " --db " + D + " --pdf " + shell_quote(dir / "run.pdf"), dir / "run.pdf"},
        {"run " + L + " --db " + D + " --brp " + shell_quote(dir / "run.brp"), dir / "run.brp"},
        {"print " + B + " --pdf " + shell_quote(dir / "print.pdf"), dir / "print.pdf"},
        {"design " + L + " " + shell_quote(dir / "design.png"), dir / "design.png"},
        {"pages render " + B + " 1 " + shell_quote(dir / "page.png"), dir / "page.png"},
    };
    for (const Headless& c : headless) {
        SCOPED_TRACE(c.args);
        const SplitResult r = run_split(tool + c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(read_file(c.output).empty());
    }
    EXPECT_EQ(pdf_pages(dir / "run.pdf"), 1);
    EXPECT_EQ(pdf_pages(dir / "print.pdf"), 2);
    const SplitResult validate = run_split(tool + "builder --layout " + L + " --db " + D + " --validate 'id + 1'");
    EXPECT_EQ(validate.status, 0) << validate.err;
    EXPECT_EQ(validate.out, "There are no errors. The result is : 2\n");

    // With windows: status 1 and the display named, no abort.
    const std::string windows[] = {
        "preview " + B,
        "run " + L + " --db " + D + " --preview",
        "builder --layout " + L + " --db " + D,
        "edit " + L + " Customer --db " + D,
    };
    const std::string before = read_file(layout);
    for (const std::string& args : windows) {
        SCOPED_TRACE(args);
        const SplitResult r = run_split(tool + args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("cannot open the display DISPLAY=:"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Reinstalling"), std::string::npos) << r.err;
    }
    EXPECT_EQ(read_file(layout), before);
    // The page stream the preview would have shown is gone (Qt keeps its
    // runtime folder there, without XDG_RUNTIME_DIR).
    for (const auto& entry : std::filesystem::directory_iterator(temp))
        EXPECT_TRUE(entry.path().filename().string().starts_with("runtime-")) << entry.path();
}
