#pragma once
// The walk of a metafile page's records (platform/graphics/Metafile.h): the
// drawing state they build (pen, brush and font objects, colours, text
// alignment, saved states, the clip) and the drawing calls they make, handed
// to a sink that draws them on its own device (the Qt player, the PDF
// writer). Records the walk does not know are skipped by their size, and
// records whose fields do not fit them are skipped too, so a damaged page
// draws what is sound in it and nothing else.
//
// Every coordinate handed to the sink is a pixel of the page's own frame.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"

namespace graphics {

// A pen as a record selects it.
struct WalkPen {
    TPenStyle Style = psSolid;  // psClear: no outline
    int Width = 1;              // at least 1
    TColor Color = clBlack;
};
// A brush as a record selects it.
struct WalkBrush {
    bool Solid = true;
    TColor Color = clWhite;
};

// One line of text: its UTF-8 characters, the font (Color is the text
// colour), the top-left corner of its cell after the text alignment, the
// font's ascent there, and the advance of each UTF-16 unit (the second unit
// of a pair carries 0) as the page recorded them, or as the font engine
// measures them when the page recorded none.
struct WalkText {
    int X = 0, Y = 0;
    int Ascent = 0;
    std::string_view Utf8;
    std::span<const uint16_t> Units;
    std::span<const int32_t> Advances;
    const TFont* Font = nullptr;
};

class MetafileSink {
public:
    virtual ~MetafileSink() = default;
    // Drawing is limited to clip from now on (none: the whole page).
    virtual void Clip(const std::optional<TRect>& clip) = 0;
    virtual void Fill(const TRect& rect, TColor color) = 0;
    virtual void Dot(int x, int y, TColor color) = 0;
    // A line without its last point (TCanvas::DoLine); the pen is not clear.
    virtual void Line(TPoint from, TPoint to, const WalkPen& pen) = 0;
    // A rounded rectangle as TCanvas::DoShape draws it (cw, ch 0: a plain
    // one, the whole size: an ellipse); the pen's style is psSolid or psClear.
    virtual void Shape(const TRect& rect, int cw, int ch, const WalkPen& pen, const WalkBrush& brush) = 0;
    virtual void Text(const WalkText& text) = 0;
    // src of bitmap stretched over dest with mode; where skip answers true
    // for a source pixel nothing is drawn.
    virtual void Bits(const TRect& dest, const TRect& src, const TBitmap& bitmap, TCopyMode mode,
                      const std::function<bool(int x, int y)>& skip) = 0;
};

// Walks the page's records in order, calling the sink. The clip starts as
// none (sink.Clip(std::nullopt) is the first call).
void walk_metafile(const TMetafile& page, MetafileSink& sink);

}  // namespace graphics
