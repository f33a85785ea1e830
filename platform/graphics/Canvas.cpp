#include "platform/graphics/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/core/ClassBuilder.h"
#include "platform/graphics/Bitmap.h"

// ---- pen and brush

TClass TPen::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TPen, TPersistent>("TPen")
        .Integer("Color", &TPen::Color, &TPen::Color).Default(int(clBlack))
        .Enum("Style", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"},
              &TPen::Style, &TPen::Style)
        .Integer("Width", &TPen::Width, &TPen::Width).Default(1)
        .Build();
    return &info;
}
TClass TPen::ClassType() const { return StaticClass(); }

void TPen::Assign(const TPersistent* source) {
    if (auto* p = dynamic_cast<const TPen*>(source)) {
        Color = p->Color;
        Width = p->Width;
        Style = p->Style;
        return;
    }
    TPersistent::Assign(source);
}

TClass TBrush::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBrush, TPersistent>("TBrush")
        .Integer("Color", &TBrush::Color, &TBrush::Color).Default(int(clWhite))
        .Enum("Style", {"bsSolid", "bsClear"}, &TBrush::Style, &TBrush::Style)
        .Build();
    return &info;
}
TClass TBrush::ClassType() const { return StaticClass(); }

void TBrush::Assign(const TPersistent* source) {
    if (auto* b = dynamic_cast<const TBrush*>(source)) {
        Color = b->Color;
        Style = b->Style;
        return;
    }
    TPersistent::Assign(source);
}

// ---- the canvas

namespace {

TRect normalized(int l, int t, int r, int b) {
    return TRect{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

TRect intersect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

}  // namespace

TColor TCanvas::Pixel(int, int) const { return clNone; }

void TCanvas::SetPixel(int x, int y, TColor color) {
    changing();
    DoSetPixel(x, y, ColorToRGB(color));
}

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.Style == bsClear) return;
    changing();
    DoFillRect(normalized(rect.Left, rect.Top, rect.Right, rect.Bottom), ColorToRGB(Brush.Color));
}

void TCanvas::LineTo(int x, int y) {
    changing();
    if (Pen.Style != psClear) DoLine(PenPos, TPoint{x, y});
    PenPos = TPoint{x, y};
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
    changing();
    DoShape(normalized(l, t, r, b), 0, 0);
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
    changing();
    TRect rect = normalized(l, t, r, b);
    DoShape(rect, rect.Width(), rect.Height());
}

void TCanvas::RoundRect(int l, int t, int r, int b, int cw, int ch) {
    changing();
    DoShape(normalized(l, t, r, b), std::abs(cw), std::abs(ch));
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    changing();
    TSize extent = TextExtent(text);
    TPoint at = graphics::text_origin(TextAlign, x, y, extent.cx, graphics::font_engine().Metric(Font));
    if (Brush.Style != bsClear)
        DoFillRect(TRect{at.X, at.Y, at.X + extent.cx, at.Y + extent.cy}, ColorToRGB(Brush.Color));
    DoText(at.X, at.Y, text);
    PenPos = TPoint{x + extent.cx, y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
    changing();
    std::optional<TRect> saved = clip_;
    SetClipRect(saved ? intersect(*saved, rect) : rect);
    if (Brush.Style != bsClear) DoFillRect(rect, ColorToRGB(Brush.Color));
    TSize extent = TextExtent(text);
    TPoint at = graphics::text_origin(TextAlign, x, y, extent.cx, graphics::font_engine().Metric(Font));
    DoText(at.X, at.Y, text);
    clip_ = saved;
    ClipChanged();
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (graphic.Empty()) return;
    changing();
    graphic.Draw(*this, TRect{x, y, x + graphic.Width(), y + graphic.Height()});
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) {
    if (graphic.Empty()) return;
    changing();
    graphic.Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& srcRect) {
    auto* raster = dynamic_cast<const TBitmapCanvas*>(&source);
    if (!raster) throw EInvalidGraphicOperation("Canvas does not allow drawing");
    changing();
    StretchBitmap(dest, raster->Target(), srcRect, CopyMode);
}

void TCanvas::SetClipRect(const TRect& rect) {
    clip_ = normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
    ClipChanged();
}

void TCanvas::ResetClip() {
    clip_.reset();
    ClipChanged();
}

// ---- the raster back-end

TRect TBitmapCanvas::visible(const TRect& rect) const {
    TRect r = intersect(rect, TRect{0, 0, target_.PixelWidth(), target_.PixelHeight()});
    return ClipRect() ? intersect(r, *ClipRect()) : r;
}

TColor TBitmapCanvas::Pixel(int x, int y) const { return target_.Pixel(x, y); }

void TBitmapCanvas::DoSetPixel(int x, int y, TColor color) {
    TRect v = visible(TRect{x, y, x + 1, y + 1});
    if (v.Width() > 0 && v.Height() > 0) target_.SetPixel(x, y, color);
}

void TBitmapCanvas::DoFillRect(const TRect& rect, TColor color) {
    TRect v = visible(rect);
    for (int y = v.Top; y < v.Bottom; ++y)
        for (int x = v.Left; x < v.Right; ++x) target_.SetPixel(x, y, color);
}

void TBitmapCanvas::DoLine(TPoint from, TPoint to) {
    TColor color = ColorToRGB(Pen.Color);
    int width = std::max(Pen.Width, 1);
    auto pattern = width == 1 ? graphics::pen_pattern(Pen.Style) : std::span<const int>{};
    size_t part = 0;
    int left = pattern.empty() ? 0 : pattern[0];
    int dx = std::abs(to.X - from.X), dy = -std::abs(to.Y - from.Y);
    int sx = from.X < to.X ? 1 : -1, sy = from.Y < to.Y ? 1 : -1;
    int err = dx + dy, x = from.X, y = from.Y;
    int half = (width - 1) / 2;
    while (x != to.X || y != to.Y) {
        if (part % 2 == 0) DoFillRect(TRect{x - half, y - half, x - half + width, y - half + width}, color);
        if (!pattern.empty() && --left == 0) {
            part = (part + 1) % pattern.size();
            left = pattern[part];
        }
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void TBitmapCanvas::DoShape(const TRect& rect, int cw, int ch) {
    int w = Pen.Style == psClear ? 0 : std::max(Pen.Width, 1);
    TColor pen = ColorToRGB(Pen.Color), brush = ColorToRGB(Brush.Color);
    bool fill = Brush.Style != bsClear;
    TRect inner{rect.Left + w, rect.Top + w, rect.Right - w, rect.Bottom - w};
    bool hollow = inner.Width() > 0 && inner.Height() > 0;
    int icw = std::max(cw - 2 * w, 0), ich = std::max(ch - 2 * w, 0);
    TRect v = visible(rect);
    for (int y = v.Top; y < v.Bottom; ++y) {
        auto [o0, o1] = graphics::shape_span(rect, cw, ch, y);
        if (o0 >= o1) continue;
        auto [i0, i1] = hollow ? graphics::shape_span(inner, icw, ich, y) : std::pair<int, int>{o1, o1};
        if (i0 >= i1) i0 = i1 = o1;
        if (w > 0) {
            DoFillRect(TRect{o0, y, i0, y + 1}, pen);
            DoFillRect(TRect{i1, y, o1, y + 1}, pen);
        }
        if (fill) DoFillRect(TRect{i0, y, i1, y + 1}, brush);
    }
}

void TBitmapCanvas::DoText(int x, int y, std::string_view text) {
    graphics::TGlyphRun run = graphics::font_engine().Render(Font, text);
    TColor color = ColorToRGB(Font.Color);
    y += run.Top;
    TRect v = visible(TRect{x, y, x + run.Width, y + run.Height});
    for (int py = v.Top; py < v.Bottom; ++py)
        for (int px = v.Left; px < v.Right; ++px) {
            unsigned a = run.Coverage[size_t(py - y) * size_t(run.Width) + size_t(px - x)];
            if (a == 0) continue;
            TColor d = target_.Pixel(px, py);
            auto mix = [a](unsigned s, unsigned t) { return uint8_t((s * a + t * (255 - a) + 127) / 255); };
            target_.SetPixel(px, py, RGBColor(mix(GetRValue(color), GetRValue(d)), mix(GetGValue(color), GetGValue(d)),
                                              mix(GetBValue(color), GetBValue(d))));
        }
}

void TBitmapCanvas::StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                                  const std::function<bool(int x, int y)>& skip) {
    changing();
    graphics::stretch_blit(target_, dest, source, sourceRect, mode, skip, ClipRect());
}

namespace graphics {

TPoint text_origin(int align, int x, int y, int width, const TTextMetric& metric) {
    switch (align & TA_CENTER) {
        case TA_CENTER: x -= width / 2; break;
        case TA_RIGHT: x -= width; break;
        default: break;
    }
    switch (align & TA_BASELINE) {
        case TA_BASELINE: y -= metric.Ascent; break;
        case TA_BOTTOM: y -= metric.Height(); break;
        default: break;
    }
    return TPoint{x, y};
}

std::span<const int> pen_pattern(TPenStyle style) {
    static constexpr int dash[] = {18, 6}, dot[] = {3, 3}, dashDot[] = {9, 6, 3, 6},
                         dashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
        case psDash: return dash;
        case psDot: return dot;
        case psDashDot: return dashDot;
        case psDashDotDot: return dashDotDot;
        default: return {};
    }
}

std::pair<int, int> shape_span(const TRect& rect, int cw, int ch, int y) {
    double l = rect.Left, r = rect.Right, t = rect.Top, b = rect.Bottom, yc = y + 0.5;
    if (yc < t || yc > b) return {0, 0};
    double rx = std::min(double(cw), r - l) / 2, ry = std::min(double(ch), b - t) / 2, inset = 0;
    if (rx > 0 && ry > 0) {
        double dy = yc < t + ry ? t + ry - yc : (yc > b - ry ? yc - (b - ry) : 0);
        if (dy > 0) inset = rx - rx * std::sqrt(std::max(0.0, 1 - (dy / ry) * (dy / ry)));
    }
    return {int(std::ceil(l + inset - 0.5)), int(std::floor(r - inset - 0.5)) + 1};
}

std::vector<int> stretch_map(int src, int dst) {
    std::vector<int> map(size_t(std::max(dst, 0)));
    double scale = double(src) / double(dst), at = 0.5 * scale;
    for (auto& m : map) {
        m = int(at);
        at += scale;
    }
    return map;
}

void stretch_blit(TBitmap& dst, const TRect& dstRect, const TBitmap& src, const TRect& srcRect, TCopyMode mode,
                  const std::function<bool(int x, int y)>& skip, const std::optional<TRect>& clip) {
    int dw = dstRect.Width(), dh = dstRect.Height();
    int sw = srcRect.Width(), sh = srcRect.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    TRect area = intersect(TRect{0, 0, dst.GetWidth(), dst.GetHeight()}, clip ? *clip : dstRect);
    int x0 = std::max(0, area.Left - dstRect.Left), x1 = std::min(dw, area.Right - dstRect.Left);
    int y0 = std::max(0, area.Top - dstRect.Top), y1 = std::min(dh, area.Bottom - dstRect.Top);
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<int> xs = stretch_map(sw, dw), ys = stretch_map(sh, dh);
    for (auto& x : xs) x += srcRect.Left;
    bool palette = src.BitsPerPixel() <= 8;
    std::vector<TColor> colors;
    if (palette)
        for (auto& e : src.Palette()) colors.push_back(RGBColor(e.R, e.G, e.B));
    bool direct = mode == cmSrcCopy && dst.BitsPerPixel() >= 24;
    int dstep = dst.BitsPerPixel() / 8;
    for (int y = y0; y < y1; ++y) {
        int sy = srcRect.Top + ys[size_t(y)];
        if (sy < 0 || sy >= src.PixelHeight()) continue;
        int dy = dstRect.Top + y;
        uint8_t* drow = direct ? dst.ScanLine(dy) : nullptr;
        for (int x = x0; x < x1; ++x) {
            int sx = xs[size_t(x)];
            if (sx < 0 || sx >= src.PixelWidth()) continue;
            if (skip && skip(sx, sy)) continue;
            TColor c = palette ? colors[size_t(src.PixelIndex(sx, sy))] : src.Pixel(sx, sy);
            int dx = dstRect.Left + x;
            if (direct) {
                uint8_t* p = drow + size_t(dx) * size_t(dstep);
                p[0] = GetBValue(c);
                p[1] = GetGValue(c);
                p[2] = GetRValue(c);
                continue;
            }
            TColor d = dst.Pixel(dx, dy);
            switch (mode) {
                case cmSrcCopy: break;
                case cmSrcAnd: c &= d; break;
                case cmSrcPaint: c |= d; break;
                case cmSrcInvert: c ^= d; break;
            }
            dst.SetPixel(dx, dy, c);
        }
    }
}

}  // namespace graphics
