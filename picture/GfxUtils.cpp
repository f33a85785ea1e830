#include "picture/GfxUtils.h"

#include <vector>

void StretchBitmapMasked(TCanvas& canvas, int x, int y, int w, int h, TBitmap& bitmap, int sx, int sy, int sw,
                         int sh, TColor transparent, int transparentIndex) {
    if (w < 1) w = bitmap.GetWidth();
    if (h < 1) h = bitmap.GetHeight();
    if (sw < 1 || sh < 1) {
        sx = sy = 0;
        sw = bitmap.GetWidth();
        sh = bitmap.GetHeight();
    }
    if (!bitmap.Monochrome()) canvas.StretchBltMode = COLORONCOLOR;
    auto& source = bitmap.Canvas();
    auto pending = std::move(source.OnChanging);
    source.OnChanging = nullptr;
    source.Lock();
    struct Restore {
        TCanvas& c;
        std::function<void()>& slot;
        std::function<void()> saved;
        ~Restore() {
            slot = std::move(saved);
            c.Unlock();
        }
    } restore{source, source.OnChanging, std::move(pending)};

    TRect dst{x, y, x + w, y + h}, src{sx, sy, sx + sw, sy + sh};
    if (transparent == clNone) {
        canvas.StretchBitmap(dst, bitmap, src, canvas.CopyMode);
        return;
    }
    if (transparentIndex >= 0 && bitmap.BitsPerPixel() <= 8 && !bitmap.Monochrome()) {
        canvas.StretchBitmap(dst, bitmap, src, cmSrcCopy,
                             [&](int px, int py) { return bitmap.PixelIndex(px, py) == transparentIndex; });
        return;
    }
    if (transparent == clDefault) transparent = bitmap.Pixel(0, bitmap.GetHeight() - 1);
    TColor key = bitmap.Monochrome() ? clWhite : ColorToRGB(transparent);
    MaskedStretchBlt(canvas, x, y, w, h, bitmap, sx, sy, sw, sh, key, bitmap.Palette());
}

void StretchBitmapRectMasked(TCanvas& canvas, const TRect& dest, TBitmap& bitmap, const TRect& source,
                             TColor transparent, int transparentIndex) {
    StretchBitmapMasked(canvas, dest.Left, dest.Top, dest.Width(), dest.Height(), bitmap, source.Left, source.Top,
                        source.Width(), source.Height(), transparent, transparentIndex);
}

void MaskedStretchBlt(TCanvas& dest, int x, int y, int w, int h, const TBitmap& source, int sx, int sy, int sw,
                      int sh, TColor key, const TPalette&) {
    // The mask: source pixels whose colour is the key. Palette bitmaps decide
    // per palette entry, others per pixel.
    std::vector<uint8_t> keyEntries;
    if (source.BitsPerPixel() <= 8)
        for (auto& e : source.Palette()) keyEntries.push_back(RGBColor(e.R, e.G, e.B) == key);
    dest.StretchBitmap(TRect{x, y, x + w, y + h}, source, TRect{sx, sy, sx + sw, sy + sh}, cmSrcCopy,
                       [&](int px, int py) {
                           if (!keyEntries.empty()) return keyEntries[size_t(source.PixelIndex(px, py))] != 0;
                           return source.Pixel(px, py) == key;
                       });
}
