// What report-tool leaves on disk when a command cannot do what it was asked:
// an output that is one of its inputs, a run without pages. Layouts are
// written by hand, as a user writes them; databases are made with sqlite3.

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

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

namespace {

// A layout whose page stream goes to a temporary file from its first page
// on (a memory limit of 1000 bytes), over `rows` orders.
void make_spilling_run(const ScratchDir& dir, int rows) {
    write_file(dir / "spill.json", orders_layout("\"PrinterSettings\": {\"MemoryLimit\": 1000},"));
    ASSERT_EQ(run_status(std::string(kPython3) + " -c " +
                         shell_quote("import sqlite3, sys\n"
                                     "c = sqlite3.connect(sys.argv[1])\n"
                                     "c.execute('create table orders(id integer primary key, customer text, total real)')\n"
                                     "c.executemany('insert into orders(customer, total) values (?, ?)',"
                                     " (('C%d' % i, i * 1.5) for i in range(int(sys.argv[2]))))\n"
                                     "c.commit()\n") +
                         " " + shell_quote(dir / "big.db") + " " + std::to_string(rows)),
              0);
    ASSERT_EQ(run_status("mkdir " + shell_quote(dir / "tmp")), 0);
}

// The files report-tool left in the temporary folder (Qt's runtime folder aside).
std::string left_behind(const ScratchDir& dir) {
    return capture("ls " + shell_quote(dir / "tmp") + " | grep -v '^runtime-'");
}

std::string spilling_tool(const ScratchDir& dir) {
    return "env -u XDG_RUNTIME_DIR TMPDIR=" + shell_quote(dir / "tmp") + " " + tool() + " run " +
           shell_quote(dir / "spill.json") + " --db " + shell_quote(dir / "big.db");
}

}  // namespace

// A reader that stops early ends the tool with SIGPIPE; the page stream it
// kept in the temporary folder goes with it.
TEST(ToolOutputs, AReaderThatStopsEarlyLeavesNoTemporaryPages) {
    ScratchDir dir("report-pipe");
    make_spilling_run(dir, 60000);
    const SplitResult r = run_split(
        "bash -c " + shell_quote("set -o pipefail; " + spilling_tool(dir) + " --pdf /dev/stdout | head -c 100 | wc -c"));
    EXPECT_EQ(r.out, "100\n") << r.err;
    EXPECT_EQ(r.status, 128 + SIGPIPE) << r.err;
    EXPECT_EQ(left_behind(dir), "");
}

// Timers and user signals end the tool as they would, without leaving the
// run's temporary page stream or a half-written output behind.
TEST(ToolOutputs, SignalsThatEndARunLeaveNoTemporaryFiles) {
    ScratchDir dir("report-signal");
    make_spilling_run(dir, 300000);
    for (const char* sig : {"USR1", "ALRM", "TERM"}) {
        SCOPED_TRACE(sig);
        // Signalled once the page stream has gone to its temporary file.
        const SplitResult r = run_split(spilling_tool(dir) + " --brp " + shell_quote(dir / "out.brp") +
                                        " & pid=$!\n"
                                        "while ! ls " + shell_quote(dir / "tmp") + " | grep -q '^BRP'; do\n"
                                        "  kill -0 $pid 2>/dev/null || break; sleep 0.01\n"
                                        "done\n"
                                        "kill -" + sig + " $pid; wait $pid; echo \"status $?\"");
        EXPECT_EQ(r.out, "status " + std::to_string(128 + (std::string(sig) == "USR1"   ? SIGUSR1
                                                           : std::string(sig) == "ALRM" ? SIGALRM
                                                                                        : SIGTERM)) + "\n")
            << r.err;
        EXPECT_EQ(left_behind(dir), "");
        EXPECT_FALSE(std::filesystem::exists(dir / "out.brp"));
    }
}

// Ending `run --preview` ends the preview it shows, and removes the page
// stream the preview was showing.
TEST(ToolOutputs, EndingARunWithPreviewEndsThePreview) {
    ScratchDir dir("report-preview-end");
    write_file(dir / "orders.json", orders_layout());
    make_shop(dir / "shop.db", 3);
    ASSERT_EQ(run_status("mkdir " + shell_quote(dir / "tmp")), 0);
    const std::string script =
        "env -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM TMPDIR=" + shell_quote(dir / "tmp") + " " + tool() + " run " +
        shell_quote(dir / "orders.json") + " --db " + shell_quote(dir / "shop.db") +
        " --preview >/dev/null 2>&1 & pid=$!\n"
        "for i in $(seq 600); do child=$(pgrep -P $pid report-preview) && break; sleep 0.1; done\n"
        "[ -n \"$child\" ] || { echo 'no preview'; exit 1; }\n"
        // Ended once its window is up.
        "timeout 60 xdotool search --sync --onlyvisible --limit 1 --name '^Print Preview$' >/dev/null ||\n"
        "  { echo 'no window'; kill $child $pid; exit 0; }\n"
        "kill -TERM $pid; wait $pid; echo \"status $?\"\n"
        "for i in $(seq 100); do case $(ps -o stat= -p $child) in Z*|'') break;; esac; sleep 0.1; done\n"
        "case $(ps -o stat= -p $child) in Z*|'') echo 'preview ended';; *) echo 'preview left'; kill $child;; esac\n";
    write_file(dir / "end.sh", script);
    const SplitResult r = run_split("timeout 300 xvfb-run -a bash " + shell_quote(dir / "end.sh"));
    if (r.out == "no window\n") GTEST_SKIP() << "the preview window did not come up";
    EXPECT_EQ(r.out, "status " + std::to_string(128 + SIGTERM) + "\npreview ended\n") << r.err;
    EXPECT_EQ(left_behind(dir), "");
}

// A layout whose numbers cannot be what they say is refused when it is read,
// naming the property, instead of printing a blank or different page.
TEST(ToolOutputs, ALayoutWithImpossibleNumbersIsRefused) {
    ScratchDir dir("report-numbers");
    make_shop(dir / "shop.db", 3);
    const std::string page = R"("Values": ["100", "2100", "100", "2970", "100", "100", "0"])";
    struct Case {
        const char* what;
        std::string from, to;  // the change to the layout
        std::string message;
    };
    const Case cases[] = {
        {"negative left margin", page, R"("Values": ["100", "2100", "100", "2970", "-3000", "100", "0"])",
         "OrdersReport.Page.LeftMargin: a length cannot be negative"},
        {"negative top margin", page, R"("Values": ["100", "2100", "-5", "2970", "100", "100", "0"])",
         "OrdersReport.Page.TopMargin: a length cannot be negative"},
        {"negative column space", page, R"("Values": ["100", "2100", "100", "2970", "100", "100", "-1"])",
         "OrdersReport.Page.ColumnSpace: a length cannot be negative"},
        {"columns past 32 bits", R"("Columns": 1)", R"("Columns": 4294967299)", "Page.Columns: Invalid property value"},
        {"columns below 32 bits", R"("Columns": 1)", R"("Columns": -4294967295)", "Page.Columns: Invalid property value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string layout = orders_layout();
        const auto at = layout.find(c.from);
        ASSERT_NE(at, std::string::npos);
        layout.replace(at, c.from.size(), c.to);
        write_file(dir / "odd.json", layout);
        write_file(dir / "out.pdf", "yesterday");
        const SplitResult r = run_tool("run " + shell_quote(dir / "odd.json") + " --db " + shell_quote(dir / "shop.db") +
                                       " --pdf " + shell_quote(dir / "out.pdf"));
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(read_file(dir / "out.pdf"), "yesterday");
    }
}
