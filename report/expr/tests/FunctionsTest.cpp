// The built-in functions, their registry and the running aggregates.
#include <gtest/gtest.h>

#include "platform/core/DateUtils.h"
#include "platform/data/MemoryDataSet.h"
#include "report/expr/tests/ExprTestSupport.h"

using expr_test::describe;
using expr_test::eval;

namespace {

struct Case {
    const char* expression;
    const char* expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.expression; }

const Case kFunctions[] = {
    {"IF(1 = 1, 'yes', 'no')", "STRING yes"},
    {"IF(1 = 2, 'yes', 'no')", "STRING no"},
    {"IF(1, 2, 3)", "ERROR Wrong arguments for IF"},
    {"IF(TRUE, 1)", "ERROR Wrong arguments for IF"},
    {"IF(FOO, 1, 2)", "ERROR Wrong arguments for IF"},
    {"IF(TRUE, 1, 1 / 0)", "INTEGER 1"},
    {"STR(1.5)", "STRING 1.5"},
    {"STR(42)", "STRING 42"},
    {"STR(1 = 1)", "STRING True"},
    {"STR('a')", "ERROR Conversion error"},
    {"STR(FOO)", "ERROR Conversion error"},
    {"UPPER('abc')", "STRING ABC"},
    {"LOWER('AbC')", "STRING abc"},
    {"UPPER('ação')", "STRING AÇÃO"},
    {"UPPER(5)", "ERROR "},
    {"UPPER(FOO)", "ERROR Unknown function : FOO"},
    {"UPPER()", "ERROR Missing argument for UPPER"},
    {"UPPER('a', 'b')", "ERROR Missing argument for UPPER"},
    {"LOWER()", "ERROR Missing argument for LOWER"},
    {"PRETTY('hELLO wORLD')", "STRING Hello world"},
    {"PRETTY('')", "STRING "},
    {"PRETTY('éCOLE')", "STRING École"},
    {"PRETTY()", "ERROR Missing argument for PRETTY"},
    {"COPY('abcdef', 0, 3)", "STRING abc"},
    {"COPY('abcdef', 2, 3)", "STRING bcd"},
    {"COPY('abcdef', 5, 10)", "STRING ef"},
    {"COPY('abcdef', 9, 1)", "STRING "},
    {"COPY('abcdef', 2, 0)", "STRING "},
    {"COPY('ação', 2, 2)", "STRING çã"},
    {"COPY('abcdef', 2.0, 3)", "ERROR "},
    {"COPY('abcdef', 2)", "ERROR "},
    {"TRUE", "BOOLEAN True"},
    {"FALSE()", "BOOLEAN False"},
    {"TRUE(1)", "ERROR Too many arguments"},
    {"INT(-2.7)", "INTEGER -2"},
    {"INT(7)", "INTEGER 7"},
    {"INT('7')", "ERROR Wrong arguments for INT"},
    {"INT(1e12 + 0.5)", "FLOAT 1000000000000"},
    {"FRAC(-2.5)", "FLOAT -0.5"},
    {"FRAC(3)", "FLOAT 0"},
    {"FRAC('a')", "ERROR "},
    {"SQRT(16)", "FLOAT 4"},
    {"SQRT(-1)", "ERROR Invalid argument to SQRT function"},
    {"SQRT('a')", "ERROR Invalid argument to SQRT function"},
    {"DIV(7, 2)", "INTEGER 3"},
    {"DIV(-7, 2)", "INTEGER -3"},
    {"DIV(7.5, 2)", "INTEGER 4"},
    {"DIV(6.5, 2)", "INTEGER 3"},
    {"DIV(1, 0)", "ERROR Division by Zero"},
    {"DIV(1, 0.4)", "ERROR Division by Zero"},
    {"DIV(1)", "ERROR Wrong arguments for DIV"},
    {"DIV('a', 1)", "ERROR Wrong arguments for DIV"},
    // the quotient of the smallest integer by -1 does not fit
    {"DIV(-2147483647 - 1,-1)", "ERROR Integer overflow"},
    {"DIV(1e10, 2)", "ERROR Wrong arguments for DIV"},
    {"TYPEOF(1 / 2)", "STRING FLOAT"},
    {"TYPEOF(1)", "STRING INTEGER"},
    {"TYPEOF('a')", "STRING STRING"},
    {"TYPEOF(TRUE)", "STRING BOOLEAN"},
    {"TYPEOF(FOO)", "STRING ERROR"},
    {"TYPEOF()", "ERROR Wrong arguments for TypeOf"},
    {"COUNT(1)", "ERROR COUNT - Too many arguments"},
    {"COUNT", "INTEGER 0"},
    {"FORMATNUMERIC('0.00', 3)", "STRING 3.00"},
    {"FORMATNUMERIC('#,##0.00',-1234567.125)", "STRING -1,234,567.13"},
    {"FORMATNUMERIC('0.00', 'a')", "ERROR "},
    {"FORMATNUMERIC('0.00;(0.00);nil', 0 - 2)", "STRING (2.00)"},
    {"FORMATNUMERIC('0.00;(0.00);nil', 0.001)", "STRING nil"},
    {"abs(1)", "ERROR Unknown function : ABS"},
    {"SUM(1)", "INTEGER 0"},
};

class Functions : public ::testing::TestWithParam<Case> {
    expr_test::InvariantLocale locale_;
};

TEST_P(Functions, GiveTheirResultOrError) {
    const Case& c = GetParam();
    EXPECT_EQ(eval(c.expression), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Builtins, Functions, ::testing::ValuesIn(kFunctions));

TEST(Functions, TimeAndDateFollowTheClockAndTheReportLocale) {
    expr_test::InvariantLocale restore;
    core::ScopedService clock(core::clock_slot, [] { return EncodeDateTime(2024, 2, 29, 13, 5, 9, 0); });
    report::ReportFormatSettings().ShortDateFormat = "dd/mm/yyyy";
    report::ReportFormatSettings().DateSeparator = '.';
    EXPECT_EQ(eval("TIME"), "STRING 13:05:09");
    EXPECT_EQ(eval("DATE"), "STRING 29.02.2024");
    EXPECT_EQ(eval("DATE(1)"), "ERROR ");
}

struct Entry {
    const char* name;
    const char* description;
    const char* signature;
};

TEST(FunctionLibrary, RegistersTheTwentyOneFunctionsInOrderWithTheirHelp) {
    const Entry expected[] = {
        {"IF", "IF(<Exp>, <X>, <Y>)|Returns <X> or <Y> depending on the boolean expression <Exp>", "5BVV"},
        {"STR", "STR(<X>)|Convert a numeric <X> to a string", "7N"},
        {"UPPER", "UPPER(<X>)|Converts a string to upper case letters", "7S"},
        {"LOWER", "LOWER(<X>)|Converts a string to lower case letters", "7S"},
        {"PRETTY", "PRETTY(<X>)|Makes the first character upper case and the rest lower case", "7S"},
        {"TIME", "TIME|Return current time as a string", "1"},
        {"DATE", "DATE|Return current date as a string", "1"},
        {"COPY", "COPY(<X>, <St>,<Len>)|Returns a substring of string X", "7SNN"},
        {"SUM", "SUM(<X>)|Sums the numeric <X>", "3N"},
        {"COUNT", "COUNT|Increments for each iteration", "3"},
        {"MAX", "MAX(<X>)|Returns the highest <X>", "3V"},
        {"MIN", "MIN(<X>)|Returns the lowest <X>", "3V"},
        {"AVERAGE", "AVERAGE(<X>)|Returns the average of numeric <X>", "3N"},
        {"TRUE", "TRUE|boolean value", "5"},
        {"FALSE", "FALSE|boolean value", "5"},
        {"INT", "INT(<X>)|Returns the integer part of <X>", "2N"},
        {"FRAC", "FRAC(<X>)|Returns the fractional part of <X>", "2N"},
        {"SQRT", "SQRT(<X>)|Returns square root of <X>", "2N"},
        {"DIV", "DIV(<X>, <Y>) | Integer division of <X> by <Y>", "2NN"},
        {"TYPEOF", "TYPEOF(<Exp>)|Returns the data type of <Exp>", "6N"},
        {"FORMATNUMERIC", "FORMATNUMERIC(<F>,<N>)|Formats numeric <N> using the mask in <F>", "7SN"},
    };
    TBRFunctionLibrary& lib = FunctionLibrary();
    ASSERT_EQ(lib.Count(), 21);
    for (int i = 0; i < 21; ++i) {
        TBRLibraryEntry* e = lib.EntryAt(i);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->Name, expected[i].name);
        EXPECT_EQ(e->Description, expected[i].description);
        EXPECT_EQ(e->Data, expected[i].signature);
        EXPECT_EQ(e->Vendor, lib.EntryAt(0)->Vendor);
    }
    EXPECT_EQ(lib.EntryAt(21), nullptr);
    EXPECT_NE(dynamic_cast<TBREvElementFunction*>(lib.CreateFunctionElement("if").get()), nullptr);
    auto unknown = lib.CreateFunctionElement("NOPE");
    auto* error = dynamic_cast<TBREvElementError*>(unknown.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Message, "Unknown function : NOPE");
}

// ------------------------------------------------------------ aggregates

// Accumulates `expression` over the records of a one-field dataset X and
// answers the result.
std::string aggregate(const std::string& expression, TFieldType type, std::vector<data::Value> values,
                      bool accumulate = true) {
    expr_test::OneField data("T", "X", type, values);
    TMemoryDataSet& ds = data.ds;
    TBREvaluator ev;
    ev.UseDataSetList(&data.list);
    ev.CompileExpression(expression);
    ev.ResetAggregates();
    if (accumulate)
        for (ds.First(); !ds.Eof(); ds.Next()) ev.AccumulateAggregates();
    EvalValue v;
    ev.EvaluateCompiled(v);
    return describe(v);
}

struct AggregateCase {
    const char* expression;
    TFieldType type;
    std::vector<data::Value> values;
    const char* expected;
};

void PrintTo(const AggregateCase& c, std::ostream* os) { *os << c.expression; }

const AggregateCase kAggregates[] = {
    {"SUM(X)", ftInteger, {"1", "2", "3"}, "INTEGER 6"},
    {"SUM(X)", ftFloat, {"1.5", "2.25"}, "FLOAT 3.75"},
    {"SUM(X) + 1", ftInteger, {"1", "2", "3"}, "INTEGER 7"},
    {"SUM(X)", ftString, {"a"}, "ERROR "},
    {"SUM(X)", ftInteger, {}, "INTEGER 0"},
    {"SUM()", ftInteger, {"1", "2"}, "INTEGER 0"},
    {"MAX(1, 2)", ftInteger, {"1", "2"}, "INTEGER 0"},
    {"AVERAGE(X)", ftInteger, {"1", "2"}, "FLOAT 1.5"},
    {"AVERAGE()", ftInteger, {"1", "2"}, "FLOAT 0"},
    {"AVERAGE(X)", ftString, {"a"}, "ERROR "},
    {"MAX(X)", ftString, {"b", "a", "c"}, "STRING c"},
    {"MIN(X)", ftString, {"b", "a", "c"}, "STRING a"},
    {"MIN(X)", ftString, {"b", "B"}, "STRING B"},
    {"MIN(X)", ftBoolean, {"1", "0"}, "BOOLEAN False"},
    {"MAX(X)", ftBoolean, {"0", "1", "0"}, "BOOLEAN True"},
    {"MAX(X)", ftInteger, {"-5", "7", "3"}, "INTEGER 7"},
    {"MIN(X)", ftFloat, {"2.5", "-1.25", "0"}, "FLOAT -1.25"},
    {"COUNT", ftInteger, {"1", "2", "3", "4"}, "INTEGER 4"},
    {"COUNT * 10 + SUM(X)", ftInteger, {"1", "2"}, "INTEGER 23"},
    // a total that leaves 32 bits goes on as a float, never wraps
    {"SUM(X)", ftInteger, {"2147483647", "1"}, "FLOAT 2147483648"},
    {"SUM(X)", ftInteger, {"-2147483648", "-1", "1"}, "FLOAT -2147483648"},
    {"SUM(X)", ftLargeint, {"1", "9000000000"}, "FLOAT 9000000001"},
    {"AVERAGE(X)", ftInteger, {"2147483647", "2147483647"}, "FLOAT 2147483647"},
    {"SUM(X)", ftFloat, {"1e308", "1e308"}, "ERROR Floating point overflow"},
};

class Aggregates : public ::testing::TestWithParam<AggregateCase> {
    expr_test::InvariantLocale locale_;
};

TEST_P(Aggregates, AccumulateOverTheRecords) {
    const AggregateCase& c = GetParam();
    EXPECT_EQ(aggregate(c.expression, c.type, c.values), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Builtins, Aggregates, ::testing::ValuesIn(kAggregates));

TEST(Aggregates, ReadWithoutAccumulatingAndRestartOnReset) {
    EXPECT_EQ(aggregate("SUM(X)", ftInteger, {"1", "2", "3"}, false), "INTEGER 0");
    EXPECT_EQ(aggregate("AVERAGE(X)", ftInteger, {"1", "2", "3"}, false), "FLOAT 0");

    expr_test::OneField data("T", "X", ftInteger, {"5"});
    TBREvaluator ev;
    ev.UseDataSetList(&data.list);
    ev.CompileExpression("SUM(X) + COUNT");
    ev.ResetAggregates();
    EvalValue v;
    ev.AccumulateAggregates();
    ev.AccumulateAggregates();
    ev.EvaluateCompiled(v);
    ev.EvaluateCompiled(v);  // reading changes nothing
    EXPECT_EQ(describe(v), "INTEGER 12");
    ev.ResetAggregates();
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 0");
    ev.AccumulateAggregates();
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 6");
}

TEST(Aggregates, EveryOperandIsEvaluatedSoEveryAggregateCounts) {
    // no short cut: IF and the operators evaluate all their operands
    EXPECT_EQ(aggregate("IF(TRUE, 0, COUNT) + 0 * SUM(X)", ftInteger, {"1", "2"}), "INTEGER 0");
    EXPECT_EQ(aggregate("IF(FALSE, 0, COUNT)", ftInteger, {"1", "2"}), "INTEGER 2");
}

}  // namespace
