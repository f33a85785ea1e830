#include "platform/graphics/tests/SamplePage.h"

namespace graphics::test {

void draw_sample_page(TCanvas& c) {
    c.Pen.Color = clBlack;
    c.MoveTo(10, 10);
    c.LineTo(150, 10);
    c.LineTo(150, 60);
    c.Pen.Style = psDash;
    c.MoveTo(10, 20);
    c.LineTo(140, 20);
    c.Pen.Style = psSolid;
    c.Pen.Color = clBlue;
    c.Brush.Color = RGBColor(255, 255, 0);
    c.Rectangle(20, 30, 70, 60);
    c.Pen.Color = clRed;
    c.Pen.Width = 3;
    c.Brush.Color = clLime;
    c.Ellipse(160, 10, 230, 60);
    c.Pen.Width = 1;
    c.Pen.Style = psClear;
    c.Brush.Color = clFuchsia;
    c.RoundRect(240, 10, 310, 60, 16, 12);
    c.Pen.Style = psSolid;
    c.Brush.Color = RGBColor(200, 220, 240);
    c.FillRect(TRect{10, 200, 60, 230});
    c.Brush.Style = bsClear;
    c.Font.Name = "Arial";
    c.Font.Height = -16;
    c.Font.Color = RGBColor(0, 0, 128);
    c.TextOut(20, 80, "Tamblero Wy");
    c.TextAlign = TA_RIGHT | TA_BASELINE;
    c.Font.Style = 1 << fsBold | 1 << fsUnderline;
    c.TextOut(310, 120, "Total: 1.234,56");
    c.TextAlign = TA_CENTER | TA_TOP;
    c.Font.Name = "Times New Roman";
    c.Font.Style = 1 << fsItalic;
    c.Brush.Style = bsSolid;
    c.Brush.Color = RGBColor(240, 240, 200);
    c.TextOut(160, 130, "Página 3 de 7");
    c.TextAlign = TA_LEFT | TA_TOP;
    c.Font.Style = 0;
    c.TextRect(TRect{20, 160, 90, 180}, 22, 162, "clipped text that runs on");
    c.SetClipRect(TRect{100, 150, 200, 190});
    c.Brush.Color = clRed;
    c.Ellipse(90, 140, 220, 200);
    c.ResetClip();
    TBitmap bits(4, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) bits.SetPixel(x, y, RGBColor(uint8_t(60 * x), uint8_t(80 * y), 200));
    c.StretchBitmap(TRect{230, 150, 270, 180}, bits, TRect{0, 0, 4, 3}, cmSrcCopy);
    c.StretchBitmap(TRect{270, 150, 310, 180}, bits, TRect{0, 0, 4, 3}, cmSrcCopy,
                    [](int x, int y) { return (x + y) % 2 == 0; });
    c.SetPixel(5, 235, clRed);
}

}  // namespace graphics::test
