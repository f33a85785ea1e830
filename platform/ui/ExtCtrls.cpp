#include "platform/ui/ExtCtrls.h"

#include "platform/core/ClassBuilder.h"
#include "platform/ui/Forms.h"
#include "platform/ui/PictureImage.h"

#include "platform/graphics/Bitmap.h"

TImage::TImage(TComponent* AOwner) : TControl(AOwner), picture_(std::make_unique<ui::StoredPicture>()) {
    Width = 105;
    Height = 105;
}

TImage::~TImage() = default;

void TImage::SetPictureData(const std::vector<std::uint8_t>& stored) {
    picture_->read(stored);
    stored_ = stored;
    cache_.reset();
    Invalidate();
}

void TImage::Paint(TCanvas& canvas, const TRect& bounds) const {
    if (picture_->empty() || bounds.Width() <= 0 || bounds.Height() <= 0) return;
    TRect target = bounds;
    if (!Stretch) {
        const int w = picture_->width(), h = picture_->height();
        target = Rect(bounds.Left, bounds.Top, bounds.Left + w, bounds.Top + h);
        if (Center) {
            // centred as a Qt rectangle's centre moves: on the left/upper middle pixel
            const int x = bounds.Left + (bounds.Width() - 1) / 2 - (w - 1) / 2;
            const int y = bounds.Top + (bounds.Height() - 1) / 2 - (h - 1) / 2;
            target = Rect(x, y, x + w, y + h);
        }
    }
    if (!cache_ || cache_->PixelWidth() != target.Width() || cache_->PixelHeight() != target.Height()) {
        const TColor background = Parent() != nullptr ? Parent()->Color : clWindow;
        try {
            cache_ = picture_->draw(target.Width(), target.Height(), background);
        } catch (const std::exception&) {
            return;  // a picture its format cannot draw paints nothing
        }
    }
    canvas.Draw(target.Left, target.Top, *cache_);
}

TClass TImage::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TImage, TControl>("TImage")
        .Bool("AutoSize", &TImage::AutoSize, &TImage::AutoSize)
        .Bool("Center", &TImage::Center, &TImage::Center)
        .Binary("Picture", &TImage::PictureData, &TImage::SetPictureData)
        .Bool("Stretch", &TImage::Stretch, &TImage::Stretch)
        .Bool("Transparent", &TImage::Transparent, &TImage::Transparent)
        .Build();
    return &info;
}
TClass TImage::ClassType() const { return StaticClass(); }
