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

namespace {

// A report listing the customers of `select customer from orders where id
// <= :MAXID`, its parameter declared as `params` gives (nothing: untyped)
// and its own environment entries `functions` (NAME, EXPR pairs).
std::string customer_list(const std::string& params, const std::string& functions_names = "",
                          const std::string& functions_data = "") {
    std::string report_properties = R"("DataSet": "Data", "Page": {"PaperSize": "A4", "Columns": 1})";
    if (!functions_names.empty())
        report_properties += R"(, "Functions": {"Strings": [)" + functions_names + R"(], "DATA": [)" +
                             functions_data + "]}";
    return R"({"class": "TBandReport", "name": "R", "properties": {)" + report_properties + R"(},
 "children": [
  {"class": "TBRBand", "name": "DetailBand1", "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}},
   "children": [{"class": "TBRExpr", "name": "Customer",
                 "properties": {"Left": 0, "Top": 0, "Width": 300, "Height": 16, "Expression": "Data.customer"}}]},
  {"class": "TQuery", "name": "Data", "properties": {"SQL": ["select customer from orders where id <= :MAXID order by id"])" +
           (params.empty() ? "" : ", \"Params\": " + params) + R"(}}
 ]})";
}

}  // namespace

// --env fills what the user names: the command line wins over the layout's
// own entry, the last of a name given twice wins, and a parameter takes the
// value converted to its type, typed or not. A parameter left without a
// value, or one that the value cannot fill, ends the run naming it.
TEST(LayoutData, EnvFillsTheParametersItNames) {
    ScratchDir dir("report-data");
    const std::string db = dir / "shop.db", file = dir / "layout.json", pdf = dir / "out.pdf";
    make_orders(db);
    const std::string typed_large = R"([{"Name": "MAXID", "DataType": "ftLargeint"}])";
    const std::string typed_float = R"([{"Name": "MAXID", "DataType": "ftFloat"}])";
    const std::string typed_int = R"([{"Name": "MAXID", "DataType": "ftInteger"}])";
    const std::string typed_text = R"([{"Name": "MAXID", "DataType": "ftString"}])";
    struct Case {
        const char* what;
        std::string layout, env;
        std::string printed;  // the customers in the PDF's text, or the error
        int status = 0;
    };
    const Case cases[] = {
        {"untyped", customer_list(""), "--env MAXID=2", "Ana Bruno"},
        {"untyped, float", customer_list(""), "--env MAXID=1.5", "Ana"},
        {"ftLargeint", customer_list(typed_large), "--env MAXID=1", "Ana"},
        {"ftFloat from an integer", customer_list(typed_float), "--env MAXID=2", "Ana Bruno"},
        {"ftInteger from a text", customer_list(typed_int), "--env \"MAXID='3'\"", "Ana Bruno Carla"},
        {"ftInteger from a whole float", customer_list(typed_int), "--env MAXID=2.0", "Ana Bruno"},
        {"ftString from an integer", customer_list(typed_text), "--env MAXID=2", "Ana Bruno"},
        {"the command line wins", customer_list("", "\"MAXID\"", "\"1\""), "--env MAXID=3", "Ana Bruno Carla"},
        {"the layout's entry", customer_list("", "\"MAXID\"", "\"1\""), "", "Ana"},
        {"the last wins", customer_list(""), "--env MAXID=1 --env maxid=2", "Ana Bruno"},
        {"no value", customer_list(""), "", "Data: parameter MAXID has no value", 1},
        {"no value, typed", customer_list(typed_int), "", "Data: parameter MAXID has no value", 1},
        {"a text for an integer", customer_list(typed_int), "--env \"MAXID='two'\"",
         "Data: parameter MAXID: 'two' is not an integer", 1},
        {"a fraction for an integer", customer_list(typed_int), "--env MAXID=1.5",
         "Data: parameter MAXID: '1.5' is not an integer", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(file, c.layout);
        DeleteFile(pdf);
        const SplitResult r =
            run_tool("run " + shell_quote(file) + " --db " + shell_quote(db) + " " + c.env + " --pdf " + shell_quote(pdf));
        ASSERT_EQ(r.status, c.status) << r.err;
        if (c.status != 0) {
            EXPECT_NE(r.err.find(c.printed), std::string::npos) << r.err;
            continue;
        }
        std::string text = capture("pdftotext -layout " + shell_quote(pdf) + " - | tr -s ' \\n\\f' '  '");
        while (!text.empty() && text.back() == ' ') text.pop_back();
        while (!text.empty() && text.front() == ' ') text.erase(0, 1);
        EXPECT_EQ(text, c.printed);
    }
}

// A value its column's type cannot read ends the run naming the dataset,
// the field and the row.
TEST(LayoutData, AnUnreadableValueNamesItsFieldAndRow) {
    ScratchDir dir("report-data");
    const std::string db = dir / "shop.db", file = dir / "layout.json", out = dir / "out.brp";
    ASSERT_EQ(run_status("sqlite3 " + shell_quote(db) +
                         " \"create table orders(id integer primary key, paid boolean);"
                         " insert into orders(paid) values (1), ('no'), ('maybe'), (1);\""),
              0);
    write_file(file, R"({"class": "TBandReport", "name": "R", "properties": {"DataSet": "Data"},
 "children": [
  {"class": "TBRBand", "name": "DetailBand1", "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}},
   "children": [{"class": "TBRExpr", "name": "Paid",
                 "properties": {"Left": 0, "Top": 0, "Width": 300, "Height": 16, "Expression": "Data.paid"}}]},
  {"class": "TQuery", "name": "Data", "properties": {"SQL": ["select id, paid from orders order by id"]}}
 ]})");
    const SplitResult r = run_tool("run " + shell_quote(file) + " --db " + shell_quote(db) + " --brp " + shell_quote(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Data: field paid, row 3: 'maybe' is not a truth value"), std::string::npos) << r.err;
}

// The README's report example, run as the README says in a folder holding
// the repository's examples/orders.json: it prints the orders, with a
// title, column heads, masked numbers, a page number and the total.
TEST(ReadmeExample, PrintsTheOrders) {
    ScratchDir dir("report-readme");
    ASSERT_EQ(run_status("mkdir -p " + shell_quote(dir / "examples") + " && cp " +
                         shell_quote(source_path("examples/orders.json")) + " " + shell_quote(dir / "examples")),
              0);
    // The commands of the README, from its sqlite3 line to its report-tool run line.
    const std::string readme = read_file(source_path("README.md"));
    const std::size_t from = readme.find("    sqlite3 shop.db");
    ASSERT_NE(from, std::string::npos);
    const std::size_t run_at = readme.find("    report-tool run examples/orders.json", from);
    ASSERT_NE(run_at, std::string::npos);
    const std::string commands = readme.substr(from, readme.find('\n', run_at) - from);
    write_file(dir / "commands.sh", commands + "\n");
    const std::string bin = tool_path("report-tool").substr(0, tool_path("report-tool").rfind('/'));
    const SplitResult r = run_split("cd " + shell_quote(dir.path()) + " && env -u DISPLAY LC_ALL=C PATH=" +
                                    shell_quote(bin) + ":$PATH bash -e commands.sh");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "pages\t1\n");
    const std::vector<std::string> lines =
        output_lines(capture("pdftotext -layout " + shell_quote(dir / "orders.pdf") + " - | tr -d '\\f' | sed 's/  */ /g; s/^ //' | grep ."));
    const std::vector<std::string> want = {"Orders",          "Order Customer Total", "0001 Ana 12.50",
                                           "0002 Bruno 7.00", "Total of all orders 19.50", "Page 1"};
    EXPECT_EQ(lines, want);
    // The same layout lists its bands through report-tool bands run.
    const SplitResult bands =
        run_tool("bands run " + shell_quote(dir / "examples/orders.json") + " " + shell_quote(dir / "out.brp") + " 3");
    EXPECT_EQ(bands.status, 0) << bands.err;
    EXPECT_NE(bands.out.find("band\tDetailBand1\t1\t"), std::string::npos) << bands.out;
}
