#include "platform/ui/ExtCtrls.h"

#include "platform/core/ClassBuilder.h"

#include <QImage>
#include <QPainter>

namespace {
TImage::Decoder& decoder() {
    static TImage::Decoder d;
    return d;
}
} // namespace

TImage::TImage(TComponent* AOwner) : TControl(AOwner) {
    Width = 105;
    Height = 105;
}

void TImage::SetDecoder(Decoder d) {
    decoder() = std::move(d);
}

std::string TImage::PictureClassName() const {
    if (PictureData.empty()) return {};
    const std::size_t n = PictureData[0];
    if (1 + n > PictureData.size()) return {};
    return std::string(PictureData.begin() + 1, PictureData.begin() + 1 + static_cast<std::ptrdiff_t>(n));
}

void TImage::Paint(QPainter& painter, const QRect& bounds) const {
    if (PictureData.empty() || !decoder()) return;
    QImage image;
    try {
        if (!decoder()(PictureData, image) || image.isNull()) return;
    } catch (const std::exception&) {
        return; // a picture that cannot be read paints nothing
    }
    if (Stretch) {
        painter.drawImage(bounds, image);
    } else if (Center) {
        painter.drawImage(bounds.left() + (bounds.width() - image.width()) / 2,
                          bounds.top() + (bounds.height() - image.height()) / 2, image);
    } else {
        painter.drawImage(bounds.topLeft(), image);
    }
}

TClass TImage::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TImage, TControl>("TImage")
        .Bool("AutoSize", &TImage::AutoSize, &TImage::AutoSize)
        .Bool("Center", &TImage::Center, &TImage::Center)
        .Binary("Picture", &TImage::PictureData, &TImage::PictureData)
        .Bool("Stretch", &TImage::Stretch, &TImage::Stretch)
        .Bool("Transparent", &TImage::Transparent, &TImage::Transparent)
        .Build();
    return &info;
}
TClass TImage::ClassType() const { return StaticClass(); }
