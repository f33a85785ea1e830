#pragma once
// TBitmap: an in-memory raster of 1, 4 or 8 bits per pixel (with a palette)
// or 24/32 bits per pixel, read from and written to BMP files.

#include <memory>

#include "platform/graphics/Graphics.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };
// Kept for callers that switch between device-independent and device bitmaps;
// both hold the same pixels here.
enum TBitmapHandleType { bmDIB, bmDDB };

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    ~TBitmap() override;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    void Assign(const TGraphic* source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool GetEmpty() override { return width_ == 0 || height_ == 0; }
    int GetWidth() override { return width_; }
    int GetHeight() override { return height_; }
    void SetWidth(int value) override { SetSize(value, height_); }
    void SetHeight(int value) override { SetSize(width_, value); }
    TPalette GetPalette() override { return palette_; }
    void LoadFromStream(TByteReader& reader) override;
    void SaveToStream(std::vector<uint8_t>& out) override;
    // The bitmap clipboard format (graphics::CF_BITMAP) holds a BMP file image.
    void LoadFromClipboardFormat(unsigned format, const TClipboardData& data, const TPalette& palette) override;
    void SaveToClipboardFormat(unsigned& format, TClipboardData& data, TPalette& palette) override;

    // Resizes, keeping the pixels that stay inside; new pixels are 0 (white for
    // a monochrome bitmap is index 1).
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return format_; }
    // Converts the pixels; palette formats map every colour to the nearest entry.
    void SetPixelFormat(TPixelFormat format);
    int BitsPerPixel() const;
    bool Monochrome() const { return monochrome_; }
    // A monochrome bitmap is 1 bit per pixel with black (0) and white (1).
    void SetMonochrome(bool value);
    const TPalette& Palette() const { return palette_; }
    // Sets the palette of a 1/4/8-bit bitmap (padded or cut to its size).
    void SetPalette(const TPalette& palette);
    TBitmapHandleType HandleType() const { return handleType_; }
    void SetHandleType(TBitmapHandleType value) { handleType_ = value; }

    // Width and height without going through the graphic's virtual accessors.
    int PixelWidth() const { return width_; }
    int PixelHeight() const { return height_; }
    int Stride() const { return stride_; }
    uint8_t* ScanLine(int row) { return pixels_.data() + size_t(row) * stride_; }
    const uint8_t* ScanLine(int row) const { return pixels_.data() + size_t(row) * stride_; }
    // Palette index of a pixel of a 1/4/8-bit bitmap (0 for other formats).
    int PixelIndex(int x, int y) const;
    void SetPixelIndex(int x, int y, int index);
    // The RGB colour of a pixel; clNone outside the bitmap.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // Index of the palette entry nearest to colour (squared RGB distance, first wins).
    int NearestIndex(TColor color) const;

    // Transparent colour: with tmAuto the bottom-left pixel, with tmFixed the
    // colour set last.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode) { transparentMode_ = mode; }

    TCanvas& Canvas();

    // The whole BMP file (14-byte header, 40-byte info header, palette, rows bottom-up).
    std::vector<uint8_t> SaveToBmp() const;
    void LoadFromBmp(std::span<const uint8_t> bytes);

private:
    void allocate(int width, int height, TPixelFormat format);
    int width_ = 0, height_ = 0, stride_ = 0;
    TPixelFormat format_ = pf24bit;
    bool monochrome_ = false;
    TPalette palette_;
    std::vector<uint8_t> pixels_;
    TBitmapHandleType handleType_ = bmDIB;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    std::unique_ptr<TCanvas> canvas_;
};

namespace graphics {
// Largest bitmap the platform makes, in pixels; larger sizes are refused
// before any allocation.
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 26;
// Asks the system to back the pages of a buffer of at least 4 MiB with huge
// pages where it can, before they are first written: a first write then
// costs one page fault per 2 MiB instead of one per 4 KiB. Smaller buffers
// and systems without the advice are left as they are; no data change.
void advise_large_buffer(void* data, size_t size);
// Gives an empty vector room for n elements, advised as above.
template <typename T>
void reserve_large(std::vector<T>& v, size_t n) {
    v.reserve(n);
    if (v.empty()) advise_large_buffer(v.data(), n * sizeof(T));
}
// Index of the entry of palette nearest to (r, g, b): squared RGB distance,
// the first entry on ties; 0 for an empty palette.
int nearest_palette_index(const TPalette& palette, uint8_t r, uint8_t g, uint8_t b);
}
