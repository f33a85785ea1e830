#include "report/print/tests/StreamMaker.h"

#include "report/print/BRPrntr.h"
#include "report/print/tests/FakeDevice.h"

namespace report::testing {

void make_stream(const std::string& file, int pages, TBRPaperSize size, TPrinterOrientation orientation, bool compress) {
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    p.SetPaperSize(size);
    p.SetOrientation(orientation);
    p.SetCompression(compress);
    p.BeginOutput();
    for (int n = 1; n <= pages; ++n) {
        p.StartNewPage();
        TCanvas& c = *p.Canvas();
        const int w = p.PagePaperWidth(), h = p.PagePaperLength();
        c.Pen.Color = clBlack;
        c.Pen.Width = 2;
        c.Brush.Style = bsClear;
        c.Rectangle(p.ToDeviceX(150), p.ToDeviceY(150), p.ToDeviceX(w - 150), p.ToDeviceY(h - 150));
        c.MoveTo(p.ToDeviceX(150), p.ToDeviceY(h - 150));
        c.LineTo(p.ToDeviceX(w - 150), p.ToDeviceY(150));
        c.Font.Name = "Arial";
        c.Font.SetSize(36);
        c.Font.Color = clBlack;
        c.TextOut(p.ToDeviceX(300), p.ToDeviceY(300), "Page " + std::to_string(n));
        c.Font.SetSize(12);
        c.TextOut(p.ToDeviceX(300), p.ToDeviceY(600), "of " + std::to_string(pages) + " pages");
    }
    p.EndOutput();
    p.SavePageStreamFile(file);
}

}  // namespace report::testing
