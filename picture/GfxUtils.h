#pragma once
// Stretched drawing of a bitmap through a transparency mask.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

// Draws (sx, sy, sw, sh) of bitmap stretched over (x, y, w, h) of the canvas,
// leaving the canvas unchanged where the bitmap has the transparent colour.
// w or h below 1 take the bitmap's size; sw or sh below 1 take the whole
// bitmap. clNone draws opaque; clDefault takes the bottom-left pixel; a
// monochrome bitmap always uses white. With transparentIndex >= 0 and a
// palette bitmap, the pixels of that palette index are the transparent ones
// (and no other index, even of the same colour).
void StretchBitmapMasked(TCanvas& canvas, int x, int y, int w, int h, TBitmap& bitmap, int sx, int sy, int sw,
                         int sh, TColor transparent, int transparentIndex = -1);
void StretchBitmapRectMasked(TCanvas& canvas, const TRect& dest, TBitmap& bitmap, const TRect& source,
                             TColor transparent, int transparentIndex = -1);
// Stretches the source rectangle over the destination; source pixels of the
// key colour leave the destination as it was.
void MaskedStretchBlt(TCanvas& dest, int x, int y, int w, int h, const TBitmap& source, int sx, int sy, int sw,
                      int sh, TColor key, const TPalette& palette);
