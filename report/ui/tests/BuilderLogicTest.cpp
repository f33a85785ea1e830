// The builder's and editors' decisions, without a window.

#include "report/ui/BRExprBuilderLogic.h"

#include "platform/core/StringList.h"
#include "platform/data/MemoryDataSet.h"
#include "report/controls/BRExprControl.h"
#include "report/controls/BRLabel.h"

#include <gtest/gtest.h>


namespace {

// A dataset named `name` with an integer field "Id", a text field
// "Credit-limit" and a text field "Last name", one record.
std::unique_ptr<TMemoryDataSet> customers(const std::string& name = "Customers") {
    auto ds = std::make_unique<TMemoryDataSet>(nullptr);
    ds->SetName(name);
    ds->AddField("Id", ftInteger);
    ds->AddField("Credit-limit", ftInteger);
    ds->AddField("Last name", ftString, 20);
    ds->AppendRecord({data::Value("7"), data::Value("1500"), data::Value("Smith")});
    ds->Open();
    return ds;
}

}  // namespace

// Each line break becomes one blank, so lines joined stay apart.
TEST(BuilderLogic, StripLineBreaksPutsABlankForEachBreak) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"1 +\r\n2", "1 + 2"},
        {"1\n2", "1 2"},
        {"a\rb", "a b"},
        {"\r\n\r\n", "  "},
        {"IF(A, 'x\ty', 2)", "IF(A, 'x\ty', 2)"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(StripLineBreaks(c.in), c.out) << c.in;
}

TEST(BuilderLogic, ValidationTexts) {
    const struct {
        const char* expression;
        const char* text;
    } cases[] = {
        {"1 + 1", "There are no errors. The result is : 2"},
        {"1 / 0", "ERROR: Cannot divide by 0"},
        {"''", "There are no errors. The result is : "},
        {"1 = 1", "There are no errors. The result is : True"},
        {"'ab' + 'c'", "There are no errors. The result is : abc"},
        {"1 +\r\n 1", "There are no errors. The result is : 2"},
        // Lines are not glued together: neither 12 nor a name TRUEAND.
        {"1\n2", "ERROR: Illegal character in numeric contant \"1 2\""},
        {"1\n+ 2", "There are no errors. The result is : 3"},
        {"TRUE\nAND FALSE", "There are no errors. The result is : False"},
        {"10\r\n* 2", "There are no errors. The result is : 20"},
        {"SUM(1)", "There are no errors. The result is : 0"},
    };
    for (const auto& c : cases) EXPECT_EQ(report::validation_text(c.expression, nullptr, nullptr), c.text) << c.expression;
}

TEST(BuilderLogic, ValidationReadsDatasetsAndEnvironments) {
    auto ds = customers();
    TStringList datasets;
    datasets.AddObject("Customers", ds.get());
    TBREvEnvironment env;
    env.DefineEntry("DOUBLE", "7 * 2");
    EXPECT_EQ(report::validation_text("Customers.Id + 1", &datasets, nullptr), "There are no errors. The result is : 8");
    EXPECT_EQ(report::validation_text("DOUBLE", &datasets, &env), "There are no errors. The result is : 14");
    EXPECT_EQ(report::validation_text("[Customers.Last name]", &datasets, nullptr),
              "There are no errors. The result is : Smith");
    EXPECT_FALSE(env.IsPrepared());
    EXPECT_FALSE(ApplicationEnvironment().IsPrepared());
    // A closed dataset raises when its field is read: shown as an error.
    ds->Close();
    const std::string closed = report::validation_text("Customers.Id", &datasets, nullptr);
    EXPECT_EQ(closed.rfind("ERROR: ", 0), 0u) << closed;
    EXPECT_FALSE(env.IsPrepared());
}

TEST(BuilderLogic, DataFieldTextBracketsOnlyWhatWouldNotCompileBare) {
    auto ds = customers();
    TList list;
    list.Add(ds.get());
    const struct {
        const char* dataset;
        const char* field;
        const char* text;
    } cases[] = {
        {"Customers", "Id", "Customers.Id"},
        {"Customers", "Credit-limit", "[Customers.Credit-limit]"},
        {"Customers", "Last name", "Customers.Last name"},
        {"", "Id", ""},
        {"Customers", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(report::data_field_text(&list, c.dataset, c.field), c.text) << c.field;
    // The inserted texts evaluate to the fields.
    TStringList named;
    named.AddObject("Customers", ds.get());
    EXPECT_EQ(report::validation_text(report::data_field_text(&list, "Customers", "Credit-limit") + " + 1", &named,
                                      nullptr),
              "There are no errors. The result is : 1501");
}

TEST(BuilderLogic, FunctionCategoriesAndSignatures) {
    EXPECT_EQ(report::function_categories(),
              (std::vector<std::string>{"All", "Date & time", "Math & trig", "Statistical", "Database", "Logical",
                                        "Information", "Other"}));
    std::vector<std::string> statistical;
    for (TBRLibraryEntry* e : report::functions_in_category(3)) statistical.push_back(e->Name);
    EXPECT_EQ(statistical, (std::vector<std::string>{"SUM", "COUNT", "MAX", "MIN", "AVERAGE"}));
    EXPECT_EQ(int(report::functions_in_category(0).size()), FunctionLibrary().Count());
    int listed = 0;
    for (int c = 1; c < 8; ++c) listed += int(report::functions_in_category(c).size());
    EXPECT_EQ(listed, FunctionLibrary().Count()) << "every function is in one category";

    const struct {
        char letter;
        int number;
        const char* caption;
    } captions[] = {
        {'B', 1, "Argument 1 - logical value"}, {'N', 2, "Argument 2 - numeric value"},
        {'S', 3, "Argument 3 - text Value"},    {'V', 2, "Argument 2 - value"},
    };
    for (const auto& c : captions) EXPECT_EQ(report::argument_caption(c.letter, c.number), c.caption);
    EXPECT_EQ(report::argument_heading(2, "IF"), "Enter 2. parameter for IF");
    EXPECT_EQ(report::function_call_text("IF", {"a", "b", "c"}), "IF(a,b,c)");

    const struct {
        const char* name;
        const char* letters;
    } signatures[] = {{"IF", "BVV"}, {"COUNT", ""}, {"TIME", ""}, {"DATE", ""}, {"TRUE", ""}, {"FALSE", ""}};
    for (const auto& s : signatures) {
        TBRLibraryEntry* entry = nullptr;
        for (TBRLibraryEntry* e : report::functions_in_category(0))
            if (e->Name == s.name) entry = e;
        ASSERT_NE(entry, nullptr) << s.name;
        EXPECT_EQ(report::argument_letters(entry->Data), s.letters) << s.name;
        const report::FunctionInfo info = report::function_info(entry);
        EXPECT_EQ(info.name + "|" + info.description, entry->Description);
    }
    EXPECT_EQ(report::function_info(nullptr).name, "");
}

TEST(BuilderLogic, VariablesComeFromTheReportThenTheApplication) {
    TBREvEnvironment env;
    env.DefineEntry("TAX", "0.15");
    env.DefineEntry("SHARED", "'report'");
    ApplicationEnvironment().DefineEntry("SHARED", "'application'");
    ApplicationEnvironment().DefineEntry("APPONLY", "42");
    const std::vector<std::string> names = report::variable_names(&env);
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(names[0], "TAX");
    EXPECT_EQ(names[1], "SHARED");
    EXPECT_EQ(report::variable_value(&env, "SHARED"), "'report'");
    EXPECT_EQ(report::variable_value(nullptr, "SHARED"), "'application'");
    EXPECT_EQ(report::variable_value(&env, "APPONLY"), "42");
    EXPECT_EQ(report::variable_value(&env, "NONE"), "");
    ApplicationEnvironment().RemoveEntry("SHARED");
    ApplicationEnvironment().RemoveEntry("APPONLY");
}

TEST(BuilderLogic, EnvironmentGridEdits) {
    TBREvEnvironment env;
    env.DefineEntry("A", "1");
    env.DefineEntry("B", "2");
    report::EnvironmentGrid grid(&env);
    ASSERT_EQ(grid.rows(), 2);
    // Names: upper-cased; empty and duplicates refused, nothing changes.
    EXPECT_EQ(grid.set_name(0, "total"), std::nullopt);
    EXPECT_EQ(grid.name(0), "TOTAL");
    EXPECT_EQ(grid.set_name(0, "Total"), std::nullopt) << "its own name again";
    EXPECT_EQ(grid.set_name(1, "  "), std::optional<std::string>("A name is needed"));
    EXPECT_EQ(grid.set_name(1, "total"), std::optional<std::string>("TOTAL is already defined"));
    EXPECT_EQ(grid.name(1), "B");
    EXPECT_EQ(report::validation_text("TOTAL + B", nullptr, &env), "There are no errors. The result is : 3");
    // Expressions: replaced, unless the environment is prepared.
    EXPECT_TRUE(grid.set_expression(1, "5"));
    EXPECT_EQ(grid.expression(1), "5");
    env.PrepareEntries();
    EXPECT_FALSE(grid.set_expression(1, "6"));
    EXPECT_EQ(grid.expression(1), "5");
    env.UnprepareEntries();
    EXPECT_EQ(report::validation_text("TOTAL + B", nullptr, &env), "There are no errors. The result is : 6");
    // New entries.
    EXPECT_EQ(grid.add_entry("net", "TOTAL * 10"), std::nullopt);
    EXPECT_EQ(grid.add_entry("", "1"), std::optional<std::string>("A name is needed"));
    EXPECT_EQ(grid.add_entry("Net", "2"), std::optional<std::string>("NET is already defined"));
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.name(2), "NET");
    EXPECT_EQ(report::validation_text("NET", nullptr, &env), "There are no errors. The result is : 10");
    grid.remove_row(0);
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_EQ(report::validation_text("NET", nullptr, &env), "ERROR: Unknown function : TOTAL");
    // Without an environment there is nothing to edit.
    report::EnvironmentGrid none(nullptr);
    EXPECT_EQ(none.rows(), 0);
    EXPECT_FALSE(none.set_expression(0, "1"));
}

TEST(BuilderLogic, EditorValuesAreCheckedBeforeAnyIsApplied) {
    TBRExpr control(nullptr);
    control.SetExpression("Customers.Id");
    control.SetMask("#,##0");
    control.Size()->SetWidth(50.5);
    control.Size()->SetHeight(12);
    report::EditorValues v = report::editor_values(control, true);
    EXPECT_EQ(v.value, "Customers.Id");
    EXPECT_EQ(v.width, "50.5");
    EXPECT_EQ(v.height, "12");
    EXPECT_EQ(v.mask, "#,##0");

    const struct {
        const char* width;
        const char* height;
        bool accepted;
    } cases[] = {
        {"50.5", "12", true}, {"60", "8.25", true}, {"abc", "12", false},
        {"50", "", false},    {"50", "1e", false},  {"-5", "12", false},
    };
    for (const auto& c : cases) {
        report::EditorValues changed = v;
        changed.value = "Customers.Id * 2";
        changed.width = c.width;
        changed.height = c.height;
        changed.mask = "0.00";
        const auto refused = report::check_editor_values(changed);
        EXPECT_EQ(!refused.has_value(), c.accepted) << c.width << " " << c.height;
        if (refused) continue;
        TBRExpr target(nullptr);
        report::apply_editor_values(target, changed, true);
        EXPECT_EQ(target.Expression(), "Customers.Id * 2");
        EXPECT_EQ(target.Mask(), "0.00");
        EXPECT_DOUBLE_EQ(double(target.Size()->Width()), std::stod(c.width));
        EXPECT_DOUBLE_EQ(double(target.Size()->Height()), std::stod(c.height));
    }
    // Unchanged values give the control back as it was.
    TBRExpr same(nullptr);
    report::apply_editor_values(same, v, true);
    EXPECT_EQ(report::editor_values(same, true).width, "50.5");
    EXPECT_EQ(same.Mask(), "#,##0");

    TBRLabel label(nullptr);
    label.SetCaption("Total");
    EXPECT_EQ(report::editor_values(label, false).value, "Total");
}

// A size field shows the size rounded to what its unit tells apart, in the
// report locale's form, and reads back either decimal separator.
TEST(BuilderLogic, SizesShowWhatTheirUnitTellsApartAndReadEitherSeparator) {
    const struct {
        long double value;
        TBRUnit unit;
        const char* shown;
    } shown[] = {
        {4.5L, TBRUnit::Inches, "4.5"},        {50 / 254.0L, TBRUnit::Inches, "0.197"},
        {45.000000000000089L, TBRUnit::Inches, "45"}, {12.34L, TBRUnit::MM, "12.3"},
        {50.04L, TBRUnit::MM, "50"},           {18.897L, TBRUnit::Pixels, "19"},
        {1899.708L, TBRUnit::Native, "1900"},  {-0.0001L, TBRUnit::MM, "0"},
    };
    for (const auto& c : shown) EXPECT_EQ(report::size_text(c.value, c.unit), c.shown) << double(c.value);

    const struct {
        const char* text;
        bool read;
        double value;
    } typed[] = {
        {"4,5", true, 4.5}, {"4.5", true, 4.5}, {" 12 ", true, 12}, {"0,197", true, 0.197},
        {"1,2.3", false, 0}, {"1.2.3", false, 0}, {"", false, 0},   {"abc", false, 0},
    };
    for (const auto& c : typed) {
        double v = -1;
        EXPECT_EQ(report::parse_size(c.text, v), c.read) << c.text;
        if (c.read) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }

    // In a locale with a decimal comma the field shows a comma and both
    // separators are accepted; a size typed differently but equal is no change.
    TFormatSettings& locale = report::ReportFormatSettings();
    const TFormatSettings saved = locale;
    locale.DecimalSeparator = ',';
    locale.ThousandSeparator = '.';
    EXPECT_EQ(report::size_text(4.5L, TBRUnit::Inches), "4,5");
    report::EditorValues v{"1", "4,5", "0,197", false, false, false, ""};
    for (const char* width : {"4.5", "4,5", "4,50", "5.5"}) {
        report::EditorValues typed_values = v;
        typed_values.width = width;
        EXPECT_FALSE(report::check_editor_values(typed_values).has_value()) << width;
        const report::EditorChanges changes = report::editor_changes(v, typed_values);
        EXPECT_EQ(changes.width, std::string(width) == "5.5") << width;
        EXPECT_FALSE(changes.height || changes.value || changes.mask || changes.transparent);
    }
    locale = saved;
}

// A control given back unchanged values keeps its exact sizes: only the
// fields named as changed are applied.
TEST(BuilderLogic, OnlyChangedFieldsAreApplied) {
    TBRExpr control(nullptr);
    control.Size()->SetCurrentUnit(TBRUnit::Inches);
    control.Size()->ReadValueList({50, 100, 10, 1143});
    const report::EditorValues shown = report::editor_values(control, true);
    EXPECT_EQ(shown.width, "4.5");
    EXPECT_EQ(shown.height, "0.197");
    report::EditorValues chosen = shown;
    chosen.value = "2";
    report::apply_editor_values(control, chosen, true, report::editor_changes(shown, chosen));
    EXPECT_EQ(control.Expression(), "2");
    EXPECT_EQ(control.Size()->WriteValueList(), (std::vector<long double>{50, 100, 10, 1143}));
}
