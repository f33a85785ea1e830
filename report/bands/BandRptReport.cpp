#include "report/bands/BandRptReport.h"

#include "platform/core/ClassBuilder.h"

#include <algorithm>
#include <cstdlib>

using report::Rnd;

namespace report {

std::string NumberedComponentName(const TComponent* owner, const std::string& base) {
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (!owner || !owner->FindComponent(name)) return name;
    }
}

}  // namespace report

namespace {
bool contains(const std::vector<TBRCustomBand*>& list, const TBRCustomBand* band) {
    return std::find(list.begin(), list.end(), band) != list.end();
}
}  // namespace

// ------------------------------------------------------ TCustomBandReport

TCustomBandReport::TCustomBandReport(TComponent* owner) : TBRBasePanel(owner) {
    controller_ = std::make_unique<TBRCustomController>(this);
    controller_->ParentReport = this;
    controller_->Scope = this;
    bands_ = std::make_unique<TBandReportBands>(this);
    page_ = std::make_unique<TBRPage>(this);
    page_->Report = this;
    page_->UpdateControlBounds();
    SetColor(report::rgb(255, 255, 255));
    SetBounds(0, 0, Width(), Height());
    Font.Name = "Arial";
    Font.SetSize(10);
}

TCustomBandReport::~TCustomBandReport() {
    SetState(csDestroying, true);
    // Owned bands go while the report is whole; bands owned elsewhere forget it.
    DestroyComponents();
    for (int i = 0; i < ControlCount(); ++i) {
        if (auto* band = dynamic_cast<TBRCustomBand*>(Controls(i))) {
            band->AttachToReport(nullptr);
            if (band->Size()) band->Size()->Report = nullptr;
        }
    }
    band_list_.clear();
    controller_.reset();
}

TClass TCustomBandReport::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TCustomBandReport, TBRBasePanel>("TCustomBandReport")
            .Factory([](TComponent* owner) -> TObject* { return new TCustomBandReport(owner); })
            .Build();
    return &info;
}
TClass TCustomBandReport::ClassType() const { return StaticClass(); }

void TCustomBandReport::replace_controller(std::unique_ptr<TBRCustomController> controller) {
    controller_ = std::move(controller);
    controller_->ParentReport = this;
    controller_->Scope = this;
}

void TCustomBandReport::SetUnits(TBRUnit unit) {
    page_->SetCurrentUnit(unit);
    for (TBRCustomBand* band : band_list_) band->SetBandUnits(Units());
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* p = dynamic_cast<report::Printable*>(Controls(i))) p->SetSizeUnit(unit);
}

void TCustomBandReport::SetZoom(int zoom) {
    if (zoom < 1 || zoom > 300) return;
    TBRBasePanel::SetZoom(zoom);
    if (!page_) return;
    page_->ZoomPercent = Zoom();
    page_->ApplyZoom();
    ArrangeBands();
}

void TCustomBandReport::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    ApplyBounds(left, top, width, height);
    if (page_ && !page_->SyncingControl && resized && page_->PaperSize() == TBRPaperSize::Custom) {
        page_->SyncingControl = true;
        page_->PushPixelUnit();
        page_->SetWidth(width);
        page_->SetLength(height);
        page_->PopUnit();
        page_->SyncingControl = false;
    }
    ArrangeBands();
}

void TCustomBandReport::Loaded() {
    TBRBasePanel::Loaded();
    RebuildBandOrder();
    ArrangeBands();
}

void TCustomBandReport::Notification(TComponent* component, TOperation operation) {
    TBRBasePanel::Notification(component, operation);
    if (operation == opRemove && !InState(csDestroying)) {
        if (auto* band = dynamic_cast<TBRCustomBand*>(component); band && contains(band_list_, band)) RemoveBand(band);
    }
}

void TCustomBandReport::DrawRulers(TCanvas& canvas, TBRUnit unit) {
    CharacterPointSize = std::abs(Font.Size());
    TBRBasePanel::DrawRulers(canvas, unit);
}

// ---------------------------------------------------- band list and layout

void TCustomBandReport::AddBand(TBRCustomBand* band) {
    if (!band || contains(band_list_, band)) return;
    band_list_.push_back(band);
    RebuildBandOrder();
    ArrangeBands();
}

void TCustomBandReport::RemoveBand(TBRCustomBand* band) {
    if (InState(csDestroying)) return;
    auto it = std::find(band_list_.begin(), band_list_.end(), band);
    if (it == band_list_.end()) return;
    band_list_.erase(it);
    RebuildBandOrder();
    ArrangeBands();
}

void TCustomBandReport::AddBandChain(TBRCustomBand* band) {
    if (!band || band->InState(csDestroying) || contains(scratch_, band)) return;
    scratch_.push_back(band);
    for (TBRCustomBand* child = band->FindChildBand(); child && !contains(scratch_, child);
         child = child->FindChildBand())
        scratch_.push_back(child);
}

void TCustomBandReport::AddBandsOfType(TBRBandType type) {
    const std::vector<TBRCustomBand*> list = band_list_;
    for (TBRCustomBand* band : list)
        if (band->BandType() == type) AddBandChain(band);
}

void TCustomBandReport::RebuildBandOrder() {
    if (InState(csLoading)) return;
    BindStandardBands();
    controller_->BuildLevelTree();
    scratch_.clear();
    AddBandsOfType(rbPageHeader);
    if (bands_->HasTitle()) AddBandsOfType(rbTitle);
    AddBandsOfType(rbColumnHeader);
    controller_->ListLevelBands();
    AddBandsOfType(rbPageFooter);
    const std::vector<TBRCustomBand*> old = band_list_;
    for (TBRCustomBand* band : old) AddBandChain(band);
    band_list_ = std::move(scratch_);
    scratch_.clear();
}

void TCustomBandReport::ArrangeBands() {
    if (!page_ || InState(csDestroying | csLoading)) return;
    const TBRUnit units = Units();
    SetUnits(TBRUnit::Pixels);
    std::int64_t y = Rnd(page_->TopMargin());
    const std::int64_t full = Width() - Rnd(page_->LeftMargin() + page_->RightMargin());
    const std::int64_t columns = page_->Columns();
    const std::int64_t column = (full - (columns - 1) * Rnd(page_->ColumnSpace())) / columns;
    const std::vector<TBRCustomBand*> list = band_list_;
    for (TBRCustomBand* band : list) {
        if (band->InState(csDestroying)) continue;
        band->BeingArranged = true;
        try {
            band->SetBounds(int(Rnd(page_->LeftMargin())), int(y), band->Width(), band->Height());
            y += band->Height();
            TBRBandType type = band->BandType();
            std::vector<const TBRCustomBand*> seen;
            for (const TBRCustomBand* b = band; auto* child = dynamic_cast<const TBRChildBand*>(b);) {
                seen.push_back(b);
                b = child->ParentBand();
                if (!b || std::find(seen.begin(), seen.end(), b) != seen.end()) break;
                type = b->BandType();
            }
            const bool full_width = type == rbTitle || type == rbPageHeader || type == rbPageFooter ||
                                    type == rbSummary || type == rbOverlay;
            band->Size()->SetWidth(static_cast<long double>(full_width ? full : column));
        } catch (...) {
            band->BeingArranged = false;
            SetUnits(units);
            throw;
        }
        band->BeingArranged = false;
    }
    SetUnits(units);
}

TBRCustomBand* TCustomBandReport::CreateStandardBand(TBRBandType type) {
    TComponent* owner = Owner() ? Owner() : this;
    auto* band = new TBRBand(owner);
    try {
        // The type first: the band joins the band order in its own place
        // and does not take over a band of its type already bound.
        band->SetBandType(type);
        band->SetParent(this);
        std::string base;
        band->DefaultBandName(base);
        band->SetName(report::NumberedComponentName(owner, base));
    } catch (...) {
        delete band;
        throw;
    }
    return band;
}

void TCustomBandReport::RequestRepaint() {
    if (RepaintPending) return;
    RepaintPending = true;
    Invalidate();
}

TBRCustomBand* TCustomBandReport::FindBand(TBRBandType type) const {
    for (TBRCustomBand* band : band_list_)
        if (band->BandType() == type) return band;
    return nullptr;
}

// ----------------------------------------------------------- run operations

int TCustomBandReport::AvailableSpace() const {
    if (Ready || CurrentY == -1 || !Output) return 0;
    long double length = Output->PaperLength();
    if (page_->Orientation() == poLandscape && page_->PaperSize() != TBRPaperSize::Custom) length = Output->PaperWidth();
    return int(Rnd(length - page_->NativeValue(TBRPage::BottomMarginIndex) - PageFooterHeight - CurrentY));
}

void TCustomBandReport::PrintBand(TBRCustomBand* band) {
    if (!band) return;
    if (band->AlignToBottom) {
        if (band->BandType() == rbSummary && !HasOption(LastPageFooter)) PageFooterHeight = 0;
        const long double bottom = page_->NativeValue(TBRPage::BottomMarginIndex);
        const long double height = band->Size()->NativeHeight();
        const std::int64_t need = Rnd(height + bottom + PageFooterHeight);
        long double paper = Output->PaperLength();
        if (page_->Orientation() == poLandscape) paper = Output->PaperWidth();
        if (need <= Rnd(paper) - CurrentY) CurrentY = int(Rnd(paper) - Rnd(height) - Rnd(bottom + PageFooterHeight));
    }
    band->EmitBand();
}

void TCustomBandReport::NewColumn() {
    const long double left = page_->NativeValue(TBRPage::LeftMarginIndex);
    if (CurrentColumn >= page_->Columns()) {
        CurrentColumn = 1;
        CurrentX = int(Rnd(left));
        NewPage();
    } else {
        std::int64_t step;
        if (TBRCustomBand* detail = FindBand(rbDetail)) {
            step = Rnd(detail->Size()->NativeWidth());
        } else {
            const std::int64_t columns = page_->Columns();
            step = (Rnd(page_->NativeValue(TBRPage::WidthIndex) -
                        (left + page_->NativeValue(TBRPage::RightMarginIndex))) -
                    (columns - 1) * Rnd(page_->NativeValue(TBRPage::ColumnSpaceIndex))) /
                   columns;
        }
        CurrentX = int(CurrentX + step + Rnd(page_->NativeValue(TBRPage::ColumnSpaceIndex)));
        CurrentY = ColumnTop;
        ++CurrentColumn;
    }
    if (!(CurrentColumn == 1 && PageCount == 1)) PrintBand(FindBand(rbColumnHeader));
}

void TCustomBandReport::NewPage() {
    EndPage();
    ++PageCount;
    Output->StartNewPage();
    CurrentY = int(Rnd(page_->NativeValue(TBRPage::TopMarginIndex)));
    PageBodyTop = CurrentY;
    if (PageCount > 1 || HasOption(FirstPageHeader)) PrintBand(FindBand(rbPageHeader));
    PageBodyTop = CurrentY;
    ColumnTop = CurrentY;
    if (PageCount == 1)
        if (TBRCustomBand* title = FindBand(rbTitle)) ColumnTop += int(Rnd(title->Size()->NativeHeight()));
}

void TCustomBandReport::EndPage() {
    if (PageCount <= 0) return;
    const long double left = page_->NativeValue(TBRPage::LeftMarginIndex);
    const long double right = page_->NativeValue(TBRPage::RightMarginIndex);
    const long double top = page_->NativeValue(TBRPage::TopMarginIndex);
    const long double bottom = page_->NativeValue(TBRPage::BottomMarginIndex);
    const long double width = page_->NativeValue(TBRPage::WidthIndex);
    const long double length = page_->NativeValue(TBRPage::LengthIndex);
    CurrentY = int(Rnd(length - bottom - PageFooterHeight));
    CurrentX = int(Rnd(left));
    if (!(FinalPage && !HasOption(LastPageFooter))) PrintBand(FindBand(rbPageFooter));
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* p = dynamic_cast<report::Printable*>(Controls(i))) p->PrintAt(0, 0);
    Frame()->PaintFrame(Output->Canvas(),
                        TRect{Output->ToDeviceX(left), Output->ToDeviceY(top), Output->ToDeviceX(width - right),
                              Output->ToDeviceY(length - bottom)},
                        Output->XFactor(), Output->YFactor());
}

void TCustomBandReport::RequestNewColumn() {
    if (Ready) return;
    if (ColumnStarted || CurrentColumn > 1) NewColumn();
    else ColumnStarted = true;
}

void TCustomBandReport::RequestNewPage() {
    if (Ready) return;
    if (SkipForcedPage) {
        SkipForcedPage = false;
        return;
    }
    do NewColumn();
    while (CurrentColumn != 1);
}

void TCustomBandReport::MeasurePageFooters() {
    PageFooterHeight = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* band = dynamic_cast<TBRCustomBand*>(Controls(i));
        if (!band || band->BandType() != rbPageFooter || !band->Enabled()) continue;
        PageFooterHeight += band->Size()->NativeHeight();
        std::vector<const TBRCustomBand*> seen{band};
        for (TBRCustomBand* child = band->FindChildBand();
             child && std::find(seen.begin(), seen.end(), child) == seen.end(); child = child->FindChildBand()) {
            seen.push_back(child);
            PageFooterHeight += child->Size()->NativeHeight();
        }
    }
}

void TCustomBandReport::BeginRun(report::OutputDevice& output) {
    Output = &output;
    TBRPage& p = *page_;
    run_units_ = Units();
    SetUnits(TBRUnit::Native);
    if (p.Width() - p.LeftMargin() - p.RightMargin() < 0) {
        p.SetLeftMargin(0);
        p.SetRightMargin(0);
    }
    if (p.Length() - p.TopMargin() - p.BottomMargin() < 0) {
        p.SetTopMargin(0);
        p.SetBottomMargin(0);
    }
    Ready = false;
    FinalPage = SkipForcedPage = ColumnStarted = false;
    SetSuppressForceNewPage(false);
    CurrentY = -1;
    PageCount = 0;
    ColumnTop = 0;
    PageBodyTop = 0;
    CurrentColumn = p.Columns();
    MeasurePageFooters();
    for (int i = 0; i < ControlCount(); ++i) {
        if (auto* band = dynamic_cast<TBRCustomBand*>(Controls(i))) band->AttachToReport(this);
        else if (auto* printable = dynamic_cast<report::Printable*>(Controls(i))) printable->ParentReport = this;
    }
    CurrentX = int(Rnd(p.LeftMargin()));
    PreparePrintables();
}

void TCustomBandReport::FinishRun() {
    CurrentX = int(Rnd(page_->NativeValue(TBRPage::LeftMarginIndex)));
    FinalPage = true;
    EndPage();
    SetUnits(run_units_);
    UnpreparePrintables();
    Ready = true;
    Output = nullptr;
}

// ------------------------------------------------------------ TBandReport

TBandReport::TBandReport(TComponent* owner) : TCustomBandReport(owner) {
    replace_controller(std::make_unique<TBRController>(this));
}

TClass TBandReport::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBandReport, TCustomBandReport>("TBandReport")
            .Object("Bands", &TBandReport::Bands)
            .Object("Font", [](const TBandReport& r) { return const_cast<TFont*>(&r.Font); })
            .Set("Options", {"FirstPageHeader", "LastPageFooter", "Compression"},
                 [](const TBandReport& r) { return r.Options; }, [](TBandReport& r, int v) { r.Options = v; })
            .Default((1 << FirstPageHeader) | (1 << LastPageFooter))
            .Object("Page", &TBandReport::Page)
            .Enum("Units", report::unit_names(), &TBandReport::Units, &TBandReport::SetUnits)
            .NoDefault()
            .Integer("Zoom", &TBandReport::Zoom, &TBandReport::SetZoom)
            .Default(100)
            .Build();
    return &info;
}
TClass TBandReport::ClassType() const { return StaticClass(); }

void TBandReport::BindStandardBands() {
    auto* controller = dynamic_cast<TBRController*>(Controller());
    if (!controller) return;
    controller->Detail = FindBand(rbDetail);
    controller->Header = FindBand(rbTitle);
    controller->Footer = FindBand(rbSummary);
}
