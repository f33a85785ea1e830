// Kept apart from the component headers: the picture formats' headers have
// their own notion of a change event.
#include "platform/ui/PictureImage.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Graphics.h"

namespace ui {

StoredPicture::StoredPicture() : picture_(std::make_unique<TPicture>()) {}
StoredPicture::~StoredPicture() = default;

void StoredPicture::read(const std::vector<std::uint8_t>& stored) {
    auto fresh = std::make_unique<TPicture>();
    fresh->ReadStoredData(stored);
    picture_ = std::move(fresh);
}

bool StoredPicture::empty() const {
    return picture_->Graphic() == nullptr || picture_->Graphic()->Empty();
}

int StoredPicture::width() const { return empty() ? 0 : picture_->Width(); }
int StoredPicture::height() const { return empty() ? 0 : picture_->Height(); }

QImage StoredPicture::draw(int width, int height, std::uint32_t background) const {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(background & 0xFF, (background >> 8) & 0xFF, (background >> 16) & 0xFF));
    if (empty() || width <= 0 || height <= 0) return image;
    TBitmap target(width, height, pf24bit);
    TCanvas& canvas = target.Canvas();
    canvas.Brush.Color = TColor(background & 0xFFFFFF);
    canvas.FillRect(Rect(0, 0, width, height));
    canvas.StretchDraw(Rect(0, 0, width, height), *picture_->Graphic());
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const TColor c = target.Pixel(x, y);
            line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    return image;
}

} // namespace ui
