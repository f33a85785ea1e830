// A raster shown on a window shows exactly its pixels.
#include "platform/ui/RasterWidget.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {
QApplication& app() {
    static int argc = 1;
    static char name[] = "ui-tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication a(argc, argv);
    return a;
}
}  // namespace

TEST(RasterWidget, ShowsTheRasterUnscaled) {
    app();
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(23, 9);
    TPalette p;
    for (int i = 0; i < 256; ++i) p.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
    b.SetPalette(p);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 23; ++x) b.SetPixelIndex(x, y, (x * 11 + y * 29) % 256);
    ui::RasterWidget w;
    w.resize(30, 12);
    w.SetRaster(b);
    QImage shot = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(shot.width(), 23);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 23; ++x) {
            TColor c = b.Pixel(x, y);
            ASSERT_EQ(shot.pixel(x, y), qRgb(GetRValue(c), GetGValue(c), GetBValue(c))) << x << "," << y;
        }
}
