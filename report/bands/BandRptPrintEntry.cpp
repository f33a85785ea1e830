// The report's print entry points: printing again on the printer, the print
// dialog for its settings, and the notices of its printer and preview.

#include "report/bands/BandRptReport.h"

#include "platform/core/HostServices.h"
#include "report/print/BRPrintDialog.h"

namespace {

// Shows the run's progress through the host; a cancelled progress cancels the run.
class RunProgress : public report::NoticeWindow {
public:
    RunProgress(TCustomBandReport& report, bool show) : report_(report) {
        if (show) monitor_ = core::host().BeginProgress("Printing progress");
    }
    void Notice(unsigned message, std::int64_t wParam, TBRPrinter*) override {
        if (message != report::BRM_PROGRESS || !monitor_) return;
        if (!monitor_->Step(int(wParam), std::to_string(wParam) + "%")) report_.CancelRun();
    }

private:
    TCustomBandReport& report_;
    std::unique_ptr<core::ProgressMonitor> monitor_;
};

}  // namespace

void TCustomBandReport::RunToPrinter(graphics::PrintDevice* device) {
    if (!Ready()) return;
    std::unique_ptr<TBRPrinter> remembered = std::move(report_printer_);
    const auto alive = AliveToken();
    // Puts the report's printer back on every way out; the run's printer goes.
    struct Restore {
        TCustomBandReport* report;
        std::unique_ptr<TBRPrinter>& remembered;
        const core::Lifeline<TCustomBandReport>::Watch& alive;
        ~Restore() {
            if (*alive) report->report_printer_ = std::move(remembered);
        }
    } restore{this, remembered, alive};
    if (!CreateRunPrinter(device) || !report_printer_->PrintersPresent()) return;
    report_printer_->Destination = 1;
    RunProgress progress(*this, ShowProgress);
    report_printer_->Preview = &progress;
    RunReport(false);
    if (*alive && report_printer_) report_printer_->Preview = nullptr;
}

void TCustomBandReport::ShowPrinterSetup(graphics::PrintDevice* device) {
    TBandReportPrinterSettings& settings = *printer_settings_;
    report::PrintDialogOptions o;
    o.PrinterIndex = settings.PrinterIndex;
    if (report_printer_ && report_printer_->State() == 2) {
        o.MinPage = 1;
        o.MaxPage = report_printer_->PageCount();
        o.FromPage = 1;
        o.ToPage = o.MaxPage;
    }
    o.PageNumbersEnabled = true;
    o.Orientation = page_->Orientation();
    o.Copies = settings.Copies;
    if (!report::ExecutePrintDialog(o, device)) {
        SetTag(1);
        return;
    }
    settings.Copies = o.Copies;
    settings.PrinterIndex = o.PrinterIndex;
    page_->SetOrientation(o.Orientation);
    TBandReportPrinterSettings& d = *dialog_settings_;
    d.CustomBinCode = o.OutputBin;
    d.ExtendedDuplex = o.DuplexCode;
    d.PrintQuality = o.PrintQuality;
    d.Collate = o.Collate ? 1 : 0;
    d.ColorOption = o.ColorOption;
    d.Copies = o.Copies;
    d.Orientation = o.Orientation;
    d.FirstPage = o.FromPage;
    d.LastPage = o.ToPage;
    d.OutputBin = settings.OutputBin;
    d.CustomPaperCode = o.PaperSize;
    d.PrinterIndex = o.PrinterIndex;
    d.Duplex = o.Duplex();
    if (o.Range == report::PrintRange::PageNums) {
        settings.FirstPage = o.FromPage;
        settings.LastPage = o.ToPage;
    } else {
        settings.FirstPage = settings.LastPage = 0;
    }
    SetTag(0);
}

void TCustomBandReport::Notice(unsigned message, std::int64_t wParam, TBRPrinter*) {
    switch (message) {
    case report::BRM_PAGES_AVAILABLE:
        if (wParam == 1 && report_printer_) SetShownPage(report_printer_->GetStoredPage(1));
        break;
    case report::BRM_PRINT_AGAIN:
        RunToPrinter();
        break;
    case report::BRM_PREVIEW_CLOSED:
        if (!Ready()) {
            CancelRun();
            break;
        }
        if (report_printer_ && report_printer_->ShowingPreview()) report_printer_->SetShowingPreview(false);
        report_printer_.reset();
        break;
    default:
        break;
    }
}
