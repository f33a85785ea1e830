#include "platform/graphics/Bitmap.h"

#include "platform/core/ClassBuilder.h"

#include <cstring>
#include <sys/mman.h>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Clipboard.h"

namespace {

constexpr const char* kInvalidBitmap = "Bitmap image is not valid";

int bits_of(TPixelFormat f) {
    switch (f) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf24bit: return 24;
        case pf32bit:
        case pfDevice: return 32;
    }
    return 32;
}

TPixelFormat format_of_bits(int bits) {
    switch (bits) {
        case 1: return pf1bit;
        case 4: return pf4bit;
        case 8: return pf8bit;
        case 24: return pf24bit;
        case 32: return pf32bit;
    }
    throw EInvalidGraphic(kInvalidBitmap);
}

int stride_of(int bits, int width) { return int(((int64_t(bits) * width + 31) / 32) * 4); }

using core::get_le16;
using core::get_le32;

TPalette mono_palette() { return {{0, 0, 0}, {255, 255, 255}}; }

// Index of the entry of palette nearest to e (squared RGB distance, first wins).
int NearestIndexIn(const TPalette& palette, TRGBEntry e) {
    int best = 0;
    long bestD = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        long dr = long(palette[i].R) - e.R, dg = long(palette[i].G) - e.G, db = long(palette[i].B) - e.B;
        long d = dr * dr + dg * dg + db * db;
        if (bestD < 0 || d < bestD) {
            best = int(i);
            bestD = d;
        }
    }
    return best;
}

// The default palette of a new palette bitmap: a grey ramp.
TPalette default_palette(int bits) {
    int n = 1 << bits;
    TPalette p(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        auto v = uint8_t(n == 1 ? 0 : i * 255 / (n - 1));
        p[size_t(i)] = {v, v, v};
    }
    return p;
}

}  // namespace

TClass TBitmap::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBitmap, TGraphic>("TBitmap").Build();
    return &info;
}

TBitmap::TBitmap() { allocate(0, 0, pf24bit); }
TBitmap::TBitmap(int width, int height, TPixelFormat format) { allocate(width, height, format); }
TBitmap::~TBitmap() = default;

void TBitmap::allocate(int width, int height, TPixelFormat format) {
    if (width < 0 || height < 0 || int64_t(width) * height > graphics::kMaxBitmapPixels)
        throw EInvalidGraphic(kInvalidBitmap);
    int bits = bits_of(format);
    int stride = stride_of(bits, width);
    std::vector<uint8_t> pixels;
    graphics::reserve_large(pixels, size_t(stride) * size_t(height));
    pixels.resize(size_t(stride) * size_t(height), 0);
    width_ = width;
    height_ = height;
    stride_ = stride;
    format_ = format;
    pixels_ = std::move(pixels);
    if (bits <= 8) {
        if (palette_.size() != size_t(1) << bits) palette_ = monochrome_ && bits == 1 ? mono_palette() : default_palette(bits);
    } else {
        palette_.clear();
        monochrome_ = false;
    }
}

int TBitmap::BitsPerPixel() const { return bits_of(format_); }

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    TBitmap old;
    old.width_ = width_;
    old.height_ = height_;
    old.stride_ = stride_;
    old.format_ = format_;
    old.palette_ = palette_;
    old.pixels_ = pixels_;
    allocate(width, height, format_);
    int w = std::min(width, old.width_), h = std::min(height, old.height_);
    int bytes = (bits_of(format_) * w + 7) / 8;
    for (int y = 0; y < h; ++y) std::memcpy(ScanLine(y), old.ScanLine(y), size_t(bytes));
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == format_) return;
    TBitmap old;
    old.width_ = width_;
    old.height_ = height_;
    old.stride_ = stride_;
    old.format_ = format_;
    old.palette_ = palette_;
    old.pixels_ = std::move(pixels_);
    bool toPalette = bits_of(format) <= 8;
    if (toPalette && (bits_of(format_) > 8 || palette_.size() > (size_t(1) << bits_of(format))))
        palette_ = default_palette(bits_of(format));
    else if (toPalette)
        palette_.resize(size_t(1) << bits_of(format), TRGBEntry{});
    monochrome_ = false;
    allocate(width_, height_, format);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) SetPixel(x, y, old.Pixel(x, y));
    Changed();
}

void TBitmap::SetMonochrome(bool value) {
    if (value == monochrome_) return;
    if (value && format_ == pf1bit) {
        // two palette entries become black or white: the bits stay, flip or fill
        int to0 = NearestIndexIn(mono_palette(), palette_[0]), to1 = NearestIndexIn(mono_palette(), palette_[1]);
        for (auto& byte : pixels_) {
            if (to0 == 0 && to1 == 1) break;
            byte = uint8_t(to0 == to1 ? (to0 ? 0xFF : 0x00) : ~byte);
        }
        palette_ = mono_palette();
        monochrome_ = true;
    } else if (value) {
        TBitmap old;
        old.Assign(this);
        palette_ = mono_palette();
        monochrome_ = true;
        allocate(width_, height_, pf1bit);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) SetPixel(x, y, old.Pixel(x, y));
    } else {
        monochrome_ = false;
    }
    Changed();
}

void TBitmap::SetPalette(const TPalette& palette) {
    int bits = bits_of(format_);
    if (bits > 8) return;
    palette_ = palette;
    palette_.resize(size_t(1) << bits, TRGBEntry{});
    monochrome_ = false;
    PaletteModified = true;
    Changed();
}

int TBitmap::PixelIndex(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* row = ScanLine(y);
    switch (format_) {
        case pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case pf4bit: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
        case pf8bit: return row[x];
        default: return 0;
    }
}

void TBitmap::SetPixelIndex(int x, int y, int index) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* row = ScanLine(y);
    switch (format_) {
        case pf1bit: {
            uint8_t bit = uint8_t(0x80 >> (x & 7));
            row[x >> 3] = uint8_t((index & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
            break;
        }
        case pf4bit:
            if (x & 1)
                row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (index & 0x0F));
            else
                row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
            break;
        case pf8bit: row[x] = uint8_t(index); break;
        default: break;
    }
}

TColor TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
    if (bits_of(format_) <= 8) {
        auto& e = palette_[size_t(PixelIndex(x, y))];
        return RGBColor(e.R, e.G, e.B);
    }
    const uint8_t* p = ScanLine(y) + size_t(x) * (format_ == pf24bit ? 3 : 4);
    return RGBColor(p[2], p[1], p[0]);
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    color = ColorToRGB(color);
    if (bits_of(format_) <= 8) {
        SetPixelIndex(x, y, NearestIndex(color));
        return;
    }
    uint8_t* p = ScanLine(y) + size_t(x) * (format_ == pf24bit ? 3 : 4);
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
    if (format_ != pf24bit) p[3] = 0;
}

int TBitmap::NearestIndex(TColor color) const {
    color = ColorToRGB(color);
    return graphics::nearest_palette_index(palette_, GetRValue(color), GetGValue(color), GetBValue(color));
}

int graphics::nearest_palette_index(const TPalette& palette, uint8_t r, uint8_t g, uint8_t b) {
    int best = 0;
    long bestD = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        long dr = long(palette[i].R) - r, dg = long(palette[i].G) - g, db = long(palette[i].B) - b;
        long d = dr * dr + dg * dg + db * db;
        if (bestD < 0 || d < bestD) {
            best = int(i);
            bestD = d;
            if (d == 0) break;
        }
    }
    return best;
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (width_ == 0 || height_ == 0) return clDefault;
    return Pixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
    return *canvas_;
}

void TBitmap::Assign(const TGraphic* source) {
    if (source == this) return;
    if (!source) {
        monochrome_ = false;
        allocate(0, 0, pf24bit);
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        width_ = b->width_;
        height_ = b->height_;
        stride_ = b->stride_;
        format_ = b->format_;
        monochrome_ = b->monochrome_;
        palette_ = b->palette_;
        pixels_ = b->pixels_;
        handleType_ = b->handleType_;
        transparentMode_ = b->transparentMode_;
        transparentColor_ = b->transparentColor_;
        transparent_ = b->transparent_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (GetEmpty()) return;
    TRect src{0, 0, width_, height_};
    if (Transparent()) {
        TColor key = ColorToRGB(TransparentColor());
        canvas.StretchBitmap(rect, *this, src, canvas.CopyMode,
                             [&](int x, int y) { return Pixel(x, y) == key; });
    } else {
        canvas.StretchBitmap(rect, *this, src, canvas.CopyMode);
    }
}

void TBitmap::LoadFromStream(TByteReader& reader) {
    auto rest = reader.Rest();
    LoadFromBmp(rest);
    reader.Skip(rest.size());
}

void TBitmap::SaveToStream(std::vector<uint8_t>& out) {
    auto bmp = SaveToBmp();
    out.insert(out.end(), bmp.begin(), bmp.end());
}

std::vector<uint8_t> TBitmap::SaveToBmp() const {
    int bits = bits_of(format_);
    int stride = stride_of(bits, width_);
    uint32_t colors = bits <= 8 ? uint32_t(1) << bits : 0;
    uint32_t offset = 54 + 4 * colors;
    uint32_t imageSize = uint32_t(stride) * uint32_t(height_);
    std::vector<uint8_t> v;
    v.reserve(offset + imageSize);
    v.push_back('B');
    v.push_back('M');
    core::ByteWriter(v).le32(offset + imageSize);
    core::ByteWriter(v).le32(0);
    core::ByteWriter(v).le32(offset);
    core::ByteWriter(v).le32(40);
    core::ByteWriter(v).le32(uint32_t(width_));
    core::ByteWriter(v).le32(uint32_t(height_));
    core::ByteWriter(v).le16(1);
    core::ByteWriter(v).le16(uint16_t(bits));
    core::ByteWriter(v).le32(0);
    core::ByteWriter(v).le32(imageSize);
    for (int i = 0; i < 4; ++i) core::ByteWriter(v).le32(0);
    for (uint32_t i = 0; i < colors; ++i) {
        auto e = i < palette_.size() ? palette_[i] : TRGBEntry{128, 128, 128};
        v.push_back(e.B);
        v.push_back(e.G);
        v.push_back(e.R);
        v.push_back(0);
    }
    for (int y = height_ - 1; y >= 0; --y) {
        const uint8_t* row = ScanLine(y);
        v.insert(v.end(), row, row + stride);
        if (format_ == pfDevice || format_ == pf32bit) {
            // the fourth byte of each pixel is unused and written as 0
            for (size_t i = v.size() - size_t(stride) + 3; i < v.size(); i += 4) v[i] = 0;
        }
    }
    return v;
}

void TBitmap::LoadFromBmp(std::span<const uint8_t> b) {
    if (b.size() < 14 + 40 || b[0] != 'B' || b[1] != 'M') throw EInvalidGraphic(kInvalidBitmap);
    uint32_t offset = get_le32(&b[10]);
    uint32_t header = get_le32(&b[14]);
    if (header < 40 || 14 + uint64_t(header) > b.size()) throw EInvalidGraphic(kInvalidBitmap);
    int32_t w = int32_t(get_le32(&b[18])), h = int32_t(get_le32(&b[22]));
    int bits = get_le16(&b[28]);
    uint32_t compression = get_le32(&b[30]);
    uint32_t used = get_le32(&b[46]);
    bool topDown = h < 0;
    if (w <= 0 || h == 0 || h == INT32_MIN || get_le16(&b[26]) != 1) throw EInvalidGraphic(kInvalidBitmap);
    if (topDown) h = -h;
    if (int64_t(w) * h > graphics::kMaxBitmapPixels) throw EInvalidGraphic(kInvalidBitmap);
    TPixelFormat format = format_of_bits(bits);
    if (compression == 3 && bits == 32 && header >= 52) {
        if (get_le32(&b[54]) != 0xFF0000 || get_le32(&b[58]) != 0xFF00 || get_le32(&b[62]) != 0xFF)
            throw EInvalidGraphic(kInvalidBitmap);
    } else if (compression != 0) {
        throw EInvalidGraphic(kInvalidBitmap);
    }
    TPalette pal;
    if (bits <= 8) {
        uint32_t n = used ? used : uint32_t(1) << bits;
        if (n > (uint32_t(1) << bits)) throw EInvalidGraphic(kInvalidBitmap);
        uint64_t at = 14 + uint64_t(header);
        if (at + 4 * uint64_t(n) > b.size()) throw EInvalidGraphic(kInvalidBitmap);
        for (uint32_t i = 0; i < n; ++i) pal.push_back({b[at + 4 * i + 2], b[at + 4 * i + 1], b[at + 4 * i]});
        pal.resize(size_t(1) << bits, TRGBEntry{});
    }
    uint64_t stride = uint64_t(stride_of(bits, w));
    if (offset > b.size() || stride * uint64_t(h) > b.size() - offset) throw EInvalidGraphic(kInvalidBitmap);
    monochrome_ = bits == 1 && pal == mono_palette();
    palette_ = pal;
    allocate(w, h, format);
    for (int y = 0; y < h; ++y) {
        int src = topDown ? y : h - 1 - y;
        std::memcpy(ScanLine(y), &b[offset + stride * uint64_t(src)], size_t(stride));
    }
    Changed();
}

void TBitmap::LoadFromClipboardFormat(unsigned format, const TClipboardData& data, const TPalette&) {
    if (format != graphics::CF_BITMAP) throw EInvalidGraphic("Unsupported clipboard format");
    LoadFromBmp(data.Bytes);
}

void TBitmap::SaveToClipboardFormat(unsigned& format, TClipboardData& data, TPalette& palette) {
    format = graphics::CF_BITMAP;
    data.Bytes = SaveToBmp();
    palette = palette_;
}

namespace graphics {
void advise_large_buffer(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr size_t kLarge = size_t(4) << 20, kPage = 4096;
    if (!data || size < kLarge) return;
    // whole pages inside the buffer only
    auto begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~uintptr_t(kPage - 1);
    auto end = (reinterpret_cast<uintptr_t>(data) + size) & ~uintptr_t(kPage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}
}  // namespace graphics
