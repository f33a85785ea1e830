#pragma once
// A page that makes every kind of drawing call a canvas knows: lines (solid
// and dashed), shapes, fills, texts in several fonts, alignments and
// backgrounds, a clipped text, a clip, bitmaps (plain and with holes) and a
// pixel. The player and the PDF writer tests draw it on every back-end.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace graphics::test {

// Every kind of call the recorder knows, on any canvas.
void draw_sample_page(TCanvas& c);

}  // namespace graphics::test
