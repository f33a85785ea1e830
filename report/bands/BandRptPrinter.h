#pragma once
// The printer engine as the output of a band run.

#include "report/bands/BandRptOutput.h"
#include "report/print/BRPrntr.h"

class TBRPage;

namespace report {

// Gives the printer the page's own paper where the printer's has no size
// to give (a custom paper, or the default paper without a printer). The
// page's width and length are the printed page as it stands; the printer
// holds the sheet as fed and turns it for landscape, whatever the paper.
void give_page_paper(TBRPrinter& printer, const TBRPage& page);

// Gives the printer the job settings a report or a chain keeps: copies,
// output bin, page range and the device options (standard printer, metafile,
// custom bin and paper codes, quality, collation, colour, extended duplex).
// The printer, paper and orientation are each caller's own.
void apply_job_settings(TBRPrinter& printer, const TBRPrinterSettings& settings);

class PrinterOutput : public OutputDevice {
public:
    explicit PrinterOutput(TBRPrinter& printer) : printer_(printer) {}
    // The canvas of the open page; EInvalidOperation before the first page.
    TCanvas& Canvas() override;
    int ToDeviceX(long double x) override { return printer_.ToDeviceX(double(x)); }
    int ToDeviceY(long double y) override { return printer_.ToDeviceY(double(y)); }
    int ToDeviceWidth(long double w) override { return printer_.ToDeviceWidth(double(w)); }
    int ToDeviceHeight(long double h) override { return printer_.ToDeviceHeight(double(h)); }
    long double XFactor() const override { return printer_.XFactor(); }
    long double YFactor() const override { return printer_.YFactor(); }
    void StartNewPage() override { printer_.StartNewPage(); }
    int PageCount() const override { return printer_.PageCount(); }
    int PaperWidth() const override { return printer_.Settings().PaperWidth(); }
    int PaperLength() const override { return printer_.Settings().PaperLength(); }
    void BeginOutput() override { printer_.BeginOutput(); }
    void EndOutput() override { printer_.EndOutput(); }
    void AbortOutput() override { printer_.AbortOutput(); }
    void CancelOutput() override { printer_.CancelOutput(); }
    bool Cancelled() const override { return printer_.Cancelled(); }
    void NotifyProgress(int percent) override { printer_.NotifyProgress(percent); }

private:
    TBRPrinter& printer_;
};

}  // namespace report
