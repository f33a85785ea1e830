#pragma once
// A chain of reports printed one after the other into one output: one page
// stream or one printer job, one page numbering. Each report continues on
// the page where the one before it stopped; only the last one ends its last
// page (and so prints the last page footer). The chain owns its printer;
// the reports are the caller's.

#include <memory>
#include <vector>

#include "report/bands/BandRptReport.h"

class ReportChain : public TComponent {
public:
    explicit ReportChain(TComponent* owner = nullptr);
    ~ReportChain() override;

    // The reports in print order, filled by OnFillList at each run.
    std::vector<TCustomBandReport*> Reports;
    TBRPrinterSettings* PrinterSettings() { return &settings_; }
    // Called with the chain to fill Reports.
    TBRNotifyEvent OnFillList;
    // Called after each report (Sender: that report) and once at the end
    // (Sender: the chain).
    TBRNotifyEvent AfterReport;

    // The chain's printer: made on `device` (nullptr: the installed print
    // device) when there is none; its Destination says where the pages go.
    TBRPrinter* ChainPrinter() const { return printer_.get(); }
    TBRPrinter& EnsurePrinter(graphics::PrintDevice* device = nullptr);
    std::unique_ptr<TBRPrinter> TakeChainPrinter() { return std::move(printer_); }

    // Runs the reports into the chain's printer. An empty list begins no
    // output. A cancelled report ends the chain and its printer is freed;
    // a failing one aborts the output and the failure passes on.
    void RunReportChain(graphics::PrintDevice* device = nullptr);
    // Runs the chain straight onto the printer, with the first report's
    // paper and orientation, on a printer of its own for this run.
    void PrintReportChain(graphics::PrintDevice* device = nullptr);

private:
    void apply_settings(TBRPrinter& printer);
    TBRPrinterSettings settings_;
    std::unique_ptr<TBRPrinter> printer_;
};
