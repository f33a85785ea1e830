#include "report/bands/BandRptBands.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/HostServices.h"
#include "report/bands/BandRptReport.h"

#include <algorithm>
#include <set>

using report::Rnd;

const std::array<std::string, report::BandTypeCount>& BandTypeNames() {
    static const std::array<std::string, report::BandTypeCount> names = {
        "Title",        "Page Header", "Detail",    "Page Footer",   "Summary", "Group Header",
        "Group Footer", "Sub Detail",  "Column Header", "Overlay", "Child"};
    return names;
}

const std::array<std::string, report::BandTypeCount>& BandComponentNames() {
    static const std::array<std::string, report::BandTypeCount> names = {
        "TitleBand",       "PageHeaderBand",  "DetailBand",       "PageFooterBand", "SummaryBand", "GroupHeaderBand",
        "GroupFooterBand", "SubDetailBand",   "ColumnHeaderBand", "OverlayBand",    "ChildBand"};
    return names;
}

const std::vector<std::string>& band_type_element_names() {
    static const std::vector<std::string> names = {"rbTitle",       "rbPageHeader", "rbDetail",      "rbPageFooter",
                                                   "rbSummary",     "rbGroupHeader", "rbGroupFooter", "rbSubDetail",
                                                   "rbColumnHeader", "rbOverlay",    "rbChild"};
    return names;
}

namespace {
// Clips a canvas for the lifetime of the guard and puts its clip back.
class ClipGuard {
public:
    ClipGuard(TCanvas& canvas, const TRect& rect) : canvas_(canvas), saved_(canvas.ClipRect()) { canvas.SetClipRect(rect); }
    ~ClipGuard() {
        if (saved_) canvas_.SetClipRect(*saved_);
        else canvas_.ResetClip();
    }

private:
    TCanvas& canvas_;
    std::optional<TRect> saved_;
};
}  // namespace

// ---------------------------------------------------------- TBRCustomBand

TBRCustomBand::TBRCustomBand(TComponent* owner) : TBRBasePanel(owner), size_(std::make_unique<TBRBandSize>(this)) {
    AttachToReport(nullptr);
    SetColor(report::rgb(255, 255, 255));
    SetEnabled(true);
    SetHeight(40);
    StreamedHeight = 40;
    DetailController = nullptr;
}

TBRCustomBand::~TBRCustomBand() {
    SetState(csDestroying, true);
    if (report_) report_->RemoveBand(this);
    report_ = nullptr;
    size_.reset();
}

TClass TBRCustomBand::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRCustomBand, TBRBasePanel>("TBRCustomBand")
            .Abstract()
            .Integer("Color", &TBRCustomBand::Color, &TBRCustomBand::SetColor)
            .Default(int(clWhite))
            // Font before ParentFont: a stream that holds both takes the parent's.
            .Object("Font", [](const TBRCustomBand& b) { return const_cast<TFont*>(&b.Font); })
            .Stored([](const TBRCustomBand& b) { return !b.ParentFont(); })
            .Bool("ParentFont", [](const TBRCustomBand& b) { return b.ParentFont(); },
                  [](TBRCustomBand& b, bool v) { b.SetParentFont(v); })
            .Bool("AlignToBottom", &TBRCustomBand::AlignToBottom, &TBRCustomBand::AlignToBottom)
            .Bool("Enabled", &TBRCustomBand::Enabled, &TBRCustomBand::SetEnabled)
            .Default(true)
            .Bool("ForceNewColumn", &TBRCustomBand::ForceNewColumn, &TBRCustomBand::ForceNewColumn)
            .Bool("ForceNewPage", &TBRCustomBand::ForceNewPage, &TBRCustomBand::ForceNewPage)
            // Described as a component: the band class is still being described.
            .Component("LinkBand", [](const TBRCustomBand& b) -> TComponent* { return b.LinkBand(); },
                       &TBRCustomBand::SetLinkBand)
            .Object("Size", &TBRCustomBand::Size)
            .Bool("HasChild", &TBRCustomBand::HasChild, &TBRCustomBand::SetHasChild)
            .Stored(false)
            .Event("AfterPrint", &TBRCustomBand::AfterPrint)
            .Event("BeforePrint", &TBRCustomBand::BeforePrint)
            .Build();
    return &info;
}
TClass TBRCustomBand::ClassType() const { return StaticClass(); }

void TBRCustomBand::RefuseCircularLink() const {
    if (InDesigner()) core::host().Information(report::kCircularLinking);
}

void TBRCustomBand::SetBandType(TBRBandType type) {
    band_type_ = type;
    if (report_) {
        report_->RebuildBandOrder();
        report_->ArrangeBands();
    }
}

void TBRCustomBand::SetSize(const TBRBandSize* size) {
    if (size && size != size_.get()) size_->Assign(size);
}

void TBRCustomBand::SetLinkBand(TBRCustomBand* band) {
    std::set<const TBRCustomBand*> seen;
    for (const TBRCustomBand* b = band; b && seen.insert(b).second; b = b->link_band_) {
        if (b == this) {
            RefuseCircularLink();
            return;
        }
    }
    if (link_band_) link_band_->RemoveFreeNotification(this);
    link_band_ = band;
    if (band) band->FreeNotification(this);
}

void TBRCustomBand::SetParent(report::Control* parent) {
    if (auto* old = dynamic_cast<TCustomBandReport*>(Parent())) old->RemoveBand(this);
    if (auto* band = dynamic_cast<TBRCustomBand*>(parent)) parent = band->Parent();
    TBRBasePanel::SetParent(parent);
    if (auto* report = dynamic_cast<TCustomBandReport*>(parent)) {
        AttachToReport(report);
        report->AddBand(this);
        size_->Report = report;
        SetZoom(report->Zoom());
    } else if (report_) {
        // Off the report: nothing refers to it any longer.
        AttachToReport(nullptr);
        size_->Report = nullptr;
    }
}

void TBRCustomBand::SetBounds(int left, int top, int width, int height) {
    if (!size_ || InState(csLoading)) {
        if (InState(csLoading) && height != 40) StreamedHeight = height;
        return;
    }
    if (!report_) ApplyBounds(left, top, width, height);
    if (size_->SyncingControl) {
        ApplyBounds(left, top, width, height);
        if (!BeingArranged && report_) report_->ArrangeBands();
        for (int i = 0; i < ControlCount(); ++i)
            if (auto* p = Controls(i)->AsPrintable(); p && p->AlignToBand) p->LevelNotification(this, 2);
        return;
    }
    const TBRUnit unit = size_->CurrentUnit();
    size_->SetCurrentUnit(TBRUnit::Pixels);
    // Only a new height in whole pixels resizes: moving a band keeps its
    // stored height exactly.
    if (Rnd(size_->Height()) != height) size_->SetHeight(height);
    if (top != Top() || left != Left()) {
        ApplyBounds(left, top, Width(), Height());
        if (report_ && !BeingArranged) report_->ArrangeBands();
    }
    size_->SetCurrentUnit(unit);
    if (report_) report_->RequestRepaint();
}

void TBRCustomBand::SetZoom(int zoom) {
    TBRBasePanel::SetZoom(zoom);
    if (!size_) return;
    size_->ZoomPercent = Zoom();
    size_->ApplyZoom();
}

void TBRCustomBand::SetEnabled(bool enabled) {
    TBRBasePanel::SetEnabled(enabled);
    Invalidate();
}

void TBRCustomBand::Loaded() {
    TBRBasePanel::Loaded();
    size_->AfterLoad();
    if (StreamedHeight != 40 && Height() == 40) SetHeight(StreamedHeight);
}

void TBRCustomBand::Notification(TComponent* component, TOperation operation) {
    TBRBasePanel::Notification(component, operation);
    if (operation == opRemove && component == link_band_) link_band_ = nullptr;
}

void TBRCustomBand::BandTypeCaption(std::string& text) const { text = BandTypeNames()[band_type_ % report::BandTypeCount]; }
void TBRCustomBand::DefaultBandName(std::string& text) const { text = BandComponentNames()[band_type_ % report::BandTypeCount]; }

TBRCustomBand* TBRCustomBand::FindChildBand() const {
    if (!report_) return nullptr;
    for (TBRCustomBand* b : report_->BandList()) {
        if (b->BandType() != rbChild) continue;  // the type first: it is asked after every band printed
        auto* child = dynamic_cast<TBRChildBand*>(b);
        if (child && child->ParentBand() == this) return child;
    }
    return nullptr;
}

void TBRCustomBand::SetHasChild(bool has_child) {
    TBRCustomBand* child = FindChildBand();
    if (has_child && !child) {
        auto* band = new TBRChildBand(Owner());
        std::string base = BandComponentNames()[rbChild];
        if (InDesigner()) {
            try {
                band->SetName(NumberedComponentName(Owner(), base));
            } catch (...) {
                delete band;
                throw;
            }
        }
        band->SetParent(Parent());
        band->SetParentBand(this);
    } else if (!has_child && child) {
        if (TBRCustomBand* grandchild = child->FindChildBand())
            if (auto* g = dynamic_cast<TBRChildBand*>(grandchild)) g->SetParentBand(this);
        delete child;
    }
}

void TBRCustomBand::SetBandUnits(TBRUnit unit) {
    if (size_) size_->SetCurrentUnit(unit);
    Invalidate();
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* p = Controls(i)->AsPrintable()) p->SetSizeUnit(unit);
}

TBRUnit BandSizeUnit(const report::Control* control) {
    auto* band = dynamic_cast<const TBRCustomBand*>(control);
    return band && band->Size() ? band->Size()->CurrentUnit() : TBRUnit::Native;
}

// ---------------------------------------------------------- design painting

void TBRCustomBand::Paint(TCanvas& canvas) {
    TBRBasePanel::Paint(canvas);
    if (report_ && report_->Page()->Ruler()) DrawRulers(canvas, report_->Units());
    const TBRDesignColorScheme& scheme = DesignColorScheme();
    const int W = Width(), H = Height();
    canvas.Pen.Width = 1;
    canvas.Pen.Color = scheme.BandOutlineColor;
    canvas.Pen.Style = scheme.BandOutlineStyle;
    canvas.MoveTo(0, 0);
    canvas.LineTo(W, 0);
    canvas.MoveTo(0, H - 1);
    canvas.LineTo(W - 1, H - 1);
    canvas.MoveTo(0, 0);
    canvas.LineTo(0, H - 1);
    canvas.MoveTo(W - 1, 0);
    canvas.LineTo(W - 1, H - 1);
    canvas.Pen.Style = psSolid;
    const long double f = report::screen_pixels_per_inch() / 254.0L;
    Frame()->PaintFrame(canvas, TRect{0, 0, W - 1, H - 1}, f, f);
    std::string caption;
    BandTypeCaption(caption);
    canvas.Font.Name = scheme.RulerFontName;
    canvas.Font.SetSize(scheme.RulerFontSize);
    canvas.Font.Color = scheme.RulerFontColor;
    canvas.TextOut(2, H - canvas.TextHeight("W") - 4, caption);
}

void TBRCustomBand::DrawRulers(TCanvas& canvas, TBRUnit unit) {
    if (report_) CharacterPointSize = std::abs(report_->Font.Size());
    TBRBasePanel::DrawRulers(canvas, unit);
}

// ---------------------------------------------------------------- printing

long double TBRCustomBand::HeightWithLinks(bool include_links) const {
    long double h = size_->Height();
    if (!include_links) return h;
    std::set<const TBRCustomBand*> seen{this};
    for (const TBRCustomBand* b = link_band_; b && seen.insert(b).second; b = b->link_band_) h += b->size_->Height();
    return h;
}

long double TBRCustomBand::MeasureBandHeight() {
    ComputedHeight = size_->Height();
    return ComputedHeight;
}

long double TBRCustomBand::BaseHeight() const { return Continuing ? 0.0L : size_->Height(); }

report::ReportRun& TBRCustomBand::run() const { return *report_->Run(); }

void TBRCustomBand::AdvanceReportY() { run().CurrentY += int(Rnd(BaseHeight() + Expanded)); }

bool TBRCustomBand::RoomForGrowth(long double amount) const {
    // Asked by controls as they print, through the report: nothing is
    // available between runs.
    const TCustomBandReport& r = *report_;
    const std::int64_t available = r.AvailableSpace();
    if (available >= Rnd(BaseHeight() + Expanded + amount)) return true;
    // The first growth on a page that no other page would hold better is
    // granted, clipped at the page's bottom, so every page makes progress:
    // on a continuation page before anything of the band printed there,
    // and at the top of a page's body for a line taller than the whole
    // body. Any other growth that does not fit continues on the next page.
    if (Expanded != 0) return false;
    return Continuing || (r.CurrentY() <= r.PageBodyTop() && Rnd(amount) > available);
}

bool TBRCustomBand::RoomOnPage(long double bottom) const {
    // The band's top is the run position while it prints; a line may reach
    // the page's printable bottom and the one unit the clip leaves below it.
    const TCustomBandReport& r = *report_;
    return bottom <= r.CurrentY() + static_cast<long double>(r.AvailableSpace()) + 1.0L;
}

bool TBRCustomBand::GrowBand(long double amount, long double& new_top, bool& has_grown) {
    if (!RoomForGrowth(amount)) return false;
    if (!has_grown && amount < Expanded) {
        new_top = Expanded;
        has_grown = true;
        return true;
    }
    Expanded += amount;
    new_top = Expanded;
    has_grown = true;
    return false;
}

void TBRCustomBand::MakeRoom() {
    report::ReportRun& r = run();
    const std::int64_t h = Rnd(HeightWithLinks(true));
    // A band at the top of a page's body would not find more room on
    // another page: it prints here (clipped) rather than breaking again. A
    // band taller than any page therefore starts a page of its own and
    // prints clipped there, never below the page.
    const bool page_top = r.CurrentY <= r.PageBodyTop;
    if (r.PageCount > 0 && (band_type_ == rbPageFooter || h <= r.AvailableSpace() || page_top)) {
        if (band_type_ == rbDetail) r.SuppressForceNewPage = false;
        return;
    }
    r.SuppressForceNewPage = band_type_ == rbDetail;
    r.NewColumn();
}

void TBRCustomBand::EmitBand() {
    report::ReportRun& r = run();
    bool print = Enabled();
    if (Enabled() && BeforePrint && !InDesigner()) BeforePrint(this, print);
    if (print) {
        const bool body = band_type_ != rbTitle && band_type_ != rbPageHeader && band_type_ != rbPageFooter &&
                          band_type_ != rbOverlay;
        if (ForceNewPage && !r.SuppressForceNewPage && body && r.PageCount > 0) {
            r.RequestNewPage();
            r.SuppressForceNewPage = false;
        } else if (ForceNewColumn && body && r.PageCount > 0) {
            r.RequestNewColumn();
        } else {
            MakeRoom();
        }
        if (DetailController) DetailController->NotifyDetailListeners(0);
        // A band at the top of a page's body does not break it: it would not fit any better.
        if (KeepOnOnePage && MeasureBandHeight() > r.AvailableSpace() && r.CurrentY > r.PageBodyTop) r.NewColumn();
        report::OutputDevice& out = r.Output;
        const long double X = r.CurrentX, Y = r.CurrentY;
        if (!TransparentBand && Enabled()) {
            const long double remembered = size_->Height();
            put_height(PreCaluculateBandHeight ? MeasureBandHeight() : remembered);
            PrintRect = TRect{out.ToDeviceX(X), out.ToDeviceY(Y), out.ToDeviceX(X + size_->Width()),
                              out.ToDeviceY(Y + size_->Height())};
            put_height(remembered);
        }
        if (Height() != 0 && Enabled()) print_controls_loop();
    } else if (!Enabled() && DetailController) {
        DetailController->NotifyDetailListeners(0);
    }
    if (AfterPrint && !InDesigner()) AfterPrint(this, print);
    if (TBRCustomBand* child = FindChildBand()) {
        if (band_type_ == rbPageFooter) child->band_type_ = rbPageFooter;
        try {
            r.PrintBand(child);
        } catch (...) {
            child->band_type_ = rbChild;
            throw;
        }
        child->band_type_ = rbChild;
    }
    r.SuppressForceNewPage = false;
}

TRect TBRCustomBand::PrintableArea() const {
    // Nothing of a band reaches below the page's printable bottom (the page
    // footers' room, for other bands than page footers).
    const report::ReportRun& r = run();
    const TBRPage& page = *report_->Page();
    long double bottom = page.Length() - page.BottomMargin();
    if (band_type_ != rbPageFooter) bottom -= r.PageFooterHeight;
    return TRect{0, 0, r.Output.ToDeviceX(page.Width()) + 1, r.Output.ToDeviceY(bottom + 1.0L)};
}

void TBRCustomBand::print_controls_loop() {
    report::ReportRun& r = run();
    report::OutputDevice& out = r.Output;
    if (!TransparentBand) {
        TCanvas& canvas = out.Canvas();
        ClipGuard clip(canvas, PrintableArea());
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = Color();
        canvas.FillRect(PrintRect);
    }
    Expanded = 0;
    Continuing = false;
    const long double remembered = size_->Height();
    bool first_pass = true;
    bool done;
    do {
        const long double X = r.CurrentX, Y = r.CurrentY;
        done = true;
        {
            ClipGuard clip(out.Canvas(), PrintableArea());
            for (int i = 0; i < ControlCount(); ++i) {
                auto* p = Controls(i)->AsPrintable();
                if (!p || !p->Enabled()) continue;
                if (first_pass || !p->PrintFinished) p->PrintAt(int(X), int(Y));
                done = done && p->PrintFinished;
            }
            PrintRect = TRect{out.ToDeviceX(X), out.ToDeviceY(Y), out.ToDeviceX(X + size_->Width()),
                              out.ToDeviceY(Y + BaseHeight() + Expanded + 1.0L)};
            Frame()->PaintFrame(out.Canvas(), PrintRect, out.XFactor(), out.YFactor());
        }
        if (!done) {
            r.SuppressForceNewPage = true;
            r.NewColumn();
            r.SuppressForceNewPage = false;
            put_height(remembered);
            Expanded = 0;
            // The rest takes only the room it needs on the next page.
            Continuing = true;
        }
        first_pass = false;
    } while (!done);
    AdvanceReportY();
    Continuing = false;
    put_height(remembered);
}

void TBRCustomBand::put_height(long double height) {
    if (size_->CurrentUnit() == TBRUnit::Native && size_->NativeHeight() == height) return;
    size_->SetHeight(height);
}

// ---------------------------------------------------------------- TBRBand

TBRBand::TBRBand(TComponent* owner) : TBRCustomBand(owner) {}

TClass TBRBand::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRBand, TBRCustomBand>("TBRBand")
            .Enum("BandType", band_type_element_names(), &TBRBand::BandType, &TBRBand::SetBandType)
            .NoDefault()
            .Bool("TransparentBand", &TBRBand::TransparentBand, &TBRBand::TransparentBand)
            .Bool("PreCaluculateBandHeight", &TBRBand::PreCaluculateBandHeight, &TBRBand::PreCaluculateBandHeight)
            .Bool("KeepOnOnePage", &TBRBand::KeepOnOnePage, &TBRBand::KeepOnOnePage)
            .Build();
    return &info;
}
TClass TBRBand::ClassType() const { return StaticClass(); }

// ----------------------------------------------------------- TBRChildBand

TBRChildBand::TBRChildBand(TComponent* owner) : TBRCustomBand(owner) { SetBandType(rbChild); }

TClass TBRChildBand::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRChildBand, TBRCustomBand>("TBRChildBand")
            .Component("ParentBand", &TBRChildBand::ParentBand, &TBRChildBand::SetParentBand)
            .Build();
    return &info;
}
TClass TBRChildBand::ClassType() const { return StaticClass(); }

void TBRChildBand::SetParentBand(TBRCustomBand* band) {
    std::set<const TBRCustomBand*> seen;
    for (const TBRCustomBand* b = band; b && seen.insert(b).second;) {
        if (b == this) {
            RefuseCircularLink();
            return;
        }
        auto* child = dynamic_cast<const TBRChildBand*>(b);
        b = child ? child->parent_band_ : nullptr;
    }
    if (!Report()) return;
    if (parent_band_) parent_band_->RemoveFreeNotification(this);
    parent_band_ = band;
    if (band) band->FreeNotification(this);
    if (!Report()->InState(csDestroying)) {
        Report()->RebuildBandOrder();
        Report()->ArrangeBands();
    }
}

void TBRChildBand::Notification(TComponent* component, TOperation operation) {
    TBRCustomBand::Notification(component, operation);
    if (operation == opRemove && component == parent_band_) parent_band_ = nullptr;
}
