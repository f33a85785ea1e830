#include "report/bands/BandRptChain.h"

#include "report/bands/BandRptPrinter.h"

ReportChain::ReportChain(TComponent* owner) : TComponent(owner) {}

ReportChain::~ReportChain() = default;

TBRPrinter& ReportChain::EnsurePrinter(graphics::PrintDevice* device) {
    if (!printer_) printer_ = std::make_unique<TBRPrinter>(nullptr, &settings_, device);
    return *printer_;
}

void ReportChain::apply_settings(TBRPrinter& printer) {
    const TBRPrinterSettings& s = settings_;
    printer.SelectPrinter(s.PrinterIndex);
    printer.SetPaperSize(s.PaperSize);
    printer.SetOrientation(s.Orientation);
    report::apply_job_settings(printer, s);
    if (!s.Title.empty()) printer.Title = s.Title;
}

void ReportChain::RunReportChain(graphics::PrintDevice* device) {
    Reports.clear();
    OnFillList(this);
    if (Reports.empty()) return;
    TBRPrinter& printer = EnsurePrinter(device);
    apply_settings(printer);
    // A paper with no size of its own (custom, or none without a printer)
    // takes the first report's page.
    report::give_page_paper(printer, *Reports.front()->Page());
    printer.BeginOutput();
    // Starting below the first page's end makes the first band open page 1.
    long double y = report::Rnd(Reports.front()->Page()->NativeValue(TBRPage::LengthIndex));
    int pages = 0;
    bool cancelled = false;
    report::PrinterOutput output(printer);
    for (std::size_t i = 0; i < Reports.size(); ++i) {
        TCustomBandReport* r = Reports[i];
        r->SetExportTarget(nullptr);
        const int tag = r->Tag();
        // The last report ends its last page.
        if (i + 1 == Reports.size()) r->SetTag(999);
        try {
            // A report already running is left to its run.
            if (r->Ready()) {
                // Each report goes on where the one before it stopped.
                report::RunPosition at = r->Position();
                at.CurrentY = int(y);
                at.PageCount = pages;
                report::ReportRun run(*r, output, true, at);
                run.Execute(nullptr);
            }
        } catch (const report::RunAbandoned&) {
            // The report was freed by one of its own events: the chain ends
            // as if cancelled.
            cancelled = true;
            break;
        } catch (...) {
            r->SetTag(tag);
            printer.AbortOutput();
            throw;
        }
        r->SetTag(tag);
        if (r->CancelRequested()) {
            cancelled = true;
            break;
        }
        AfterReport(r);
        y = r->CurrentY();
        pages = r->PageCount();
    }
    if (!cancelled) printer.EndOutput();
    else printer_.reset();
    AfterReport(this);
}

void ReportChain::PrintReportChain(graphics::PrintDevice* device) {
    Reports.clear();
    OnFillList(this);
    if (Reports.empty()) return;
    TCustomBandReport& first = *Reports.front();
    // A report of the first one's paper, for the printer's page geometry.
    TBandReport paper(nullptr);
    paper.Page()->SetOrientation(first.Page()->Orientation());
    paper.Page()->SetPaperSize(first.Page()->PaperSize());
    paper.PrinterSettings()->Orientation = first.Page()->Orientation();
    paper.PrinterSettings()->FirstPage = settings_.FirstPage;
    paper.PrinterSettings()->LastPage = settings_.LastPage;
    auto printer = std::make_unique<TBRPrinter>(&paper, paper.PrinterSettings(), device);
    printer->SetOrientation(first.Page()->Orientation());
    printer->Title = first.ReportTitle;
    printer->FirstPage = settings_.FirstPage;
    printer->LastPage = settings_.LastPage;
    settings_.Orientation = first.Page()->Orientation();
    settings_.PaperSize = first.Page()->PaperSize();
    printer->Destination = 1;
    std::unique_ptr<TBRPrinter> previous = std::exchange(printer_, std::move(printer));
    struct Restore {
        std::unique_ptr<TBRPrinter>& printer;
        std::unique_ptr<TBRPrinter>& previous;
        ~Restore() { printer = std::move(previous); }
    } restore{printer_, previous};
    RunReportChain(device);
}
