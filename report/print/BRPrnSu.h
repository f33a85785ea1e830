#pragma once
// Paper sizes and paper sources of the report engine, the tables that tie
// them to the printer's paper and source codes and to their sizes, and the
// printer settings: TPrinterSettings reads a printer's device mode into the
// engine's values and writes them back; TBRPrinterSettings holds a report's
// defaults (published by TBandReportPrinterSettings).
//
// Lengths are in tenths of a millimetre unless a name says otherwise.

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/graphics/Printers.h"

enum class TBRPaperSize : std::uint8_t {
    Default, Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive, A3, A4, A4Small, A5,
    B4, B5, Folio, Quarto, br10X14, br11X17, Note, Env9, Env10, Env11, Env12, Env14, CSheet, DSheet,
    ESheet, EnvDL, EnvC5, EnvC3, EnvC4, EnvC6, EnvC65, EnvB4, EnvB5, EnvB6, EnvItaly, EnvMonarch,
    EnvPersonal, FanfoldUSStd, FanfoldGerStd, FanfoldGerLegal, B4ISO, PostcardJap, br9X11, br10X11,
    br15X11, EnvInvite, Reserved1, Reserved2, LetterExtra, LegalExtra, TabloidExtra, A4Extra,
    LetterTrans, A4Trans, LetterExtraTrans, SuperASuperAA4, SuperBSuperBA3, LetterPlus, A4Plus,
    A5Trans, B5Trans, A3Extra, A5Extra, B5Extra, A2, A3Trans, A3ExtraTrans, Custom
};

enum class TBRBin : std::uint8_t {
    First, Upper, Lower, Middle, Manual, Envelope, EnvManual, Auto, Tractor, SmallFormat, LargeFormat,
    LargeCapacity, Cassette, Last
};

namespace report {

inline constexpr int PaperSizeCount = 70;
inline constexpr int BinCount = 14;

// One paper size: its identifier, its printer paper code, its size in millimetres (0 x 0 for
// Default and Custom, which have none) and its display name.
struct PaperRow {
    TBRPaperSize Size;
    std::string_view Ident;
    std::int32_t Code;
    double Width, Height;
    std::string_view Name;
};

// Every paper size in ordinal order. Sizes are kept exactly as listed (the
// envelope B6 is wider than high, the two reserved sizes are 100 x 100 mm).
inline constexpr PaperRow PaperRows[PaperSizeCount] = {
    {TBRPaperSize::Default, "Default", 0, 0, 0, "Default size"},
    {TBRPaperSize::Letter, "Letter", 1, 215.9, 279.4, "Letter 8 1/2 x 11 in"},
    {TBRPaperSize::LetterSmall, "LetterSmall", 2, 215.9, 279.4, "Letter Small 8 1/2 x 11 in"},
    {TBRPaperSize::Tabloid, "Tabloid", 3, 279.4, 431.8, "Tabloid 11 x 17 in"},
    {TBRPaperSize::Ledger, "Ledger", 4, 431.8, 279.4, "Ledger 17 x 11 in"},
    {TBRPaperSize::Legal, "Legal", 5, 215.9, 355.6, "Legal 8 1/2 x 14 in"},
    {TBRPaperSize::Statement, "Statement", 6, 139.7, 215.9, "Statement 5 1/2 x 8 1/2 in"},
    {TBRPaperSize::Executive, "Executive", 7, 190.5, 254, "Executive 7 1/2 x 10 in"},
    {TBRPaperSize::A3, "A3", 8, 297, 420, "A3 297 x 420 mm"},
    {TBRPaperSize::A4, "A4", 9, 210, 297, "A4 210 x 297 mm"},
    {TBRPaperSize::A4Small, "A4Small", 10, 210, 297, "A4 Small 210 x 297 mm"},
    {TBRPaperSize::A5, "A5", 11, 148, 210, "A5 148 x 210 mm"},
    {TBRPaperSize::B4, "B4", 12, 250, 354, "B4 250 x 354 mm"},
    {TBRPaperSize::B5, "B5", 13, 182, 257, "B5 182 x 257 mm"},
    {TBRPaperSize::Folio, "Folio", 14, 215.9, 330.2, "Folio 8 1/2 x 13 in"},
    {TBRPaperSize::Quarto, "Quarto", 15, 215, 275, "Quarto 215 x 275 mm"},
    {TBRPaperSize::br10X14, "br10X14", 16, 254, 355.6, "10 x 14 in"},
    {TBRPaperSize::br11X17, "br11X17", 17, 279.4, 431.8, "11 x 17 in"},
    {TBRPaperSize::Note, "Note", 18, 215.9, 279.4, "Note 8 1/2 x 11 in"},
    {TBRPaperSize::Env9, "Env9", 19, 98.43, 225.4, "Envelope #9 3 7/8 x 8 7/8"},
    {TBRPaperSize::Env10, "Env10", 20, 104.8, 241.3, "Envelope #10 4 1/8 x 9 1/2"},
    {TBRPaperSize::Env11, "Env11", 21, 114.3, 263.5, "Envelope #11 4 1/2 x 10 3/8"},
    {TBRPaperSize::Env12, "Env12", 22, 120.7, 279.4, "Envelope #12 4 3/4 x 11"},
    {TBRPaperSize::Env14, "Env14", 23, 127, 292.1, "Envelope #14 5 x 11 1/2"},
    {TBRPaperSize::CSheet, "CSheet", 24, 431.8, 558.8, "C sheet 17 x 22 in"},
    {TBRPaperSize::DSheet, "DSheet", 25, 558.8, 863.6, "D sheet 22 x 34 in"},
    {TBRPaperSize::ESheet, "ESheet", 26, 863.6, 1117.6, "E sheet 34 x 44 in"},
    {TBRPaperSize::EnvDL, "EnvDL", 27, 110, 220, "Envelope DL 110 x 220 mm"},
    {TBRPaperSize::EnvC5, "EnvC5", 28, 162, 229, "Envelope C5 162 x 229 mm"},
    {TBRPaperSize::EnvC3, "EnvC3", 29, 324, 458, "Envelope C3 324 x 458 mm"},
    {TBRPaperSize::EnvC4, "EnvC4", 30, 229, 324, "Envelope C4 229 x 324 mm"},
    {TBRPaperSize::EnvC6, "EnvC6", 31, 114, 162, "Envelope C6 114 x 162 mm"},
    {TBRPaperSize::EnvC65, "EnvC65", 32, 114, 229, "Envelope C65 114 x 229 mm"},
    {TBRPaperSize::EnvB4, "EnvB4", 33, 250, 353, "Envelope B4 (JIS) 250 x 353 mm"},
    {TBRPaperSize::EnvB5, "EnvB5", 34, 176, 250, "Envelope B5 (JIS) 176 x 250 mm"},
    {TBRPaperSize::EnvB6, "EnvB6", 35, 176, 125, "Envelope B6 176 x 125 mm"},
    {TBRPaperSize::EnvItaly, "EnvItaly", 36, 110, 230, "Envelope 110 x 230 mm"},
    {TBRPaperSize::EnvMonarch, "EnvMonarch", 37, 98.43, 190.5, "Envelope Monarch 3.875 x 7.5 in"},
    {TBRPaperSize::EnvPersonal, "EnvPersonal", 38, 92.01, 165.1, "6 3/4 Envelope 3 5/8 x 6 1/2 in"},
    {TBRPaperSize::FanfoldUSStd, "FanfoldUSStd", 39, 377.8, 279.4, "US Std Fanfold 14 7/8 x 11 in"},
    {TBRPaperSize::FanfoldGerStd, "FanfoldGerStd", 40, 215.9, 304.8, "German Std Fanfold 8 1/2 x 12 in"},
    {TBRPaperSize::FanfoldGerLegal, "FanfoldGerLegal", 41, 215.9, 330.2, "German Legal Fanfold 8 1/2 x 13 in"},
    {TBRPaperSize::B4ISO, "B4ISO", 42, 250, 353, "B4 (ISO) 250 x 353 mm"},
    {TBRPaperSize::PostcardJap, "PostcardJap", 43, 100, 148, "Japanese Postcard 100 x 148 mm"},
    {TBRPaperSize::br9X11, "br9X11", 44, 228.6, 279.4, "9 x 11 in"},
    {TBRPaperSize::br10X11, "br10X11", 45, 254, 279.4, "10 x 11 in"},
    {TBRPaperSize::br15X11, "br15X11", 46, 381, 279.4, "15 x 11 in"},
    {TBRPaperSize::EnvInvite, "EnvInvite", 47, 220, 220, "Envelope Invite 220 x 220 mm"},
    {TBRPaperSize::Reserved1, "Reserved1", 48, 100, 100, "RESERVED--DO NOT USE"},
    {TBRPaperSize::Reserved2, "Reserved2", 49, 100, 100, "RESERVED--DO NOT USE"},
    {TBRPaperSize::LetterExtra, "LetterExtra", 50, 241.3, 304.8, "Letter Extra 9 1/2 x 12 in"},
    {TBRPaperSize::LegalExtra, "LegalExtra", 51, 241.3, 381, "Legal Extra 9 1/2 x 15 in"},
    {TBRPaperSize::TabloidExtra, "TabloidExtra", 52, 296.9, 457.2, "Tabloid Extra 11.69 x 18 in"},
    {TBRPaperSize::A4Extra, "A4Extra", 53, 236, 322, "A4 Extra 236 x 322 mm"},
    {TBRPaperSize::LetterTrans, "LetterTrans", 54, 279.4, 215.9, "Letter Transverse 11 x 8 1/2 in"},
    {TBRPaperSize::A4Trans, "A4Trans", 55, 297, 210, "A4 Transverse 297 z 210 mm"},
    {TBRPaperSize::LetterExtraTrans, "LetterExtraTrans", 56, 304.8, 241.3, "Letter Extra Transverse 12 x 9 1/2 in"},
    {TBRPaperSize::SuperASuperAA4, "SuperASuperAA4", 57, 227, 356, "SuperASuperAA4 227 x 356 mm"},
    {TBRPaperSize::SuperBSuperBA3, "SuperBSuperBA3", 58, 305, 487, "SuperBSuperBA3 305 x 487 mm"},
    {TBRPaperSize::LetterPlus, "LetterPlus", 59, 215.9, 322.3, "Letter Plus 8.5 x 12.69 in"},
    {TBRPaperSize::A4Plus, "A4Plus", 60, 210, 330, "A4 Plus 210 x 330 mm"},
    {TBRPaperSize::A5Trans, "A5Trans", 61, 210, 148, "A5 Transverse 210 x 148 mm"},
    {TBRPaperSize::B5Trans, "B5Trans", 62, 257, 182, "B5 (JIS) Transverse 257 x 182 mm"},
    {TBRPaperSize::A3Extra, "A3Extra", 63, 322, 445, "A3 Extra 322 x 445 mm"},
    {TBRPaperSize::A5Extra, "A5Extra", 64, 174, 235, "A5 Extra 174 x 235 mm"},
    {TBRPaperSize::B5Extra, "B5Extra", 65, 201, 276, "B5 (ISO) Extra 201 x 276 mm"},
    {TBRPaperSize::A2, "A2", 66, 420, 594, "A2 420 x 594 mm"},
    {TBRPaperSize::A3Trans, "A3Trans", 67, 420, 297, "A3 Transverse 420 z 297 mm"},
    {TBRPaperSize::A3ExtraTrans, "A3ExtraTrans", 68, 445, 322, "A3 Extra Transverse 445 z 322 mm"},
    {TBRPaperSize::Custom, "Custom", 256, 0, 0, "Custom Size"},
};

// One paper source, its identifier and its printer source code (First and
// Upper share 1, Cassette and Last share 14).
struct BinRow {
    TBRBin Bin;
    std::int32_t Code;
    std::string_view Ident;
};
inline constexpr BinRow BinRows[BinCount] = {
    {TBRBin::First, 1, "First"},          {TBRBin::Upper, 1, "Upper"},
    {TBRBin::Lower, 2, "Lower"},          {TBRBin::Middle, 3, "Middle"},
    {TBRBin::Manual, 4, "Manual"},        {TBRBin::Envelope, 5, "Envelope"},
    {TBRBin::EnvManual, 6, "EnvManual"},  {TBRBin::Auto, 7, "Auto"},
    {TBRBin::Tractor, 8, "Tractor"},      {TBRBin::SmallFormat, 9, "SmallFormat"},
    {TBRBin::LargeFormat, 10, "LargeFormat"}, {TBRBin::LargeCapacity, 11, "LargeCapacity"},
    {TBRBin::Cassette, 14, "Cassette"},   {TBRBin::Last, 14, "Last"},
};

// A paper's size in millimetres, width then height.
struct PaperDimension {
    double Width = 0, Height = 0;
};

namespace detail {
template <class T, std::size_t N, class F>
constexpr std::array<T, N> column(F f) {
    std::array<T, N> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = f(i);
    return out;
}
}  // namespace detail

}  // namespace report

// The columns of the rows, indexed by ordinal. PaperDimensionTable has a
// size for Letter (1) to A3ExtraTrans (68); Default and Custom read 0 x 0.
inline constexpr std::array<report::PaperDimension, report::PaperSizeCount> PaperDimensionTable =
    report::detail::column<report::PaperDimension, report::PaperSizeCount>([](std::size_t i) {
        return report::PaperDimension{report::PaperRows[i].Width, report::PaperRows[i].Height};
    });
namespace report {
inline constexpr std::array<std::int32_t, PaperSizeCount> PaperCodeTable =
    detail::column<std::int32_t, PaperSizeCount>([](std::size_t i) { return PaperRows[i].Code; });
inline constexpr std::array<std::string_view, PaperSizeCount> PaperSizeNames =
    detail::column<std::string_view, PaperSizeCount>([](std::size_t i) { return PaperRows[i].Name; });
inline constexpr std::array<std::int32_t, BinCount> BinCodeTable =
    detail::column<std::int32_t, BinCount>([](std::size_t i) { return BinRows[i].Code; });
}  // namespace report

namespace report {

// Whether PaperDimensionTable has a size for it (all but Default and Custom).
constexpr bool HasPaperDimension(TBRPaperSize size) {
    return size != TBRPaperSize::Default && size != TBRPaperSize::Custom;
}

// The paper table as the print device matches media against it: the codes
// and sizes of Letter to A3ExtraTrans, in ordinal order.
std::vector<graphics::PaperSizeRow> DevicePaperTable();

// Rounds to the nearest integer, halves to even (every device coordinate
// goes through it, so it is inline).
inline std::int32_t RoundEven(double value) {
    // To nearest, halves to even, in whatever rounding mode: a double's
    // fraction is exact, so the mode need not be read or set.
    if (std::fabs(value) < 1e15) {
        // Truncating to an integer is exact here, and cheaper than trunc.
        const std::int64_t whole = static_cast<std::int64_t>(value);
        const double fraction = value - static_cast<double>(whole);
        std::int64_t r = whole;
        if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++r;
        else if (fraction < -0.5 || (fraction == -0.5 && (whole & 1) != 0)) --r;
        return std::int32_t(r);
    }
    double whole = std::trunc(value);
    const double fraction = value - whole;
    const double size = std::fabs(fraction);
    if (size > 0.5 || (size == 0.5 && std::fmod(whole, 2.0) != 0)) whole += fraction < 0 ? -1.0 : 1.0;
    return std::int32_t(whole);
}

}  // namespace report


// A hook on the printer's device mode: Cancel true stops the read or write.
using TBRPrinterEvent = TMethodEvent<void(TObject* Sender, bool& Cancel, TDeviceMode* DevMode)>;

// A printer's settings as the engine sees them.
class TPrinterSettings : public TObject {
public:
    TPrinterSettings();

    // Printer identification as the printer gives it (any length).
    std::string Device, Driver, Port;
    bool PrintMetafile = false;
    bool UseStandardPrinter = false;
    TBRPrinterEvent OnGetPrinterSettings, OnApplyPrinterSettings;
    std::int32_t ExtendedDuplex = 0;  // raw duplex code; 0 = Duplex decides
    bool UseCustomBinCode = false;
    std::int32_t CustomBinCode = 0;
    std::int32_t PrintQuality = 0, Collate = 0, ColorOption = 0;
    std::int32_t MemoryLimit = 250000;  // bytes of a page stream kept in memory
    bool UseCustomPaperCode = false;
    std::int32_t CustomPaperCode = 0;

    // Stores the printer (not owned); given one with at least one
    // destination, reads its settings.
    void SetPrinter(TPrinter* printer);
    TPrinter* Printer() const { return printer_; }
    // Reads the printer's device mode and capabilities (nothing without a printer).
    void LoadFromDevice();
    // Writes the settings into the printer's device mode.
    void ApplyToDevice();

    // For a standard size the table's size, for Default and Custom the
    // stored PaperWidth and PaperLength.
    std::int32_t PaperWidth() const;
    std::int32_t PaperLength() const;
    void SetPaperWidth(std::int32_t value) { paper_width_ = value; }
    void SetPaperLength(std::int32_t value) { paper_length_ = value; }

    // True when a printer with a device mode lists every bit of mask.
    bool HasDevModeField(std::uint32_t mask) const;
    // Checked setters: change the value only when the printer supports it,
    // and answer whether they did. Without any printer, orientation and
    // paper size are stored and answer true.
    bool SetCopies(std::int32_t value);
    bool SetOrientation(TPrinterOrientation value);
    bool SetDuplex(bool value);
    bool SetOutputBin(TBRBin value);
    bool SetPaperSize(TBRPaperSize value);  // Default is always taken
    // Whether the printer offers the size (Custom once the list was read).
    bool PaperSupported(TBRPaperSize value) const;

    std::int32_t Copies() const { return copies_; }
    bool Duplex() const { return duplex_; }
    TPrinterOrientation Orientation() const { return orientation_; }
    TBRBin OutputBin() const { return output_bin_; }
    TBRPaperSize PaperSize() const { return paper_size_; }
    std::int32_t PixelsPerX() const { return pixels_x_; }
    std::int32_t PixelsPerY() const { return pixels_y_; }
    std::int32_t TopOffset() const { return top_offset_; }
    std::int32_t LeftOffset() const { return left_offset_; }

private:
    bool has_printer() const;

    std::int32_t copies_ = 0;
    bool duplex_ = false;
    TPrinterOrientation orientation_ = poPortrait;
    TBRBin output_bin_ = TBRBin::First;
    TBRPaperSize paper_size_ = TBRPaperSize::A4;
    std::array<bool, report::PaperSizeCount> supported_{};  // ordinals 1 to 68
    bool supported_read_ = false;
    std::int32_t paper_width_ = 0, paper_length_ = 0;
    std::int32_t pixels_x_ = 0, pixels_y_ = 0;
    std::int32_t top_offset_ = 0, left_offset_ = 0;
    TPrinter* printer_ = nullptr;
};

// A report's printer settings, copied into its printer before a run.
class TBRPrinterSettings : public TPersistent {
public:
    TBRPrinterSettings() = default;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    void Assign(const TPersistent* source) override;

    std::int32_t Copies = 1;
    bool Duplex = false;
    TPrinterOrientation Orientation = poPortrait;
    TBRBin OutputBin = TBRBin::Auto;
    TBRPaperSize PaperSize = TBRPaperSize::Letter;
    std::int32_t PrinterIndex = -1;
    std::string Title;
    std::int32_t FirstPage = 0, LastPage = 0;
    bool UseStandardprinter = false;
    std::int32_t ExtendedDuplex = 0;
    std::int32_t MemoryLimit = 250000;
    std::int32_t PrintQuality = 0, Collate = 0, ColorOption = 0;
    bool UseCustomBinCode = false;
    std::int32_t CustomBinCode = 0;
    bool UseCustomPaperCode = false;
    std::int32_t CustomPaperCode = 0;
    bool PrintMetaFile = false;
};

// The same settings with the published properties a stored report keeps.
class TBandReportPrinterSettings : public TBRPrinterSettings {
public:
    TBandReportPrinterSettings() = default;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
};

namespace report {

// Registers and unregisters the settings classes with the class registry.
void RegisterPrinterSettingsClasses();
void UnregisterPrinterSettingsClasses();

}  // namespace report
