// The grammar, coercions, error values and field reading of report expressions.
#include <gtest/gtest.h>

#include <random>

#include "platform/data/MemoryDataSet.h"
#include "report/expr/tests/ExprTestSupport.h"

using expr_test::describe;
using expr_test::eval;

namespace {

struct Case {
    const char* expression;
    std::string expected;  // "KIND value"
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.expression; }

// Two datasets, Orders then Customer, both with a field Name.
class WithDataSets : public ::testing::Test {
protected:
    void SetUp() override {
        orders_.SetName("Orders");
        orders_.AddField("Name", ftString, 40);
        orders_.AddField("Amount", ftFloat);
        orders_.AddField("Qty", ftInteger);
        orders_.AddField("DATE", ftDate);
        orders_.AddField("O'Brien", ftString, 10);
        orders_.AddField("O'Neil", ftInteger);
        orders_.AddField("Credit-limit", ftInteger);
        orders_.AddField("Credit", ftInteger);
        orders_.AddField("limit", ftInteger);
        orders_.AddField("ES", ftBoolean);
        orders_.AddField("NOTES", ftString, 20);
        orders_.AddField("NotaFiscal", ftInteger);
        orders_.AddField("_code", ftString, 5);
        orders_.AddField("Memo", ftMemo);
        orders_.AddField("Big", ftLargeint);
        orders_.AddField("Small", ftLargeint);
        orders_.AddField("Photo", ftBlob);
        orders_.AddField("Paid", ftBCD);
        orders_.AddField("Ótimo", ftInteger);
        orders_.AddField("Stamp", ftDateTime);
        orders_.AddField("At", ftTime);
        orders_.AddField("Odd", ftDate);
        orders_.AppendRecord({"Widget", "12.5", "3", "2024-02-29", "x", "5", "3", "100", "1", "1", "see back",
                              "4711", "K1", std::string(300, 'm'), "9000000000", "-7", std::string("\x01", 1),
                              "10.25", "8", "2024-03-01 14:30:05.000", "07:05:00", "someday"});
        orders_.AppendRecord({std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt, std::nullopt});
        orders_.Open();
        customer_.SetName("Customer");
        customer_.AddField("Name", ftString, 40);
        customer_.AppendRecord({"ACME"});
        customer_.Open();
        list_.Add(&orders_);
        list_.Add(&customer_);
    }

    expr_test::InvariantLocale locale_;
    TMemoryDataSet orders_{nullptr};
    TMemoryDataSet customer_{nullptr};
    TList list_;
};

const Case kGrammar[] = {
    {"2 * 3 + 4", "INTEGER 10"},
    {"7 / 2", "FLOAT 3.5"},
    {"4 / 2", "FLOAT 2"},
    {"7 - 2 - 1", "INTEGER 4"},
    {"1 - 2 + 3", "INTEGER 2"},
    {"12 / 2 / 3", "FLOAT 2"},
    {"10 / 2 * 5", "FLOAT 25"},
    {"1 = 1", "BOOLEAN True"},
    {"1 <> 1", "BOOLEAN False"},
    {"2 >= 3", "BOOLEAN False"},
    {"2 <= 2.5", "BOOLEAN True"},
    {"'abc' < 'abd'", "BOOLEAN True"},
    {"'a' = 'A'", "BOOLEAN False"},
    {"'ab' < 'abc'", "BOOLEAN True"},
    {"'ab' = 'ab '", "BOOLEAN False"},
    {"'A' + 1", "STRING A1"},
    {"1 + 2.5", "FLOAT 3.5"},
    {"True = 1", "BOOLEAN False"},
    {"2147483648", "FLOAT 2147483648"},
    {"2 * -3", "ERROR Error in expression :  "},
    {"2 * (-3)", "INTEGER -6"},
    {"-2 * 3", "INTEGER -6"},
    {"+4", "INTEGER 4"},
    {"1e5", "FLOAT 100000"},
    {"1.5E2", "FLOAT 150"},
    {"1e-5", "ERROR Illegal character in numeric contant \"1e\""},
    {"12abc", "ERROR Illegal character in numeric contant \"12abc\""},
    {"1.2.3", "ERROR Illegal character in numeric contant \"1.2.3\""},
    {"'abc", "ERROR Missing '"},
    {"'", "ERROR Missing '"},
    {"(1 + 2", "ERROR Missing )"},
    {"[Name", "ERROR Missing ]"},
    {"1 = 1 = 1", "ERROR Illegal character in numeric contant \"1 = 1\""},
    {"1 < 2 or 2 < 1", "ERROR Illegal character in numeric contant \"2 < 1\""},
    {"(1 < 2) or (2 < 1)", "BOOLEAN True"},
    {"(1 < 2) and (2 < 1)", "BOOLEAN False"},
    {"not (1 = 2)", "BOOLEAN True"},
    {"NOT(1 = 1)", "BOOLEAN False"},
    {"not 5", "ERROR Invalid use of NOT"},
    {"not", "ERROR Invalid use of NOT"},
    {"TRUE or FALSE", "BOOLEAN True"},
    {"3 or 4", "INTEGER 7"},
    {"6 and 3", "INTEGER 2"},
    {"1.5 or 2", "ERROR Operator OR is not compatible with numeric expressions"},
    {"1.5 and 2", "ERROR Operator AND is not compatible with numeric expressions"},
    {"'a' or 'b'", "ERROR Operator OR is not compatible with string expressions"},
    {"TRUE < FALSE", "ERROR Operator < is not compatible with boolean expressions"},
    {"TRUE + FALSE", "ERROR Cannot add boolean expressions"},
    {"'a' - 'b'", "ERROR Cannot subtract string expressions"},
    {"'a' * 'b'", "ERROR Cannot multiply string expressions"},
    {"'a' / 'b'", "ERROR Cannot divide string expressions"},
    {"TRUE / TRUE", "ERROR Cannot divide boolean expressions"},
    {"1 / 0", "ERROR Cannot divide by 0"},
    {"1.5 / 0.0", "ERROR Cannot divide by 0"},
    {"()", "ERROR Error in expression : "},
    {"( )", "ERROR Error in expression :  "},
    {"", "STRING  "},
    {"   ", "ERROR Error in expression :  "},
    {"FOO(1)", "ERROR Unknown function : FOO"},
    {"foo(1, 2)", "ERROR Unknown function : FOO"},
    {"FOO", "ERROR Unknown function : FOO"},
    {"FOO(1", "ERROR Unknown function : "},
    {".5", "ERROR Error in expression : .5"},
    {"#1", "ERROR Error in expression : #1"},
    {"'it''s'", "STRING it''s"},
    {"'a' + (1 + 2)", "STRING a3"},
    {"1 + 'x' = '1x'", "BOOLEAN True"},
    // errors travel through operators, the left one first
    {"FOO + BAR", "ERROR Unknown function : FOO"},
    {"1 + BAR", "ERROR Unknown function : BAR"},
    // integers never wrap: results beyond 32 bits are floats
    {"2147483647 + 1", "FLOAT 2147483648"},
    {"-2147483647 - 2", "FLOAT -2147483649"},
    {"65536 * 65536", "FLOAT 4294967296"},
    // floats that overflow are error values
    {"1e308 * 10", "ERROR Floating point overflow"},
    {"0 - 1e308 - 1e308", "ERROR Floating point overflow"},
    {"1e400", "ERROR Illegal character in numeric contant \"1e400\""},
    // text is not cut at 255 characters
    {"COPY('x' + '0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
     "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
     "01234567890123456789012345678901234567890123456789012345678901234567890123456789', 280, 2)",
     "STRING 89"},
};

class Grammar : public ::testing::TestWithParam<Case> {
    expr_test::InvariantLocale locale_;
};

TEST_P(Grammar, EvaluatesToItsValueOrError) { EXPECT_EQ(eval(GetParam().expression), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Expressions, Grammar, ::testing::ValuesIn(kGrammar));

const Case kFields[] = {
    {"Name", "STRING Widget"},
    {"name + '!'", "STRING Widget!"},
    {"Customer.Name", "STRING ACME"},
    {"[Customer.Name]", "STRING ACME"},
    {"[customer.name]", "STRING ACME"},
    {"[Orders.Name]", "STRING Widget"},
    {"[Nobody.Name]", "ERROR Unknown function : Nobody.Name"},
    {"Amount * 2", "FLOAT 25"},
    {"Qty + 1", "INTEGER 4"},
    // dates and times as the report locale writes them
    {"[DATE]", "STRING 29/02/2024"},
    {"Stamp", "STRING 01/03/2024 14:30:05"},
    {"At", "STRING 07:05:00"},
    {"Odd", "STRING someday"},
    {"TYPEOF(DATE)", "STRING STRING"},
    {"ES", "BOOLEAN True"},
    {"not ES", "BOOLEAN False"},
    {"Paid", "FLOAT 10.25"},
    {"Big", "FLOAT 9000000000"},
    {"Small", "INTEGER -7"},
    {"Photo", "ERROR Field Photo is of unknown type"},
    {"_code", "ERROR Error in expression : _code"},
    {"[_code]", "STRING K1"},
    {"Ótimo", "ERROR Error in expression : Ótimo"},
    {"[Ótimo] * 2", "INTEGER 16"},
    {"[O'Brien]", "STRING x"},
    // a field named like a built-in function is reached with brackets only
    {"[Credit] - [limit]", "INTEGER 99"},
    // brackets hide signs and quotes from the sign swap and the argument splitter
    {"10 - [Credit-limit]", "INTEGER 7"},
    {"1 - [O'Neil] + 2", "INTEGER -2"},
    {"IF([O'Brien] = 'x', 1, 2)", "INTEGER 1"},
    {"IF([O'Brien] = 'y', 'a,b', [O'Brien])", "STRING x"},
    // "not" is a word of its own
    {"NOTES", "STRING see back"},
    {"NotaFiscal + 1", "INTEGER 4712"},
    // a long memo is not cut
    {"COPY(Memo, 290, 100) + '|'", "STRING mmmmmmmmmmm|"},
};

class Fields : public WithDataSets, public ::testing::WithParamInterface<Case> {};

TEST_P(Fields, ResolveAgainstTheDataSetsInOrder) {
    EXPECT_EQ(eval(GetParam().expression, &list_), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Expressions, Fields, ::testing::ValuesIn(kFields));

TEST_F(WithDataSets, NullValuesReadAsEmptyZeroAndFalse) {
    orders_.Next();
    EXPECT_EQ(eval("Name", &list_), "STRING ");
    EXPECT_EQ(eval("Qty", &list_), "INTEGER 0");
    EXPECT_EQ(eval("Amount", &list_), "FLOAT 0");
    EXPECT_EQ(eval("ES", &list_), "BOOLEAN False");
    EXPECT_EQ(eval("Big", &list_), "INTEGER 0");
    EXPECT_EQ(eval("[DATE]", &list_), "STRING ");
}

TEST_F(WithDataSets, CompiledFieldsFollowTheCurrentRecordAndAReopenedDataSet) {
    TBREvaluator ev;
    ev.UseDataSetList(&list_);
    ev.CompileExpression("Qty * 2");
    EvalValue v;
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 6");
    orders_.Next();
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 0");
    orders_.Close();
    EXPECT_THROW(ev.EvaluateCompiled(v), EDatabaseError);  // the dataset's own error passes through
    orders_.Open();
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 6");
}

TEST(Evaluator, RaisesOnlyWhenNotCompiled) {
    TBREvaluator ev;
    EvalValue v;
    try {
        ev.EvaluateCompiled(v);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Evaluator not prepared");
    }
    ev.CompileExpression("1");
    ev.ReleaseCompiled();
    EXPECT_THROW(ev.EvaluateCompiled(v), Exception);
}

TEST(Evaluator, FormatEvalResultRefusesAnErrorValue) {
    try {
        FormatEvalResult(EvalValue::Error("boom"));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Error in expression : boom");
    }
    EXPECT_EQ(FormatEvalResult(EvalValue::Boolean(true)), "True");
}

TEST(Evaluator, CompilesIntoPrefixOrder) {
    TBREvaluator ev;
    ev.CompileExpression("2 * 3 + 4");
    auto op = [&](int i) { return dynamic_cast<TBREvElementOperator*>(ev.CompiledElementAt(i)); };
    auto constant = [&](int i) { return dynamic_cast<TBREvElementConstant*>(ev.CompiledElementAt(i)); };
    ASSERT_TRUE(op(0) && op(1) && constant(2) && constant(3) && constant(4));
    EXPECT_EQ(op(0)->Operator, eoAdd);
    EXPECT_EQ(op(1)->Operator, eoMultiply);
    EXPECT_EQ(constant(2)->Value.IntValue, 2);
    EXPECT_EQ(constant(4)->Value.IntValue, 4);
    EXPECT_EQ(ev.CompiledElementAt(5), nullptr);
}

TEST(Evaluator, TellsWhetherAnExpressionHoldsAggregates) {
    TBREvaluator ev;
    ev.CompileExpression("1 + COUNT");
    EXPECT_TRUE(ev.HasAggregates());
    ev.CompileExpression("IF(TRUE, 1, 2)");
    EXPECT_FALSE(ev.HasAggregates());
}

TEST(Evaluator, ReadsNumbersWithTheReportLocalesDecimalSeparator) {
    expr_test::InvariantLocale restore;
    report::ReportFormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(eval("1.5 + 1"), "FLOAT 2,5");
    EXPECT_EQ(eval("STR(0.25)"), "STRING 0,25");
    EXPECT_EQ(eval("FORMATNUMERIC('0.00', 3)"), "STRING 3,00");
}

TEST(Evaluator, SurvivesHostileText) {
    // deep nesting, stray closers and lone operators compile to values or errors
    std::string deep(500, '(');
    deep += "1";
    deep += std::string(500, ')');
    EXPECT_EQ(eval(deep), "INTEGER 1");
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i) chain += "+1";
    EXPECT_EQ(eval(chain).substr(0, 25), "ERROR Error in expression");
    std::string nested;
    for (int i = 0; i < 5000; ++i) nested += "IF(TRUE, ";
    nested += "1";
    for (int i = 0; i < 5000; ++i) nested += ", 2)";
    EXPECT_EQ(eval(nested).substr(0, 5), "ERROR");
    std::string shallow;
    for (int i = 0; i < 100; ++i) shallow += "IF(TRUE, ";
    shallow += "1";
    for (int i = 0; i < 100; ++i) shallow += ", 2)";
    EXPECT_EQ(eval(shallow), "INTEGER 1");
    for (const char* text : {")", "))((", "]", "[", "[]", "'", "''", "+", "-", "*", "/", "=", "<>", " or ", " and ",
                             "not not", "IF(", "IF()", "IF(,,)", ",", "1,2", "(((", "[a'b", "'[a'", "--1",
                             "1 - - - 1", "0-", "COPY('a', 1,", "\x80\xff", "1e", "E5"}) {
        EvalValue v;
        TBREvaluator ev;
        EXPECT_NO_THROW(ev.EvaluateOnce(text, v)) << text;
    }
    EXPECT_EQ(eval("--1"), "ERROR Illegal character in numeric contant \"0-\"");
}

TEST_F(WithDataSets, RandomTextAlwaysCompilesToAValueOrAnError) {
    // pieces of the grammar thrown together: nothing may crash, hang or raise
    const char* const pieces[] = {"(", ")", "[", "]", "'", "+", "-", "*", "/", "<", ">", "=", " ", ",", ".",
                                  "0", "7", "e", "1e", " or ", " and ", "not ", "IF(", "SUM(", "COUNT", "COPY(",
                                  "Name", "[O'Brien]", "Qty", "DIV(", "FORMATNUMERIC('", "#,##0.00", "TRUE",
                                  "2147483647", "PAGENUMBER", "X", "\xc3\xa9"};
    TBREvEnvironment env;
    env.UseDataSetList(&list_);
    env.DefineEntry("PAGENUMBER", "0");
    env.DefineEntry("X", "X * PAGENUMBER");
    env.PrepareEntries();
    std::mt19937 rng(20240229);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 24);
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (int k = length(rng); k > 0; --k) text += pieces[piece(rng)];
        TBREvaluator ev;
        ev.UseDataSetList(&list_);
        ev.NameEnvironment = &env;
        EvalValue v;
        ASSERT_NO_THROW({
            ev.CompileExpression(text);
            ev.ResetAggregates();
            ev.AccumulateAggregates();
            ev.EvaluateCompiled(v);
        }) << text;
        if (v.Kind != vkError) {
            EXPECT_NO_THROW(FormatEvalResult(v)) << text;
        }
    }
    env.UnprepareEntries();
}

}  // namespace
