// report-tool builder and edit from outside, over a layout and a SQLite
// file made by make_sales_db.py; the edited layout run with report-tool run
// and read back with pdftotext; sqlite3 as the oracle of the field values.

#include "report/ui/tool/BuilderTool.h"

#include "platform/core/FormResource.h"
#include "platform/data/ADODB.h"
#include "report/bands/BandRpt.h"
#include "report/controls/BRExprControl.h"
#include "report/ui/BRLabelEditor.h"
#include "report/engine/ReportRun.h"
#include "report/ui/tests/BuilderUnits.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <functional>

using namespace test_support;
using builder_tests::later;

namespace {

std::string tool() { return shell_quote(tool_path("report-tool")); }

// The report of the tests: a title band with the expression control Total
// ("'Before'"), over "select id, name, amount from sales order by id".
void write_layout(const std::string& file) {
    TBandReport report(nullptr);
    report.SetName("SalesReport");
    TBRCustomBand* title = report.CreateStandardBand(rbTitle);
    title->Size()->SetCurrentUnit(TBRUnit::MM);
    title->Size()->SetHeight(20);
    auto* total = new TBRExpr(&report);
    total->SetName("Total");
    total->SetParent(title);
    total->AutoSize = false;
    total->Size()->SetCurrentUnit(TBRUnit::MM);
    total->Size()->SetWidth(60);
    total->SetExpression("'Before'");
    auto* query = new TADOQuery(&report);
    query->SetName("Sales");
    query->SQL()->Add("select id, name, amount from sales order by id");
    report.SetDataSet(query);
    core::write_component_file(report, file);
}

std::string pdf_text(const std::string& pdf) { return capture("pdftotext -layout " + shell_quote(pdf) + " -"); }

class BuilderTool : public ::testing::Test {
protected:
    void SetUp() override {
        builder_tests::start_units();
        make_db();
        write_layout(layout_);
    }
    void make_db() {
        ASSERT_EQ(run_status(python_script("report/engine/tests/make_sales_db.py") + " " + shell_quote(db_) + " 20"),
                  0);
    }
    ScratchDir dir_{"report-builder"};
    std::string db_ = dir_ / "sales.db", layout_ = dir_ / "layout.json";
};

}  // namespace

// --validate prints the validation text and exits, with or without a
// display, with status 1 when the text is an error; with a layout it
// validates against the layout's open datasets and its report variables.
TEST_F(BuilderTool, ValidatePrintsTheValidationText) {
    const std::string first_name =
        capture("sqlite3 " + shell_quote(db_) + " 'select name from sales order by id limit 1'");
    const std::string first_amount =
        capture("sqlite3 " + shell_quote(db_) + " \"select printf('%g', amount * 2) from sales order by id limit 1\"");
    const std::string with_layout = " --layout " + shell_quote(layout_) + " --db " + shell_quote(db_);
    struct Case {
        std::string args;
        std::string out;
        int status;
    };
    const Case cases[] = {
        {"", "There are no errors. The result is : 2\n", 0},
        {" --validate '1 / 0'", "ERROR: Cannot divide by 0\n", 1},
        {" --validate '1 +'", "ERROR: Illegal character in numeric contant \"1 +\"\n", 1},
        {" --validate \"''\"", "There are no errors. The result is : \n", 0},
        {with_layout + " --validate Sales.name", "There are no errors. The result is : " + first_name, 0},
        {with_layout + " --validate 'Sales.amount * 2'", "There are no errors. The result is : " + first_amount, 0},
        {with_layout + " --validate Sales.nothing", "ERROR: Unknown function : SALES.NOTHING\n", 1},
        {with_layout + " --validate 'PAGENUMBER + 1'", "There are no errors. The result is : 1\n", 0},
        {with_layout + " --validate REPORTTITLE", "There are no errors. The result is : \n", 0},
    };
    for (const Case& c : cases) {
        const std::string args = c.args.empty() ? " --validate '1 + 1'" : c.args;
        SCOPED_TRACE(args);
        const SplitResult r = run_split("env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C " + tool() + " builder" + args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
}

// Commands that would open a window fail without a display; bad
// invocations fail with the usage; a layout is never touched.
TEST_F(BuilderTool, WithoutADisplayNothingWaitsAndNothingChanges) {
    const std::string before = read_file(layout_);
    struct Case {
        std::string args;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"builder", 1, "report-tool: builder needs a display (DISPLAY or WAYLAND_DISPLAY)\n"},
        {"edit " + shell_quote(layout_) + " Total", 1,
         "report-tool: edit needs a display (DISPLAY or WAYLAND_DISPLAY)\n"},
        {"edit " + shell_quote(layout_), 2, ""},
        {"builder --validate", 2, ""},
        {"builder --layout " + shell_quote(dir_ / "missing.json") + " --validate 1", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const SplitResult r = run_split("env -u DISPLAY -u WAYLAND_DISPLAY " + tool() + " " + c.args);
        EXPECT_EQ(r.status, c.status);
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err);
        }
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(read_file(layout_), before);
}

// The edit command changes the control's expression and mask through its
// editor and saves the layout; the next run prints the new value. Cancel
// and an unknown control leave the file as it was.
TEST_F(BuilderTool, EditSavesTheLayoutTheNextRunPrints) {
    const std::string pdf = dir_ / "out.pdf";
    const auto run = [&] {
        const SplitResult r = run_split("env LC_ALL=C " + tool() + " run " + shell_quote(layout_) + " --db " +
                                        shell_quote(db_) + " --pdf " + shell_quote(pdf));
        EXPECT_EQ(r.status, 0) << r.err;
        return pdf_text(pdf);
    };
    EXPECT_NE(run().find("Before"), std::string::npos);
    const std::string before = read_file(layout_);

    // Cancel: nothing saved.
    later([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = dynamic_cast<TBRExprEditorForm*>(w); f && f->isVisible()) f->CancelBtn->click();
    });
    EXPECT_EQ(report::edit_layout_control(layout_, "Total", db_), report::EditOutcome::Cancelled);
    EXPECT_EQ(read_file(layout_), before);
    EXPECT_THROW(report::edit_layout_control(layout_, "Nobody", db_), std::exception);
    EXPECT_EQ(read_file(layout_), before);

    // OK with a new expression and mask.
    later([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = dynamic_cast<TBRExprEditorForm*>(w); f && f->isVisible()) {
                EXPECT_EQ(f->Value->text(), "'Before'");
                EXPECT_EQ(f->Width->text(), "60");
                f->Value->setText("1234.5 * 2");
                f->Mask->setEditText("#,##0.00");
                f->OKBtn->click();
            }
    });
    EXPECT_EQ(report::edit_layout_control(layout_, "Total", db_), report::EditOutcome::Saved);
    const std::string after = read_file(layout_);
    EXPECT_EQ(after.find("DatabaseName"), before.find("DatabaseName")) << "no connection saved";
    EXPECT_EQ(after.find("TADOConnection"), std::string::npos);
    const std::string printed = run();
    EXPECT_NE(printed.find("2,469.00"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("Before"), std::string::npos);
}

namespace {

// A layout written by hand, in inches: two bands 1900 wide, an expression
// control 45 inches wide (1143) and 50 high, and nothing at its default.
constexpr const char* kHandLayout = R"({
  "class": "TBandReport",
  "name": "OrdersReport",
  "properties": {
    "ReportTitle": "Orders",
    "Units": "Inches",
    "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
             "Values": ["100", "2970", "100", "2100", "100", "100", "0"]}
  },
  "children": [
    {"class": "TBRBand", "name": "TitleBand1",
     "properties": {"BandType": "rbTitle", "Size": {"Values": ["150", "1900"]}},
     "children": [
       {"class": "TBRExpr", "name": "Total",
        "properties": {"Expression": "'Before'", "AutoSize": false,
                       "Size": {"Values": ["50", "100", "10", "1143"]}}}
     ]},
    {"class": "TBRBand", "name": "DetailBand1",
     "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}}}
  ]
}
)";

// Fills the visible expression editor's fields through `act` and presses OK.
void on_editor(std::function<void(TBRExprEditorForm*)> act) {
    later([act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = dynamic_cast<TBRExprEditorForm*>(w); f && f->isVisible()) {
                act(f);
                f->OKBtn->click();
            }
    });
}

}  // namespace

// OK leaves a layout as written but for what the person changed: nothing
// changed, the file is not touched; a new expression changes that one
// property; a width typed with either decimal separator changes the width
// value only. The shown sizes are rounded to what inches tell apart.
TEST(BuilderToolEdit, OkWritesOnlyWhatWasChanged) {
    builder_tests::start_units();
    ScratchDir dir("report-edit");
    const std::string file = dir / "orders.json";
    using Json = nlohmann::ordered_json;
    const Json original = Json::parse(kHandLayout);
    struct Case {
        const char* what;
        std::function<void(TBRExprEditorForm*)> act;
        report::EditOutcome outcome;
        std::function<void(Json&)> expected;   // the original with the change made
    };
    const Case cases[] = {
        {"nothing changed",
         [](TBRExprEditorForm* f) {
             EXPECT_EQ(f->Width->text(), "4.5");
             EXPECT_EQ(f->Height->text(), "0.197");
         },
         report::EditOutcome::Unchanged, nullptr},
        {"a new expression",
         [](TBRExprEditorForm* f) { f->Value->setText("1 + 2"); },
         report::EditOutcome::Saved,
         [](Json& j) { j["children"][0]["children"][0]["properties"]["Expression"] = "1 + 2"; }},
        {"a width with a comma",
         [](TBRExprEditorForm* f) { f->Width->setText("4,6"); },
         report::EditOutcome::Saved,
         [](Json& j) { j["children"][0]["children"][0]["properties"]["Size"]["Values"][3] = "1168.4"; }},
        {"a width with a point, Transparent on",
         [](TBRExprEditorForm* f) {
             f->Width->setText("5.5");
             f->Transparent->setChecked(true);
         },
         report::EditOutcome::Saved,
         [](Json& j) {
             auto& p = j["children"][0]["children"][0]["properties"];
             p["Size"]["Values"][3] = "1397";
             p["Transparent"] = true;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(file, kHandLayout);
        on_editor(c.act);
        EXPECT_EQ(report::edit_layout_control(file, "Total", ""), c.outcome);
        if (!c.expected) {
            EXPECT_EQ(read_file(file), kHandLayout);
            continue;
        }
        Json expected = original;
        c.expected(expected);
        EXPECT_EQ(Json::parse(read_file(file)).dump(2), expected.dump(2));
    }
}

// A control stored by its pixel bounds only (no Size): a new width writes
// the control's whole Size and drops the pixel bounds, which would be read
// over it; the control keeps the place and height it is read with.
TEST(BuilderToolEdit, AControlStoredInPixelsGetsItsSize) {
    builder_tests::start_units();
    ScratchDir dir("report-edit-pixels");
    const std::string file = dir / "title.json";
    write_file(file, R"({"class": "TBandReport", "name": "R", "properties": {"Units": "MM"},
  "children": [{"class": "TBRBand", "name": "TitleBand1",
    "properties": {"BandType": "rbTitle", "Size": {"Values": ["150", "1900"]}},
    "children": [{"class": "TBRLabel", "name": "Title",
      "properties": {"Caption": "Orders", "AutoSize": false, "Left": 10, "Top": 5, "Width": 200, "Height": 20}}]}]})");
    // The place and height the control has as the layout is read.
    struct {
        int Left, Top, Height;
    } was{};
    {
        const report::Layout before = report::read_layout(file);
        auto* title = dynamic_cast<TBRCustomLabel*>(before.root->FindComponent("Title"));
        ASSERT_NE(title, nullptr);
        was = {title->Left(), title->Top(), title->Height()};
    }
    later([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = dynamic_cast<TBRLabelEditorForm*>(w); f && f->isVisible()) {
                f->Width->setText("80,5");
                f->OKBtn->click();
            }
    });
    EXPECT_EQ(report::edit_layout_control(file, "Title", ""), report::EditOutcome::Saved);
    const auto j = nlohmann::ordered_json::parse(read_file(file));
    const auto& props = j["children"][0]["children"][0]["properties"];
    for (const char* pixels : {"Left", "Top", "Width", "Height"}) EXPECT_FALSE(props.contains(pixels)) << pixels;
    ASSERT_EQ(props["Size"]["Values"].size(), 4u);
    EXPECT_EQ(props["Size"]["Values"][3], "805");
    EXPECT_EQ(props["Caption"], "Orders");
    const report::Layout after = report::read_layout(file);
    auto* title = dynamic_cast<TBRCustomLabel*>(after.root->FindComponent("Title"));
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(double(title->Size()->NativeWidth()), 805);
    EXPECT_EQ(title->Left(), was.Left);
    EXPECT_EQ(title->Top(), was.Top);
    EXPECT_EQ(title->Height(), was.Height);
}
