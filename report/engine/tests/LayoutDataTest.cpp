// What a report layout's datasets may do to their databases and how they
// take their values, driven as a user drives them: layouts written by hand
// in JSON, report-tool run and builder from outside, databases made with
// sqlite3.

#include "platform/core/SysUtils.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

using namespace test_support;

namespace {

std::string tool() { return shell_quote(tool_path("report-tool")); }

SplitResult run_tool(const std::string& args) {
    return run_split("env -u XDG_RUNTIME_DIR -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C " + tool() + " " + args);
}

void make_orders(const std::string& db) {
    ASSERT_EQ(run_status("sqlite3 " + shell_quote(db) +
                         " \"create table orders(id integer primary key, customer text, total real, paid boolean);"
                         " insert into orders(customer, total, paid) values ('Ana', 12.5, 1), ('Bruno', 7, 0),"
                         " ('Carla', 30, 1);\""),
              0);
}

std::string sha(const std::string& file) { return capture("sha256sum " + shell_quote(file) + " | cut -c1-64"); }

// A report over one dataset, as the README writes a layout: the dataset's
// class and its own properties as JSON text.
std::string layout(const std::string& dataset_class, const std::string& dataset_properties,
                   const std::string& extra_children = "") {
    return R"({"class": "TBandReport", "name": "R",
 "properties": {"DataSet": "Data", "Page": {"PaperSize": "A4", "Columns": 1}},
 "children": [
  {"class": "TBRBand", "name": "DetailBand1", "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}}},
  )" + extra_children +
           R"({"class": ")" + dataset_class + R"(", "name": "Data", "properties": {)" + dataset_properties + R"(}}
 ]})";
}

std::string json_text(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

// However a layout reaches a database (a query or a table over --db, an
// ADO query over the shared connection, a query naming its own file or an
// ODBC string, a query that opens as it is read), a statement that would
// change it is refused before it runs, naming the dataset, and the file's
// bytes stay as they were.
TEST(LayoutData, ADatasetNeverChangesItsDatabase) {
    ScratchDir dir("report-data");
    const std::string db = dir / "shop.db", out = dir / "out.brp";
    make_orders(db);
    const std::string own = dir / "own.db";
    make_orders(own);
    struct Case {
        const char* what;
        std::string cls, properties, extra;
        std::string file;  // the database that must stay as it was
    };
    const std::string del = R"("SQL": ["delete from orders returning id"])";
    const Case cases[] = {
        {"TQuery over --db", "TQuery", del, "", db},
        {"TADOQuery over --db", "TADOQuery", R"("SQL": ["delete from orders"])", "", db},
        {"TADOQuery, delete returning", "TADOQuery", del, "", db},
        {"TADOQuery, two statements", "TADOQuery", R"("SQL": ["select 1;", "delete from orders"])", "", db},
        {"TQuery naming its file", "TQuery", del + R"(, "DatabaseName": )" + json_text(own), "", own},
        {"TQuery naming its file, pragma", "TQuery",
         R"("SQL": ["pragma journal_mode=wal"], "DatabaseName": )" + json_text(own), "", own},
        {"TQuery active as it is read", "TQuery", del + R"(, "Active": true, "DatabaseName": )" + json_text(own), "",
         own},
        {"TQuery over an ODBC string", "TQuery",
         del + R"(, "DatabaseName": )" + json_text("DRIVER=SQLite3;Database=" + own), "", own},
        {"TADOQuery on its own connection", "TADOQuery", del + R"(, "Connection": "Conn")",
         R"({"class": "TADOConnection", "name": "Conn", "properties": {"ConnectionString": )" +
             json_text("DRIVER=SQLite3;Database=" + own) + R"(}},)",
         own},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFile(own);
        make_orders(own);
        const std::string file = dir / "layout.json";
        write_file(file, layout(c.cls, c.properties, c.extra));
        const std::string before = sha(c.file);
        const SplitResult r = run_tool("run " + shell_quote(file) + " --db " + shell_quote(db) + " --brp " +
                                       shell_quote(out));
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(r.err.find("Data: "), std::string::npos) << r.err;
        EXPECT_EQ(sha(c.file), before);
        EXPECT_EQ(capture("sqlite3 " + shell_quote(c.file) + " 'select count(*) from orders; pragma journal_mode;'"),
                  "3\ndelete\n");
    }
    // The expression builder opens the same datasets.
    write_file(dir / "layout.json", layout("TADOQuery", R"("SQL": ["delete from orders"])"));
    const std::string before = sha(db);
    const SplitResult r = run_tool("builder --layout " + shell_quote(dir / "layout.json") + " --db " +
                                   shell_quote(db) + " --validate '1 + 1'");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(sha(db), before);
    // Reading still works through every path.
    for (const auto& [cls, props] : std::vector<std::pair<std::string, std::string>>{
             {"TQuery", R"("SQL": ["select * from orders"])"},
             {"TQuery", R"("SQL": ["with o as (select * from orders) select * from o"])"},
             {"TTable", R"("TableName": "orders")"},
             {"TADOQuery", R"("SQL": ["select * from orders"])"},
             {"TQuery", R"("SQL": ["select * from orders"], "DatabaseName": )" +
                            json_text("DRIVER=SQLite3;Database=" + own)}}) {
        SCOPED_TRACE(cls + " " + props);
        write_file(dir / "layout.json", layout(cls, props));
        const SplitResult ok =
            run_tool("run " + shell_quote(dir / "layout.json") + " --db " + shell_quote(db) + " --brp " + shell_quote(out));
        EXPECT_EQ(ok.status, 0) << ok.err;
        EXPECT_EQ(ok.out, "pages\t1\n");
    }
}

// --db names a file whatever characters its name holds; a connection string
// starts with DRIVER= (or another key of one). Something that is no regular
// file is refused at once, and no name makes the driver create a file.
TEST(LayoutData, DbNamesAFileUnlessItIsAConnectionString) {
    ScratchDir dir("report-data");
    const std::string out = dir / "out.brp";
    for (const char* cls : {"TQuery", "TADOQuery"}) {
        SCOPED_TRACE(cls);
        const std::string file = dir / "layout.json";
        write_file(file, layout(cls, R"("SQL": ["select * from orders"])"));
        for (const char* name : {"a=b.db", "Server=x.db", "semi;colon}brace.db", "x;Database=other.db"}) {
            SCOPED_TRACE(name);
            const std::string db = dir / name;
            make_orders(db);
            const SplitResult r =
                run_tool("run " + shell_quote(file) + " --db " + shell_quote(db) + " --brp " + shell_quote(out));
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, "pages\t1\n");
            DeleteFile(db);
        }
        // A missing file with such a name is never made.
        const SplitResult missing = run_tool("run " + shell_quote(file) + " --db " + shell_quote(dir / "x;y}.db") +
                                             " --brp " + shell_quote(out));
        EXPECT_EQ(missing.status, 1);
        EXPECT_NE(missing.err.find("No such database"), std::string::npos) << missing.err;
        EXPECT_EQ(capture("ls -A " + shell_quote(dir.path())), "layout.json\nout.brp\n");
        // A FIFO would block the open for ever; a folder is no database.
        const std::string fifo = dir / "pipe.db";
        ASSERT_EQ(run_status("mkfifo " + shell_quote(fifo)), 0);
        for (const std::string& db : {fifo, dir.path()}) {
            const SplitResult r = run_split("timeout 20 " + tool() + " run " + shell_quote(file) + " --db " +
                                            shell_quote(db) + " --brp " + shell_quote(out));
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_TRUE(r.err.find("is not a database file") != std::string::npos ||
                        (db != fifo && r.err.find("No such database") != std::string::npos))
                << r.err;
        }
        DeleteFile(fifo);
        // A connection string goes to the driver, still read-only.
        const std::string db = dir / "shop.db";
        make_orders(db);
        const SplitResult r = run_tool("run " + shell_quote(file) + " --db " +
                                       shell_quote("DRIVER=SQLite3;Database=" + db) + " --brp " + shell_quote(out));
        EXPECT_EQ(r.status, 0) << r.err;
        DeleteFile(db);
    }
}
