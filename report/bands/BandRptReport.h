#pragma once
// The report component: a panel carrying the bands and printable controls of
// a report, its page, printer settings and variable environment, the band
// list in print order with its layout on the design surface, and the run
// that walks the controller tree and lays the bands out on pages and
// columns through a TBRPrinter (or any output device).

#include "report/bands/BandRptControllers.h"
#include "report/bands/BandRptOutput.h"
#include "report/bands/BandRptPage.h"
#include "report/bands/BandRptRun.h"
#include "report/expr/BRExpr.h"
#include "report/print/BRPrntr.h"
#include "platform/core/Lifeline.h"
#include "platform/core/StringList.h"

#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TMetafile;

enum TBandReportOption { FirstPageHeader, LastPageFooter, Compression };

using TBRReportBeforePrintEvent = TMethodEvent<void(TObject* Sender, bool& PrintReport)>;
using TBRNotifyEvent = TMethodEvent<void(TObject* Sender)>;
using TBRAfterPrintEvent = TMethodEvent<void(TObject* Sender)>;
using TBRAfterPreviewEvent = TMethodEvent<void(TObject* Sender)>;

namespace report {
// Unwinds a run whose report was freed by one of its own events.
struct RunAbandoned {};
}  // namespace report

class TCustomBandReport : public TBRBasePanel, public report::NoticeWindow {
public:
    explicit TCustomBandReport(TComponent* owner);
    ~TCustomBandReport() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TBRPage* Page() const { return page_.get(); }
    TBandReportBands* Bands() const { return bands_.get(); }
    TBRCustomController* Controller() const { return controller_.get(); }
    const std::vector<TBRCustomBand*>& BandList() const { return band_list_; }

    // The unit of the page, every band and every control on the report.
    TBRUnit Units() const { return page_->CurrentUnit(); }
    virtual void SetUnits(TBRUnit unit);
    // 1 to 300; other values are ignored.
    void SetZoom(int zoom) override;
    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void DrawRulers(TCanvas& canvas, TBRUnit unit) override;

    // Options as a bit set (bit i = TBandReportOption i).
    int Options = (1 << FirstPageHeader) | (1 << LastPageFooter);
    bool HasOption(TBandReportOption o) const { return (Options & (1 << o)) != 0; }

    // ---- band list and layout
    void AddBand(TBRCustomBand* band);
    void RemoveBand(TBRCustomBand* band);
    void RebuildBandOrder();
    void ArrangeBands();
    void AddBandChain(TBRCustomBand* band);
    void AddBandsOfType(TBRBandType type);
    // A new TBRBand of the type on the report, named after its type.
    TBRCustomBand* CreateStandardBand(TBRBandType type);
    void RequestRepaint();
    bool RepaintPending = false;
    // Binds the controller's header, detail and footer to the standard bands.
    virtual void BindStandardBands() {}

    // ---- report data
    std::string ReportTitle;                 // job title and value of REPORTTITLE
    TStrings* Description() const { return description_.get(); }
    void SetDescription(TStrings* lines) { description_->Assign(lines); }
    TBREvEnvironment* Functions() const { return functions_.get(); }
    void SetFunctions(TBREvEnvironment* env) { functions_->Assign(env); }
    TBandReportPrinterSettings* PrinterSettings() const { return printer_settings_.get(); }
    void SetPrinterSettings(TBandReportPrinterSettings* s) { printer_settings_->Assign(s); }
    TBandReportPrinterSettings* DialogSettings() const { return dialog_settings_.get(); }
    std::string BackImageControl;            // a picture control drawn under each page (none is found)
    bool ShowProgress = true;
    bool SnapToGrid = true;
    int PrevFormStyle = 0;                   // fsNormal
    int PreviewInitialState = 0;             // wsNormal
    int PreviewWidth() const { return preview_width_; }
    int PreviewHeight() const { return preview_height_; }
    void SetPreviewWidth(int v) { preview_width_ = v <= 0 ? 500 : v; }
    void SetPreviewHeight(int v) { preview_height_ = v <= 0 ? 500 : v; }
    bool PrevShowThumbs = true;
    bool PrevShowSearch = true;
    int PrevInitialZoom = 0;                 // brZoomToFit

    // ---- events
    TBRReportBeforePrintEvent BeforePrint;   // False in PrintReport skips the run
    TBRNotifyEvent OnStartPage;              // after a page starts, before its header
    TBRNotifyEvent OnEndPage;                // after a page's footer and extras
    TBROnNeedDataEvent OnNeedData;           // records when no usable dataset is set
    TNotifyEvent OnPreview;
    TBRAfterPrintEvent AfterPrint;
    TBRAfterPreviewEvent AfterPreview;
    TBRPrinterEvent OnGetPrinterSettings, OnApplyPrinterSettings;

    // Width and height in pixels of a text in a font on the 96-dpi measuring
    // device (the width plus 1); 0 for no text.
    int MeasureTextHeight(const TFont& font, const std::string& text) const;
    int MeasureTextWidth(const TFont& font, const std::string& text) const;

    // ---- the run
    // One run into the report's printer (made when there is none): a page
    // stream or the printer, as its Destination says. ChainPart: the output
    // was begun by a chain, which also ends it.
    virtual void RunReport(bool ChainPart = false);
    // The same run on any output device (no printer settings are applied).
    void RunReport(report::OutputDevice& output, bool ChainPart = false);
    virtual void RunControllers();
    // A new printer for the report's runs (only when Ready), on `device`
    // (nullptr: the installed print device).
    bool CreateRunPrinter(graphics::PrintDevice* device = nullptr);
    // Copies the page and the printer settings onto the report's printer.
    void ApplyPrinterSettings();
    // During a run: the run stops at the next record and aborts its output.
    void CancelRun();
    // Prints the report once more straight on its printer (made on `device`;
    // nullptr: the installed print device), its progress shown through the
    // host while ShowProgress; cancelling the progress cancels the run. The
    // report's printer is put back afterwards. Nothing during a run, and
    // nothing without printers.
    void RunToPrinter(graphics::PrintDevice* device = nullptr);
    // The print dialog for the report's settings over the printers of
    // `device`: the page range is 1..page count after a finished run, else
    // 0..9999. Tag() is 0 when confirmed, 1 when cancelled.
    void ShowPrinterSetup(graphics::PrintDevice* device = nullptr);
    // The notices of the report's printer and preview: pages available
    // (page 1 is shown on the design surface), print again (RunToPrinter),
    // preview closed (cancels a run, else lets the printer go).
    void Notice(unsigned message, std::int64_t wParam, TBRPrinter* printer) override;
    TBRPrinter* ReportPrinter() const { return report_printer_.get(); }
    // Hands the report's printer over (a preview that shows its pages takes
    // it); nothing during a run.
    std::unique_ptr<TBRPrinter> TakeReportPrinter();
    // Frees the report's printer; during a run the run is cancelled first
    // and the printer freed when the run has ended.
    void FreeReportPrinter();
    // A token that turns false when the report is freed: code that calls
    // out during a run (events, the message loop) checks it afterwards.
    core::Lifeline<TCustomBandReport>::Watch AliveToken() const { return alive_.watch(); }
    // Raises report::RunAbandoned when the token turned false.
    static void check_alive(const core::Lifeline<TCustomBandReport>::Watch& alive);
    void FireAfterPrint() { AfterPrint(this); }
    void FireAfterPreview() { AfterPreview(this); }
    // 1 unless the report's dataset is open: then its record count (1 when
    // reading it fails).
    virtual int RecordCountOrOne() const { return 1; }
    // A printable told each time the report's level prints its detail band.
    using DetailListener = std::remove_pointer_t<decltype(TBRCustomController::DetailListeners)::value_type>;
    virtual void AddDetailListener(DetailListener* printable) { controller_->AddDetailListener(printable); }
    // An export target of the run's output (none is ever set: no export
    // filter is part of the system).
    void SetExportTarget(TObject* target) {
        ExportTarget = target;
        Exporting = target != nullptr;
    }
    TObject* ExportTarget = nullptr;
    bool Exporting = false;
    bool PrintIfEmpty() const;
    virtual void SetPrintIfEmpty(bool value);

    // ---- design surface
    void Paint(TCanvas& canvas) override;
    virtual void PaintMargins(TCanvas& canvas);
    virtual void PaintPageFrame(TCanvas& canvas);
    virtual void PaintColumnMarks(TCanvas& canvas);
    // A stored page drawn over the design surface (dropped by every repaint
    // request and run).
    TMetafile* ShownPage() const { return shown_page_.get(); }
    void SetShownPage(std::unique_ptr<TMetafile> page);

    // ---- run state (native units)
    // The run in progress, or none.
    report::ReportRun* Run() const { return run_; }
    // True while no run is in progress.
    bool Ready() const { return run_ == nullptr; }
    // The current run's state; between runs, where the last one stopped.
    const report::RunPosition& Position() const { return run_ ? *run_ : last_position_; }
    int CurrentX() const { return Position().CurrentX; }
    int CurrentY() const { return Position().CurrentY; }
    int CurrentColumn() const { return Position().CurrentColumn; }
    int ColumnTop() const { return Position().ColumnTop; }
    int PageBodyTop() const { return Position().PageBodyTop; }
    int PageCount() const { return Position().PageCount; }
    long double PageFooterHeight() const { return Position().PageFooterHeight; }
    bool FinalPage() const { return Position().FinalPage; }
    bool SkipForcedPage() const { return Position().SkipForcedPage; }
    bool ColumnStarted() const { return Position().ColumnStarted; }
    // Set by CancelRun; kept after the run for its caller.
    bool CancelRequested() const { return Position().CancelRequested; }
    // The current run is a part of a chain.
    bool CompositeRun() const { return run_ && run_->ChainPart; }
    report::OutputDevice* Output() const { return run_ ? &run_->Output : nullptr; }
    TList* RunDataSets() const { return run_ ? run_->DataSets() : nullptr; }
    // The environment's constant slots during a run.
    TBREvElement* PageNumberSlot() const { return run_ ? run_->PageNumberSlot : nullptr; }
    TBREvElement* ColumnNumberSlot() const { return run_ ? run_->ColumnNumberSlot : nullptr; }
    TBREvElement* ReportTitleSlot() const { return run_ ? run_->ReportTitleSlot : nullptr; }

    // ---- run operations used by bands: those of the current run (nothing
    // between runs)
    void PrintBand(TBRCustomBand* band);
    int AvailableSpace() const;
    void NewColumn();
    void NewPage();
    void EndPage();
    void RequestNewColumn();
    void RequestNewPage();
    void MeasurePageFooters();
    // The first band of the type in the band list, or none.
    TBRCustomBand* FindBand(TBRBandType type) const;

    // Starts a run on `output` (units native, the first page not yet
    // started); FinishRun ends the last page and restores the units. The
    // pieces of RunReport that band tests drive by hand.
    void BeginRun(report::OutputDevice& output);
    void FinishRun();

protected:
    bool LabelledRulers() const override { return true; }
    void replace_controller(std::unique_ptr<TBRCustomController> controller);

private:
    friend class report::ReportRun;
    void run(report::OutputDevice& output, bool chain_part, TBRPrinter* printer);
    void collect_form_datasets();

    std::unique_ptr<TBRPage> page_;
    std::unique_ptr<TStringList> description_;
    std::unique_ptr<TBREvEnvironment> functions_;
    std::unique_ptr<TBandReportPrinterSettings> printer_settings_;
    std::unique_ptr<TBandReportPrinterSettings> dialog_settings_;
    std::unique_ptr<TBRPrinter> report_printer_;
    report::ReportRun* run_ = nullptr;
    report::RunPosition last_position_;
    std::unique_ptr<report::ReportRun> manual_run_;  // a run begun by BeginRun
    std::unique_ptr<TMetafile> shown_page_;
    int preview_width_ = 500, preview_height_ = 500;
    // Shared with a run in progress: false once the report is destroyed.
    core::Lifeline<TCustomBandReport> alive_{this};
    std::unique_ptr<TBandReportBands> bands_;
    std::unique_ptr<TBRCustomController> controller_;
    std::vector<TBRCustomBand*> band_list_;
    std::vector<TBRCustomBand*> scratch_;
    // True while a band of the list has not finished loading: each band
    // that finishes would arrange them all again, the last one does it once.
    bool bands_loading() const;
    // Above 0 while a change reaches every band at once (a new zoom): the
    // bands are arranged once afterwards, not once per band.
    int arrange_held_ = 0;
    mutable std::size_t loading_hint_ = 0;  // where a loading band was found last
    // While RebuildBandOrder runs: each band's child band, and the bands
    // already in scratch_, so that a chain is found without walking the list.
    bool rebuilding_ = false;
    std::unordered_map<const TBRCustomBand*, TBRCustomBand*> child_of_;
    std::unordered_set<const TBRCustomBand*> in_scratch_;
    TBRCustomBand* child_band(const TBRCustomBand* band) const;
    bool in_scratch(const TBRCustomBand* band) const;
    void add_to_scratch(TBRCustomBand* band);
};

// The published report: its controller's header, detail and footer are the
// first title, detail and summary bands.
class TBandReport : public TCustomBandReport {
public:
    explicit TBandReport(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override;
    void BindStandardBands() override;
    void RunControllers() override;
    int RecordCountOrOne() const override;
    void Notification(TComponent* component, TOperation operation) override;

    // The master dataset, kept in the controller.
    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* data_set);
};

// Base name followed by the smallest number from 1 that no component of the
// owner is named yet (DetailBand1, DetailBand2, ...).
std::string NumberedComponentName(const TComponent* owner, const std::string& base);

namespace report {
// What TCustomBandReport::MeasureTextWidth answers, for a text not held in a
// string of its own.
int measure_text_width(const TFont& font, std::string_view text);
}  // namespace report
