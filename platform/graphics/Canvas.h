#pragma once
// TCanvas: drawing operations over a bitmap's pixels.

#include <functional>

#include "platform/graphics/Graphics.h"

class TBitmap;

enum TCopyMode { cmSrcCopy, cmSrcAnd, cmSrcPaint, cmSrcInvert };
// Stretch modes kept for callers; every stretch samples the nearest pixel.
constexpr int STRETCH_ANDSCANS = 1, STRETCH_ORSCANS = 2, COLORONCOLOR = 3, HALFTONE = 4;

struct TBrush {
    TColor Color = clWhite;
};

class TCanvas {
public:
    explicit TCanvas(TBitmap& target) : target_(target) {}
    TBitmap& Target() const { return target_; }

    TBrush Brush;
    TCopyMode CopyMode = cmSrcCopy;
    int StretchBltMode = STRETCH_ANDSCANS;
    // Called before the canvas changes its pixels.
    std::function<void()> OnChanging;

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // Fills rect (clipped) with the brush colour.
    void FillRect(const TRect& rect);
    // Draws a graphic at its own size with its top-left corner at (x, y).
    void Draw(int x, int y, TGraphic& graphic);
    // Draws a graphic stretched into rect.
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    // Copies (stretching nearest-neighbour) srcRect of source into dest with CopyMode.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& srcRect);

    void Lock() { ++lock_; }
    void Unlock() { --lock_; }
    bool Locked() const { return lock_ > 0; }

private:
    void changing() { if (OnChanging) OnChanging(); }
    TBitmap& target_;
    int lock_ = 0;
};

namespace graphics {
// Stretches srcRect of src over dstRect of dst (clipped to dst), sampling
// source pixels by the nearest-neighbour rule of stretch_source(). When skip
// is given, source pixels for which it returns true leave dst unchanged.
void stretch_blit(TBitmap& dst, const TRect& dstRect, const TBitmap& src, const TRect& srcRect,
                  TCopyMode mode = cmSrcCopy, const std::function<bool(int x, int y)>& skip = {});
}  // namespace graphics
