#include "report/bands/BandRptPrinter.h"

namespace report_bands {

TCanvas& PrinterOutput::Canvas() {
    TCanvas* canvas = printer_.Canvas();
    if (!canvas) throw EInvalidOperation("No page is open");
    return *canvas;
}

}  // namespace report_bands
