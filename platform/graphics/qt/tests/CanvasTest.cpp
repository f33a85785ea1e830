// One scene drawn through the raster and the Qt back-end of the canvas,
// checked pixel by pixel with python3-pil (tests/oracles/canvas_check.py).
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>

#include <cstdio>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kWidth = 200, kHeight = 120, kTextX = 80, kTextY = 60, kPixels = 16;
const char kText[] = "Tamblero Wy";

void draw_scene(TCanvas& c) {
    c.Brush.Color = clWhite;
    c.FillRect(Rect(0, 0, kWidth, kHeight));
    c.Pen.Color = clBlack;
    c.MoveTo(10, 10);
    c.LineTo(60, 10);
    c.LineTo(60, 40);
    c.Pen.Color = clBlue;
    c.Brush.Color = RGBColor(255, 255, 0);
    c.Rectangle(70, 10, 110, 40);
    c.Pen.Color = clRed;
    c.Pen.Width = 2;
    c.Brush.Color = clLime;
    c.Ellipse(120, 10, 180, 50);
    c.Pen.Color = clBlack;
    c.Pen.Width = 1;
    c.Brush.Style = bsClear;
    c.RoundRect(10, 50, 70, 90, 20, 20);
    c.Font.Name = "Arial";
    c.Font.Height = -kPixels;
    c.Font.Color = RGBColor(0, 0, 128);
    c.TextOut(kTextX, kTextY, kText);
}

std::string scratch(const std::string& name) { return test_support::process_dir("canvas-tests") + "/" + name; }

void save_ppm(const std::string& path, const TBitmap& b) {
    QImage image(b.PixelWidth(), b.PixelHeight(), QImage::Format_RGB32);
    for (int y = 0; y < b.PixelHeight(); ++y)
        for (int x = 0; x < b.PixelWidth(); ++x) {
            TColor c = b.Pixel(x, y);
            image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PPM"));
}

}  // namespace

TEST(Canvas, RasterAndQtBackEndsDrawTheSameSceneAsPilExpects) {
    graphics::qt::GraphicsScope engine;
    TBitmap raster(kWidth, kHeight, pf24bit);
    draw_scene(raster.Canvas());
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        graphics::qt::QtCanvas canvas(painter);
        draw_scene(canvas);
    }
    TFont font;
    font.Name = "Arial";
    font.Height = -kPixels;
    TSize extent = graphics::text_extent(font, kText);
    std::string a = scratch("raster.ppm"), b = scratch("qt.ppm");
    save_ppm(a, raster);
    ASSERT_TRUE(image.save(QString::fromStdString(b), "PPM"));
    std::string cmd = test_support::oracle_command("canvas_check.py") + " " + a + " " + b + " " + std::to_string(kTextX) + " " + std::to_string(kTextY) + " '" + kText + "' " +
                      std::to_string(extent.cx) + " " + std::to_string(extent.cy) + " " + std::to_string(kPixels);
    EXPECT_EQ(test_support::run_status(cmd), 0) << cmd;
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(Canvas, TextExtentsAreQtsOwnMetricsAt96Dpi) {
    graphics::qt::GraphicsScope engine;
    QFont reference(QStringLiteral("Liberation Sans"));
    TFont font;
    for (int px : {8, 11, 13, 16, 24, 37}) {
        font.Name = "Arial";
        font.Height = -px;
        reference.setPixelSize(px);
        QImage device(1, 1, QImage::Format_RGB32);
        device.setDotsPerMeterX(3780);
        device.setDotsPerMeterY(3780);
        QFontMetricsF m(reference, &device);
        for (const char* text : {"W", "Tamblero", "Vorq SISTEMAS 0123456789", "ação", "office AVATAR"}) {
            TSize e = graphics::text_extent(font, text);
            // Characters side by side: no kerning (AV, Vo), no ligatures (ffi).
            double sideBySide = 0;
            for (QChar ch : QString::fromUtf8(text)) sideBySide += m.horizontalAdvance(QString(ch));
            EXPECT_NEAR(e.cx, sideBySide, 0.5) << px << " " << text;
            EXPECT_NEAR(e.cy, m.ascent() + m.descent(), 1.0) << px << " " << text;
        }
    }
    // A positive height is the cell: ascent plus descent.
    font.Height = 20;
    EXPECT_NEAR(graphics::text_extent(font, "W").cy, 20, 1);
    // Points on the 96-dpi device.
    font.SetSize(12);
    EXPECT_EQ(font.Height, -16);
    EXPECT_EQ(font.Size(), 12);
}

TEST(Canvas, TextAlignmentAndClipping) {
    graphics::qt::GraphicsScope engine;
    TBitmap b(120, 40, pf24bit);
    TCanvas& c = b.Canvas();
    c.FillRect(Rect(0, 0, 120, 40));
    c.Brush.Style = bsClear;
    c.Font.Height = -14;
    TSize e = c.TextExtent("Wide text");
    auto ink = [&](int l, int t, int r, int bottom) {
        TRect box{1000, 1000, -1, -1};
        for (int y = t; y < bottom; ++y)
            for (int x = l; x < r; ++x)
                if (b.Pixel(x, y) != clWhite) box = Rect(std::min(box.Left, x), std::min(box.Top, y),
                                                         std::max(box.Right, x + 1), std::max(box.Bottom, y + 1));
        return box;
    };
    // Right-aligned on its baseline: the text ends at x and sits on y.
    c.TextAlign = TA_RIGHT | TA_BASELINE;
    c.TextOut(110, 30, "Wide text");
    TRect right = ink(0, 0, 120, 40);
    EXPECT_LE(right.Right, 111);
    EXPECT_GE(right.Right, 108);
    EXPECT_GE(right.Left, 110 - e.cx - 1);
    EXPECT_LE(right.Bottom, 31);
    // Clipped text leaves the outside untouched; a solid brush fills the rectangle.
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    c.FillRect(Rect(0, 0, 120, 40));
    c.TextAlign = TA_LEFT | TA_TOP;
    c.Brush.Color = clLime;
    c.TextRect(Rect(10, 5, 40, 25), 10, 5, "Wide text");
    EXPECT_EQ(b.Pixel(9, 10), clWhite);
    EXPECT_EQ(b.Pixel(40, 10), clWhite);
    EXPECT_EQ(b.Pixel(39, 24), clLime);
    TRect clipped = ink(0, 0, 120, 40);
    EXPECT_EQ(clipped, Rect(10, 5, 40, 25));
    EXPECT_FALSE(c.ClipRect().has_value());
}

TEST(Canvas, WithoutAFontEngineTextIsRefused) {
    core::ScopedService none(graphics::font_engine_slot, nullptr);
    TBitmap b(10, 10, pf24bit);
    EXPECT_THROW(b.Canvas().TextOut(0, 0, "x"), EInvalidGraphicOperation);
    EXPECT_THROW(b.Canvas().TextExtent("x"), EInvalidGraphicOperation);
}

// A canvas's text height is the cell of its extent, for any text: the
// height alone is answered without measuring a width.
TEST(Canvas, TextHeightIsTheExtentsCell) {
    graphics::qt::GraphicsScope engine;
    TBitmap b(4, 4, pf24bit);
    TCanvas& c = b.Canvas();
    for (const char* name : {"Arial", "Times New Roman", "Courier New"}) {
        for (int height : {-8, -13, -37, 20}) {
            c.Font.Name = name;
            c.Font.Height = height;
            for (const char* text : {"", "W", "Tamblero", "ação", "gjpqy"})
                EXPECT_EQ(c.TextHeight(text), c.TextExtent(text).cy) << name << " " << height << " '" << text << "'";
        }
    }
}
