// Environments: entries as variables, constants changed in place, recursion,
// preparation counts, the application environment and the stored form.
#include <gtest/gtest.h>

#include <functional>

#include "platform/core/ClassBuilder.h"
#include "platform/core/DateUtils.h"
#include "platform/core/FormResource.h"
#include "platform/data/MemoryDataSet.h"
#include "report/expr/tests/ExprTestSupport.h"

using expr_test::describe;
using expr_test::eval;

namespace {

// A report's environment with its three defaults, prepared while it lives.
class ReportEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        env_.DefineEntry("PAGENUMBER", "0");
        env_.DefineEntry("COLUMNNUMBER", "0");
        env_.DefineEntry("REPORTTITLE", "''");
    }

    std::string value_of(const std::string& text) { return eval(text, nullptr, &env_); }

    TBREvEnvironment env_;
};

TEST_F(ReportEnvironment, EntriesAreUpperCasedAndFoundInAnyCase) {
    env_.DefineEntry("pagenumber", "42");
    ASSERT_EQ(env_.Count(), 3);
    EXPECT_EQ(env_.Entry(env_.IndexOf("PAGENUMBER"))->ExpressionText(), "0");
    env_.DefineEntry("Tax", "0.25");
    EXPECT_EQ(env_.Strings(3), "TAX");
    env_.PrepareEntries();
    EXPECT_EQ(value_of("PageNumber + 1"), "INTEGER 1");
    EXPECT_EQ(value_of("tax * 4"), "FLOAT 1");
    EXPECT_EQ(value_of("[Tax]"), "FLOAT 0.25");
    EXPECT_EQ(value_of("NOPE"), "ERROR Unknown function : NOPE");
    env_.UnprepareEntries();
}

TEST_F(ReportEnvironment, StoredConstantsReachCompiledExpressionsWithoutRecompiling) {
    env_.PrepareEntries();
    TBREvaluator ev;
    ev.NameEnvironment = &env_;
    ev.CompileExpression("'Page ' + STR(PAGENUMBER) + ' of ' + REPORTTITLE");
    TBREvEnvironment::StoreIntegerConstant(env_.FirstCompiledElement("PAGENUMBER"), 5);
    TBREvEnvironment::StoreStringConstant(env_.FirstCompiledElement("reporttitle"), "Sales");
    EvalValue v;
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "STRING Page 5 of Sales");
    TBREvEnvironment::StoreConstant(env_.FirstCompiledElement("PAGENUMBER"), EvalValue::Integer(6));
    TBREvEnvironment::StoreConstant(env_.FirstCompiledElement("REPORTTITLE"), EvalValue::Integer(1));  // not a string
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "STRING Page 6 of Sales");
    // the Store operations ignore other elements, nil included
    TBREvEnvironment::StoreIntegerConstant(env_.FirstCompiledElement("REPORTTITLE"), 9);
    TBREvEnvironment::StoreIntegerConstant(nullptr, 9);
    TBREvEnvironment::StoreStringConstant(nullptr, "x");
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "STRING Page 6 of Sales");
    ev.ReleaseCompiled();
    env_.UnprepareEntries();
}

// Names are found as the list compares them after every kind of change of
// the list: the answer always equals a walk over the lines.
TEST(Environment, LookupsFollowEveryChangeOfTheList) {
    TBREvEnvironment env;
    auto walk = [&env](const std::string& name) {
        for (int i = 0; i < env.Count(); ++i)
            if ((env.CaseSensitive() ? AnsiCompareStr(env.Strings(i), name) : AnsiCompareText(env.Strings(i), name)) == 0)
                return i;
        return -1;
    };
    const std::vector<std::string> names = {"A", "B", "C", "a", "ÉTÉ", "été", "X", "Y", "Z", "ZZ"};
    const struct {
        const char* change;
        std::function<void()> apply;
    } steps[] = {
        {"defined", [&] { for (const char* n : {"A", "B", "C", "ÉTÉ"}) env.DefineEntry(n, "1"); }},
        {"appended twice", [&] { env.AddObject("B", nullptr); env.AddObject("X", nullptr); }},
        {"renamed", [&] { env.Put(0, "Y"); }},
        {"inserted", [&] { env.InsertObject(0, "Z", nullptr); }},
        {"deleted", [&] { env.Delete(2); }},
        {"sorted", [&] { env.Sort(); }},
        {"case sensitive", [&] { env.SetCaseSensitive(true); }},
        {"lower-case name added", [&] { env.AddObject("a", nullptr); }},
        {"case insensitive", [&] { env.SetCaseSensitive(false); }},
        {"in an update", [&] {
             env.BeginUpdate();
             env.Put(1, "ZZ");
             env.EndUpdate();
         }},
        {"kept sorted", [&] { env.SetSorted(true); }},
        {"unsorted", [&] { env.SetSorted(false); env.AddObject("été", nullptr); }},
        {"cleared", [&] { env.Clear(); }},
    };
    for (const auto& step : steps) {
        step.apply();
        for (const std::string& n : names) EXPECT_EQ(env.IndexOf(n), walk(n)) << step.change << ": " << n;
    }
}

TEST(Environment, AConstantRedefinedAsAnExpressionIsNotChangedInPlace) {
    TBREvEnvironment env;
    env.DefineEntry("PAGENUMBER", "0 + 0");
    env.PrepareEntries();
    TBREvEnvironment::StoreIntegerConstant(env.FirstCompiledElement("PAGENUMBER"), 5);
    EXPECT_EQ(eval("PAGENUMBER", nullptr, &env), "INTEGER 0");
    env.UnprepareEntries();
}

TEST(Environment, RecursionGivesAnErrorWhereTheCycleCloses) {
    TBREvEnvironment env;
    env.DefineEntry("X", "X + 1");
    env.DefineEntry("A", "B");
    env.DefineEntry("B", "A");
    env.DefineEntry("C", "1");
    env.DefineEntry("D", "C + C");  // used twice, but not recursively
    env.PrepareEntries();
    EXPECT_EQ(eval("X", nullptr, &env), "ERROR Recursive calls not allowed");
    EXPECT_EQ(eval("A", nullptr, &env), "ERROR Recursive calls not allowed");
    EXPECT_EQ(eval("D + D", nullptr, &env), "INTEGER 4");
    env.UnprepareEntries();
}

TEST(Environment, TheRecursionGuardIsReleasedWhenAnEvaluationRaises) {
    expr_test::OneField data("T", "Qty", ftInteger, {"3"});
    TMemoryDataSet& ds = data.ds;
    TBREvEnvironment env;
    env.UseDataSetList(&data.list);
    env.DefineEntry("DOUBLE", "Qty * 2");
    env.PrepareEntries();
    TBREvaluator ev;
    ev.NameEnvironment = &env;
    ev.CompileExpression("DOUBLE");
    EvalValue v;
    ds.Close();
    EXPECT_THROW(ev.EvaluateCompiled(v), EDatabaseError);
    ds.Open();
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 6");
    ev.ReleaseCompiled();
    env.UnprepareEntries();
}

TEST(Environment, AnEntryRemovedOrReplacedWhileCompiledIsNeverReachedAgain) {
    TBREvEnvironment env;
    env.DefineEntry("RATE", "3");
    env.PrepareEntries();
    TBREvaluator ev;
    ev.NameEnvironment = &env;
    ev.CompileExpression("RATE * 2");
    EvalValue v;
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 6");
    env.RemoveEntry("rate");
    EXPECT_EQ(env.Count(), 0);
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "ERROR Unknown function : RATE");

    env.DefineEntry("RATE", "4");
    ev.CompileExpression("RATE * 2");
    env.Data()->Clear();
    env.Data()->Add("5");  // a stored form read again replaces the entry
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "ERROR Unknown function : RATE");
    ev.CompileExpression("RATE * 2");
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "INTEGER 10");

    {
        auto doomed = std::make_unique<TBREvEnvironment>();
        doomed->DefineEntry("GONE", "1");
        ev.NameEnvironment = doomed.get();
        ev.CompileExpression("GONE");
        ev.NameEnvironment = nullptr;
    }
    ev.EvaluateCompiled(v);
    EXPECT_EQ(describe(v), "ERROR Unknown function : GONE");
    env.UnprepareEntries();
}

TEST(Environment, EntryValueAndFirstCompiledElementOfAbsentNames) {
    TBREvEnvironment env;
    env.DefineEntry("ONE", "1");
    EvalValue v;
    env.EntryValue("NOPE", v);
    EXPECT_EQ(v.Kind, vkError);
    EXPECT_EQ(env.FirstCompiledElement("NOPE"), nullptr);
    EXPECT_EQ(env.FirstCompiledElement("ONE"), nullptr);  // not compiled yet
    env.PrepareEntries();
    env.EntryValue("one", v);
    EXPECT_EQ(describe(v), "INTEGER 1");
    EXPECT_NE(dynamic_cast<TBREvElementConstant*>(env.FirstCompiledElement("ONE")), nullptr);
    env.UnprepareEntries();
}

TEST(Environment, PreparationIsCounted) {
    TBREvEnvironment env;
    env.DefineEntry("ONE", "1");
    env.PrepareEntries();
    env.PrepareEntries();
    env.UnprepareEntries();
    EXPECT_TRUE(env.IsPrepared());
    EXPECT_NE(env.FirstCompiledElement("ONE"), nullptr);
    env.DefineEntry("TWO", "2");  // compiled at once while prepared
    EXPECT_NE(env.FirstCompiledElement("TWO"), nullptr);
    env.UnprepareEntries();
    EXPECT_FALSE(env.IsPrepared());
    EXPECT_EQ(env.FirstCompiledElement("ONE"), nullptr);
    env.UnprepareEntries();  // once too often: stays unprepared
    EXPECT_EQ(env.PreparationCount(), 0);
}

TEST(Environment, EntriesSeeTheEnvironmentsDataSets) {
    expr_test::OneField data("Orders", "Amount", ftFloat, {"2.5"});
    TBREvEnvironment env;
    env.UseDataSetList(&data.list);
    env.DefineEntry("GROSS", "[Orders.Amount] * 2");
    env.PrepareEntries();
    EXPECT_EQ(eval("GROSS + 1", nullptr, &env), "FLOAT 6");
    env.UnprepareEntries();
}

TEST(Environment, NamesMissingFromTheReportComeFromTheApplicationEnvironment) {
    TBREvEnvironment env;
    env.DefineEntry("PAGENUMBER", "0");
    env.PrepareEntries();
    EXPECT_EQ(eval("TYPEOF(AppName)", nullptr, &env), "STRING STRING");
    EXPECT_EQ(eval("TYPEOF(AppStartDate)"), "STRING STRING");
    env.UnprepareEntries();
}

TEST(ApplicationEnvironment, TakesTheClockAndTheTitleAtStartUp) {
    expr_test::InvariantLocale restore;
    report::DoneExpressionLibrary();
    {
        core::ScopedService clock(core::clock_slot, [] { return EncodeDateTime(2023, 7, 1, 8, 30, 0, 0); });
        report::set_application_title("Copia");
        report::ReportFormatSettings().ShortDateFormat = "yyyy-mm-dd";
        report::ReportFormatSettings().DateSeparator = '-';
        InitExpressionLibrary();
    }
    EXPECT_EQ(eval("AppName"), "STRING Copia");
    EXPECT_EQ(eval("AppStartDate"), "STRING 2023-07-01");
    EXPECT_EQ(eval("AppStartTime"), "STRING 08:30:00");
    TBREvEnvironment& app = ApplicationEnvironment();
    EXPECT_EQ(app.Count(), 3);
    EXPECT_EQ(app.Strings(0), "APPSTARTTIME");
    EXPECT_EQ(app.Entry(2)->ExpressionText(), "'Copia'");
    // the application environment's own entries stay compiled once used
    EXPECT_TRUE(app.IsPrepared());
    report::DoneExpressionLibrary();
    report::set_application_title("report_expr_tests");
}

// ------------------------------------------------------------ stored form

class TTestReport : public TComponent {
public:
    explicit TTestReport(TComponent* owner) : TComponent(owner) {
        functions_.DefineEntry("PAGENUMBER", "0");
        functions_.DefineEntry("COLUMNNUMBER", "0");
        functions_.DefineEntry("REPORTTITLE", "''");
    }
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TTestReport, TComponent>("TTestReport")
                                           .Object("Functions", &TTestReport::Functions)
                                           .Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    TBREvEnvironment* Functions() { return &functions_; }

private:
    TBREvEnvironment functions_;
};

std::unique_ptr<TTestReport> read_report(const std::string& json) {
    RegisterClass(TTestReport::StaticClass());
    return std::unique_ptr<TTestReport>(static_cast<TTestReport*>(core::read_component(json, nullptr)));
}

TEST(StoredEnvironment, ALoadedReportHasExactlyTheStoredEntries) {
    auto report = read_report(R"js({"class": "TTestReport", "name": "Report1", "properties": {"Functions": {
        "Strings": ["PAGENUMBER", "TOTAL", "LABEL"],
        "DATA": ["0", "PAGENUMBER * 10", "'Total: ' + STR(TOTAL)"]}}})js");
    TBREvEnvironment& env = *report->Functions();
    ASSERT_EQ(env.Count(), 3);
    EXPECT_EQ(env.Strings(1), "TOTAL");
    EXPECT_EQ(env.IndexOf("COLUMNNUMBER"), -1);
    EXPECT_EQ(env.Entry(1)->ExpressionText(), "PAGENUMBER * 10");
    env.PrepareEntries();
    TBREvEnvironment::StoreIntegerConstant(env.FirstCompiledElement("PAGENUMBER"), 3);
    EXPECT_EQ(eval("LABEL", nullptr, &env), "STRING Total: 30");
    env.UnprepareEntries();

    std::string written = core::write_component(*report);
    EXPECT_NE(written.find(R"js("Strings": [
        "PAGENUMBER",
        "TOTAL",
        "LABEL"
      ],
      "DATA": [
        "0",
        "PAGENUMBER * 10",
        "'Total: ' + STR(TOTAL)"
      ])js"),
              std::string::npos)
        << written;
    auto again = read_report(written);
    EXPECT_EQ(again->Functions()->Count(), 3);
    EXPECT_EQ(again->Functions()->Entry(2)->ExpressionText(), "'Total: ' + STR(TOTAL)");
}

// The names and the texts load the same entries whichever comes first.
TEST(StoredEnvironment, TheOrderOfNamesAndTextsDoesNotMatter) {
    const char* const layouts[] = {
        R"js({"class": "TTestReport", "properties": {"Functions": {
            "Strings": ["A", "B", "C", "D", "E"], "DATA": ["1", "A + 1", "B * 2", "'x'", ""]}}})js",
        R"js({"class": "TTestReport", "properties": {"Functions": {
            "DATA": ["1", "A + 1", "B * 2", "'x'", ""], "Strings": ["A", "B", "C", "D", "E"]}}})js",
    };
    for (const char* layout : layouts) {
        SCOPED_TRACE(layout);
        auto report = read_report(layout);
        TBREvEnvironment& env = *report->Functions();
        ASSERT_EQ(env.Count(), 5);
        const char* const texts[] = {"1", "A + 1", "B * 2", "'x'", ""};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(env.Entry(i)->ExpressionText(), texts[i]);
        env.PrepareEntries();
        EXPECT_EQ(eval("C", nullptr, &env), "INTEGER 4");
        env.UnprepareEntries();
    }
}

// An emptied environment is written as two empty lists and reloads empty,
// not with the entries a new report starts with.
TEST(StoredEnvironment, AnEmptiedEnvironmentReloadsWithNoEntries) {
    TTestReport report(nullptr);
    report.SetName("Report1");
    report.Functions()->Clear();
    const std::string written = core::write_component(report);
    EXPECT_NE(written.find(R"js("Strings": [],)js"), std::string::npos) << written;
    EXPECT_NE(written.find(R"js("DATA": [])js"), std::string::npos) << written;
    auto again = read_report(written);
    EXPECT_EQ(again->Functions()->Count(), 0);
    EXPECT_EQ(core::write_component(*again), written);
}

TEST(StoredEnvironment, AShortDataListLeavesTheMissingEntriesEmpty) {
    auto report = read_report(R"js({"class": "TTestReport", "properties": {"Functions": {
        "Strings": ["A", "B", "C"], "DATA": ["1"]}}})js");
    TBREvEnvironment& env = *report->Functions();
    ASSERT_EQ(env.Count(), 3);
    EXPECT_EQ(env.Entry(0)->ExpressionText(), "1");
    EXPECT_EQ(env.Entry(1)->ExpressionText(), "");
    EXPECT_EQ(env.Entry(2)->ExpressionText(), "");
    env.PrepareEntries();
    EXPECT_EQ(eval("C + A", nullptr, &env), "STRING  1");
    env.UnprepareEntries();

    auto no_data = read_report(R"js({"class": "TTestReport", "properties": {"Functions": {"Strings": ["X"]}}})js");
    ASSERT_EQ(no_data->Functions()->Count(), 1);
    EXPECT_EQ(no_data->Functions()->Entry(0)->ExpressionText(), "");
}

TEST(StoredEnvironment, ALongerDataListIsRefusedWithAClearError) {
    try {
        read_report(R"js({"class": "TTestReport", "properties": {"Functions": {
            "Strings": ["A"], "DATA": ["1", "2"]}}})js");
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading TTestReport.Functions.DATA: List index out of bounds (1)");
    }
}

}  // namespace
