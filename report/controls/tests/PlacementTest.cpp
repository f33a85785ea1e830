// Where controls land on the printed page: layouts written by hand as JSON,
// run by report-tool into a PDF, and the words' boxes read back with
// pdftotext -bbox-layout. A4 portrait with 10 mm margins: the bands start at
// 28.35 pt and are 1900 native units (538.6 pt) wide, so a band's right edge
// is at 566.9 pt and its centre at 297.6 pt.

#include "report/controls/tests/ControlsFixture.h"

#include "platform/core/FormResource.h"
#include "report/bands/BandRpt.h"
#include "report/controls/BRCtrls.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <regex>

using namespace test_support;

namespace {

constexpr double kBandLeft = 100 * 72 / 254.0;
constexpr double kBandRight = 2000 * 72 / 254.0;
constexpr double kBandCentre = (kBandLeft + kBandRight) / 2;

struct Word {
    std::string text;
    double x_min, x_max, y_min, y_max;
};

std::vector<Word> pdf_words(const std::string& pdf) {
    const std::string xml = capture("pdftotext -bbox-layout " + shell_quote(pdf) + " -");
    static const std::regex word(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::vector<Word> words;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), word); it != std::sregex_iterator(); ++it)
        words.push_back({(*it)[5], std::stod((*it)[1]), std::stod((*it)[3]), std::stod((*it)[2]), std::stod((*it)[4])});
    return words;
}

// A layout of the given bands (JSON texts) on A4 portrait with 10 mm margins.
std::string layout(const std::vector<std::string>& bands, const std::string& extra_children = "",
                   const std::string& data_set = "", const std::string& font = "") {
    std::string json = R"({"class": "TBandReport", "name": "R",
      "properties": {"ReportTitle": "T", )" + (data_set.empty() ? "" : R"("DataSet": ")" + data_set + R"(", )") +
                       (font.empty() ? "" : R"("Font": )" + font + ", ") + R"(
        "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
                 "Values": ["100", "2970", "100", "2100", "100", "100", "0"]}},
      "children": [)";
    for (std::size_t i = 0; i < bands.size(); ++i) json += (i ? ",\n" : "") + bands[i];
    json += extra_children + "]}";
    return json;
}

std::string band(const std::string& name, const std::string& type, const std::string& height,
                 const std::string& controls = "", const std::string& extra = "") {
    return R"({"class": "TBRBand", "name": ")" + name + R"(", "properties": {"BandType": ")" + type +
           R"(", "Size": {"Values": [")" + height + R"("]})" + extra + "}" +
           (controls.empty() ? "" : R"(, "children": [)" + controls + "]") + "}";
}

// Runs a layout into a PDF and gives its words.
std::vector<Word> printed_words(const ScratchDir& dir, const std::string& json, const std::string& args = "") {
    write_file(dir / "layout.json", json);
    const SplitResult r = run_split("env -u XDG_RUNTIME_DIR LC_ALL=C " + shell_quote(tool_path("report-tool")) +
                                    " run " + shell_quote(dir / "layout.json") + " " + args + " --pdf " +
                                    shell_quote(dir / "out.pdf"));
    EXPECT_EQ(r.status, 0) << r.err;
    if (r.status != 0) return {};
    return pdf_words(dir / "out.pdf");
}

// An SQLite file whose table n holds the numbers 1 to count in column i.
int make_numbers(const std::string& db, int count) {
    return run_status("sqlite3 " + shell_quote(db) +
                      " \"create table n(i integer); with recursive c(i) as (select 1 union all select i + 1 "
                      "from c where i < " + std::to_string(count) + ") insert into n select i from c;\"");
}

const Word* find_word(const std::vector<Word>& words, const std::string& text) {
    for (const Word& w : words)
        if (w.text == text) return &w;
    return nullptr;
}

struct Registered {
    Registered() {
        report::register_report_classes();
        report::RegisterControlClasses();
    }
};

std::unique_ptr<TBandReport> load(const std::string& json) {
    static Registered registered;
    TComponent* c = core::read_component(json, nullptr);
    auto* report = dynamic_cast<TBandReport*>(c);
    if (!report) delete c;
    return std::unique_ptr<TBandReport>(report);
}

}  // namespace

// A control aligned to its band prints where the band puts it, whatever
// the place of its band among the bands read: its stored Size follows the
// alignment, not only its pixel bounds.
TEST(Placement, AControlAlignedToItsBandPrintsWhereTheBandPutsIt) {
    ScratchDir dir("report-placement");
    struct Case {
        const char* what;
        const char* alignment;
        bool footer_last;
        bool auto_size;
    };
    const Case cases[] = {
        {"right, footer read last", "taRightJustify", true, false},
        {"right, footer read first", "taRightJustify", false, false},
        {"right, auto-sized, footer read last", "taRightJustify", true, true},
        {"centre, footer read last", "taCenter", true, false},
        {"centre, auto-sized, footer read last", "taCenter", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string control = std::string(R"({"class": "TBRLabel", "name": "PageNo", "properties": {
            "Caption": "Numbered", "AlignToBand": true, "Alignment": ")") + c.alignment +
                                    R"(", "AutoSize": )" + (c.auto_size ? "true" : "false") +
                                    R"(, "Size": {"Values": ["50", "300", "20", "400"]}}})";
        const std::string footer = band("PageFooterBand1", "rbPageFooter", "100", control);
        const std::string detail = band("DetailBand1", "rbDetail", "60");
        const std::vector<Word> words =
            printed_words(dir, layout(c.footer_last ? std::vector{detail, footer} : std::vector{footer, detail}));
        const Word* w = find_word(words, "Numbered");
        ASSERT_NE(w, nullptr);
        if (std::string(c.alignment) == "taRightJustify")
            EXPECT_NEAR(w->x_max, kBandRight, 1.0);
        else
            EXPECT_NEAR((w->x_min + w->x_max) / 2, kBandCentre, 1.0);
    }
}

// The stored Size of an aligned control follows its band when the paper
// changes (A4 to Letter widens the bands) and when it is read.
TEST(Placement, AnAlignedControlsStoredSizeFollowsThePaper) {
    controls_test::ScopedFontEngine fonts;
    const std::string control = R"({"class": "TBRLabel", "name": "PageNo", "properties": {
        "Caption": "Numbered", "AlignToBand": true, "Alignment": "taRightJustify", "AutoSize": false,
        "Size": {"Values": ["50", "300", "20", "400"]}}})";
    auto report = load(layout({band("DetailBand1", "rbDetail", "60"), band("PageFooterBand1", "rbPageFooter", "100", control)}));
    ASSERT_TRUE(report);
    auto* label = dynamic_cast<TBRLabel*>(report->FindComponent("PageNo"));
    auto* footer = dynamic_cast<TBRCustomBand*>(report->FindComponent("PageFooterBand1"));
    ASSERT_TRUE(label && footer);
    EXPECT_NEAR(double(label->Size()->NativeLeft()), 1900 - 400, 0.5);
    report->Page()->SetPaperSize(TBRPaperSize::Letter);
    const long double band_width = footer->Size()->NativeWidth();
    EXPECT_NEAR(double(band_width), 2159 - 200, 1.5);
    EXPECT_NEAR(double(label->Size()->NativeLeft()), double(band_width - 400), 0.5);
    EXPECT_EQ(label->Left(), footer->Width() - label->Width());
}

// An auto-sized control stored at Left 0 keeps the place its stored Size
// gives: a centred title as wide as the band stays centred on it, a
// right-aligned amount keeps its right edge.
TEST(Placement, AnAutoSizedControlStoredAtLeftZeroKeepsItsStoredPlace) {
    ScratchDir dir("report-placement");
    struct Case {
        const char* what;
        const char* control_class;
        const char* text_property;
        const char* alignment;
        const char* values;   // Height, Left, Top, Width
        double expected;      // the centre or the right edge in points
    };
    const Case cases[] = {
        {"centred label as wide as the band", "TBRLabel", "Caption", "taCenter", R"("60", "0", "0", "1900")",
         kBandCentre},
        {"centred expression as wide as the band", "TBRExpr", "Expression", "taCenter", R"("60", "0", "0", "1900")",
         kBandCentre},
        {"right-aligned amount", "TBRExpr", "Expression", "taRightJustify", R"("60", "0", "0", "600")",
         kBandLeft + 600 * 72 / 254.0},
        {"right-aligned label further in", "TBRLabel", "Caption", "taRightJustify", R"("60", "500", "0", "600")",
         kBandLeft + 1100 * 72 / 254.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool label = std::string(c.control_class) == "TBRLabel";
        const std::string control = std::string(R"({"class": ")") + c.control_class +
                                    R"(", "name": "Shown", "properties": {")" + c.text_property + R"(": )" +
                                    (label ? R"("Orders 1234.50")" : R"("'Orders 1234.50'")") +
                                    R"(, "Alignment": ")" + c.alignment + R"(", "Size": {"Values": [)" + c.values +
                                    "]}}}";
        const std::vector<Word> words = printed_words(dir, layout({band("TitleBand1", "rbTitle", "80", control)}));
        const Word* first = find_word(words, "Orders");
        const Word* last = find_word(words, "1234.50");
        ASSERT_TRUE(first && last);
        if (std::string(c.alignment) == "taCenter")
            EXPECT_NEAR((first->x_min + last->x_max) / 2, c.expected, 1.0);
        else
            EXPECT_NEAR(last->x_max, c.expected, 1.0);
    }
}

// A centred auto-sized expression keeps its centre record after record
// while its text grows and shrinks.
TEST(Placement, ACentredAutoSizedExpressionKeepsItsCentreOverTheRecords) {
    ScratchDir dir("report-placement");
    ASSERT_EQ(make_numbers(dir / "n.db", 60), 0);
    const std::string control = R"({"class": "TBRExpr", "name": "Centred", "properties": {
        "Expression": "[t]", "Alignment": "taCenter", "Size": {"Values": ["50", "700", "0", "500"]}}})";
    const std::string query = R"(, {"class": "TQuery", "name": "Numbers", "properties": {"SQL": [
        "select i, substr('WiWiWiWiWiWiWiWiWi', 1, 1 + (i * 7) % 17) as t from n order by i"]}})";
    const std::string json = layout({band("DetailBand1", "rbDetail", "60", control)}, query, "Numbers");
    const std::vector<Word> words = printed_words(dir, json, "--db " + shell_quote(dir / "n.db"));
    ASSERT_EQ(words.size(), 60u);
    const double centre = kBandLeft + 950 * 72 / 254.0;
    for (const Word& w : words) EXPECT_NEAR((w.x_min + w.x_max) / 2, centre, 1.0) << w.text;
}

// ParentFont: a text control prints in its band's font, or through its
// band in the report's; without it, in its own.
TEST(Placement, AControlWithParentFontPrintsInItsParentsFont) {
    ScratchDir dir("report-placement");
    const std::string report_font = R"({"Name": "Arial", "Height": -32})";                // 24 points
    const std::string band_font = R"(, "Font": {"Name": "Times New Roman", "Height": -27})";  // 20 points
    struct Case {
        const char* what;
        std::string band_properties;
        std::string control;
        double points;
    };
    const Case cases[] = {
        {"a label takes its band's font", band_font,
         R"({"class": "TBRLabel", "name": "Shown", "properties": {"Caption": "Parented", "ParentFont": true}})", 20},
        {"an expression takes its band's font", band_font,
         R"({"class": "TBRExpr", "name": "Shown", "properties": {"Expression": "'Parented'", "ParentFont": true}})",
         20},
        {"through a band that takes the report's", R"(, "ParentFont": true)",
         R"({"class": "TBRLabel", "name": "Shown", "properties": {"Caption": "Parented", "ParentFont": true}})", 24},
        {"the parent's font over a font of its own", band_font,
         R"({"class": "TBRLabel", "name": "Shown", "properties": {"Caption": "Parented",
            "Font": {"Name": "Arial", "Height": -11}, "FontSize": 8, "ParentFont": true}})", 20},
        {"without ParentFont its own font", band_font,
         R"({"class": "TBRLabel", "name": "Shown", "properties": {"Caption": "Parented"}})", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Word> words = printed_words(
            dir, layout({band("TitleBand1", "rbTitle", "200", c.control, c.band_properties)}, "", "", report_font));
        const Word* w = find_word(words, "Parented");
        ASSERT_NE(w, nullptr);
        // A line of the metric-compatible families is about 1.15 em high.
        EXPECT_NEAR((w->y_max - w->y_min) / 1.15, c.points, 1.0);
    }
}

// A control using its parent's font follows the parent's changes, leaves
// it when given a font of its own, and is stored as following it.
TEST(Placement, ParentFontFollowsTheParentAndIsStored) {
    controls_test::ScopedFontEngine fonts;
    const std::string control =
        R"({"class": "TBRLabel", "name": "Shown", "properties": {"Caption": "Parented", "ParentFont": true}})";
    auto report = load(layout({band("TitleBand1", "rbTitle", "200", control, R"(, "ParentFont": true)")}, "", "",
                              R"({"Name": "Arial", "Height": -32})"));
    ASSERT_TRUE(report);
    auto* label = dynamic_cast<TBRLabel*>(report->FindComponent("Shown"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->ParentFont());
    EXPECT_EQ(label->Font.Size(), 24);

    // Stored without a font of its own, and read back following the parent.
    const nlohmann::json stored = nlohmann::json::parse(core::write_component(*report));
    const nlohmann::json& written = stored["children"][0]["children"][0]["properties"];
    EXPECT_EQ(written.value("ParentFont", false), true);
    EXPECT_FALSE(written.contains("Font"));
    auto again = load(stored.dump());
    ASSERT_TRUE(again);
    auto* read_back = dynamic_cast<TBRLabel*>(again->FindComponent("Shown"));
    ASSERT_NE(read_back, nullptr);
    EXPECT_TRUE(read_back->ParentFont());
    EXPECT_EQ(read_back->Font.Size(), 24);

    // The report's font changes: the band and the label follow.
    report->Font.SetSize(36);
    report->FontChanged();
    EXPECT_EQ(label->Font.Size(), 36);

    // A font of its own ends the link.
    TFont own;
    own.Name = "Courier New";
    own.SetSize(9);
    label->SetFont(own);
    EXPECT_FALSE(label->ParentFont());
    report->Font.SetSize(12);
    report->FontChanged();
    EXPECT_EQ(label->Font.Size(), 9);
    EXPECT_EQ(label->Font.Name, "Courier New");
}

// A report variable that uses the page number, named twice by a page
// footer's expression, gives each page its own number.
TEST(Placement, AVariableUsingThePageNumberFollowsEachPage) {
    ScratchDir dir("report-placement");
    ASSERT_EQ(make_numbers(dir / "n.db", 120), 0);
    const std::string footer_control = R"j({"class": "TBRExpr", "name": "PageNo", "properties": {
        "Expression": "'P' + STR(PG + PG)", "Size": {"Values": ["50", "0", "0", "500"]}}})j";
    const std::string query = R"(, {"class": "TQuery", "name": "Numbers", "properties": {"SQL": ["select i from n"]}})";
    const std::string json = layout({band("DetailBand1", "rbDetail", "100"),
                                     band("PageFooterBand1", "rbPageFooter", "100", footer_control)},
                                    query, "Numbers");
    const std::vector<Word> words =
        printed_words(dir, json, "--db " + shell_quote(dir / "n.db") + " --env 'PG=PAGENUMBER * 5'");
    std::vector<std::string> numbers;
    for (const Word& w : words) numbers.push_back(w.text);
    EXPECT_EQ(numbers, (std::vector<std::string>{"P10", "P20", "P30", "P40", "P50"}));
}
