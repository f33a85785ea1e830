#pragma once
// The report as far as its bands need it: the page, the band list in print
// order and its layout on the design surface, the band factory, units and
// zoom, and the page and column operations that bands print with. The
// report's run over its controllers and data sets builds on this.

#include "report/bands/BandRptControllers.h"
#include "report/bands/BandRptOutput.h"
#include "report/bands/BandRptPage.h"

#include <memory>
#include <string>
#include <vector>

enum TBandReportOption { FirstPageHeader, LastPageFooter, Compression };

class TCustomBandReport : public TBRBasePanel {
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

    // ---- run state (native units)
    bool Ready = true;
    int CurrentX = 0;
    int CurrentY = -1;
    int CurrentColumn = 1;
    int ColumnTop = 0;
    // Where the current page's bands start below its page header: a band
    // there would find no more room on another page.
    int PageBodyTop = 0;
    int PageCount = 0;
    long double PageFooterHeight = 0;
    bool FinalPage = false;
    bool SkipForcedPage = false;
    bool ColumnStarted = false;
    report::OutputDevice* Output = nullptr;

    // ---- run operations used by bands
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
    // started); FinishRun ends the last page and restores the units.
    void BeginRun(report::OutputDevice& output);
    void FinishRun();

protected:
    bool LabelledRulers() const override { return true; }
    void replace_controller(std::unique_ptr<TBRCustomController> controller);

private:
    std::unique_ptr<TBRPage> page_;
    std::unique_ptr<TBandReportBands> bands_;
    std::unique_ptr<TBRCustomController> controller_;
    std::vector<TBRCustomBand*> band_list_;
    std::vector<TBRCustomBand*> scratch_;
    TBRUnit run_units_ = TBRUnit::MM;
};

// The published report: its controller's header, detail and footer are the
// first title, detail and summary bands.
class TBandReport : public TCustomBandReport {
public:
    explicit TBandReport(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override;
    void BindStandardBands() override;
};

namespace report {
// Base name followed by the smallest number from 1 that no component of the
// owner is named yet (DetailBand1, DetailBand2, ...).
std::string NumberedComponentName(const TComponent* owner, const std::string& base);
}  // namespace report
