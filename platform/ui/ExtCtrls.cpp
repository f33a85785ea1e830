#include "platform/ui/ExtCtrls.h"

#include "platform/core/ClassBuilder.h"
#include "platform/ui/Forms.h"
#include "platform/ui/PictureImage.h"

#include <QImage>
#include <QPainter>

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

void TImage::Paint(QPainter& painter, const QRect& bounds) const {
    if (picture_->empty() || bounds.isEmpty()) return;
    QRect target = bounds;
    if (!Stretch) {
        target.setSize(QSize(picture_->width(), picture_->height()));
        if (Center) target.moveCenter(bounds.center());
    }
    if (!cache_ || cache_->size() != target.size()) {
        const std::uint32_t background = ui::color_to_rgb(Parent() != nullptr ? Parent()->Color : ui::clWindow);
        try {
            cache_ = std::make_unique<QImage>(picture_->draw(target.width(), target.height(), background));
        } catch (const std::exception&) {
            return;  // a picture its format cannot draw paints nothing
        }
    }
    painter.drawImage(target.topLeft(), *cache_);
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
