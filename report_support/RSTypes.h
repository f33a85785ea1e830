#pragma once
// The library's types: the paper table, the page orientation, and the
// names of band and information types.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/graphics/Printers.h"

namespace report_support {

// The page orientation of the print parameters: the printer's own type, so
// a report's page, the printer settings and the parameters agree.
using TRSPageOrientation = TPrinterOrientation;

// One paper size.
struct TRSPaperInfo {
    double WidthMM = 0;
    double HeightMM = 0;
    std::string Description;       // display text, naming the size
    bool Emulated = false;         // no printer paper code: printed on a custom size
    std::int32_t WindowsPaperCode = 0;  // printer paper code; 0 while emulated
};

inline constexpr int PaperCount = 141;
// The index of "User Defined", the last entry (code 256, no size).
inline constexpr int UserDefinedPaper = 140;

// The paper table: every entry zero and empty until start-up.
std::array<TRSPaperInfo, PaperCount>& RSPaperTable();

// One row of the paper data the table is built from; code 0 = emulated.
struct PaperRow {
    std::string_view Description;
    double WidthMM;
    double HeightMM;
    std::int32_t WindowsPaperCode;
};
const std::array<PaperRow, PaperCount>& PaperRows();

// Fills one entry and marks it emulated; its code is left as it is. Both
// functions raise ERangeError "Range check error" for an index outside the table.
void SetPaperEntry(int index, std::string_view description, double width_mm, double height_mm);
// Gives an entry its printer paper code; it is no longer emulated.
void SetPaperCode(int index, std::int32_t code);
// Start-up: every entry in index order, then the codes in index order.
void BuildPaperTable();
// Shut-down: every entry back to zero and empty.
void ClearPaperTable();

// Band and information type names, in the order of their types.
inline constexpr std::array<std::string_view, 7> RSBandTypeNames{
    "Header", "Title", "ColumnHeader", "Detail", "ColumnFooter", "Summary", "Footer"};
inline constexpr std::array<std::string_view, 14> RSInfoTypeNames{
    "CarbonCopy", "Date",  "DetailCount", "FullDate",    "Hour",  "Junction", "LastPageNumber",
    "Mend",       "Now",   "PageNumber",  "PagePreview", "Title", "RecNo",    "CopyNo"};

}  // namespace report_support
