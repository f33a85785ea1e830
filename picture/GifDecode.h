#pragma once
// The GIF LZW decoder, shared by the picture class, the fuzz target and the
// benchmark. Private to picture/.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "picture/GifFile.h"

namespace picture {

// Progress of one decode: percent of the encoded data consumed.
using LzwProgress = std::function<void(int stage, int percent, const std::string& message)>;

// Decodes a frame's stored image data (code size byte, data sub-blocks) into
// rows of pixels. Row r starts at pixels + r * stride (stride may be
// negative for bottom-up buffers); bmpBits is 1, 4 or 8 and pixelBits the
// frame's bits per pixel, which masks every index. Pixels that the data do
// not reach (an end code or damage before the last row) are set to 0. Returns
// true when the data were damaged and decoding stopped early (only with
// tolerant set; otherwise the numbered errors are raised). Data that end
// before every row is filled raise "Stream read error".
bool LzwDecode(std::span<const uint8_t> encoded, int width, int height, int bmpBits, bool interlaced,
               const LzwProgress& progress, uint8_t* pixels, ptrdiff_t stride, int pixelBits, bool tolerant);

}  // namespace picture
