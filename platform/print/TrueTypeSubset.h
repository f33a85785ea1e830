#pragma once
// A TrueType font cut down to the glyphs a document uses, for embedding in a
// PDF: glyph ids stay as they are, the outlines of every other glyph are
// emptied (the components of a kept composite glyph are kept), and the font
// keeps only the tables a PDF viewer draws with.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace print {

// A font's table by its four-letter tag; empty when the font has none.
using FontTables = std::function<std::string(std::string_view tag)>;

// The figures of a font the PDF's font descriptor and widths need, read
// from its head, hhea and hmtx tables. nullopt when they are missing or
// damaged.
struct FontFacts {
    int UnitsPerEm = 1000;
    int XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    int Ascent = 0, Descent = 0;
    int NumGlyphs = 0;
    std::vector<uint16_t> Advances;  // per glyph id, font units
};
std::optional<FontFacts> read_font_facts(const FontTables& tables);

// The subset font file holding the outlines of `used` (glyph ids; 0 is
// always kept); empty when the font has no TrueType outlines or its tables
// are damaged.
std::string subset_truetype(const FontTables& tables, std::span<const uint16_t> used);

}  // namespace print
