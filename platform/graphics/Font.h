#pragma once
// TFont and text measurement. Text is measured on one fixed device of 96
// pixels per inch with fontconfig's metric-compatible families, so a layout
// breaks its lines the same way on every machine, with or without a screen.
// The glyphs themselves come from a font engine that a back-end installs
// (platform/graphics/qt installs Qt's); this header knows nothing of it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/ServiceSlot.h"
#include "platform/graphics/Graphics.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A font: family name, height, colour and style. Height < 0 is the character
// height (the em) in pixels, > 0 the cell height (ascent plus descent); Size
// is the em in points on the 96-dpi device. Families of the desktop the
// stored layouts come from are drawn with their metric-compatible stand-ins
// (font_family).
class TFont : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override;
    void Assign(const TPersistent* source) override;

    std::string Name = "MS Sans Serif";
    int Height = -11;
    TColor Color = clWindowText;
    int Style = 0;    // bit i = TFontStyle i
    int Charset = 1;  // DEFAULT_CHARSET; kept, not used for drawing

    // The em in points: -Height * 72 / 96 rounded (for Height < 0).
    int Size() const;
    void SetSize(int points);
    bool HasStyle(TFontStyle s) const { return (Style & (1 << s)) != 0; }
    bool operator==(const TFont& other) const;
};

namespace graphics {

// Pixels per inch of the measuring device.
constexpr int kPixelsPerInch = 96;

// The family a font name is drawn with here (Calibri -> Carlito, Arial and
// MS Sans Serif -> Liberation Sans, Times New Roman -> Liberation Serif,
// Courier New -> Liberation Mono; other names unchanged).
std::string font_family(const std::string& name);

struct TTextMetric {
    int Ascent = 0;   // pixels above the baseline
    int Descent = 0;  // pixels below it
    int Height() const { return Ascent + Descent; }
};

// A line of text rendered as coverage (0 transparent .. 255 ink), Width x
// Height pixels whose top row lies Top rows from the cell's top (Top <= 0);
// the image covers the advance and any ink past it or past the cell.
struct TGlyphRun {
    int Top = 0, Width = 0, Height = 0;
    std::vector<uint8_t> Coverage;  // row by row
};

// Measures and renders text of a font on the 96-dpi device. One engine
// serves the process; every canvas measures through it.
//
// Text is measured character by character: a line's advance is the sum of
// its characters' advances (no kerning, no ligatures), rounded to whole
// pixels once at the end. Invalid UTF-8 bytes count as U+FFFD each.
class FontEngine {
public:
    virtual ~FontEngine() = default;
    virtual TTextMetric Metric(const TFont& font) = 0;
    // Advance of a line of UTF-8 text in whole pixels: the rounded sum of
    // what Advances gives.
    virtual int TextWidth(const TFont& font, std::string_view text) = 0;
    // The advance of each character of a line of UTF-8 text in pixels, with
    // their fractions, one per code point, replacing what `out` held. This
    // one measures each character alone through TextWidth.
    virtual void Advances(const TFont& font, std::string_view text, std::vector<double>& out);
    virtual TGlyphRun Render(const TFont& font, std::string_view text) = 0;
};

// The engine installed for the process (the caller keeps it alive; nullptr:
// none). platform/graphics/qt's start-up installs Qt's.
inline core::ServiceSlot<FontEngine*> font_engine_slot;
// The installed engine; EInvalidGraphicOperation "No font engine installed"
// when there is none.
FontEngine& font_engine();

// Text extent as the canvases report it: advance width and cell height.
TSize text_extent(const TFont& font, std::string_view text);

}  // namespace graphics
