#include "report/pages/SamplePage.h"

#include <string>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"

namespace report {

void sample_page(TMetafile& page, int n) {
    page.SetWidth(kSamplePageWidth);
    page.SetHeight(kSamplePageHeight);
    TMetafileCanvas canvas(page);
    draw_sample_page(canvas, n);
}

void draw_sample_page(TCanvas& c, int n) {
    c.Font.Name = "Arial";
    c.Font.Height = -21;
    c.Font.Style = 1 << fsBold;
    c.Font.Color = clBlack;
    c.Brush.Style = bsClear;
    c.TextOut(40, 30, "Demonstrativo de cobrança - página " + std::to_string(n));
    c.Pen.Width = 2;
    c.MoveTo(40, 60);
    c.LineTo(754, 60);
    c.Pen.Width = 1;
    c.Font.Height = -12;
    c.Font.Style = 0;
    unsigned seed = unsigned(n) * 2654435761u;
    for (int row = 0; row < 40; ++row) {
        int y = 80 + row * 24;
        seed = seed * 1103515245u + 12345u;
        long long cents = (seed >> 8) % 10000000;
        c.TextAlign = TA_LEFT | TA_TOP;
        c.TextOut(40, y, "Título " + std::to_string(n * 100 + row) + " — Sacado " + std::to_string(seed % 997));
        c.TextAlign = TA_RIGHT | TA_TOP;
        c.TextOut(754, y, std::to_string(cents / 100) + "," + std::to_string(100 + cents % 100).substr(1));
        c.Pen.Style = row % 5 == 4 ? psSolid : psDot;
        c.MoveTo(40, y + 20);
        c.LineTo(754, y + 20);
    }
    c.Pen.Style = psSolid;
    c.TextAlign = TA_LEFT | TA_TOP;
    c.Brush.Style = bsSolid;
    c.Brush.Color = RGBColor(230, 230, 250);
    c.Rectangle(40, 1060, 400, 1100);
    c.Brush.Color = RGBColor(250, 230, 200);
    c.RoundRect(420, 1060, 600, 1100, 16, 16);
    c.Ellipse(620, 1060, 680, 1100);
    c.TextRect(TRect{44, 1066, 396, 1094}, 48, 1070, "Total da página " + std::to_string(n));
}

}  // namespace report
