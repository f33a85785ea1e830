#include "report/bands/BandRptPrinter.h"

#include "report/bands/BandRptPage.h"

#include <utility>

namespace report {

void give_page_paper(TBRPrinter& printer, const TBRPage& page) {
    if (printer.PaperSize() != TBRPaperSize::Custom && printer.Settings().PaperWidth() > 0 &&
        printer.Settings().PaperLength() > 0)
        return;
    long double w = page.NativeValue(TBRPage::WidthIndex), l = page.NativeValue(TBRPage::LengthIndex);
    if (printer.Orientation() == poLandscape) std::swap(w, l);
    printer.SetPaperWidth(std::int32_t(Rnd(w)));
    printer.SetPaperLength(std::int32_t(Rnd(l)));
}

TCanvas& PrinterOutput::Canvas() {
    TCanvas* canvas = printer_.Canvas();
    if (!canvas) throw EInvalidOperation("No page is open");
    return *canvas;
}

}  // namespace report
