// report-tool eval against sqlite3 on a generated SQLite database.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/core/SysUtils.h"
#include "tests/support/TestSupport.h"

using test_support::run_split;
using test_support::shell_quote;

namespace {

using test_support::output_lines;

// The tool in the C locale: numbers with a decimal point, as sqlite3 prints them.
std::string report_tool() { return "env LC_ALL=C " + shell_quote(test_support::tool_path("report-tool")); }

class EvalTool : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test_support::ScratchDir("eval-tool");
        db_ = *dir_ / "orders.db";
        // 400 orders: amounts with cents, signed quantities, names in mixed case
        auto made = test_support::run("sqlite3 " + shell_quote(db_) + " " + shell_quote(R"(
            CREATE TABLE orders(id INTEGER, amount REAL, qty INTEGER, name TEXT);
            WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400)
            INSERT INTO orders
              SELECT i, (i * 3719 % 100000) / 100.0 - 250, i * 7919 % 5000 - 2500,
                     CASE WHEN i % 97 = 0 THEN '' ELSE
                       substr('mAcDoNaLdOsIlVa', 1 + i % 7, 1 + i % 6) || substr('jOhN pAuL', 1 + i % 4) || i END
              FROM n;)"));
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    // What `report-tool eval` prints over the orders, one line a value.
    static std::vector<std::string> tool(const std::string& mode, const std::string& expression) {
        auto r = run_split(report_tool() + " eval --db " + shell_quote(db_) +
                           " --sql " + shell_quote("SELECT * FROM orders ORDER BY id") + " " + mode + " -- " +
                           shell_quote(expression));
        EXPECT_EQ(r.status, 0) << r.err;
        return output_lines(r.out);
    }
    static std::vector<std::string> sqlite(const std::string& query) {
        auto r = run_split("sqlite3 -noheader " + shell_quote(db_) + " " + shell_quote(query));
        EXPECT_EQ(r.status, 0) << r.err;
        return output_lines(r.out);
    }

    static test_support::ScratchDir* dir_;
    static std::string db_;
};

test_support::ScratchDir* EvalTool::dir_ = nullptr;
std::string EvalTool::db_;

struct AggregateCase {
    const char* expression;
    const char* sql;
    const char* kind;
};

TEST_F(EvalTool, AggregatesEqualTheSqlAggregates) {
    const AggregateCase cases[] = {
        {"SUM(amount)", "SELECT SUM(amount) FROM orders", "FLOAT"},
        {"SUM(qty)", "SELECT SUM(qty) FROM orders", "INTEGER"},
        {"COUNT", "SELECT COUNT(*) FROM orders", "INTEGER"},
        {"AVERAGE(amount)", "SELECT AVG(amount) FROM orders", "FLOAT"},
        {"AVERAGE(qty)", "SELECT AVG(qty) FROM orders", "FLOAT"},
        {"MAX(amount)", "SELECT MAX(amount) FROM orders", "FLOAT"},
        {"MIN(amount)", "SELECT MIN(amount) FROM orders", "FLOAT"},
        {"MAX(qty)", "SELECT MAX(qty) FROM orders", "INTEGER"},
        {"MIN(qty)", "SELECT MIN(qty) FROM orders", "INTEGER"},
        {"MAX(name)", "SELECT MAX(name) FROM orders", "STRING"},
        {"MIN(name)", "SELECT MIN(name) FROM orders", "STRING"},
    };
    for (const AggregateCase& c : cases) {
        auto got = tool("--aggregate", c.expression);
        auto want = sqlite(c.sql);
        ASSERT_EQ(got.size(), 1u) << c.expression;
        ASSERT_EQ(want.size(), 1u) << c.sql;
        const std::string kind = std::string(c.kind) + " ";
        ASSERT_EQ(got[0].substr(0, kind.size()), kind) << c.expression << ": " << got[0];
        std::string value = got[0].substr(kind.size());
        if (std::string(c.kind) == "FLOAT") {
            double a = StrToFloat(value), b = StrToFloat(want[0]);
            EXPECT_NEAR(a, b, std::fabs(b) * 1e-13 + 1e-12) << c.expression;
        } else {
            EXPECT_EQ(value, want[0]) << c.expression;
        }
    }
}

TEST_F(EvalTool, StringFunctionsEqualTheSqlFunctionsRowByRow) {
    const std::pair<const char*, const char*> cases[] = {
        {"UPPER(name)", "upper(name)"},
        {"LOWER(name)", "lower(name)"},
        {"COPY(name, 2, 3)", "substr(name, 2, 3)"},
        {"COPY(name, 0, 4)", "substr(name, 1, 4)"},
        {"PRETTY(name)", "upper(substr(name, 1, 1)) || lower(substr(name, 2))"},
        {"UPPER(name) + '/' + STR(qty)", "upper(name) || '/' || qty"},
    };
    for (const auto& [expression, sql] : cases) {
        auto got = tool("--each", expression);
        auto want = sqlite(std::string("SELECT ") + sql + " FROM orders ORDER BY id");
        ASSERT_EQ(got.size(), 400u) << expression;
        ASSERT_EQ(want.size(), 400u) << sql;
        for (std::size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], "STRING " + want[i]) << expression << " row " << i + 1;
    }
}

TEST_F(EvalTool, RunningTotalsPerRecordAndReportVariables) {
    auto got = tool("--each", "COUNT");
    ASSERT_EQ(got.size(), 400u);
    EXPECT_EQ(got[0], "INTEGER 1");
    EXPECT_EQ(got[399], "INTEGER 400");
    auto r = run_split(report_tool() +
                       " eval --env 'RATE=0.5' --env 'DOUBLE=RATE * 4' 'DOUBLE + 1'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FLOAT 3\n");
    r = run_split(report_tool() + " eval '1 / 0'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR Cannot divide by 0\n");
}

// A chain of report variables, each using the one before inside `wrap`
// parentheses, evaluates to its end; one too deep for the stack gives an
// error value, not a crash.
TEST_F(EvalTool, ChainsOfReportVariables) {
    struct Case {
        int length;
        int wrap;
        const char* want;
    };
    const Case cases[] = {
        {1000, 0, "INTEGER 1000\n"},
        {4, 100, "INTEGER 304\n"},
        {20000, 0, "ERROR Error in expression : "},
        {200, 500, "ERROR Error in expression : "},
    };
    for (const Case& c : cases) {
        const std::string open = [&] {
            std::string s;
            for (int i = 0; i < c.wrap; ++i) s += "1+(";
            return s;
        }();
        const std::string close(static_cast<std::size_t>(c.wrap), ')');
        std::string command = report_tool() + " eval --env V0=1";
        for (int i = 1; i < c.length; ++i)
            command += " --env " + shell_quote("V" + std::to_string(i) + "=" + open + "V" + std::to_string(i - 1) +
                                               "+1" + close);
        command += " V" + std::to_string(c.length - 1) + "\n";
        // Too long for one shell argument: the shell reads it from a file.
        const std::string script = *dir_ / ("chain" + std::to_string(c.length) + ".sh");
        test_support::write_file(script, command);
        auto r = run_split("sh " + shell_quote(script));
        const bool error = std::string(c.want).rfind("ERROR", 0) == 0;
        EXPECT_EQ(r.status, error ? 1 : 0) << c.length << ": " << r.err;
        EXPECT_EQ(r.out.substr(0, std::string(c.want).size()), c.want) << c.length << " x " << c.wrap;
    }
}

// Report variables that each use the next one twice (V0 = V1 + V1, ...):
// each is computed once per evaluation, and anew for every record, so forty
// of them over the 400 orders give each record's own value.
TEST_F(EvalTool, VariablesThatDoubleEachOtherFollowEveryRecord) {
    std::string env;
    for (int i = 0; i < 39; ++i)
        env += " --env " + shell_quote("V" + std::to_string(i) + "=V" + std::to_string(i + 1) + " + V" +
                                       std::to_string(i + 1));
    env += " --env " + shell_quote("V39=[qty] * 1.0");
    // Two that use each other: the recursion is found however often they are named.
    env += " --env " + shell_quote("R1=R2 + R2") + " --env " + shell_quote("R2=R1 * 2");
    // An error value makes the command fail.
    auto each = [&](const std::string& expression, int status = 0) {
        auto r = run_split(report_tool() + " eval --db " + shell_quote(db_) + " --sql " +
                           shell_quote("SELECT * FROM orders ORDER BY id") + " --each" + env + " -- " +
                           shell_quote(expression));
        EXPECT_EQ(r.status, status) << r.err;
        return output_lines(r.out);
    };
    const std::vector<std::string> qty = sqlite("SELECT qty FROM orders ORDER BY id");
    const std::vector<std::string> values = each("V0");
    ASSERT_EQ(values.size(), qty.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(values[i], "FLOAT " + FloatToStr(std::stod(qty[i]) * 549755813888.0)) << i;
    for (const std::string& z : each("V0 - V1 - V1")) EXPECT_EQ(z, "FLOAT 0");
    const std::vector<std::string> recursive = each("R1 + R2", 1);
    ASSERT_EQ(recursive.size(), qty.size());
    EXPECT_EQ(recursive.front(), "ERROR Recursive calls not allowed");
}

TEST_F(EvalTool, BadArgumentsAndDatabasesAreClearErrors) {
    const std::string tool = report_tool() + " eval ";
    auto r = run_split(tool);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: report-tool eval"), std::string::npos);
    EXPECT_EQ(run_split(tool + "--each 1").status, 2);
    EXPECT_EQ(run_split(tool + "--db x.db 1").status, 2);
    EXPECT_EQ(run_split(tool + "--env NOEQUALS 1").status, 2);
    EXPECT_EQ(run_split(tool + "--bogus 1").status, 2);

    const std::string missing = *dir_ / "missing.db";
    r = run_split(tool + "--db " + shell_quote(missing) + " --sql 'SELECT 1' 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no such database"), std::string::npos);
    EXPECT_FALSE(FileExists(missing));  // never created by asking

    r = run_split(tool + "--db " + shell_quote(db_) + " --sql 'SELECT nope FROM orders' 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
}

// An expression that evaluates to an error prints it and fails: once, or on
// any record of --each.
TEST_F(EvalTool, AnErrorValueIsAFailure) {
    const std::string tool = report_tool() + " eval ";
    struct Case {
        std::string args;
        std::string first_line;
        int status;
    } cases[] = {
        {"'1 +'", "ERROR Illegal character in numeric contant \"1 +\"", 1},
        {"'custumer'", "ERROR Unknown function : CUSTUMER", 1},
        {"'1 + 1'", "INTEGER 2", 0},
        {"--db " + shell_quote(db_) + " --sql 'SELECT qty FROM orders ORDER BY id' --each 'IF(qty > 0, qty, 1 / 0)'", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const auto r = run_split(tool + c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (!c.first_line.empty()) {
            EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.first_line);
        }
    }
}

TEST_F(EvalTool, TheDatabaseIsOpenedReadOnly) {
    const std::string before = sqlite("SELECT count(*), sum(qty), min(name) FROM orders").at(0);
    const char* changes[] = {
        "DELETE FROM orders",
        "DELETE FROM orders RETURNING id",
        "UPDATE orders SET qty = 0 RETURNING qty",
        "INSERT INTO orders(id) VALUES (9999) RETURNING id",
        "DROP TABLE orders",
        "PRAGMA user_version = 7",
    };
    for (const char* sql : changes) {
        for (const char* mode : {"", "--each ", "--aggregate "}) {
            auto r = run_split(report_tool() + " eval --db " + shell_quote(db_) + " --sql " + shell_quote(sql) + " " +
                               mode + "COUNT");
            EXPECT_EQ(r.status, 1) << sql << " " << mode << r.out;
            EXPECT_FALSE(r.err.empty()) << sql;
        }
    }
    EXPECT_EQ(sqlite("SELECT count(*), sum(qty), min(name) FROM orders").at(0), before);
    EXPECT_EQ(sqlite("PRAGMA user_version").at(0), "0");
}

}  // namespace

namespace {

// en_US and pt_BR compiled once for the whole program, found through LOCPATH.
const std::string& compiled_locales() {
    static test_support::ScratchDir dir("eval-locales");
    static const std::string path = [] {
        for (const char* name : {"en_US", "pt_BR"}) {
            const int status = test_support::run_status("localedef -i " + std::string(name) + " -f UTF-8 " +
                                                        shell_quote(dir / (std::string(name) + ".UTF-8")) + " 2>/dev/null");
            EXPECT_EQ(status, 0) << name;
        }
        return dir.path();
    }();
    return path;
}

}  // namespace

// Dates and masks follow one rule: the locale the environment names when the
// system has it, else '.' decimals, ',' thousands and dd/mm/yyyy, the same
// under cron's C locale, C.UTF-8 and no locale at all.
TEST(EvalToolLocale, DatesAndMasksFollowANamedLocaleElseTheDefaults) {
    const std::string locpath = compiled_locales();
    struct Case {
        const char* environment;
        const char* date_format;  // for date(1)
        const char* amount;
    } cases[] = {
        {"LC_ALL=C", "+%d/%m/%Y", "40,616.06"},
        {"LC_ALL=POSIX", "+%d/%m/%Y", "40,616.06"},
        {"-u LC_ALL LANG=C.UTF-8", "+%d/%m/%Y", "40,616.06"},
        {"-u LC_ALL -u LANG -u LC_TIME -u LC_NUMERIC", "+%d/%m/%Y", "40,616.06"},
        {"LC_ALL=xx_NOWHERE.UTF-8", "+%d/%m/%Y", "40,616.06"},
        {"LC_ALL=en_US.UTF-8", "+%m/%d/%Y", "40,616.06"},
        {"LC_ALL=pt_BR.UTF-8", "+%d/%m/%Y", "40.616,06"},
        {"-u LC_ALL LANG=C LC_NUMERIC=pt_BR.UTF-8 LC_TIME=en_US.UTF-8", "+%m/%d/%Y", "40.616,06"},
    };
    const std::string tool = shell_quote(test_support::tool_path("report-tool"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment);
        const std::string env = "env " + std::string(c.environment) + " LOCPATH=" + shell_quote(locpath) +
                                " LSAN_OPTIONS=suppressions=" +
                                shell_quote(test_support::source_path("report/controls/tests/locpath.supp")) + " " +
                                tool + " eval ";
        const auto date = run_split(env + "DATE");
        const std::string today = test_support::capture(std::string("date ") + shell_quote(c.date_format));
        EXPECT_EQ(date.status, 0) << date.err;
        EXPECT_EQ(date.out, "STRING " + today);
        const auto masked = run_split(env + shell_quote("FORMATNUMERIC('#,##0.00', 40616.06)"));
        EXPECT_EQ(masked.out, std::string("STRING ") + c.amount + "\n");
    }
}
