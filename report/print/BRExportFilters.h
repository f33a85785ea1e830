#pragma once
// The registry of export filters, which gives the preview's save dialog its
// file-type list, and the constant tables of the export units.
//
// A filter entry makes an export filter object for a chosen file name; the
// preview's save dialog offers the page stream file first ("BandReport
// file(*.BRP)|*.BRP") and every entry after it in list order. The list starts
// empty: the system itself brings no export filter.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"

class TBRPrinter;

// One export filter: what makes its filter object, and how the save dialog names it.
struct TBRExportFilterEntry {
    std::function<std::unique_ptr<TObject>(const std::string& fileName)> FilterClass;
    std::string Description;
    std::string Extension;  // without the dot
};

class TBRExportFilterLibrary {
public:
    TBRExportFilterLibrary() = default;
    TBRExportFilterLibrary(const TBRExportFilterLibrary&) = delete;
    TBRExportFilterLibrary& operator=(const TBRExportFilterLibrary&) = delete;

    void Add(TBRExportFilterEntry entry) { filters_.push_back(std::move(entry)); }
    const std::vector<TBRExportFilterEntry>& Filters() const { return filters_; }

    // The save dialog's filter text: "BandReport file(*.BRP)|*.BRP", then for
    // each entry "|description (*.ext)|*.ext".
    std::string SaveDialogFilterText() const;

    // What the save dialog does with its answer: filter index 1 saves the
    // printer's page stream; index k above 1 makes entry k - 2's filter for
    // fileName, hands it to the printer's export hook and frees it. False
    // (and nothing done) for an index with no entry.
    bool SaveWithFilter(TBRPrinter& printer, int filterIndex, const std::string& fileName) const;

private:
    std::vector<TBRExportFilterEntry> filters_;
};

namespace report {

// The save dialog's default extension.
inline constexpr std::string_view PageStreamExtension = "BRP";

// The engine-wide registry; it exists between the printer engine's start-up
// and shut-down (nullptr outside).
TBRExportFilterLibrary* ExportFilterLibrary();

// The RTF font-family control words, by font family.
inline constexpr std::array<std::string_view, 8> RtfFontFamilyWords = {
    "\\fnil", "\\froman", "\\fswiss", "\\fmodern", "\\fscript", "\\fdecor", "\\ftech", "\\fbidi"};

// The PDF base font families.
inline constexpr std::array<std::string_view, 5> PdfBaseFontFamilies = {"Courier", "Helvetica", "Times", "Symbol",
                                                                       "ZapfDingbats"};

}  // namespace report

// One record of the glyph-name table of the PDF export: a glyph name and
// the character code it stands for.
struct TUniGlyphRecord {
    std::uint16_t Code;
    std::string_view Name;
};

namespace report {
inline constexpr std::size_t UniGlyphCount = 1051;
}  // namespace report

// The glyph-name table: the glyph names of the standard glyph list with
// their Unicode values, sorted by name in byte order; the twelve names that
// stand for two characters (Delta, Omega, space, ...) come twice, each
// followed by its second code. No code occurs twice.
extern const std::span<const TUniGlyphRecord, report::UniGlyphCount> UniGlyph;
