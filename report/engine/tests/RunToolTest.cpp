// report-tool run end to end: layouts written by the report classes, a
// SQLite database made by make_sales_db.py, PDFs checked with poppler-utils
// (pdfinfo, pdftoppm, pdftotext) and band frames found with python3-pil.

#include "report/bands/BandRpt.h"

#include "platform/core/FormResource.h"
#include "platform/data/DBTables.h"
#include "report/print/tests/IppPrinter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <sstream>
#include <thread>

using namespace test_support;

namespace {

constexpr int rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
const TColor kHeader = rgb(0, 160, 0), kTitle = rgb(0, 0, 255), kDetail = rgb(255, 0, 0),
             kFooter = rgb(255, 0, 255), kSummary = rgb(0, 200, 200);

std::string tool() { return shell_quote(tool_path("report-tool")); }

using Box = test_support::ColourBox;

void make_db(const std::string& file, int rows) {
    ASSERT_EQ(run_status(python_script("report/engine/tests/make_sales_db.py") + " " + shell_quote(file) + " " +
                         std::to_string(rows)),
              0);
}

// The layout of the tests: a report on `paper`, margins of 10 mm, bands of
// the given heights in millimetres framed in their colours (a detail only at
// its top), the detail over "select ... from sales order by id".
struct LayoutPlan {
    TBRPaperSize paper = TBRPaperSize::A4;
    TPrinterOrientation orientation = poPortrait;
    int options = (1 << FirstPageHeader) | (1 << LastPageFooter);
    int columns = 1;
    long double column_space_mm = 0;
    long double header = 10, title = 20, detail = 5, footer = 10, summary = 15;
    std::string sql = "select id, name, amount from sales order by id";
    // Types of the query's :NAME parameters.
    std::vector<std::pair<std::string, TFieldType>> params;
};

void write_layout(const LayoutPlan& plan, const std::string& file) {
    const bool imperial = ImperialMeasure();
    report::SetImperialMeasure(false);
    TBandReport report(nullptr);
    report::SetImperialMeasure(imperial);
    report.SetName("SalesReport");
    report.Options = plan.options;
    TBRPage& page = *report.Page();
    page.SetOrientation(plan.orientation);
    page.SetPaperSize(plan.paper);
    report.SetUnits(TBRUnit::MM);
    for (auto set : {&TBRPage::SetTopMargin, &TBRPage::SetBottomMargin, &TBRPage::SetLeftMargin,
                     &TBRPage::SetRightMargin})
        (page.*set)(10);
    page.SetColumns(plan.columns);
    page.SetColumnSpace(plan.column_space_mm);
    struct B {
        TBRBandType type;
        long double height;
        TColor colour;
    };
    for (const B& b : {B{rbPageHeader, plan.header, kHeader}, B{rbTitle, plan.title, kTitle},
                       B{rbDetail, plan.detail, kDetail}, B{rbPageFooter, plan.footer, kFooter},
                       B{rbSummary, plan.summary, kSummary}}) {
        if (b.height <= 0) continue;
        TBRCustomBand* band = report.CreateStandardBand(b.type);
        band->Size()->SetCurrentUnit(TBRUnit::MM);
        band->Size()->SetHeight(b.height);
        band->Frame()->SetColor(b.colour);
        band->Frame()->SetWidth(2);
        band->Frame()->SetSide(0, true);
        for (int side = 1; side < 4; ++side) band->Frame()->SetSide(side, b.type != rbDetail);
    }
    auto* query = new TQuery(&report);
    query->SetName("Sales");
    query->SQL()->Add(plan.sql);
    for (const auto& [name, type] : plan.params) query->ParamByName(name)->SetDataType(type);
    report.SetDataSet(query);
    core::write_component_file(report, file);
}

// Pages the geometry gives: a page holds (length - margins - footer) of
// bands; page 1 starts with the header (when printed) and the title, later
// pages with the header; the summary follows the last detail.
int expected_pages(const LayoutPlan& s, int rows, long double length_mm) {
    const long double body = length_mm - 20 - s.footer;
    const bool first_header = s.options & (1 << FirstPageHeader);
    long double y = (first_header ? s.header : 0) + s.title;
    int pages = 1;
    for (int i = 0; i < rows; ++i) {
        if (y + s.detail > body + 1e-9) {
            ++pages;
            y = s.header;
        }
        y += s.detail;
    }
    if (y + s.summary > body + 1e-9) ++pages;
    return pages;
}

SplitResult run_tool(const std::string& args) {
    return run_split("env -u XDG_RUNTIME_DIR LC_ALL=C " + tool() + " " + args);
}

// Puts one expression control on each named band of a stored layout
// ({band, control, expression}), keeping the layout's own order of
// properties.
void add_expression_controls(const std::string& layout,
                             const std::vector<std::array<std::string, 3>>& controls) {
    nlohmann::ordered_json j = nlohmann::ordered_json::parse(read_file(layout));
    for (auto& child : j["children"]) {
        const std::string band = child.value("name", "");
        for (const auto& [on, name, expression] : controls)
            if (band == on)
                child["children"] = {nlohmann::ordered_json{
                    {"class", "TBRExpr"},
                    {"name", name},
                    {"properties",
                     {{"Left", 0}, {"Top", 0}, {"Width", 300}, {"Height", 16}, {"Expression", expression}}}}};
    }
    write_file(layout, j.dump(2));
}

}  // namespace

// A thousand rows over a SQLite query into a PDF: the pages the geometry
// gives, on the layout's paper; the page header on page 1 only with
// FirstPageHeader; the paper and orientation the layout stores.
TEST(RunTool, ALayoutOverASqliteDatabaseBecomesAPdf) {
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db";
    make_db(db, 1000);
    struct Case {
        const char* what;
        LayoutPlan plan;
        long double length_mm;
        std::pair<double, double> size;
    };
    LayoutPlan a4, no_first_header, letter_landscape;
    no_first_header.options = 1 << LastPageFooter;
    letter_landscape.paper = TBRPaperSize::Letter;
    letter_landscape.orientation = poLandscape;
    const Case cases[] = {
        {"A4 portrait", a4, 297, {595, 842}},
        {"without FirstPageHeader", no_first_header, 297, {595, 842}},
        {"Letter landscape", letter_landscape, 215.9, {792, 612}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string layout = dir / "layout.json", pdf = dir / "out.pdf";
        write_layout(c.plan, layout);
        const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " +
                                       shell_quote(pdf));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const int pages = expected_pages(c.plan, 1000, c.length_mm);
        EXPECT_EQ(r.out, "pages\t" + std::to_string(pages) + "\n");
        EXPECT_EQ(pdf_pages(pdf), pages);
        EXPECT_EQ(pdf_page_size(pdf), c.size);
        // The page header's frame on pages 1 and 2.
        ASSERT_EQ(run_status("pdftoppm -r 48 -f 1 -l 2 -png " + shell_quote(pdf) + " " + shell_quote(dir / "p")), 0);
        const std::string p1 = dir / (pages >= 10 ? "p-01.png" : "p-1.png");
        const std::string p2 = dir / (pages >= 10 ? "p-02.png" : "p-2.png");
        const bool first_header = c.plan.options & (1 << FirstPageHeader);
        EXPECT_EQ(colour_boxes(p1, kHeader).size(), first_header ? 1u : 0u);
        EXPECT_EQ(colour_boxes(p2, kHeader).size(), 1u);
    }
}

// Three columns: each column's detail frames start where the page width,
// the margins and the column space put them.
TEST(RunTool, ColumnsStartWhereThePageAndColumnWidthsPutThem) {
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db", layout = dir / "layout.json", pdf = dir / "out.pdf";
    make_db(db, 200);
    LayoutPlan plan;
    plan.columns = 3;
    plan.column_space_mm = 6;
    plan.title = 0;
    write_layout(plan, layout);
    const SplitResult r =
        run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " + shell_quote(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    // 72 dpi: a pixel is a point.
    ASSERT_EQ(run_status("pdftoppm -r 72 -f 1 -l 1 -png " + shell_quote(pdf) + " " + shell_quote(dir / "p")), 0);
    std::vector<int> lefts;
    for (const Box& b : colour_boxes(dir / "p-1.png", kDetail))
        if (std::find(lefts.begin(), lefts.end(), b.left) == lefts.end()) lefts.push_back(b.left);
    std::sort(lefts.begin(), lefts.end());
    ASSERT_EQ(lefts.size(), 3u);
    // Printable width 190 mm, two spaces of 6 mm: columns of 59.33 mm.
    const double column_mm = (190.0 - 2 * 6) / 3;
    for (int c = 0; c < 3; ++c) {
        const double expected_pt = (10 + c * (column_mm + 6)) / 25.4 * 72;
        EXPECT_NEAR(lefts[std::size_t(c)], expected_pt, 1.5) << "column " << c + 1;
    }
}

// The rows' texts: every row once, in query order, and the page numbers
// 1..N, as the expression controls print them.
TEST(RunTool, EveryRowPrintsOnceInQueryOrderWithPageNumbers) {
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db", layout = dir / "layout.json", pdf = dir / "out.pdf";
    make_db(db, 1000);
    LayoutPlan plan;
    write_layout(plan, layout);
    add_expression_controls(layout, {{"DetailBand1", "RowText", "[name]"},
                                     {"PageHeaderBand1", "PageText", "'Page ' + STR(PAGENUMBER)"},
                                     {"TitleBand1", "Heading", "HEADING"}});
    const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) +
                                   " --env \"HEADING='Monthly sales'\" --pdf " + shell_quote(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    const int pages = expected_pages(plan, 1000, 297);
    const std::string text = capture("pdftotext -layout " + shell_quote(pdf) + " -");
    EXPECT_NE(text.find("Monthly sales"), std::string::npos);
    std::istringstream in(text);
    int next_row = 1, next_page = 1;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            if (word == "Row") {
                int n = 0;
                words >> n;
                EXPECT_EQ(n, next_row) << line;
                next_row = n + 1;
            } else if (word == "Page") {
                int n = 0;
                words >> n;
                EXPECT_EQ(n, next_page) << line;
                next_page = n + 1;
            }
        }
    }
    EXPECT_EQ(next_row, 1001);
    EXPECT_EQ(next_page, pages + 1);
}

// A page stream target, and the brp reads back with the pages of the run.
TEST(RunTool, APageStreamTargetHoldsThePagesOfTheRun) {
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db", layout = dir / "layout.json", brp = dir / "out.brp";
    make_db(db, 120);
    LayoutPlan plan;
    write_layout(plan, layout);
    const SplitResult r =
        run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --brp " + shell_quote(brp));
    ASSERT_EQ(r.status, 0) << r.err;
    const int pages = expected_pages(plan, 120, 297);
    EXPECT_EQ(r.out, "pages\t" + std::to_string(pages) + "\n");
    const SplitResult info = run_tool("pages info " + shell_quote(brp));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find(std::to_string(pages)), std::string::npos) << info.out;
}

// Bad layouts, missing tables, SQL errors and unknown classes end with a
// clear message and exit 1, and the existing output is left as it was.
TEST(RunTool, FailuresSayWhyAndKeepTheOutput) {
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db", keep = dir / "keep.pdf";
    make_db(db, 10);
    write_layout(LayoutPlan{}, dir / "good.json");
    LayoutPlan missing;
    missing.sql = "select id, name from no_such_table";
    write_layout(missing, dir / "missing.json");
    LayoutPlan broken_sql;
    broken_sql.sql = "selec id from sales";
    write_layout(broken_sql, dir / "badsql.json");
    write_file(dir / "broken.json", "{\"class\": \"TBandReport\", ");
    write_file(dir / "form.json", R"({"class": "TBRBand", "name": "Lonely"})");
    write_file(dir / "unknown.json", R"({"class": "TBandReport", "name": "R", "children": [{"class": "TNoSuchThing", "name": "X"}]})");
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const std::string out = " --pdf " + shell_quote(keep);
    const Case cases[] = {
        {shell_quote(dir / "absent.json") + " --db " + shell_quote(db) + out, 1, "absent.json: No such file or directory"},
        {shell_quote(dir / "broken.json") + " --db " + shell_quote(db) + out, 1, "report-tool: "},
        {shell_quote(dir / "form.json") + " --db " + shell_quote(db) + out, 1, "Not a report layout"},
        {shell_quote(dir / "unknown.json") + " --db " + shell_quote(db) + out, 1, "TNoSuchThing"},
        {shell_quote(dir / "missing.json") + " --db " + shell_quote(db) + out, 1, "no_such_table"},
        {shell_quote(dir / "badsql.json") + " --db " + shell_quote(db) + out, 1, "syntax error"},
        {shell_quote(dir / "good.json") + out, 1, "names no database"},
        {shell_quote(dir / "good.json") + " --db " + shell_quote(dir / "nowhere.db") + out, 1, "No such database"},
        {shell_quote(dir / "good.json") + " --db " + shell_quote(db), 2, "usage: report-tool run"},
        {shell_quote(dir / "good.json") + " --db " + shell_quote(db) + out + " --brp x.brp", 2,
         "usage: report-tool run"},
        {shell_quote(dir / "good.json") + " --env NOEQUALS" + out, 2, "--env takes NAME=EXPR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        write_file(keep, "keep me");
        const SplitResult r = run_tool("run " + c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(read_file(keep), "keep me");
    }
}

// Expressions that fail print their message on the page and are told once
// each on stderr (control, expression, message); the run ends with status 4.
TEST(RunTool, ExpressionErrorsAreToldOnceAndFailTheRun) {
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db", layout = dir / "layout.json", pdf = dir / "out.pdf";
    make_db(db, 30);
    write_layout(LayoutPlan{}, layout);
    add_expression_controls(layout, {{"DetailBand1", "CustomerText", "custumer"},
                                     {"PageHeaderBand1", "PageText", "'Page ' + STR(PAGENUMBER)"},
                                     {"SummaryBand1", "TotalText", "SUM([amount]) / 0"}});
    SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " + shell_quote(pdf));
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_EQ(r.out, "pages\t1\n");
    EXPECT_EQ(r.err,
              "report-tool run: CustomerText: expression \"custumer\": Unknown function : CUSTUMER\n"
              "report-tool run: TotalText: expression \"SUM([amount]) / 0\": Cannot divide by 0\n");
    const std::string text = capture("pdftotext " + shell_quote(pdf) + " -");
    std::size_t printed = 0;
    for (std::size_t at = text.find("Unknown function : CUSTUMER"); at != std::string::npos;
         at = text.find("Unknown function : CUSTUMER", at + 1))
        ++printed;
    EXPECT_EQ(printed, 30u);

    // The same layout with sound expressions says nothing and succeeds.
    add_expression_controls(layout, {{"DetailBand1", "CustomerText", "name"},
                                     {"SummaryBand1", "TotalText", "SUM([amount])"}});
    r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " + shell_quote(pdf));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

// A run straight to a printer given by its IPP URI: the job's document has
// the pages of the run on the layout's paper.
TEST(RunTool, ARunPrintsOnAPrinterGivenByUri) {
    report::testing::IppPrinter printer;
    ASSERT_TRUE(printer.running()) << printer.why();
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db", layout = dir / "layout.json";
    make_db(db, 150);
    LayoutPlan plan;
    write_layout(plan, layout);
    const SplitResult r = run_split(std::string(report::testing::kNoCupsServer) + " " + tool() + " run " +
                                    shell_quote(layout) + " --db " + shell_quote(db) + " --printer " + printer.uri());
    ASSERT_EQ(r.status, 0) << r.err;
    const int pages = expected_pages(plan, 150, 297);
    EXPECT_EQ(r.out, "pages\t" + std::to_string(pages) + "\n");
    const std::vector<std::string> spooled = printer.await_spooled();
    ASSERT_EQ(spooled.size(), 1u);
    EXPECT_EQ(pdf_pages(spooled[0]), pages);
    EXPECT_EQ(pdf_page_size(spooled[0]), std::make_pair(595.0, 842.0));
    // An unknown printer name is refused before anything runs.
    const SplitResult unknown = run_split(std::string(report::testing::kNoCupsServer) + " " + tool() + " run " +
                                          shell_quote(layout) + " --db " + shell_quote(db) + " --printer nonesuch");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("Unknown printer \"nonesuch\""), std::string::npos) << unknown.err;
}

namespace {

// Three layouts run as one chain: one PDF whose page numbers run 1..N across
// the reports, with one footer on each page (no report but the last ends its
// last page), and fewer pages than the three runs alone.
TEST(RunTool, AChainOfLayoutsMakesOneOutput) {
    ScratchDir dir("report-chain");
    const std::string db = dir / "sales.db", pdf = dir / "chain.pdf";
    make_db(db, 200);
    std::vector<std::string> layouts;
    int alone = 0;
    for (int rows : {70, 45, 90}) {
        const std::string layout = dir / ("layout" + std::to_string(rows) + ".json");
        LayoutPlan plan;
        plan.sql = "select id, name, amount from sales where id <= " + std::to_string(rows) + " order by id";
        write_layout(plan, layout);
        add_expression_controls(layout, {{"PageHeaderBand1", "PageText", "'Page ' + STR(PAGENUMBER)"},
                                         {"PageFooterBand1", "FootText", "'Foot ' + STR(PAGENUMBER)"}});
        layouts.push_back(layout);
        const SplitResult one = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " +
                                         shell_quote(dir / "alone.pdf"));
        ASSERT_EQ(one.status, 0) << one.err;
        alone += pdf_pages(dir / "alone.pdf");
    }
    const SplitResult r = run_tool("run " + shell_quote(layouts[0]) + " " + shell_quote(layouts[1]) + " " +
                                   shell_quote(layouts[2]) + " --db " + shell_quote(db) + " --pdf " + shell_quote(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    const int pages = pdf_pages(pdf);
    EXPECT_EQ(r.out, "pages\t" + std::to_string(pages) + "\n");
    EXPECT_LT(pages, alone);
    std::istringstream in(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
    int next_page = 1, next_foot = 1;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            int n = 0;
            if (word == "Page") {
                words >> n;
                EXPECT_EQ(n, next_page) << line;
                next_page = n + 1;
            } else if (word == "Foot") {
                words >> n;
                EXPECT_EQ(n, next_foot) << line;
                next_foot = n + 1;
            }
        }
    }
    EXPECT_EQ(next_page, pages + 1);
    EXPECT_EQ(next_foot, pages + 1);
}

}  // namespace

// A query's :NAME parameters take the values of the report variables of
// their names when their kinds fit; other values leave them as they were.
TEST(RunTool, QueryParametersComeFromTheReportsVariables) {
    ScratchDir dir("report-run");
    const std::string db = dir / "sales.db", layout = dir / "layout.json", brp = dir / "out.brp";
    make_db(db, 1000);
    LayoutPlan plan;
    plan.sql = "select id, name, amount from sales where id <= :LIMIT and name like :PATTERN order by id";
    plan.params = {{"LIMIT", ftInteger}, {"PATTERN", ftString}};
    write_layout(plan, layout);
    struct Case {
        std::string env;
        int rows;   // the rows the run prints (an empty level prints one detail)
    };
    const Case cases[] = {
        {"--env LIMIT=120 --env \"PATTERN='Row %'\"", 120},
        {"--env limit=450 --env \"pattern='Row %'\"", 450},
        {"--env LIMIT=450 --env \"PATTERN='Row 1%'\"", 1 + 10 + 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.env);
        const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " " + c.env +
                                       " --brp " + shell_quote(brp));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "pages\t" + std::to_string(expected_pages(plan, c.rows, 297)) + "\n");
    }
    // A value the parameter's type cannot take ends the run naming it.
    const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) +
                                   " --env \"LIMIT='a text'\" --env \"PATTERN='Row %'\" --brp " + shell_quote(brp));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Sales: parameter LIMIT: 'a text' is not an integer"), std::string::npos) << r.err;
}
