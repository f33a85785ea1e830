// Stretching text, line ends in field values, groups across pages and
// custom paper, end to end: layouts written by hand as JSON (as the README
// shows), run by report-tool into PDFs read back with poppler-utils
// (pdftotext, pdfinfo).

#include "report/print/tests/IppPrinter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace test_support;

namespace {

std::string tool() { return shell_quote(tool_path("report-tool")); }

SplitResult run_tool(const std::string& args) {
    return run_split("env -u XDG_RUNTIME_DIR LC_ALL=C " + tool() + " " + args);
}

// Replaces every "@NAME@" of a text by its value.
std::string fill(std::string text, const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) {
        const std::string key = "@" + name + "@";
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    return text;
}

// "w00001 w00002 ..." up to `count`.
std::vector<std::string> numbered_words(int count) {
    std::vector<std::string> words;
    for (int i = 1; i <= count; ++i) {
        std::string n = std::to_string(i);
        words.push_back("w" + std::string(5 - n.size(), '0') + n);
    }
    return words;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    return text;
}

// The pages of a PDF, each as its non-empty lines.
std::vector<std::vector<std::string>> pdf_page_lines(const std::string& pdf) {
    std::vector<std::vector<std::string>> pages(1);
    std::istringstream in(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
    for (std::string line; std::getline(in, line);) {
        for (std::size_t ff; (ff = line.find('\f')) != std::string::npos;) {
            line.erase(ff, 1);
            pages.emplace_back();
        }
        const std::size_t a = line.find_first_not_of(' ');
        if (a != std::string::npos) pages.back().push_back(line.substr(a, line.find_last_not_of(' ') - a + 1));
    }
    while (!pages.empty() && pages.back().empty()) pages.pop_back();
    return pages;
}

// An A4 portrait report, margins of 10 mm (a printable length of 2770
// tenths of a millimetre), a detail band of @BAND@ tenths holding a
// stretching label (height @HEIGHT@, top @TOP@, 190 mm wide), and a summary
// band with the text "END".
const char* const kStretchLayout = R"({
  "class": "TBandReport", "name": "StretchReport",
  "properties": {
    "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
             "Values": ["100", "2970", "100", "2100", "100", "100", "0"]}
  },
  "children": [
    {"class": "TBRBand", "name": "DetailBand1",
     "properties": {"BandType": "rbDetail", "Size": {"Values": ["@BAND@", "1900"]}},
     "children": [
       {"class": "TBRLabel", "name": "Words",
        "properties": {"AutoSize": false, "AutoStretch": true, "Caption": "@TEXT@",
                       "Size": {"Values": ["@HEIGHT@", "0", "@TOP@", "1900"]}}}
     ]},
    {"class": "TBRBand", "name": "SummaryBand1",
     "properties": {"BandType": "rbSummary", "Size": {"Values": ["100", "1900"]}},
     "children": [
       {"class": "TBRLabel", "name": "End",
        "properties": {"AutoSize": false, "Caption": "END", "Size": {"Values": ["50", "0", "0", "500"]}}}
     ]}
  ]
})";

struct StretchRun {
    int pages = 0;
    std::vector<std::string> words;
    int end_page = 0;   // the page the summary's END is on
};

StretchRun run_stretch(const ScratchDir& dir, int band, int height, int top, const std::string& caption) {
    const std::string layout = dir / "stretch.json", pdf = dir / "stretch.pdf";
    write_file(layout, fill(kStretchLayout, {{"BAND", std::to_string(band)},
                                             {"HEIGHT", std::to_string(height)},
                                             {"TOP", std::to_string(top)},
                                             {"TEXT", caption}}));
    StretchRun result;
    const SplitResult r = run_tool("run " + shell_quote(layout) + " --pdf " + shell_quote(pdf));
    EXPECT_EQ(r.status, 0) << r.err;
    result.pages = pdf_pages(pdf);
    EXPECT_EQ(r.out, "pages\t" + std::to_string(result.pages) + "\n");
    const std::string text = capture("pdftotext " + shell_quote(pdf) + " -");
    std::istringstream in(text);
    for (std::string w; in >> w;)
        if (w[0] == 'w') result.words.push_back(w);
    // Pages end with a form feed.
    const std::size_t end = text.find("END");
    if (end != std::string::npos) result.end_page = 1 + int(std::count(text.begin(), text.begin() + long(end), '\f'));
    return result;
}

}  // namespace

// Every word of a stretching text prints once, in order, however the band
// and the label compare with the printable length: shorter, equal, taller,
// or a label that starts low in a tall band.
TEST(StretchedText, EveryWordPrintsOnceInOrderWhateverTheBandsHeight) {
    struct Case {
        const char* what;
        int band, height, top;
    };
    const Case cases[] = {
        {"a one-line band", 50, 50, 0},
        {"a band just shorter than the printable length", 2740, 2740, 0},
        {"a band as long as the printable length", 2770, 2770, 0},
        {"a band longer than the page", 3200, 3200, 0},
        {"a label low in a band longer than the page", 3200, 1000, 2500},
    };
    const std::vector<std::string> words = numbered_words(2000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir("report-stretch");
        const StretchRun run = run_stretch(dir, c.band, c.height, c.top, joined(words));
        EXPECT_GE(run.pages, 2);
        EXPECT_EQ(run.words, words);
        EXPECT_EQ(run.end_page, run.pages);
    }
}

// A continuation page takes the room its remaining text needs, not the
// band's design height again: a short label in a tall band needs about the
// pages a band of its own height needs, and what follows the rest of the
// text prints right below it.
TEST(StretchedText, AContinuationTakesOnlyTheRoomItsTextNeeds) {
    const std::vector<std::string> many = numbered_words(5000);
    ScratchDir dir("report-stretch");
    const StretchRun small = run_stretch(dir, 50, 50, 0, joined(many));
    const StretchRun tall = run_stretch(dir, 2500, 50, 0, joined(many));
    EXPECT_EQ(small.words, many);
    EXPECT_EQ(tall.words, many);
    // The tall band's first page keeps its design height; the others do not.
    EXPECT_LE(tall.pages, small.pages + 1);

    // 290 words: the first page of a 2500 band holds a few lines of them,
    // the rest and the summary share page 2.
    const std::vector<std::string> few = numbered_words(290);
    const StretchRun spill = run_stretch(dir, 2500, 50, 0, joined(few));
    EXPECT_EQ(spill.words, few);
    EXPECT_EQ(spill.pages, 2);
    EXPECT_EQ(spill.end_page, 2);
}

// A field's text breaks at each line end, whichever the data carries: a
// bare LF as on Linux, CR LF, or a CR alone.
TEST(FieldText, EveryLineEndBreaksTheLine) {
    ScratchDir dir("report-stretch");
    const std::string db = dir / "notes.db", layout = dir / "notes.json", pdf = dir / "notes.pdf";
    ASSERT_EQ(run_status("sqlite3 " + shell_quote(db) +
                         " \"create table notes(id integer primary key, note text);"
                         " insert into notes(note) values ('LINE001' || char(10) || 'LINE002'),"
                         " ('LINE003' || char(13, 10) || 'LINE004'), ('LINE005' || char(13) || 'LINE006'),"
                         " ('LINE007' || char(10, 10) || 'LINE008');\""),
              0);
    write_file(layout, R"({
      "class": "TBandReport", "name": "NotesReport",
      "properties": {
        "DataSet": "Notes",
        "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
                 "Values": ["100", "2970", "100", "2100", "100", "100", "0"]}
      },
      "children": [
        {"class": "TBRBand", "name": "DetailBand1",
         "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}},
         "children": [
           {"class": "TBRExpr", "name": "Note",
            "properties": {"AutoSize": false, "AutoStretch": true, "Expression": "[note]",
                           "Size": {"Values": ["50", "0", "0", "1000"]}}}
         ]},
        {"class": "TQuery", "name": "Notes",
         "properties": {"SQL": ["select note from notes order by id"]}}
      ]
    })");
    const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " +
                                   shell_quote(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pages = pdf_page_lines(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], (std::vector<std::string>{"LINE001", "LINE002", "LINE003", "LINE004", "LINE005", "LINE006",
                                               "LINE007", "LINE008"}));
}

namespace {

// A4, margins of 10 mm; a group header of 100 on @EXPR@ that repeats on
// new pages, and a detail of 60 per row of items(grp, sign, item).
const char* const kGroupLayout = R"({
  "class": "TBandReport", "name": "GroupReport",
  "properties": {
    "DataSet": "Items",
    "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
             "Values": ["100", "2970", "100", "2100", "100", "100", "0"]}
  },
  "children": [
    {"class": "TBRGroup", "name": "GroupBand1",
     "properties": {"Expression": "@EXPR@", "ReprintOnNewPage": true, "Size": {"Values": ["100", "1900"]}},
     "children": [
       {"class": "TBRExpr", "name": "Head",
        "properties": {"AutoSize": false, "Expression": "'HEAD ' + [grp]", "Size": {"Values": ["50", "0", "0", "1000"]}}}
     ]},
    {"class": "TBRBand", "name": "DetailBand1",
     "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}},
     "children": [
       {"class": "TBRExpr", "name": "Item",
        "properties": {"AutoSize": false, "Expression": "[item]", "Size": {"Values": ["50", "0", "0", "1000"]}}}
     ]},
    {"class": "TQuery", "name": "Items",
     "properties": {"SQL": ["select grp, sign, item from items order by id"]}}
  ]
})";

}  // namespace

// A group header never ends a page without its first detail under it: a
// page with room for the header of group B but not for its first row
// starts B on the next page, and the repeating header of a group still
// open heads every page it runs on.
TEST(Groups, AHeaderKeepsItsFirstDetailAndRepeatsOnNewPages) {
    ScratchDir dir("report-stretch");
    const std::string db = dir / "items.db", layout = dir / "groups.json", pdf = dir / "groups.pdf";
    // 42 rows of A leave 150 of the page: room for B's header (100), not
    // for its first row too (60). B runs over two pages.
    std::string sql = "create table items(id integer primary key, grp text, sign integer, item text);";
    for (int i = 1; i <= 42; ++i) sql += "insert into items(grp, sign, item) values ('A', 1, 'A" + std::to_string(i) + "');";
    for (int i = 1; i <= 60; ++i) sql += "insert into items(grp, sign, item) values ('B', 1, 'B" + std::to_string(i) + "');";
    ASSERT_EQ(run_status("sqlite3 " + shell_quote(db) + " " + shell_quote(sql)), 0);
    write_file(layout, fill(kGroupLayout, {{"EXPR", "[grp]"}}));
    const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " +
                                   shell_quote(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pages = pdf_page_lines(pdf);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].front(), "HEAD A");
    EXPECT_EQ(pages[0].back(), "A42");
    for (std::size_t p = 1; p < pages.size(); ++p) {
        ASSERT_GE(pages[p].size(), 2u);
        EXPECT_EQ(pages[p][0], "HEAD B") << "page " << p + 1;
    }
    EXPECT_EQ(pages[1][1], "B1");
    // Every row once, in order.
    std::vector<std::string> rows;
    for (const auto& page : pages)
        for (const std::string& line : page)
            if (line.rfind("HEAD", 0) != 0) rows.push_back(line);
    ASSERT_EQ(rows.size(), 102u);
    EXPECT_EQ(rows[42], "B1");
    EXPECT_EQ(rows.back(), "B60");
}

// Group values compare as the expression language's `=` does: 0.0 and
// -0.0 are one group, and so are 2 and 2.0.
TEST(Groups, ValuesEqualByTheExpressionLanguageAreOneGroup) {
    ScratchDir dir("report-stretch");
    const std::string db = dir / "items.db", layout = dir / "groups.json", pdf = dir / "groups.pdf";
    ASSERT_EQ(run_status("sqlite3 " + shell_quote(db) + " " +
                         shell_quote("create table items(id integer primary key, grp text, sign integer, item text);"
                                     "insert into items(grp, sign, item) values ('Z', 1, 'R1'), ('Z', -1, 'R2'),"
                                     " ('Z', 1, 'R3');")),
              0);
    for (const char* expression : {"0.0 * [sign]", "IF([sign] > 0, 2, 2.0)"}) {
        SCOPED_TRACE(expression);
        write_file(layout, fill(kGroupLayout, {{"EXPR", expression}}));
        const SplitResult r = run_tool("run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " +
                                       shell_quote(pdf));
        ASSERT_EQ(r.status, 0) << r.err;
        const auto pages = pdf_page_lines(pdf);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0], (std::vector<std::string>{"HEAD Z", "R1", "R2", "R3"}));
    }
}

namespace {

// A report on custom paper (tenths of a millimetre as the page stands),
// margins of 10 mm: a detail with a right-aligned text as wide as the
// margins allow, and a summary aligned to the bottom with a text 5 mm down.
void write_custom_layout(const std::string& file, const std::string& orientation, int width, int length) {
    const std::string inner = std::to_string(width - 200);
    write_file(file, fill(R"({
      "class": "TBandReport", "name": "CustomReport",
      "properties": {
        "Page": {"PaperSize": "Custom", "Orientation": "@ORIENTATION@", "Columns": 1,
                 "Values": ["100", "@LENGTH@", "100", "@WIDTH@", "100", "100", "0"]}
      },
      "children": [
        {"class": "TBRBand", "name": "DetailBand1",
         "properties": {"BandType": "rbDetail", "Size": {"Values": ["100", "@INNER@"]}},
         "children": [
           {"class": "TBRLabel", "name": "Right",
            "properties": {"AutoSize": false, "Alignment": "taRightJustify", "Caption": "RIGHTEDGE",
                           "Size": {"Values": ["50", "0", "0", "@INNER@"]}}}
         ]},
        {"class": "TBRBand", "name": "SummaryBand1",
         "properties": {"BandType": "rbSummary", "AlignToBottom": true, "Size": {"Values": ["100", "@INNER@"]}},
         "children": [
           {"class": "TBRLabel", "name": "Bottom",
            "properties": {"AutoSize": false, "Caption": "BOTTOMLINE", "Size": {"Values": ["50", "0", "50", "1000"]}}}
         ]}
      ]
    })",
                          {{"ORIENTATION", orientation},
                           {"WIDTH", std::to_string(width)},
                           {"LENGTH", std::to_string(length)},
                           {"INNER", inner}}));
}

}  // namespace

// Custom paper keeps its width, length and orientation end to end: the
// page stream's pages, a PDF made by the run, and one printed later from
// the stored pages have the layout's page; a right-aligned text ends at
// the right margin and a bottom-aligned summary sits on the last page's
// bottom margin, not on an extra page.
TEST(CustomPaper, KeepsItsSizeAndOrientationEndToEnd) {
    struct Case {
        const char* orientation;
        int width, length;   // tenths of a millimetre, as the page stands
    };
    const Case cases[] = {
        {"poLandscape", 2970, 2100},
        {"poLandscape", 2500, 1200},
        {"poPortrait", 1200, 2500},
        {"poPortrait", 2970, 2100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.orientation) + " " + std::to_string(c.width) + " x " + std::to_string(c.length));
        ScratchDir dir("report-stretch");
        const std::string layout = dir / "custom.json", pdf = dir / "run.pdf", brp = dir / "run.brp",
                          printed = dir / "printed.pdf";
        write_custom_layout(layout, c.orientation, c.width, c.length);
        const SplitResult ran = run_tool("run " + shell_quote(layout) + " --pdf " + shell_quote(pdf));
        ASSERT_EQ(ran.status, 0) << ran.err;
        EXPECT_EQ(ran.out, "pages\t1\n");
        const SplitResult stored = run_tool("run " + shell_quote(layout) + " --brp " + shell_quote(brp));
        ASSERT_EQ(stored.status, 0) << stored.err;
        const SplitResult print = run_tool("print " + shell_quote(brp) + " --pdf " + shell_quote(printed));
        ASSERT_EQ(print.status, 0) << print.err;
        const double w_pt = c.width / 254.0 * 72, l_pt = c.length / 254.0 * 72;
        for (const std::string& file : {pdf, printed}) {
            SCOPED_TRACE(file);
            EXPECT_EQ(pdf_pages(file), 1);
            const auto [w, l] = pdf_page_size(file);
            EXPECT_NEAR(w, w_pt, 1.0);
            EXPECT_NEAR(l, l_pt, 1.0);
            const std::string xml = capture("pdftotext -bbox " + shell_quote(file) + " -");
            auto attribute = [&](const std::string& word, const std::string& name) {
                const std::size_t at = xml.find(">" + word + "</word>");
                if (at == std::string::npos) return -1.0;
                const std::size_t start = xml.rfind("<word ", at);
                return std::stod(xml.substr(xml.find(name + "=\"", start) + name.size() + 2));
            };
            // The right edge at the right margin; the summary's text 5 mm
            // above the bottom margin's band bottom.
            EXPECT_NEAR(attribute("RIGHTEDGE", "xMax"), (c.width - 100) / 254.0 * 72, 3.0) << xml;
            EXPECT_NEAR(attribute("BOTTOMLINE", "yMin"), (c.length - 100 - 100 + 50) / 254.0 * 72, 3.0) << xml;
        }
    }
}

// A printer gets the custom page as the layout stands: a landscape page of
// 297 x 210 mm comes out of the job 842 x 595 points.
TEST(CustomPaper, APrinterGetsTheLayoutsPage) {
    report::testing::IppPrinter printer;
    ASSERT_TRUE(printer.running()) << printer.why();
    ScratchDir dir("report-stretch");
    const std::string layout = dir / "custom.json";
    write_custom_layout(layout, "poLandscape", 2970, 2100);
    const SplitResult r = run_split(std::string(report::testing::kNoCupsServer) + " " + tool() + " run " +
                                    shell_quote(layout) + " --printer " + printer.uri());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "pages\t1\n");
    const std::vector<std::string> spooled = printer.await_spooled();
    ASSERT_EQ(spooled.size(), 1u);
    EXPECT_EQ(pdf_pages(spooled[0]), 1);
    const auto [w, l] = pdf_page_size(spooled[0]);
    EXPECT_NEAR(w, 842, 1.0);
    EXPECT_NEAR(l, 595, 1.0);
    const std::string text = capture("pdftotext " + shell_quote(spooled[0]) + " -");
    EXPECT_NE(text.find("RIGHTEDGE"), std::string::npos);
    EXPECT_NE(text.find("BOTTOMLINE"), std::string::npos);
}
