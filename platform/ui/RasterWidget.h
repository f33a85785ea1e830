#pragma once
// A widget that shows a finished raster on a window unscaled.

#include <QImage>
#include <QWidget>

#include "platform/graphics/Bitmap.h"

namespace ui {

// Shows one raster unscaled at its top-left corner: one raster pixel is one
// pixel on the screen, whatever the device's scale.
class RasterWidget : public QWidget {
public:
    explicit RasterWidget(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetRaster(const TBitmap& bitmap);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage image_;
};

}  // namespace ui
