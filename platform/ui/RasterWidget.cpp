#include "platform/ui/RasterWidget.h"

#include "platform/graphics/qt/QtGraphics.h"

#include <QPainter>

namespace ui {

void RasterWidget::SetRaster(const TBitmap& bitmap) {
    image_ = graphics::qt::to_qimage(bitmap);
    update();
}

void RasterWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QImage image = image_;
    image.setDevicePixelRatio(devicePixelRatioF());
    painter.drawImage(QPointF(0, 0), image);
}

}  // namespace ui
