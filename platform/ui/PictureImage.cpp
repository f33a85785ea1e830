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

std::unique_ptr<TBitmap> StoredPicture::draw(int width, int height, TColor background) const {
    auto target = std::make_unique<TBitmap>(std::max(width, 0), std::max(height, 0), pf24bit);
    TCanvas& canvas = target->Canvas();
    canvas.Brush.Color = background;
    canvas.FillRect(Rect(0, 0, width, height));
    if (!empty() && width > 0 && height > 0) canvas.StretchDraw(Rect(0, 0, width, height), *picture_->Graphic());
    return target;
}

} // namespace ui
