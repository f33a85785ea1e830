// The glyph-name table of the PDF export, against the glyph list it was
// copied from (tests/data/glyph-list-1.2.txt, "NAME;XXXX" a line) and
// against what is known of the list itself.

#include "report/print/BRExportFilters.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

using namespace test_support;

namespace {

std::string glyph_list() { return read_file(source_path("report/print/tests/data/glyph-list-1.2.txt")); }

std::string hex4(unsigned code) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", code);
    return text;
}

}  // namespace

// Row for row the list, in its order.
TEST(GlyphTable, HoldsTheGlyphListRowForRow) {
    const std::vector<std::string> lines = output_lines(glyph_list());
    ASSERT_EQ(lines.size(), 1051u);
    ASSERT_EQ(UniGlyph.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(std::string(UniGlyph[i].Name) + ";" + hex4(UniGlyph[i].Code), lines[i]) << "row " << i;
}

// What the list is known to be: sorted by name in byte order, codes from
// U+0020 to U+FB4B, none twice, the twelve names of two characters each
// followed by its second code, and a few well-known glyphs.
TEST(GlyphTable, IsTheStandardGlyphList) {
    EXPECT_TRUE(std::is_sorted(UniGlyph.begin(), UniGlyph.end(),
                               [](const TUniGlyphRecord& a, const TUniGlyphRecord& b) { return a.Name < b.Name; }));
    std::set<unsigned> codes;
    for (const TUniGlyphRecord& g : UniGlyph) EXPECT_TRUE(codes.insert(g.Code).second) << hex4(g.Code) << " twice";
    EXPECT_EQ(*codes.begin(), 0x0020u);
    EXPECT_EQ(*codes.rbegin(), 0xFB4Bu);

    std::map<std::string_view, std::vector<unsigned>> by_name;
    for (const TUniGlyphRecord& g : UniGlyph) by_name[g.Name].push_back(g.Code);
    const std::vector<std::pair<std::string_view, std::vector<unsigned>>> twice = {
        {"Delta", {0x2206, 0x0394}},        {"Omega", {0x2126, 0x03A9}},    {"Scedilla", {0x015E, 0xF6C1}},
        {"Tcommaaccent", {0x0162, 0x021A}}, {"fraction", {0x2044, 0x2215}}, {"hyphen", {0x002D, 0x00AD}},
        {"macron", {0x00AF, 0x02C9}},       {"mu", {0x00B5, 0x03BC}},       {"periodcentered", {0x00B7, 0x2219}},
        {"scedilla", {0x015F, 0xF6C2}},     {"space", {0x0020, 0x00A0}},    {"tcommaaccent", {0x0163, 0x021B}},
    };
    std::vector<std::pair<std::string_view, std::vector<unsigned>>> found;
    for (const auto& [name, list] : by_name)
        if (list.size() > 1) found.emplace_back(name, list);
    EXPECT_EQ(found, twice);

    const std::pair<std::string_view, unsigned> known[] = {
        {"A", 0x0041}, {"AE", 0x00C6}, {"Euro", 0x20AC}, {"fi", 0xFB01}, {"zero", 0x0030}, {"ydieresis", 0x00FF},
    };
    for (const auto& [name, code] : known) EXPECT_EQ(by_name[name], std::vector<unsigned>{code}) << name;
}

// report-tool support glyphs: name, TAB, four hexadecimal digits, one record
// a line in stored order.
TEST(GlyphTable, ToolListsEveryRecord) {
    const SplitResult r = run_split(shell_quote(tool_path("report-tool")) + " support glyphs");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected = glyph_list();
    std::replace(expected.begin(), expected.end(), ';', '\t');
    EXPECT_EQ(r.out, expected);
}
