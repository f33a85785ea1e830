// Controls printed end to end: a layout stored as JSON, run by report-tool
// into a page stream, printed to PDF, and the PDF read back with
// poppler-utils (pdftotext, pdftoppm) and python3-pil.

#include "report/controls/tests/ControlsFixture.h"

#include "platform/core/FormResource.h"
#include "platform/data/ADODB.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace controls_test;
using namespace test_support;

namespace {

constexpr TColor kRed = report::rgb(255, 0, 0);
constexpr TColor kBlue = report::rgb(0, 0, 255);
constexpr TColor kGreen = report::rgb(0, 160, 0);

// Native units to pixels of the 96-dpi page.
int px(long double native) { return int(report::Rnd(native * 96.0L / 254.0L)); }

struct Box {
    int left, top, right, bottom;
};

// A report on A4 with 10 mm margins and one detail band; layouts are built
// with the fixed font engine, the tool measures with the real fonts.
// Metric pages (A4) while a layout is made, whatever the machine's locale.
struct MetricScope {
    bool saved = ImperialMeasure();
    MetricScope() { report::SetImperialMeasure(false); }
    ~MetricScope() { report::SetImperialMeasure(saved); }
};

struct Layout {
    ScopedFontEngine fonts;
    MetricScope metric;
    TBandReport report{nullptr};
    TBRCustomBand* detail;

    explicit Layout(long double detail_height = 100) {
        report.SetName("Report1");
        report.SetUnits(TBRUnit::Native);
        detail = report.CreateStandardBand(rbDetail);
        detail->Size()->SetCurrentUnit(TBRUnit::Native);
        detail->Size()->SetHeight(detail_height);
    }
    template <class T>
    T* add(const char* name, long double left, long double top, long double width, long double height) {
        auto* c = new T(&report);
        c->SetName(name);
        c->SetParent(detail);
        TBRPrintableSize& s = *c->Size();
        s.SetCurrentUnit(TBRUnit::Native);
        s.SetLeft(left);
        s.SetTop(top);
        s.SetWidth(width);
        s.SetHeight(height);
        return c;
    }
    // Runs the layout for `records` records into DIR/run.pdf; the tool's
    // environment is prefixed by `env`.
    void print(const ScratchDir& dir, int records = 1, const std::string& env = "") {
        core::write_component_file(report, dir / "layout.json");
        const SplitResult ran =
            run_split(env + shell_quote(tool_path("report-tool")) + " bands run " + shell_quote(dir / "layout.json") +
                      " " + shell_quote(dir / "run.brp") + " " + std::to_string(records));
        ASSERT_EQ(ran.status, 0) << ran.err;
        const SplitResult pdf = run_split(shell_quote(tool_path("report-tool")) + " print " +
                                          shell_quote(dir / "run.brp") + " --pdf " + shell_quote(dir / "run.pdf"));
        ASSERT_EQ(pdf.status, 0) << pdf.err;
    }
};

// The PDF's text, page by page.
std::vector<std::string> pdf_page_texts(const std::string& pdf) {
    const std::string text = capture("pdftotext -layout " + shell_quote(pdf) + " -");
    std::vector<std::string> pages;
    std::string page;
    for (char c : text) {
        if (c == '\f') {
            pages.push_back(page);
            page.clear();
        } else {
            page.push_back(c);
        }
    }
    if (!page.empty()) pages.push_back(page);
    return pages;
}

std::vector<Box> colour_boxes(const std::string& png, TColor colour) {
    std::ostringstream cmd;
    cmd << oracle_command("colour_boxes.py") << ' ' << shell_quote(png) << ' ' << (colour & 0xFF) << ' '
        << ((colour >> 8) & 0xFF) << ' ' << ((colour >> 16) & 0xFF);
    std::istringstream in(capture(cmd.str()));
    std::string word;
    int w, h;
    in >> word >> w >> h;
    std::vector<Box> boxes;
    Box b;
    while (in >> b.left >> b.top >> b.right >> b.bottom) boxes.push_back(b);
    return boxes;
}

bool near(const Box& a, const Box& b) {
    return std::abs(a.left - b.left) <= 1 && std::abs(a.top - b.top) <= 1 && std::abs(a.right - b.right) <= 1 &&
           std::abs(a.bottom - b.bottom) <= 1;
}

std::string describe(const Box& b) {
    return std::to_string(b.left) + " " + std::to_string(b.top) + " " + std::to_string(b.right) + " " +
           std::to_string(b.bottom);
}

// Red, green and blue of pixels of a picture.
std::vector<TColor> pixels(const std::string& png, const std::vector<TPoint>& points) {
    std::string cmd = oracle_command("pixels_at.py") + " " + shell_quote(png);
    for (const TPoint& p : points) cmd += " " + std::to_string(p.X) + "," + std::to_string(p.Y);
    std::istringstream in(capture(cmd));
    std::vector<TColor> out;
    int x, y, r, g, b;
    while (in >> x >> y >> r >> g >> b) out.push_back(report::rgb(r, g, b));
    return out;
}

}  // namespace

TEST(PrintedControls, ALongCaptionStretchesOverPagesOnlyWithAutoStretch) {
    struct Case {
        bool stretch;
        int lines;
        bool more_pages;
    };
    for (const Case& c : std::vector<Case>{{true, 40, true}, {false, 2, false}}) {
        ScratchDir dir("report-controls");
        Layout layout;
        // 24 points: lines of 36 pixels (95 native units); 200 units hold two.
        auto* label = layout.add<TBRLabel>("Lines", 0, 0, 1000, 200);
        label->AutoSize = false;
        label->Font.Name = "Arial";
        label->Font.SetSize(24);
        label->SetAutoStretch(c.stretch);
        std::string caption;
        for (int i = 1; i <= 40; ++i) caption += (i > 1 ? "\r\n" : "") + std::string("Line ") + (i < 10 ? "0" : "") + std::to_string(i);
        label->SetCaption(caption);
        layout.print(dir);
        const std::vector<std::string> pages = pdf_page_texts(dir / "run.pdf");
        EXPECT_EQ(pages.size() > 1, c.more_pages) << c.stretch;
        std::vector<int> seen;
        for (const std::string& page : pages)
            for (std::size_t at = page.find("Line "); at != std::string::npos; at = page.find("Line ", at + 1))
                seen.push_back(std::stoi(page.substr(at + 5, 2)));
        std::vector<int> expected;
        for (int i = 1; i <= c.lines; ++i) expected.push_back(i);
        EXPECT_EQ(seen, expected) << c.stretch;
    }
}

TEST(PrintedControls, AFramedLabelsTextStartsInsideItsBox) {
    ScratchDir dir("report-controls");
    Layout layout;
    auto* label = layout.add<TBRLabel>("Framed", 200, 50, 600, 150);
    label->AutoSize = false;
    label->Font.Name = "Arial";
    label->Font.SetSize(14);
    label->Frame()->SetColor(kRed);
    for (int side = 0; side < 4; ++side) label->Frame()->SetSide(side, true);
    label->SetCaption("Framed");
    layout.print(dir);

    // The box: the band at the margins (100, 100) and the label at (200, 50) in it.
    const long double L = 300, T = 150;
    ASSERT_EQ(run_status("pdftoppm -r 96 -png " + shell_quote(dir / "run.pdf") + " " + shell_quote(dir / "page")), 0);
    const std::vector<Box> frames = colour_boxes(dir / "page-1.png", kRed);
    ASSERT_EQ(frames.size(), 1u);
    const Box expected{px(L), px(T), px(L + 600), px(T + 150)};
    EXPECT_TRUE(near(frames[0], expected)) << describe(frames[0]) << " expected " << describe(expected);

    // The word starts 4 native units in from the left and top edges.
    const std::string xml = capture("pdftotext -bbox-layout " + shell_quote(dir / "run.pdf") + " -");
    const std::size_t word = xml.find(">Framed</word>");
    ASSERT_NE(word, std::string::npos) << xml;
    const std::size_t start = xml.rfind("<word ", word);
    ASSERT_NE(start, std::string::npos);
    auto attribute = [&](const std::string& name) {
        const std::size_t at = xml.find(name + "=\"", start);
        return std::stod(xml.substr(at + name.size() + 2));
    };
    const double x_pt = attribute("xMin"), y_pt = attribute("yMin");
    EXPECT_NEAR(x_pt, px(L + 4) * 0.75, 1.0);
    EXPECT_NEAR(y_pt, px(T + 4) * 0.75, 1.5);
    EXPECT_GT(x_pt, expected.left * 0.75);
    EXPECT_GT(y_pt, expected.top * 0.75);
}

TEST(PrintedControls, ShapesLandOnTheirPixels) {
    ScratchDir dir("report-controls");
    Layout layout(400);
    struct Placed {
        const char* name;
        TBRShapeType type;
        TColor colour;
        long double left, top, width, height;
        float round_factor;
    };
    const std::vector<Placed> placed = {
        {"Filled", brsRectangle, kBlue, 0, 0, 300, 200, 0},
        {"Rounded", brsRoundRect, kRed, 400, 0, 400, 300, 0.25f},
        {"Rules", brsTopAndBottom, kGreen, 900, 0, 300, 50, 0},   // 5 mm apart
    };
    for (const Placed& p : placed) {
        auto* shape = layout.add<TBRShape>(p.name, p.left, p.top, p.width, p.height);
        shape->SetShape(p.type);
        shape->SetRoundFactor(p.round_factor);
        shape->Pen()->Color = p.colour;
        shape->Brush()->Color = p.colour;
        shape->Brush()->Style = p.type == brsTopAndBottom ? bsClear : bsSolid;
    }
    layout.print(dir);
    ASSERT_EQ(run_status("pdftoppm -r 96 -png " + shell_quote(dir / "run.pdf") + " " + shell_quote(dir / "page")), 0);
    const std::string png = dir / "page-1.png";
    const long double X = 100, Y = 100;   // the band's corner on the page

    const std::vector<Box> filled = colour_boxes(png, kBlue);
    ASSERT_EQ(filled.size(), 1u);
    const Box filled_box{px(X), px(Y), px(X + 300), px(Y + 200)};
    EXPECT_TRUE(near(filled[0], filled_box)) << describe(filled[0]) << " expected " << describe(filled_box);

    const std::vector<Box> rounded = colour_boxes(png, kRed);
    ASSERT_EQ(rounded.size(), 1u);
    const Box r{px(X + 400), px(Y), px(X + 800), px(Y + 300)};
    EXPECT_TRUE(near(rounded[0], r)) << describe(rounded[0]) << " expected " << describe(r);
    // Corners of a quarter of the printed width (151 pixels): 37 pixels, so
    // the box's corners stay white and the edges' middles are red.
    const int c = int((r.right - r.left) * 0.25);
    const std::vector<TColor> probes =
        pixels(png, {{r.left + 1, r.top + 1}, {r.right - 2, r.bottom - 2}, {r.left + c / 10, r.top + c / 10},
                     {(r.left + r.right) / 2, r.top}, {r.left, (r.top + r.bottom) / 2}});
    ASSERT_EQ(probes.size(), 5u);
    EXPECT_EQ(probes[0], clWhite);
    EXPECT_EQ(probes[1], clWhite);
    EXPECT_EQ(probes[2], clWhite);
    EXPECT_EQ(probes[3], kRed);
    EXPECT_EQ(probes[4], kRed);

    // Two lines 5 mm (19 pixels) apart.
    const std::vector<Box> rules = colour_boxes(png, kGreen);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_NEAR(rules[0].top, px(Y), 1);
    EXPECT_EQ(rules[1].top - rules[0].top, px(Y + 50) - px(Y));
    EXPECT_NEAR(rules[0].left, px(X + 900), 1);
    EXPECT_NEAR(rules[0].right, px(X + 1200), 1);
}

TEST(PrintedControls, MasksFollowTheUsersLocale) {
    ScratchDir dir("report-controls");
    struct Case {
        const char* locale;
        const char* printed;
    };
    for (const Case& c : std::vector<Case>{{"en_US", "1,234.50"}, {"pt_BR", "1.234,50"}}) {
        const std::string compiled = dir / (std::string(c.locale) + ".UTF-8");
        ASSERT_EQ(run_status("localedef -i " + std::string(c.locale) + " -f UTF-8 " + shell_quote(compiled) +
                             " 2>/dev/null"),
                  0)
            << c.locale;
        Layout layout;
        auto* expr = layout.add<TBRExpr>("Amount", 0, 0, 600, 100);
        expr->SetExpression("1234.5");
        expr->SetMask("#,##0.00");
        // The locales compiled here are found through LOCPATH (glibc keeps
        // that search list for the process: not a leak of ours).
        layout.print(dir, 1,
                     "LOCPATH=" + shell_quote(dir.path()) + " LC_ALL=" + c.locale + ".UTF-8 LSAN_OPTIONS=suppressions=" +
                         shell_quote(source_path("report/controls/tests/locpath.supp")) + " ");
        const std::vector<std::string> pages = pdf_page_texts(dir / "run.pdf");
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_NE(pages[0].find(c.printed), std::string::npos) << c.locale << ": " << pages[0];
    }
}

namespace {

// The number in a printed total ("12,345.75" -> 1234575 cents); -1 when none.
long long cents(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (std::isdigit(static_cast<unsigned char>(c))) digits.push_back(c);
    return digits.empty() ? -1 : std::stoll(digits);
}

long long sqlite_cents(const std::string& db, const std::string& where) {
    const std::string out = capture("sqlite3 " + shell_quote(db) + " " +
                                    shell_quote("select cast(round(sum(amount) * 100) as integer) from orders" + where));
    return std::stoll(out);
}

}  // namespace

// Totals over a SQLite file of orders: a page footer's total with
// ResetAfterPrint is the sum of the rows printed on its page, the summary's
// total without it the sum of all rows, as sqlite3 computes them.
TEST(PrintedControls, TotalsEqualTheDatabasesSums) {
    ScratchDir dir("report-controls");
    const std::string db = dir / "orders.db";
    ASSERT_EQ(run_status(python_script("report/controls/tests/make_orders_db.py") + " " + shell_quote(db) + " 150"), 0);
    Layout layout(60);
    layout.report.Options = (1 << FirstPageHeader) | (1 << LastPageFooter);
    auto* row = layout.add<TBRExpr>("RowText", 0, 0, 800, 50);
    row->SetExpression("'Row ' + STR([id])");
    auto band = [&](TBRBandType type, long double height) {
        TBRCustomBand* b = layout.report.CreateStandardBand(type);
        b->Size()->SetCurrentUnit(TBRUnit::Native);
        b->Size()->SetHeight(height);
        return b;
    };
    TBRCustomBand* footer = band(rbPageFooter, 100);
    TBRCustomBand* summary = band(rbSummary, 100);
    auto total = [&](TBRCustomBand* on, const char* name, const char* caption, bool reset) {
        auto* label = new TBRLabel(&layout.report);
        label->SetName(std::string(name) + "Caption");
        label->SetParent(on);
        label->SetCaption(caption);
        auto* expr = new TBRExpr(&layout.report);
        expr->SetName(name);
        expr->SetParent(on);
        expr->Size()->SetCurrentUnit(TBRUnit::Native);
        expr->Size()->SetLeft(600);
        expr->SetExpression("SUM([amount])");
        expr->SetMask("#,##0.00");
        expr->SetMaster(&layout.report);
        expr->ResetAfterPrint = reset;
    };
    total(footer, "PageTotal", "Page total", true);
    total(summary, "GrandTotal", "Grand total", false);
    auto* query = new TADOQuery(&layout.report);
    query->SetName("Orders");
    query->SQL()->Add("select id, customer, amount from orders order by id");
    layout.report.SetDataSet(query);
    core::write_component_file(layout.report, dir / "layout.json");
    const SplitResult ran = run_split("env LC_ALL=C " + shell_quote(tool_path("report-tool")) + " run " +
                                      shell_quote(dir / "layout.json") + " --db " + shell_quote(db) + " --pdf " +
                                      shell_quote(dir / "run.pdf"));
    ASSERT_EQ(ran.status, 0) << ran.err;

    const std::vector<std::string> pages = pdf_page_texts(dir / "run.pdf");
    ASSERT_GE(pages.size(), 3u);
    int rows_seen = 0;
    long long grand = -1;
    for (std::size_t n = 0; n < pages.size(); ++n) {
        std::vector<int> ids;
        long long page_total = -1;
        std::istringstream lines(pages[n]);
        for (std::string line; std::getline(lines, line);) {
            if (const std::size_t at = line.find("Row "); at != std::string::npos) ids.push_back(std::stoi(line.substr(at + 4)));
            if (const std::size_t at = line.find("Page total"); at != std::string::npos) page_total = cents(line.substr(at + 10));
            if (const std::size_t at = line.find("Grand total"); at != std::string::npos) grand = cents(line.substr(at + 11));
        }
        ASSERT_FALSE(ids.empty()) << "page " << n + 1;
        EXPECT_EQ(ids.front(), rows_seen + 1) << "page " << n + 1;
        rows_seen = ids.back();
        const std::string where = " where id between " + std::to_string(ids.front()) + " and " + std::to_string(ids.back());
        EXPECT_EQ(page_total, sqlite_cents(db, where)) << "page " << n + 1;
    }
    EXPECT_EQ(rows_seen, 150);
    EXPECT_EQ(grand, sqlite_cents(db, ""));
}
