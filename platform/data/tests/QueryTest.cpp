// Queries with parameters and tables over a SQLite file, read as report runs
// read them, checked against the sqlite3 tool.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/core/FormResource.h"
#include "platform/data/DBTables.h"
#include "tests/support/TestSupport.h"

using test_support::shell_quote;

namespace {

// A database made by the sqlite3 tool: a few customers, and 2,000 orders
// (more than three blocks of rows) with integers, reals, text and NULLs.
class QueryOnSqlite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test_support::ScratchDir("query-test");
        file_ = *dir_ / "shop.db";
        auto made = test_support::run("sqlite3 " + shell_quote(file_) + " " + shell_quote(R"(
            CREATE TABLE customer(id INTEGER, name TEXT, since DATE, rating REAL, vip BOOLEAN);
            INSERT INTO customer VALUES (1, 'Ana', '2024-01-05', 4.5, 1), (2, 'Bruno', '2023-12-31', 3.0, 0),
                                        (3, 'O''Brien', '2024-02-29', NULL, 1), (42, 'Zé', '2020-06-01', 5.0, 0);
            CREATE TABLE "order"(id INTEGER, customer INTEGER, amount REAL, qty INTEGER, note TEXT);
            WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
            INSERT INTO "order" SELECT i, i % 7, CASE WHEN i % 13 = 0 THEN NULL ELSE (i * 37 % 1000) / 8.0 END,
                                       i * 11 % 97, 'n' || i FROM n;
        )"));
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    static std::string sqlite(const std::string& sql) {
        auto r = test_support::run("sqlite3 " + shell_quote(file_) + " " + shell_quote(sql));
        EXPECT_EQ(r.status, 0) << r.output;
        while (!r.output.empty() && r.output.back() == '\n') r.output.pop_back();
        return r.output;
    }

    static inline test_support::ScratchDir* dir_ = nullptr;
    static inline std::string file_;
};

}  // namespace

TEST(QueryMarkers, AreFoundOutsideQuotesCommentsAndCasts) {
    struct Case {
        const char* sql;
        const char* command;
        std::vector<std::string> names;
    } cases[] = {
        {"SELECT * FROM t WHERE a = :A AND b = :b_2", "SELECT * FROM t WHERE a = ? AND b = ?", {"A", "b_2"}},
        {"WHERE a = ':A' OR b = \":B\" OR [c:C] = :D", "WHERE a = ':A' OR b = \":B\" OR [c:C] = ?", {"D"}},
        {"WHERE a = 'it''s :X' AND b = :Y", "WHERE a = 'it''s :X' AND b = ?", {"Y"}},
        {"SELECT x::int, :p -- :q\n, /* :r */ :s", "SELECT x::int, ? -- :q\n, /* :r */ ?", {"p", "s"}},
        {"WHERE a = :id OR b = :ID OR c = :id", "WHERE a = ? OR b = ? OR c = ?", {"id", "ID", "id"}},
        {"SELECT time('12:30'), 'a:' || :1x, :", "SELECT time('12:30'), 'a:' || :1x, :", {}},
        {"WHERE a = 'unterminated :X", "WHERE a = 'unterminated :X", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> names;
        EXPECT_EQ(data::sql_without_markers(c.sql, names), c.command) << c.sql;
        EXPECT_EQ(names, c.names) << c.sql;
    }
}

TEST(QueryParams, FollowTheSqlAndKeepTheirValues) {
    TQuery query(nullptr);
    query.SQL()->Add("SELECT * FROM t WHERE a = :Cust AND b > :since OR c = :CUST");
    ASSERT_EQ(query.ParamCount(), 2);
    EXPECT_EQ(query.Params()->Items(0)->Name(), "Cust");
    EXPECT_EQ(query.Params()->Items(1)->Name(), "since");
    query.ParamByName("CUST")->SetAsInteger(7);
    query.ParamByName("since")->SetAsDate(EncodeDate(2024, 1, 5));
    query.SQL()->SetText("SELECT * FROM t WHERE d = :other AND b > :Since");
    ASSERT_EQ(query.ParamCount(), 2);
    EXPECT_EQ(query.Params()->Items(0)->Name(), "other");
    EXPECT_TRUE(query.Params()->Items(0)->IsNull());
    EXPECT_EQ(query.Params()->Items(1)->DataType(), ftDate) << "a parameter still named keeps its type and value";
    EXPECT_EQ(query.Params()->Items(1)->AsDate(), EncodeDate(2024, 1, 5));
    EXPECT_EQ(query.Params()->FindParam("cust"), nullptr);
    try {
        query.ParamByName("cust");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Parameter 'cust' not found");
    }
}

TEST(QueryParams, SettersGiveTheTypeAndAnExactText) {
    TParams params;
    TParam* p = params.AddParam("p");
    struct Case {
        std::function<void()> set;
        TFieldType type;
        const char* text;
    } cases[] = {
        {[&] { p->SetAsInteger(-2147483647 - 1); }, ftInteger, "-2147483648"},
        {[&] { p->SetAsFloat(0.1); }, ftFloat, "0.1"},
        {[&] { p->SetAsFloat(1e300); }, ftFloat, "1e+300"},
        {[&] { p->SetAsBoolean(true); }, ftBoolean, "True"},
        {[&] { p->SetAsString("a'b"); }, ftString, "a'b"},
        {[&] { p->SetAsDate(EncodeDate(1899, 12, 30)); }, ftDate, "1899-12-30"},
        {[&] { p->SetAsTime(EncodeTime(23, 59, 58, 999)); }, ftTime, "23:59:58.999"},
        {[&] { p->SetAsDateTime(EncodeDateTime(2024, 2, 29, 7, 5, 0, 250)); }, ftDateTime, "2024-02-29 07:05:00.250"},
    };
    for (const auto& c : cases) {
        c.set();
        EXPECT_EQ(p->DataType(), c.type) << c.text;
        EXPECT_EQ(p->AsString(), c.text);
    }
    EXPECT_EQ(p->AsDateTime(), EncodeDateTime(2024, 2, 29, 7, 5, 0, 250));
    p->SetDataType(ftInteger);
    p->SetText("12x");
    EXPECT_THROW(p->AsInteger(), EDatabaseError);
    EXPECT_THROW(p->ToBinding(), EDatabaseError);
    p->SetDataType(ftDate);
    p->SetText("2023-02-29");
    EXPECT_THROW(p->ToBinding(), EDatabaseError) << "no such day";
}

TEST_F(QueryOnSqlite, ParametersAreBoundNeverPastedIntoTheSql) {
    struct Case {
        const char* sql;
        std::function<void(TParam*)> set;
        const char* oracle;  // the same question put to sqlite3
    } cases[] = {
        {"SELECT name FROM customer WHERE id = :ID", [](TParam* p) { p->SetAsInteger(42); },
         "SELECT name FROM customer WHERE id = 42"},
        {"SELECT name FROM customer WHERE name = :N", [](TParam* p) { p->SetAsString("O'Brien"); },
         "SELECT name FROM customer WHERE name = 'O''Brien'"},
        {"SELECT name FROM customer WHERE name = :N", [](TParam* p) { p->SetAsString("x' OR '1'='1"); },
         "SELECT name FROM customer WHERE name = 'x'' OR ''1''=''1'"},
        {"SELECT name FROM customer WHERE name = :N", [](TParam* p) { p->SetAsString("Zé"); },
         "SELECT name FROM customer WHERE name = 'Zé'"},
        {"SELECT name FROM customer WHERE rating > :R ORDER BY id", [](TParam* p) { p->SetAsFloat(3.5); },
         "SELECT name FROM customer WHERE rating > 3.5 ORDER BY id"},
        {"SELECT name FROM customer WHERE vip = :V ORDER BY id", [](TParam* p) { p->SetAsBoolean(true); },
         "SELECT name FROM customer WHERE vip = 1 ORDER BY id"},
        {"SELECT name FROM customer WHERE since >= :D ORDER BY id", [](TParam* p) { p->SetAsDate(EncodeDate(2024, 1, 1)); },
         "SELECT name FROM customer WHERE since >= '2024-01-01' ORDER BY id"},
        {"SELECT name FROM customer WHERE rating IS :R ORDER BY id", [](TParam* p) { p->Clear(); },
         "SELECT name FROM customer WHERE rating IS NULL ORDER BY id"},
        {"SELECT name FROM customer WHERE id = :ID OR id = :ID + 1 ORDER BY id",
         [](TParam* p) { p->SetAsInteger(1); }, "SELECT name FROM customer WHERE id IN (1, 2) ORDER BY id"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        TQuery query(nullptr);
        query.SetDatabaseName(file_);
        query.SQL()->Add(c.sql);
        ASSERT_EQ(query.ParamCount(), 1);
        c.set(query.Params()->Items(0));
        query.Open();
        std::string got;
        for (; !query.Eof(); query.Next()) got += (got.empty() ? "" : "\n") + query.Fields()[0].AsString();
        EXPECT_EQ(got, sqlite(c.oracle));
    }
    EXPECT_EQ(sqlite("SELECT count(*) FROM customer"), "4");
}

TEST_F(QueryOnSqlite, AForwardPassStepsBackForGroupFootersAndCountsAhead) {
    // The detail loop's use: Next, and at a group change Prior then Next again;
    // RecordCount first, for the progress. Checked row for row against sqlite3.
    const std::string sql = "SELECT id, customer, amount, qty FROM \"order\" ORDER BY id";
    std::vector<std::string> want = test_support::output_lines(sqlite(sql));
    ASSERT_EQ(want.size(), 2000u);
    for (bool forward : {true, false}) {
        SCOPED_TRACE(forward ? "forward pass" : "kept rows");
        TQuery query(nullptr);
        query.SetDatabaseName(file_);
        query.SetUniDirectional(forward);
        query.SQL()->Add(sql);
        query.Open();
        EXPECT_EQ(query.RecordCount(), 2000) << "known before the rows are read";
        size_t row = 0;
        for (query.First(); !query.Eof(); ++row) {
            ASSERT_LT(row, want.size());
            const TField& amount = query.FieldByName("amount");
            std::string line = query.Fields()[0].AsString() + "|" + query.Fields()[1].AsString() + "|" +
                               (amount.IsNull() ? "" : amount.AsString()) + "|" + query.Fields()[3].AsString();
            // sqlite3 writes reals with a ".0"; ours are the shortest text.
            std::string expect = want[row];
            auto bar = expect.find('|', expect.find('|') + 1);
            auto bar2 = expect.find('|', bar + 1);
            std::string real = expect.substr(bar + 1, bar2 - bar - 1);
            if (real.size() > 2 && real.compare(real.size() - 2, 2, ".0") == 0)
                expect.replace(bar + 1, real.size(), real.substr(0, real.size() - 2));
            ASSERT_EQ(line, expect);
            ASSERT_EQ(query.RecNo(), static_cast<int>(row + 1));
            query.Next();
            if (!query.Eof() && query.RecNo() % 100 == 1) {
                query.Prior();
                ASSERT_EQ(query.Fields()[0].AsInteger(), static_cast<int>(row + 1)) << "back on the group's last row";
                query.Next();
            }
        }
        EXPECT_EQ(row, 2000u);
        EXPECT_EQ(query.RecNo(), 2000) << "Next on the last row sets Eof and stays there";
        EXPECT_EQ(query.Fields()[0].AsInteger(), 2000);
        query.Next();
        EXPECT_TRUE(query.Eof());
        EXPECT_EQ(query.Fields()[0].AsInteger(), 2000);
        EXPECT_EQ(query.RecordCount(), 2000);
        if (forward) {
            for (int i = 0; i < 600; ++i) query.Prior();
            EXPECT_THROW(for (int i = 0; i < 1000; ++i) query.Prior(), EDatabaseError)
                << "a forward pass keeps only the block before the current one";
        } else {
            // Only the rows near the cursor are kept: going back reads the
            // earlier ones again, each in its place.
            for (int i = 0; i < 1999; ++i) {
                query.Prior();
                ASSERT_EQ(query.Fields()[0].AsInteger(), 1999 - i);
                ASSERT_EQ(query.RecNo(), 1999 - i);
            }
            EXPECT_EQ(query.RecNo(), 1);
            query.Prior();
            EXPECT_TRUE(query.Bof());
        }
        query.First();
        EXPECT_EQ(query.RecNo(), 1) << "First runs a forward pass again";
        EXPECT_EQ(query.Fields()[0].AsInteger(), 1);
        query.Last();
        EXPECT_EQ(query.Fields()[0].AsInteger(), 2000);
        EXPECT_TRUE(query.Eof());
    }
}

TEST_F(QueryOnSqlite, ComputedColumnsTakeTheFieldKindTheLayoutGives) {
    const std::string sql = "SELECT id, amount * qty AS total, 'x' || qty AS label, qty > 50 AS big FROM \"order\" "
                            "WHERE amount IS NOT NULL ORDER BY id LIMIT 700";
    TQuery plain(nullptr);
    plain.SetDatabaseName(file_);
    plain.SQL()->Add(sql);
    plain.Open();
    ASSERT_NE(plain.FieldByName("total").DataType(), ftFloat) << "the driver cannot tell the kind of an expression";

    TQuery query(nullptr);
    query.SetDatabaseName(file_);
    query.SQL()->Add(sql);
    query.FieldKinds()->Add("TOTAL=ftFloat");
    query.FieldKinds()->Add("big = ftBoolean");
    query.Open();
    EXPECT_EQ(query.FieldByName("total").DataType(), ftFloat);
    EXPECT_EQ(query.FieldByName("big").DataType(), ftBoolean);
    EXPECT_EQ(query.FieldByName("label").DataType(), plain.FieldByName("label").DataType());
    std::vector<std::string> want =
        test_support::output_lines(sqlite("SELECT amount * qty, qty > 50 FROM \"order\" WHERE amount IS NOT NULL "
                                          "ORDER BY id LIMIT 700"));
    size_t row = 0;
    for (; !query.Eof(); query.Next(), ++row) {
        const std::string& line = want.at(row);
        EXPECT_EQ(query.FieldByName("total").AsFloat(), std::stod(line.substr(0, line.find('|')))) << row;
        EXPECT_EQ(query.FieldByName("big").AsBoolean(), line.substr(line.find('|') + 1) == "1") << row;
    }
    EXPECT_EQ(row, 700u);

    struct Bad {
        const char* line;
        const char* message;
    } bad[] = {
        {"total=ftMoney", "Orders: unknown field kind 'ftMoney' for total"},
        {"totl=ftFloat", "Orders: no field named 'totl'"},
        {"ftFloat", "Orders: a field kind is given as NAME=ftKind, not 'ftFloat'"},
    };
    for (const auto& b : bad) {
        TQuery q(nullptr);
        q.SetName("Orders");
        q.SetDatabaseName(file_);
        q.SQL()->Add(sql);
        q.FieldKinds()->Add(b.line);
        try {
            q.Open();
            ADD_FAILURE() << b.line;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), b.message);
        }
        EXPECT_FALSE(q.Active());
    }
}

TEST_F(QueryOnSqlite, TablesQueriesAndTheirFailuresNameTheDataset) {
    TTable table(nullptr);
    table.SetName("Customers");
    table.SetDatabaseName(file_);
    table.SetTableName("customer");
    table.Open();
    EXPECT_EQ(table.FieldCount(), 5);
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(table.FieldByName("name").AsString(), "Ana");
    table.SetTableName("order");
    EXPECT_FALSE(table.Active());
    table.Open();
    EXPECT_EQ(table.RecordCount(), 2000) << "a reserved word is a table name like any other";

    struct Case {
        std::function<void(TTable&)> set;
        const char* message;  // part of the error
    } cases[] = {
        {[](TTable& t) { t.SetTableName("nowhere"); }, "no such table: nowhere"},
        {[](TTable& t) { t.SetTableName("customer\"; DROP TABLE customer; --"), void(); }, "no such table"},
        {[](TTable& t) { t.SetTableName(""); }, "Customers: no table name"},
        {[](TTable& t) { t.SetTableName("a..b"); }, "Customers: 'a..b' is not a table name"},
        {[](TTable& t) {
             t.SetTableName("customer");
             t.SetDatabaseName(*dir_ / "missing.db");
         },
         "Customers: no such database: "},
    };
    for (const auto& c : cases) {
        TTable t(nullptr);
        t.SetName("Customers");
        t.SetDatabaseName(file_);
        c.set(t);
        try {
            t.Open();
            ADD_FAILURE() << c.message;
        } catch (const EDatabaseError& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
            EXPECT_EQ(e.Message().rfind("Customers: ", 0), 0u) << e.Message();
        }
        EXPECT_FALSE(t.Active());
    }
    EXPECT_FALSE(test_support::run("test -e " + shell_quote(*dir_ / "missing.db")).status == 0)
        << "a missing database is never made";
    EXPECT_EQ(sqlite("SELECT count(*) FROM customer"), "4");

    TQuery query(nullptr);
    query.SetName("Q");
    query.SetDatabaseName(file_);
    query.SQL()->Add("SELECT nonsense FROM customer WHERE id = :ID");
    query.ParamByName("ID")->SetAsInteger(1);
    try {
        query.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("no such column: nonsense"), std::string::npos) << e.Message();
    }
    query.SQL()->SetText("SELECT id FROM customer WHERE id = :ID");
    query.ParamByName("ID")->SetDataType(ftInteger);
    query.ParamByName("ID")->SetText("one");
    try {
        query.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Q: parameter ID: 'one' is not an integer");
    }
}

TEST_F(QueryOnSqlite, AReadOnlyDatabaseRefusesEveryChange) {
    // Refused before they run, whether the file is opened read-only or not.
    for (bool read_only : {true, false})
        for (const char* sql : {"DELETE FROM customer", "DROP TABLE customer", "UPDATE customer SET name = 'x'",
                                "INSERT INTO customer(id) VALUES (9)", "PRAGMA user_version = 3",
                                "DELETE FROM customer RETURNING id", "PRAGMA journal_mode = wal"}) {
            TQuery query(nullptr);
            query.SetName("Q");
            query.SetDatabaseName(file_);
            query.SetReadOnlyDatabase(read_only);
            query.SQL()->Add(sql);
            try {
                query.Open();
                ADD_FAILURE() << sql;
            } catch (const EDatabaseError& e) {
                EXPECT_EQ(e.Message().rfind("Q: ", 0), 0u) << e.Message();
            }
        }
    EXPECT_EQ(sqlite("PRAGMA journal_mode"), "delete");
    EXPECT_EQ(sqlite("SELECT count(*), min(name), max(name) FROM customer"), "4|Ana|Zé");
    EXPECT_EQ(sqlite("PRAGMA user_version"), "0");
    TQuery query(nullptr);
    query.SetDatabaseName(file_);
    query.SetReadOnlyDatabase(true);
    query.SQL()->Add("SELECT count(*) FROM customer");
    query.Open();
    EXPECT_EQ(query.Fields()[0].AsInteger(), 4) << "reading works";
}

// Over ODBC a command is looked at before it is sent: only one statement
// that reads passes.
TEST(ReadOnlyCommands, OnlyOneReadingStatementPasses) {
    struct Case {
        const char* sql;
        bool reads;
    };
    const Case cases[] = {
        {"select * from orders", true},
        {"  SELECT [delete], 'insert into x' FROM t -- drop table t\n;", true},
        {"with o as (select * from orders) select * from o", true},
        {"values (1), (2)", true},
        {"select \"update\" from t /* delete */", true},
        {"delete from orders", false},
        {"delete from orders returning id", false},
        {"with o as (select 1) delete from orders", false},
        {"select * into copy from orders", false},
        {"select 1; delete from orders", false},
        {"select 1;;  select 2", false},
        {"pragma journal_mode=wal", false},
        {"exec sp_who", false},
        {"insert into t values (1)", false},
        {"", false},
        {"-- nothing", false},
    };
    for (const Case& c : cases) EXPECT_EQ(data::read_only_command_problem(c.sql).empty(), c.reads) << c.sql;
}

// A database name is a connection string only when it starts with one of
// its keys; every other name is a file, however many '=' and ';' it holds.
TEST(DatabaseNames, AreFilesUnlessTheyStartWithAConnectionKey) {
    for (const char* name : {"DRIVER=SQLite3;Database=x.db", "dsn=Shop", " Data Source=srv;Initial Catalog=x",
                             "Provider=SQLOLEDB;Data Source=srv", "Server=host"})
        EXPECT_TRUE(data::is_connection_string(name)) << name;
    for (const char* name : {"shop.db", "/tmp/a=b.db", "x=1;y.db", "weird;name}.db", "file:x.db?mode=rwc", ""})
        EXPECT_FALSE(data::is_connection_string(name)) << name;
    test_support::ScratchDir dir("query-test");
    const std::string fifo = dir / "pipe.db";
    ASSERT_EQ(test_support::run_status("mkfifo " + shell_quote(fifo)), 0);
    TQuery query(nullptr);
    query.SetName("Q");
    query.SetDatabaseName(fifo);
    query.SQL()->Add("select 1");
    try {
        query.Open();
        FAIL() << "a FIFO opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Q: " + fifo + " is not a database file");
    }
    query.SetDatabaseName(dir.path());
    EXPECT_THROW(query.Open(), EDatabaseError);
}

TEST_F(QueryOnSqlite, LayoutsStoreQueriesAndTablesAndOpenThem) {
    TComponent form(nullptr);
    auto* query = new TQuery(&form);
    query->SetName("Orders");
    query->SetDatabaseName(file_);
    query->SQL()->Add("SELECT id, amount * 2 AS twice FROM \"order\"");
    query->SQL()->Add("WHERE customer = :Cust AND qty < :MaxQty AND note <> :Note ORDER BY id");
    query->ParamByName("cust")->SetAsInteger(3);
    query->ParamByName("maxqty")->SetAsFloat(40.5);
    query->ParamByName("note")->SetAsString("n'1");
    query->FieldKinds()->Add("twice=ftFloat");
    query->SetUniDirectional(true);
    query->SetActive(true);
    auto* table = new TTable(&form);
    table->SetName("Customers");
    table->SetDatabaseName(file_);
    table->SetTableName("customer");
    table->SetActive(true);

    const std::string text = core::write_component(form);
    RegisterClasses({TQuery::StaticClass(), TTable::StaticClass()});
    TComponent copy(nullptr);
    core::read_component_into(copy, text);
    EXPECT_EQ(core::write_component(copy), text) << text;
    auto* q = dynamic_cast<TQuery*>(copy.FindComponent("Orders"));
    auto* t = dynamic_cast<TTable*>(copy.FindComponent("Customers"));
    ASSERT_TRUE(q && t);
    EXPECT_TRUE(q->Active()) << "opened once the layout is loaded";
    EXPECT_TRUE(q->UniDirectional());
    EXPECT_EQ(q->ParamByName("MaxQty")->DataType(), ftFloat);
    EXPECT_EQ(q->FieldByName("twice").DataType(), ftFloat);
    EXPECT_EQ(t->RecordCount(), 4);
    std::string ids;
    for (; !q->Eof(); q->Next()) ids += q->Fields()[0].AsString() + ",";
    EXPECT_EQ(ids, sqlite("SELECT group_concat(id) || ',' FROM (SELECT id FROM \"order\" WHERE customer = 3 AND "
                          "qty < 40.5 ORDER BY id)"));

    // A stored parameter that its type cannot read fails when the query opens.
    std::string bad = text;
    auto at = bad.find("\"40.5\"");
    ASSERT_NE(at, std::string::npos) << text;
    bad.replace(at, 6, "\"lots\"");
    TComponent broken(nullptr);
    try {
        core::read_component_into(broken, bad);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("parameter MaxQty: 'lots' is not a number"), std::string::npos) << e.Message();
    }
}

TEST(SqliteFiles, ReadAsTheSqliteOdbcDriverReadsThem) {
    // The same query over the file, read by the library and through the
    // driver: the same fields, types, sizes and values.
    test_support::ScratchDir dir("sqlite-equal");
    const std::string file = dir / "kinds.db";
    auto made = test_support::run("sqlite3 " + shell_quote(file) + " " + shell_quote(R"(
        CREATE TABLE t(a INTEGER, b INT, c BIGINT, d SMALLINT, e TINYINT, f REAL, g FLOAT, h DOUBLE, i NUMERIC,
                       j DECIMAL(10,2), k TEXT, l VARCHAR(10), m CHAR(3), n BOOLEAN, o DATE, p TIME, q DATETIME,
                       r TIMESTAMP, s BLOB, u, v NVARCHAR(20), x MONEY, y BIT, z CLOB, aa UNSIGNED BIG INT,
                       ab VARCHAR, ac DOUBLE PRECISION, ad VARBINARY(4), ae LONGVARCHAR, af INT8, ag integer);
        INSERT INTO t VALUES (1, -2, 9223372036854775807, -32768, 255, 1.5, -0.1, 1e300, 12.5, 12.34, 'Café', 'abc',
                              'xy', 1, '2024-01-05', '23:59:58', '2024-02-29 07:05:00', '2024-02-29 07:05:00.250',
                              x'00ff10', 4.25, 'São', 9.99, 0, 'clob', 7, 'v', 2.5, x'0a0d', 'long', 8, 9);
        INSERT INTO t(a) VALUES (NULL);
        INSERT INTO t VALUES (-9223372036854775808, 0, 0, 0, 0, 0.0, 3, -5, 'n', 'd', '', '', '', 0, '', '', '', '',
                              x'', 'txt', '', 'm', 1, '', 'u', '', 0.0, x'', '', 'x', ' 12 ');
    )"));
    ASSERT_EQ(made.status, 0) << made.output;
    const std::string sql = "SELECT *, a + 1 AS sum1, 'lit' AS lit, 2.5 * a AS prod FROM t";
    TQuery library(nullptr);
    library.SetDatabaseName(file);
    library.SQL()->Add(sql);
    library.Open();
    TQuery driver(nullptr);
    driver.SetDatabaseName("DRIVER=SQLite3;StepAPI=1;Database=" + file);
    driver.SQL()->Add(sql);
    driver.Open();
    ASSERT_EQ(library.FieldCount(), driver.FieldCount());
    for (int i = 0; i < library.FieldCount(); ++i) {
        const TField& a = library.Fields()[i];
        const TField& b = driver.Fields()[i];
        EXPECT_EQ(a.FieldName(), b.FieldName());
        EXPECT_EQ(FieldTypeNames()[a.DataType()], FieldTypeNames()[b.DataType()]) << a.FieldName();
        EXPECT_EQ(a.Size(), b.Size()) << a.FieldName();
    }
    int rows = 0;
    for (; !library.Eof(); library.Next(), driver.Next(), ++rows) {
        ASSERT_FALSE(driver.Eof());
        for (int i = 0; i < library.FieldCount(); ++i) {
            const TField& a = library.Fields()[i];
            const TField& b = driver.Fields()[i];
            EXPECT_EQ(a.IsNull(), b.IsNull()) << a.FieldName() << " row " << rows;
            EXPECT_EQ(a.AsString(), b.AsString()) << a.FieldName() << " row " << rows;
        }
    }
    EXPECT_EQ(rows, 3);
    EXPECT_TRUE(driver.Eof());
    driver.Next();
    EXPECT_TRUE(driver.Eof());
}
