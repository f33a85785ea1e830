#pragma once
// TJPEGImage: baseline JPEG pictures ("jpg", "jpeg") through libjpeg-turbo.
// The bytes read are kept and written back unchanged; a picture assigned
// from a bitmap is compressed when it is saved.

#include <memory>

#include "platform/graphics/Bitmap.h"

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    void Assign(const TGraphic* source) override;
    void AssignTo(TGraphic& dest) const override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool GetEmpty() override { return data_.empty() && (!bitmap_ || bitmap_->Empty()); }
    int GetWidth() override { return Bitmap().GetWidth(); }
    int GetHeight() override { return Bitmap().GetHeight(); }
    void SetWidth(int) override;
    void SetHeight(int) override;
    void LoadFromStream(TByteReader& reader) override;
    void SaveToStream(std::vector<uint8_t>& out) override;

    // Quality 1 to 100 used when a bitmap is compressed (default 90).
    int CompressionQuality = 90;
    // The decoded pixels (24 bits per pixel); decoded on first use.
    TBitmap& Bitmap();

private:
    std::vector<uint8_t> data_;
    std::unique_ptr<TBitmap> bitmap_;
};

namespace graphics {
// Decodes a JPEG file into a 24-bit bitmap; EInvalidGraphic on bad data.
void jpeg_decode(std::span<const uint8_t> data, TBitmap& out);
// Compresses a bitmap as a baseline JPEG (YCbCr, 4:2:0) of the given quality.
std::vector<uint8_t> jpeg_encode(const TBitmap& bitmap, int quality);
}  // namespace graphics
