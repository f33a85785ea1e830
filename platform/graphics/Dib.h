#pragma once
// Device-independent bits of a chosen depth taken from a bitmap, as a whole
// BMP file image: the system's own colour conversion between pixel formats.

#include <cstdint>
#include <vector>

#include "platform/graphics/Bitmap.h"

namespace graphics {

// The 16 colours a 4-bit device shows without a palette of its own, in the
// usual VGA order: black, maroon, green, olive, navy, purple, teal, silver,
// gray, red, lime, yellow, blue, fuchsia, aqua, white.
const TPalette& vga_palette();

// The colour table used for 1- or 4-bit bits taken from this bitmap: its own
// palette when it has one that fits (padded with black to 2 or 16 entries),
// else black and white for 1 bit and the VGA colours for 4 bits.
TPalette dib_palette(const TBitmap& bitmap, int bits);

// The bitmap's pixels as a bottom-up BMP file image (14-byte file header,
// 40-byte info header, colour table, rows padded to 4 bytes) of `bits` per
// pixel: 1 or 4 (each pixel the nearest entry of dib_palette, squared RGB
// distance, first entry on ties) or 24 (blue, green, red). An empty bitmap or
// another depth raises EInvalidGraphic "Bitmap image is not valid".
std::vector<uint8_t> dib_bits(const TBitmap& bitmap, int bits);

}  // namespace graphics
