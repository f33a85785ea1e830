#include "platform/graphics/Canvas.h"

#include <algorithm>

#include "platform/graphics/Bitmap.h"

TColor TCanvas::Pixel(int x, int y) const { return target_.Pixel(x, y); }

void TCanvas::SetPixel(int x, int y, TColor color) {
    changing();
    target_.SetPixel(x, y, color);
}

void TCanvas::FillRect(const TRect& rect) {
    changing();
    int l = std::max(rect.Left, 0), t = std::max(rect.Top, 0);
    int r = std::min(rect.Right, target_.GetWidth()), b = std::min(rect.Bottom, target_.GetHeight());
    TColor c = ColorToRGB(Brush.Color);
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x) target_.SetPixel(x, y, c);
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
    changing();
    graphics::stretch_blit(target_, dest, source.target_, srcRect, CopyMode);
}

namespace graphics {

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
                  const std::function<bool(int x, int y)>& skip) {
    int dw = dstRect.Width(), dh = dstRect.Height();
    int sw = srcRect.Width(), sh = srcRect.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    int x0 = std::max(0, -dstRect.Left), x1 = std::min(dw, dst.GetWidth() - dstRect.Left);
    int y0 = std::max(0, -dstRect.Top), y1 = std::min(dh, dst.GetHeight() - dstRect.Top);
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
