#pragma once
// Bands: the horizontal strips a report is stacked from. TBRCustomBand is
// the base (type, size, links, child bands, the print step EmitBand),
// TBRBand the plain band, TBRChildBand the band that prints right after its
// parent band.

#include "report/bands/BandRptPanel.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class TBRCustomController;
namespace report {
class ReportRun;
}

enum TBRBandType : std::uint8_t {
    rbTitle,
    rbPageHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbColumnHeader,
    rbOverlay,
    rbChild
};
namespace report {
constexpr int BandTypeCount = 11;
}  // namespace report

// Design captions and default component names, indexed by band type.
const std::array<std::string, report::BandTypeCount>& BandTypeNames();
const std::array<std::string, report::BandTypeCount>& BandComponentNames();
// Element names of TBRBandType as form resources store them.
const std::vector<std::string>& band_type_element_names();

// The text shown, in the designer only, when a link would be circular.
namespace report {
inline constexpr const char* kCircularLinking = "Circular linking not allowed";
}  // namespace report

class TBRCustomBand : public TBRBasePanel {
public:
    explicit TBRCustomBand(TComponent* owner);
    ~TBRCustomBand() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    using BeforePrintEvent = TMethodEvent<void(TBRCustomBand* Sender, bool& PrintBand)>;
    using AfterPrintEvent = TMethodEvent<void(TBRCustomBand* Sender, bool BandPrinted)>;

    // ---- properties
    TBRBandType BandType() const { return band_type_; }
    void SetBandType(TBRBandType type);
    TBRBandSize* Size() const { return size_.get(); }
    // Takes the given size's values (the band keeps its own size object).
    void SetSize(const TBRBandSize* size);
    TBRCustomBand* LinkBand() const { return link_band_; }
    // Refused (nothing stored) when the chain of links would come back here.
    void SetLinkBand(TBRCustomBand* band);
    TCustomBandReport* Report() const { return report_; }
    bool HasChild() const { return FindChildBand() != nullptr; }
    void SetHasChild(bool has_child);

    bool PreCaluculateBandHeight = false;
    bool KeepOnOnePage = false;
    bool AlignToBottom = false;
    bool ForceNewColumn = false;
    bool ForceNewPage = false;
    bool TransparentBand = false;
    bool BeingArranged = false;
    int StreamedHeight = 40;
    long double ComputedHeight = 0;
    long double Expanded = 0;
    // Set while the band continues on a further page the text its controls
    // could not finish: it then takes no design height of its own, only the
    // room its continuing controls grow it by.
    bool Continuing = false;
    TRect PrintRect;
    TBRCustomController* DetailController = nullptr;
    BeforePrintEvent BeforePrint;
    AfterPrintEvent AfterPrint;

    // ---- placement
    void SetParent(report::Control* parent) override;
    virtual void AttachToReport(TCustomBandReport* report) { report_ = report; }
    void SetBounds(int left, int top, int width, int height) override;
    void SetZoom(int zoom) override;
    void SetEnabled(bool enabled) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // ---- names
    virtual void BandTypeCaption(std::string& text) const;
    virtual void DefaultBandName(std::string& text) const;

    // ---- children
    // The first band of the report's band list that is a child band of this one.
    TBRCustomBand* FindChildBand() const;

    // ---- design painting
    void Paint(TCanvas& canvas) override;
    void DrawRulers(TCanvas& canvas, TBRUnit unit) override;

    // ---- printing (native units, on the report's output)
    void EmitBand();
    void MakeRoom();
    long double HeightWithLinks(bool include_links) const;
    long double MeasureBandHeight();
    void AdvanceReportY();
    // The band's height on the page before growth: its design height, or
    // nothing while it is continuing.
    long double BaseHeight() const;
    bool RoomForGrowth(long double amount) const;
    // Whether the page has room down to `bottom` (native, below the band's top).
    bool RoomOnPage(long double bottom) const;
    bool GrowBand(long double amount, long double& new_top, bool& has_grown);

    // The report a band is placed on learns of it here (and its controls of the report).
    void SetBandUnits(TBRUnit unit);

protected:
    bool InDesigner() const { return InState(csDesigning); }
    // Shown, in the designer only, when a write is refused as circular.
    void RefuseCircularLink() const;
    TBRBandType band_type_ = rbTitle;

private:
    // The report's run in progress, which prints the band.
    report::ReportRun& run() const;
    void print_controls_loop();
    // Gives the size this height (in its current unit) unless it already
    // holds it in native units: the same height would only arrange bands
    // and align controls that already sit where they belong.
    void put_height(long double height);
    // The part of the page a band may draw on, in device pixels.
    TRect PrintableArea() const;
    std::unique_ptr<TBRBandSize> size_;
    TBRCustomBand* link_band_ = nullptr;
    TCustomBandReport* report_ = nullptr;
};

// The unit of a printable control's band size (Native without one).
TBRUnit BandSizeUnit(const report::Control* control);

class TBRBand : public TBRCustomBand {
public:
    explicit TBRBand(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override;
};

class TBRChildBand : public TBRCustomBand {
public:
    explicit TBRChildBand(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override;

    TBRCustomBand* ParentBand() const { return parent_band_; }
    // Refused when the chain of parent bands would come back here; ignored
    // while the child band is not on a report.
    void SetParentBand(TBRCustomBand* band);
    void Notification(TComponent* component, TOperation operation) override;

private:
    TBRCustomBand* parent_band_ = nullptr;
};
