#pragma once
// TCanvas: the drawing surface every back-end implements (pen, brush, font,
// text with alignment and clipping, lines, rectangles, ellipses, rounded
// rectangles, graphics), and TBitmapCanvas, the raster back-end over a
// bitmap's pixels. The Qt back-end is graphics::qt::QtCanvas.
//
// Shared rules: rectangles exclude their right and bottom edge; a line
// excludes its last point; the pen of a shape lies inside its rectangle
// (and outlines of shapes are always solid); a styled pen dashes lines of
// width 1 with the patterns of graphics::pen_pattern; text is measured by
// the installed font engine (Font.h) on the 96-dpi device.

#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "platform/graphics/Font.h"
#include "platform/graphics/Graphics.h"

class TBitmap;

enum TCopyMode { cmSrcCopy, cmSrcAnd, cmSrcPaint, cmSrcInvert };
// Stretch modes kept for callers; every stretch samples the nearest pixel.
constexpr int STRETCH_ANDSCANS = 1, STRETCH_ORSCANS = 2, COLORONCOLOR = 3, HALFTONE = 4;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TBrushStyle { bsSolid, bsClear };

// Text alignment flags (TCanvas::TextAlign): horizontal and vertical
// reference of the point given to TextOut.
constexpr int TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6;
constexpr int TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr int TA_RTLREADING = 256;  // kept; text runs as its characters say

class TPen : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override;
    void Assign(const TPersistent* source) override;
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
};

class TBrush : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override;
    void Assign(const TPersistent* source) override;
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

class TCanvas {
public:
    virtual ~TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TCopyMode CopyMode = cmSrcCopy;
    int StretchBltMode = STRETCH_ANDSCANS;
    int TextAlign = TA_LEFT | TA_TOP;
    TPoint PenPos;
    // Called before the canvas changes its pixels.
    std::function<void()> OnChanging;

    // The colour of a pixel; clNone outside the surface or where the
    // back-end cannot read its pixels.
    virtual TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // Fills rect with the brush (nothing with bsClear).
    void FillRect(const TRect& rect);
    void MoveTo(int x, int y) { PenPos = TPoint{x, y}; }
    // A line from PenPos to (x, y) with the pen; PenPos moves there.
    void LineTo(int x, int y);
    // Shapes bounded by (l, t, r, b): outline with the pen, inside with the brush.
    void Rectangle(int l, int t, int r, int b);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void Ellipse(int l, int t, int r, int b);
    // A rectangle whose corners are quarters of a cw x ch ellipse.
    void RoundRect(int l, int t, int r, int b, int cw, int ch);

    // Text at (x, y) as TextAlign places it, in the font's colour; with a
    // solid brush the text cell is filled first. PenPos moves to the end.
    virtual void TextOut(int x, int y, std::string_view text);
    // Text at (x, y) clipped to rect; with a solid brush rect is filled first.
    virtual void TextRect(const TRect& rect, int x, int y, std::string_view text);
    TSize TextExtent(std::string_view text) const { return graphics::text_extent(Font, text); }
    int TextWidth(std::string_view text) const { return TextExtent(text).cx; }
    // The font's cell height, whatever the text (no width is measured).
    int TextHeight(std::string_view) const { return graphics::font_engine().Metric(Font).Height(); }

    // Draws a graphic at its own size with its top-left corner at (x, y).
    void Draw(int x, int y, TGraphic& graphic);
    // Draws a graphic stretched into rect.
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    // Stretches sourceRect of a bitmap over dest (nearest pixel, see
    // graphics::stretch_map) with mode; where skip answers true for a source
    // pixel the canvas stays as it was. Graphics draw themselves through this.
    virtual void StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                               const std::function<bool(int x, int y)>& skip = {}) = 0;
    // Copies (stretching) srcRect of a raster canvas into dest with CopyMode;
    // EInvalidGraphicOperation for a source whose pixels cannot be read.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& srcRect);

    // Drawing is limited to rect until ResetClip.
    void SetClipRect(const TRect& rect);
    void ResetClip();
    const std::optional<TRect>& ClipRect() const { return clip_; }

    void Lock() { ++lock_; }
    void Unlock() { --lock_; }
    bool Locked() const { return lock_ > 0; }

protected:
    TCanvas() = default;
    void changing() {
        if (OnChanging) OnChanging();
    }
    // Back-end primitives. Coordinates are device pixels; the clip applies.
    virtual void DoSetPixel(int x, int y, TColor color) = 0;
    virtual void DoFillRect(const TRect& rect, TColor color) = 0;
    // A line of the pen's colour, width and style, without its last point.
    virtual void DoLine(TPoint from, TPoint to) = 0;
    // A rounded rectangle (cw, ch 0 for a plain one, the whole size for an
    // ellipse): pen outline inside rect unless the pen is clear, brush inside
    // unless the brush is clear.
    virtual void DoShape(const TRect& rect, int cw, int ch) = 0;
    // Text in the font's colour with its cell's top-left corner at (x, y).
    virtual void DoText(int x, int y, std::string_view text) = 0;
    // The clip changed (ClipRect() holds the new one).
    virtual void ClipChanged() {}

private:
    std::optional<TRect> clip_;
    int lock_ = 0;
};

// The raster back-end: draws into a bitmap's pixels.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& target) : target_(target) {}
    TBitmap& Target() const { return target_; }

    TColor Pixel(int x, int y) const override;
    void StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                       const std::function<bool(int x, int y)>& skip = {}) override;

protected:
    void DoSetPixel(int x, int y, TColor color) override;
    void DoFillRect(const TRect& rect, TColor color) override;
    void DoLine(TPoint from, TPoint to) override;
    void DoShape(const TRect& rect, int cw, int ch) override;
    void DoText(int x, int y, std::string_view text) override;

private:
    // The part of rect that is inside the bitmap and the clip.
    TRect visible(const TRect& rect) const;
    TBitmap& target_;
};

namespace graphics {
// The top-left corner of the cell of text `width` pixels wide drawn at (x, y)
// under the TextAlign flags `align`.
TPoint text_origin(int align, int x, int y, int width, const TTextMetric& metric);
// On and off lengths, in pixels, of a styled pen of width 1 (empty: solid).
std::span<const int> pen_pattern(TPenStyle style);
// The pixels of row y covered by a rounded rectangle (see TCanvas::DoShape),
// as the half-open range [x0, x1); x0 >= x1 when none. A pixel is covered
// when its centre is.
std::pair<int, int> shape_span(const TRect& rect, int cw, int ch, int y);
// Stretches srcRect of src over dstRect of dst (clipped to clip and dst),
// sampling source pixels by the nearest-neighbour rule of stretch_map().
// When skip is given, source pixels for which it returns true leave dst unchanged.
void stretch_blit(TBitmap& dst, const TRect& dstRect, const TBitmap& src, const TRect& srcRect,
                  TCopyMode mode = cmSrcCopy, const std::function<bool(int x, int y)>& skip = {},
                  const std::optional<TRect>& clip = {});
}  // namespace graphics
