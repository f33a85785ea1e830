#include "report/bands/BandRptPrinter.h"

namespace report {

TCanvas& PrinterOutput::Canvas() {
    TCanvas* canvas = printer_.Canvas();
    if (!canvas) throw EInvalidOperation("No page is open");
    return *canvas;
}

}  // namespace report
