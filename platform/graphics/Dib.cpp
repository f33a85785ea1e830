#include "platform/graphics/Dib.h"

#include <cstring>

#include "platform/core/ByteOrder.h"

namespace graphics {

namespace {

constexpr const char* kInvalidBitmap = "Bitmap image is not valid";

using core::put_le16;
using core::put_le32;

// Copies row y of the bitmap as blue, green, red triples into out.
void bgr_row(const TBitmap& bitmap, int y, uint8_t* out) {
    int w = bitmap.PixelWidth();
    const uint8_t* row = bitmap.ScanLine(y);
    switch (bitmap.PixelFormat()) {
        case pf24bit: std::memcpy(out, row, size_t(w) * 3); return;
        case pf32bit:
        case pfDevice:
            for (int x = 0; x < w; ++x, out += 3, row += 4) {
                out[0] = row[0];
                out[1] = row[1];
                out[2] = row[2];
            }
            return;
        default: {
            const TPalette& pal = bitmap.Palette();
            for (int x = 0; x < w; ++x, out += 3) {
                size_t i = size_t(bitmap.PixelIndex(x, y));
                TRGBEntry e = i < pal.size() ? pal[i] : TRGBEntry{};
                out[0] = e.B;
                out[1] = e.G;
                out[2] = e.R;
            }
        }
    }
}

}  // namespace

const TPalette& vga_palette() {
    static const TPalette palette{
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
        {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    return palette;
}

TPalette dib_palette(const TBitmap& bitmap, int bits) {
    size_t size = size_t(1) << bits;
    const TPalette& own = bitmap.Palette();
    if (bitmap.BitsPerPixel() <= 8 && !own.empty() && own.size() <= size) {
        TPalette p = own;
        p.resize(size, TRGBEntry{});
        return p;
    }
    if (bits == 1) return {{0, 0, 0}, {255, 255, 255}};
    return vga_palette();
}

std::vector<uint8_t> dib_bits(const TBitmap& bitmap, int bits) {
    int w = bitmap.PixelWidth(), h = bitmap.PixelHeight();
    if (w <= 0 || h <= 0 || (bits != 1 && bits != 4 && bits != 24)) throw EInvalidGraphic(kInvalidBitmap);
    TPalette pal;
    if (bits < 24) pal = dib_palette(bitmap, bits);
    size_t stride = size_t((int64_t(bits) * w + 31) / 32 * 4);
    size_t offset = 54 + 4 * pal.size();
    size_t image = stride * size_t(h);
    std::vector<uint8_t> v(offset + image, 0);
    v[0] = 'B';
    v[1] = 'M';
    put_le32(&v[2], uint32_t(v.size()));
    put_le32(&v[10], uint32_t(offset));
    put_le32(&v[14], 40);
    put_le32(&v[18], uint32_t(w));
    put_le32(&v[22], uint32_t(h));
    put_le16(&v[26], 1);
    put_le16(&v[28], uint16_t(bits));
    put_le32(&v[34], uint32_t(image));
    for (size_t i = 0; i < pal.size(); ++i) {
        v[54 + 4 * i] = pal[i].B;
        v[55 + 4 * i] = pal[i].G;
        v[56 + 4 * i] = pal[i].R;
    }
    std::vector<uint8_t> bgr(size_t(w) * 3);
    // the colour of the last pixel looked up and its entry: runs of one
    // colour need one search
    int lastColor = -1, lastIndex = 0;
    for (int y = 0; y < h; ++y) {
        uint8_t* out = &v[offset + stride * size_t(h - 1 - y)];
        if (bits == 24) {
            bgr_row(bitmap, y, out);
            continue;
        }
        bgr_row(bitmap, y, bgr.data());
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &bgr[size_t(x) * 3];
            int color = p[0] << 16 | p[1] << 8 | p[2];
            if (color != lastColor) {
                lastColor = color;
                lastIndex = nearest_palette_index(pal, p[2], p[1], p[0]);
            }
            if (bits == 1)
                out[x >> 3] = uint8_t(out[x >> 3] | (lastIndex & 1) << (7 - (x & 7)));
            else
                out[x >> 1] = uint8_t(out[x >> 1] | (lastIndex & 15) << ((x & 1) ? 0 : 4));
        }
    }
    return v;
}

}  // namespace graphics
