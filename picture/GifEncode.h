#pragma once
// The GIF LZW encoder, shared by the picture class and the benchmark.
// Private to picture/.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/GifDecode.h"

namespace picture {

// Encodes rows of packed pixels into GIF image data appended to out: the
// minimum code size byte, the data sub-blocks (255 bytes but the last) and
// the zero terminator. bmpBits is 1, 4 or 8 and gives both the packing of a
// row (most significant bits first, as in BMP rows) and the code size
// (2 for 1 bit, else bmpBits). Image row r starts at firstRow + r * stride
// (stride is negative for bottom-up buffers). Progress reports the
// percentage of rows done; an exception leaving the encoder ends progress
// with its message.
void LzwEncode(std::vector<uint8_t>& out, int width, int height, int bmpBits, const LzwProgress& progress,
               const uint8_t* firstRow, ptrdiff_t stride);

}  // namespace picture
