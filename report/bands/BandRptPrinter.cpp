#include "report/bands/BandRptPrinter.h"

#include "report/bands/BandRptPage.h"

#include <utility>

namespace report {

void apply_job_settings(TBRPrinter& printer, const TBRPrinterSettings& s) {
    printer.SetCopies(s.Copies);
    printer.SetOutputBin(s.OutputBin);
    printer.FirstPage = s.FirstPage;
    printer.LastPage = s.LastPage;
    TPrinterSettings& target = printer.Settings();
    target.UseStandardPrinter = s.UseStandardprinter;
    target.PrintMetafile = s.PrintMetaFile;
    target.UseCustomBinCode = s.UseCustomBinCode;
    target.CustomBinCode = s.CustomBinCode;
    target.UseCustomPaperCode = s.UseCustomPaperCode;
    target.CustomPaperCode = s.CustomPaperCode;
    target.PrintQuality = s.PrintQuality;
    target.Collate = s.Collate;
    target.ColorOption = s.ColorOption;
    target.ExtendedDuplex = s.ExtendedDuplex;
}

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
