// What report-tool leaves on disk when a command cannot do what it was asked:
// an output that is one of its inputs, a run without pages. Layouts are
// written by hand, as a user writes them; databases are made with sqlite3.

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace test_support;

namespace {

std::string tool() { return shell_quote(tool_path("report-tool")); }

SplitResult run_tool(const std::string& args) {
    return run_split("env -u XDG_RUNTIME_DIR LC_ALL=C " + tool() + " " + args);
}

// The orders of a shop on landscape A4; `extra` goes among the report's
// properties (e.g. "\"PrintIfEmpty\": false,").
std::string orders_layout(const std::string& extra = "") {
    return R"({
  "class": "TBandReport",
  "name": "OrdersReport",
  "properties": {
    "ReportTitle": "Orders", )" + extra + R"(
    "DataSet": "Orders",
    "Page": {"PaperSize": "A4", "Orientation": "poLandscape", "Columns": 1,
             "Values": ["100", "2100", "100", "2970", "100", "100", "0"]}
  },
  "children": [
    {"class": "TBRBand", "name": "PageHeaderBand1",
     "properties": {"BandType": "rbPageHeader", "Size": {"Values": ["150", "2770"]},
                    "Frame": {"DrawBottom": true}}},
    {"class": "TBRBand", "name": "DetailBand1",
     "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "2770"]}}},
    {"class": "TQuery", "name": "Orders",
     "properties": {"SQL": ["select id, customer, total from orders order by id"]}}
  ]
})";
}

void make_shop(const std::string& db, int rows) {
    std::string sql = "create table orders(id integer primary key, customer text, total real);";
    for (int i = 0; i < rows; ++i) sql += "insert into orders(customer, total) values ('Ana', 12.5);";
    ASSERT_EQ(run_status("sqlite3 " + shell_quote(db) + " " + shell_quote(sql)), 0);
}

}  // namespace

// Every command that reads files and writes one refuses to write over one it
// reads, whatever name reaches it (the name itself, a symbolic or hard link,
// /dev/stdout sent to it), and leaves that file as it was.
TEST(ToolOutputs, AnOutputThatIsAnInputIsRefusedAndTheInputKept) {
    ScratchDir dir("report-same");
    const std::string layout = dir / "orders.json", other = dir / "other.json", db = dir / "shop.db",
                      brp = dir / "pages.brp";
    write_file(layout, orders_layout());
    write_file(other, orders_layout());
    make_shop(db, 3);
    ASSERT_EQ(run_tool("pages synth --pages 2 " + shell_quote(brp)).status, 0);
    ASSERT_EQ(symlink("shop.db", (dir / "shop-link.db").c_str()), 0);
    ASSERT_EQ(link(db.c_str(), (dir / "shop-hard.db").c_str()), 0);
    const std::string L = shell_quote(layout), D = shell_quote(db), B = shell_quote(brp);
    struct Case {
        std::string args;
        std::string kept;  // the input that must stay as it was
    };
    const Case cases[] = {
        {"run " + L + " --db " + D + " --pdf " + D, db},
        {"run " + L + " --db " + D + " --brp " + L, layout},
        {"run " + L + " --db " + D + " --pdf " + shell_quote(dir / "shop-link.db"), db},
        {"run " + L + " --db " + D + " --pdf " + shell_quote(dir / "shop-hard.db"), db},
        {"run " + L + " " + shell_quote(other) + " --db " + D + " --brp " + shell_quote(other), other},
        {"run " + L + " --db " + D + " --pdf /dev/stdout >> " + D, db},
        {"print " + B + " --pdf " + B, brp},
        {"pages extract " + B + " 1 " + B, brp},
        {"pages render " + B + " 1 " + B, brp},
        {"design " + L + " " + L, layout},
        {"bands run " + L + " " + L, layout},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string before = read_file(c.kept);
        ASSERT_FALSE(before.empty());
        const SplitResult r = run_tool(c.args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("It is the input"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(c.kept), before);
    }
    // Outputs that are not inputs are written as ever.
    EXPECT_EQ(run_tool("print " + B + " --pdf " + shell_quote(dir / "pages.pdf")).status, 0);
}

// A run that prints no page (no rows and PrintIfEmpty off) fails with a
// message and writes nothing: yesterday's output is left as it was, never
// passed off as today's, whatever the target.
TEST(ToolOutputs, ARunWithoutPagesFailsAndWritesNothing) {
    ScratchDir dir("report-empty");
    const std::string layout = dir / "daily.json", db = dir / "shop.db";
    write_file(layout, orders_layout("\"PrintIfEmpty\": false,"));
    make_shop(db, 0);
    for (const char* option : {"--pdf", "--brp"}) {
        SCOPED_TRACE(option);
        const std::string out = dir / "daily.out";
        write_file(out, "yesterday");
        const SplitResult r =
            run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " " + option + " " + shell_quote(out));
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("printed no page: nothing was written to"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(out), "yesterday");
    }
    // With rows the same layout writes its pages.
    make_shop(dir / "full.db", 5);
    const std::string pdf = dir / "daily.pdf";
    const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(dir / "full.db") + " --pdf " +
                                   shell_quote(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_pages(pdf), 1);
}
