// Renders pages of a page stream as the preview shows them at zoom 100 (the
// sheet, frame and shadow; the page one pixel per page pixel) and writes each
// as a PNG file, like `pdftoppm -r 96 -png` does for a PDF.
//   preview_render_bench FILE.brp FIRST LAST OUTDIR
#include <QDir>
#include <QImage>
#include <QPainter>

#include <iostream>
#include <string>

#include "platform/graphics/qt/QtCanvas.h"
#include "report/print/BRPrntr.h"
#include "report/ui/BRPrev.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: preview_render_bench FILE.brp FIRST LAST OUTDIR\n";
        return 2;
    }
    graphics::qt::GraphicsScope qt;
    TBRPrinter printer;
    printer.LoadPageStreamFile(argv[1]);
    const int first = std::stoi(argv[2]), last = std::stoi(argv[3]);
    const int w = printer.ToDeviceWidth(printer.PagePaperWidth()) + 4;
    const int h = printer.ToDeviceHeight(printer.PagePaperLength()) + 4;
    for (int n = first; n <= last; ++n) {
        auto page = printer.GetStoredPage(n);
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::gray);
        {
            QPainter painter(&image);
            DrawPage(page.get(), painter, QRect(0, 0, w, h), false);
        }
        if (!image.save(QDir(argv[4]).filePath(QString("page-%1.png").arg(n)))) return 1;
    }
    return 0;
}
