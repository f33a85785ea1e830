#include "report/bands/BandRptReport.h"

#include "platform/core/ClassBuilder.h"
#include "platform/data/DB.h"
#include "platform/graphics/Font.h"
#include "platform/os/Locale.h"
#include "report/bands/BandRptPrinter.h"

#include <algorithm>
#include <cstdlib>

using report::Rnd;

std::string NumberedComponentName(const TComponent* owner, const std::string& base) {
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (!owner || !owner->FindComponent(name)) return name;
    }
}

namespace {
bool contains(const std::vector<TBRCustomBand*>& list, const TBRCustomBand* band) {
    return std::find(list.begin(), list.end(), band) != list.end();
}

// Whether the user's language (LC_ALL, LC_MESSAGES or LANG) is Japanese.
bool japanese_user() {
    const std::string name = os::message_locale_name();
    return name.size() >= 2 && (name[0] == 'j' || name[0] == 'J') && (name[1] == 'a' || name[1] == 'A') &&
           (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@');
}
}  // namespace

// ------------------------------------------------------ TCustomBandReport

TCustomBandReport::TCustomBandReport(TComponent* owner) : TBRBasePanel(owner) {
    controller_ = std::make_unique<TBRCustomController>(this);
    controller_->ParentReport = this;
    controller_->Scope = this;
    functions_ = std::make_unique<TBREvEnvironment>();
    functions_->DefineEntry("PAGENUMBER", "0");
    functions_->DefineEntry("COLUMNNUMBER", "0");
    functions_->DefineEntry("REPORTTITLE", "''");
    description_ = std::make_unique<TStringList>();
    bands_ = std::make_unique<TBandReportBands>(this);
    page_ = std::make_unique<TBRPage>(this);
    printer_settings_ = std::make_unique<TBandReportPrinterSettings>();
    dialog_settings_ = std::make_unique<TBandReportPrinterSettings>();
    page_->Report = this;
    page_->UpdateControlBounds();
    SetColor(report::rgb(255, 255, 255));
    SetBounds(0, 0, Width(), Height());
    // A Japanese user keeps the class library's default font.
    if (!japanese_user()) {
        Font.Name = "Arial";
        Font.SetSize(10);
    }
    // The default printer's paper, where there is a printer; without one
    // the page keeps the locale's paper.
    {
        TBRPrinter printer(this);
        if (printer.PrintersPresent()) page_->SetPaperSize(printer.PaperSize());
    }
    report::StoredFileLoaded = false;
}

TCustomBandReport::~TCustomBandReport() {
    // A run in progress (the report freed from one of its own events) is
    // cancelled and told that the report is gone.
    if (run_) CancelRun();
    alive_.end();
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
    {
        struct Hold {
            int& held;
            explicit Hold(int& h) : held(h) { ++held; }
            ~Hold() { --held; }
        } hold(arrange_held_);
        TBRBasePanel::SetZoom(zoom);
    }
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

TBRCustomBand* TCustomBandReport::child_band(const TBRCustomBand* band) const {
    if (!rebuilding_) return band->FindChildBand();
    if (!band->Report()) return nullptr;
    auto it = child_of_.find(band);
    return it == child_of_.end() ? nullptr : it->second;
}

bool TCustomBandReport::in_scratch(const TBRCustomBand* band) const {
    return rebuilding_ ? in_scratch_.count(band) != 0 : contains(scratch_, band);
}

void TCustomBandReport::add_to_scratch(TBRCustomBand* band) {
    scratch_.push_back(band);
    if (rebuilding_) in_scratch_.insert(band);
}

void TCustomBandReport::AddBandChain(TBRCustomBand* band) {
    if (!band || band->InState(csDestroying) || in_scratch(band)) return;
    add_to_scratch(band);
    for (TBRCustomBand* child = child_band(band); child && !in_scratch(child); child = child_band(child))
        add_to_scratch(child);
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
    // Each band's child band as FindChildBand answers it: the first child
    // band in the list that names it as its parent.
    child_of_.clear();
    in_scratch_.clear();
    for (TBRCustomBand* b : band_list_)
        if (auto* child = dynamic_cast<TBRChildBand*>(b); child && child->BandType() == rbChild && child->ParentBand())
            child_of_.emplace(child->ParentBand(), child);
    struct Rebuilding {
        TCustomBandReport& report;
        explicit Rebuilding(TCustomBandReport& r) : report(r) { report.rebuilding_ = true; }
        ~Rebuilding() {
            report.rebuilding_ = false;
            report.child_of_.clear();
            report.in_scratch_.clear();
        }
    } rebuilding(*this);
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

bool TCustomBandReport::bands_loading() const {
    // Bands finish loading mostly in list order: the search starts where
    // the last one was found.
    const std::size_t n = band_list_.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (loading_hint_ + k) % n;
        if (band_list_[i]->InState(csLoading)) {
            loading_hint_ = i;
            return true;
        }
    }
    return false;
}

void TCustomBandReport::ArrangeBands() {
    if (!page_ || arrange_held_ > 0 || InState(csDestroying | csLoading) || bands_loading()) return;
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
        band->SetName(NumberedComponentName(owner, base));
    } catch (...) {
        delete band;
        throw;
    }
    return band;
}

void TCustomBandReport::RequestRepaint() {
    if (RepaintPending) return;
    RepaintPending = true;
    shown_page_.reset();
    Invalidate();
}

TBRCustomBand* TCustomBandReport::FindBand(TBRBandType type) const {
    for (TBRCustomBand* band : band_list_)
        if (band->BandType() == type) return band;
    return nullptr;
}

// ----------------------------------------------------------- run operations

int TCustomBandReport::AvailableSpace() const { return run_ ? run_->AvailableSpace() : 0; }

void TCustomBandReport::PrintBand(TBRCustomBand* band) {
    if (run_) run_->PrintBand(band);
}
void TCustomBandReport::NewColumn() {
    if (run_) run_->NewColumn();
}
void TCustomBandReport::NewPage() {
    if (run_) run_->NewPage();
}
void TCustomBandReport::EndPage() {
    if (run_) run_->EndPage();
}
void TCustomBandReport::RequestNewColumn() {
    if (run_) run_->RequestNewColumn();
}
void TCustomBandReport::RequestNewPage() {
    if (run_) run_->RequestNewPage();
}
void TCustomBandReport::MeasurePageFooters() {
    if (run_) run_->MeasurePageFooters();
}

void TCustomBandReport::BeginRun(report::OutputDevice& output) {
    // Kept by the report once begun; a failure on the way puts it back.
    auto begun = std::make_unique<report::ReportRun>(*this, output, false, last_position_);
    report::ReportRun& run = *begun;
    TBRPage& p = *page_;
    run.UseNativeUnits(Units());
    report::clear_overlapping_margins(p);
    run.CurrentY = -1;
    run.PageCount = 0;
    run.ColumnTop = 0;
    run.PageBodyTop = 0;
    run.CurrentColumn = p.Columns();
    run.MeasurePageFooters();
    for (int i = 0; i < ControlCount(); ++i) {
        if (auto* band = dynamic_cast<TBRCustomBand*>(Controls(i))) band->AttachToReport(this);
        else if (auto* printable = dynamic_cast<report::Printable*>(Controls(i))) printable->ParentReport = this;
    }
    run.CurrentX = int(Rnd(p.LeftMargin()));
    run.PreparePrintables();
    manual_run_ = std::move(begun);
}

void TCustomBandReport::FinishRun() {
    if (!manual_run_) return;
    // The run goes however its last page ends.
    const std::unique_ptr<report::ReportRun> run = std::move(manual_run_);
    run->CurrentX = int(Rnd(page_->NativeValue(TBRPage::LeftMarginIndex)));
    run->FinalPage = true;
    run->EndPage();
}

// ------------------------------------------------------------ report data

bool TCustomBandReport::PrintIfEmpty() const { return controller_->PrintIfEmpty; }
void TCustomBandReport::SetPrintIfEmpty(bool value) { controller_->PrintIfEmpty = value; }

int TCustomBandReport::MeasureTextHeight(const TFont& font, const std::string& text) const {
    if (text.empty()) return 0;
    // The cell height of the font, whatever the text: no width is measured.
    return graphics::font_engine().Metric(font).Height();
}

int TCustomBandReport::MeasureTextWidth(const TFont& font, const std::string& text) const {
    return report::measure_text_width(font, text);
}

int report::measure_text_width(const TFont& font, std::string_view text) {
    if (text.empty()) return 1;
    return graphics::text_extent(font, text).cx + 1;
}

void TCustomBandReport::SetShownPage(std::unique_ptr<TMetafile> page) {
    shown_page_ = std::move(page);
    Invalidate();
}

// ---------------------------------------------------------------- printer

bool TCustomBandReport::CreateRunPrinter(graphics::PrintDevice* device) {
    if (run_) return false;
    report::NoticeWindow* preview = report_printer_ ? report_printer_->Preview : nullptr;
    auto printer = std::make_unique<TBRPrinter>(this, printer_settings_.get(), device);
    printer->Preview = preview;
    printer->OnAfterPrint = [this](TObject*) { FireAfterPrint(); };
    printer->OnAfterPreview = [this](TObject*) { FireAfterPreview(); };
    report_printer_ = std::move(printer);
    return true;
}

void TCustomBandReport::ApplyPrinterSettings() {
    if (!report_printer_) return;
    TBRPrinter& printer = *report_printer_;
    const TBandReportPrinterSettings& s = *printer_settings_;
    // -1 is the default printer, which a new printer has selected already.
    if (s.PrinterIndex >= 0) printer.SelectPrinter(s.PrinterIndex);
    printer.SetPaperSize(page_->PaperSize());
    printer.SetOrientation(page_->Orientation());
    report::give_page_paper(printer, *page_);
    printer.SetDuplex(s.Duplex);
    report::apply_job_settings(printer, s);
    TPrinterSettings& target = printer.Settings();
    target.OnApplyPrinterSettings = OnApplyPrinterSettings;
    target.OnGetPrinterSettings = OnGetPrinterSettings;
}

void TCustomBandReport::CancelRun() {
    if (!run_) return;
    run_->CancelRequested = true;
    run_->Output.CancelOutput();
}

std::unique_ptr<TBRPrinter> TCustomBandReport::TakeReportPrinter() {
    if (run_) return nullptr;
    return std::move(report_printer_);
}

void TCustomBandReport::FreeReportPrinter() {
    if (!run_) {
        report_printer_.reset();
        return;
    }
    // The run still draws on it: cancel, and free it when the run has ended.
    CancelRun();
    run_->FreePrinterAfterRun = true;
}

// ---------------------------------------------------------------- the run

void TCustomBandReport::RunReport(bool ChainPart) {
    if (run_) return;
    if (!report_printer_) CreateRunPrinter();
    TBRPrinter* printer = report_printer_.get();
    report::PrinterOutput output(*printer);
    try {
        run(output, ChainPart, printer);
    } catch (const report::RunAbandoned&) {
        // The report was freed by one of its own events; nothing is left to touch.
    }
}

void TCustomBandReport::RunReport(report::OutputDevice& output, bool ChainPart) {
    if (run_) return;
    try {
        run(output, ChainPart, nullptr);
    } catch (const report::RunAbandoned&) {
    }
}

void TCustomBandReport::check_alive(const core::Lifeline<TCustomBandReport>::Watch& alive) {
    if (!*alive) throw report::RunAbandoned();
}

void TCustomBandReport::RunControllers() { controller_->RunLevel(); }

void TCustomBandReport::collect_form_datasets() {
    // The window the report is placed on; a report that is the root of its
    // layout stands for its own form (its owner's, when it has one).
    TComponent* form = this;
    for (report::Control* p = Parent(); p; p = p->Parent()) form = p;
    if (form == this && Owner()) form = Owner();
    std::function<void(TComponent*)> walk = [&](TComponent* c) {
        for (int i = 0; i < c->ComponentCount(); ++i) {
            TComponent* owned = c->Components(i);
            if (auto* ds = dynamic_cast<TDataSet*>(owned)) run_->DataSets()->Add(ds);
            else if (dynamic_cast<report::Control*>(owned)) walk(owned);
        }
    };
    walk(form);
}

void TCustomBandReport::run(report::OutputDevice& output, bool chain_part, TBRPrinter* printer) {
    report::ReportRun run(*this, output, chain_part, last_position_);
    run.Execute(printer);
}

// ----------------------------------------------------------- design surface

void TCustomBandReport::Paint(TCanvas& canvas) {
    TBRBasePanel::Paint(canvas);
    RepaintPending = false;
    if (shown_page_) canvas.StretchDraw(ClientRect(), *shown_page_);
    if (page_->Ruler()) DrawRulers(canvas, Units());
    PaintMargins(canvas);
    PaintPageFrame(canvas);
    PaintColumnMarks(canvas);
}

void TCustomBandReport::PaintMargins(TCanvas& canvas) {
    const TBRDesignColorScheme& scheme = DesignColorScheme();
    page_->PushPixelUnit();
    canvas.Pen.Style = scheme.MarginStyle;
    canvas.Pen.Color = scheme.MarginColor;
    canvas.Pen.Width = 1;
    canvas.Brush.Style = bsClear;
    canvas.Rectangle(int(Rnd(page_->LeftMargin())), int(Rnd(page_->TopMargin())),
                     int(Width() - Rnd(page_->RightMargin())), int(Height() - Rnd(page_->BottomMargin())));
    canvas.Pen.Style = psSolid;
    page_->PopUnit();
}

void TCustomBandReport::PaintPageFrame(TCanvas& canvas) {
    TBRFrame& frame = *Frame();
    page_->PushPixelUnit();
    frame.ApplyPen(canvas.Pen);
    const int l = int(Rnd(page_->LeftMargin())), t = int(Rnd(page_->TopMargin()));
    const int r = int(Rnd(page_->Width() - page_->RightMargin())) - 1;
    const int b = int(Rnd(page_->Length() - page_->BottomMargin())) - 1;
    auto line = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    if (frame.DrawTop()) line(l, t, r, t);
    if (frame.DrawBottom()) line(l, b, r, b);
    if (frame.DrawLeft()) line(l, t, l, b);
    if (frame.DrawRight()) line(r, t, r, b);
    page_->PopUnit();
}

void TCustomBandReport::PaintColumnMarks(TCanvas& canvas) {
    const int columns = page_->Columns();
    if (columns < 2) return;
    const TBRDesignColorScheme& scheme = DesignColorScheme();
    page_->PushPixelUnit();
    canvas.Pen.Width = 1;
    canvas.Pen.Style = scheme.MarginStyle;
    canvas.Pen.Color = scheme.MarginColor;
    const long double left = page_->LeftMargin(), space = page_->ColumnSpace();
    const long double w =
        Rnd((page_->Width() - left - page_->RightMargin() - space * (columns - 1)) / columns);
    const int top = int(Rnd(page_->TopMargin()));
    for (int f = 1; f < columns; ++f) {
        for (const long double x : {left + f * w + (f - 1) * space, left + f * (space + w)}) {
            canvas.MoveTo(int(Rnd(x)), 0);
            canvas.LineTo(int(Rnd(x)), top);
        }
    }
    canvas.Pen.Style = psSolid;
    page_->PopUnit();
}

// ------------------------------------------------------------ TBandReport

TBandReport::TBandReport(TComponent* owner) : TCustomBandReport(owner) {
    replace_controller(std::make_unique<TBRController>(this));
}

TClass TBandReport::StaticClass() {
    using T = TBandReport;
    static const TClassInfo info =
        core::ClassBuilder<T, TCustomBandReport>("TBandReport")
            .Event("AfterPrint", &T::AfterPrint)
            .Event("AfterPreview", &T::AfterPreview)
            .String("BackImageControl", [](const T& r) { return r.BackImageControl; },
                    [](T& r, const std::string& v) { r.BackImageControl = v; })
            .Object("Bands", &T::Bands)
            .Event("BeforePrint", &T::BeforePrint)
            .Component("DataSet", &T::DataSet, &T::SetDataSet)
            .Strings("Description", &T::Description, &T::SetDescription)
            .Object("Font", [](const T& r) { return const_cast<TFont*>(&r.Font); })
            .Object("Functions", &T::Functions, &T::SetFunctions)
            .Event("OnEndPage", &T::OnEndPage)
            .Event("OnNeedData", &T::OnNeedData)
            .Event("OnPreview", &T::OnPreview)
            .Event("OnStartPage", &T::OnStartPage)
            .Set("Options", {"FirstPageHeader", "LastPageFooter", "Compression"},
                 [](const T& r) { return r.Options; }, [](T& r, int v) { r.Options = v; })
            .Default((1 << FirstPageHeader) | (1 << LastPageFooter))
            .Object("Page", &T::Page)
            .Object("PrinterSettings", &T::PrinterSettings, &T::SetPrinterSettings)
            .Bool("PrintIfEmpty", &T::PrintIfEmpty, &T::SetPrintIfEmpty)
            .Default(true)
            .String("ReportTitle", [](const T& r) { return r.ReportTitle; },
                    [](T& r, const std::string& v) { r.ReportTitle = v; })
            .Bool("ShowProgress", [](const T& r) { return r.ShowProgress; }, [](T& r, bool v) { r.ShowProgress = v; })
            .Default(true)
            .Bool("SnapToGrid", [](const T& r) { return r.SnapToGrid; }, [](T& r, bool v) { r.SnapToGrid = v; })
            .Default(true)
            .Enum("Units", report::unit_names(), &T::Units, &T::SetUnits)
            .NoDefault()
            .Integer("Zoom", &T::Zoom, &T::SetZoom)
            .Default(100)
            .Event("OnGetPrinterSettings", &T::OnGetPrinterSettings)
            .Event("OnApplyPrinterSettings", &T::OnApplyPrinterSettings)
            .Enum("PrevFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"},
                  [](const T& r) { return r.PrevFormStyle; }, [](T& r, int v) { r.PrevFormStyle = v; })
            .Enum("PreviewInitialState", {"wsNormal", "wsMinimized", "wsMaximized"},
                  [](const T& r) { return r.PreviewInitialState; }, [](T& r, int v) { r.PreviewInitialState = v; })
            .Integer("PreviewWidth", &T::PreviewWidth, &T::SetPreviewWidth)
            .Default(500)
            .Integer("PreviewHeight", &T::PreviewHeight, &T::SetPreviewHeight)
            .Default(500)
            .Bool("PrevShowThumbs", [](const T& r) { return r.PrevShowThumbs; },
                  [](T& r, bool v) { r.PrevShowThumbs = v; })
            .Default(true)
            .Bool("PrevShowSearch", [](const T& r) { return r.PrevShowSearch; },
                  [](T& r, bool v) { r.PrevShowSearch = v; })
            .Default(true)
            .Enum("PrevInitialZoom", {"brZoomToFit", "brZoomToWidth", "brZoomOther"},
                  [](const T& r) { return r.PrevInitialZoom; }, [](T& r, int v) { r.PrevInitialZoom = v; })
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

void TBandReport::RunControllers() {
    BindStandardBands();
    if (auto* controller = dynamic_cast<TBRController*>(Controller())) controller->OnNeedData = OnNeedData;
    Controller()->RunLevel();
}

TDataSet* TBandReport::DataSet() const {
    auto* controller = dynamic_cast<TBRController*>(Controller());
    return controller ? controller->DataSet() : nullptr;
}

void TBandReport::SetDataSet(TDataSet* data_set) {
    if (auto* controller = dynamic_cast<TBRController*>(Controller())) controller->SetDataSet(data_set);
}

int TBandReport::RecordCountOrOne() const {
    TDataSet* data_set = DataSet();
    if (!DataSetUsable(data_set)) return 1;
    try {
        return data_set->RecordCount();
    } catch (const Exception&) {
        return 1;
    }
}

void TBandReport::Notification(TComponent* component, TOperation operation) {
    TCustomBandReport::Notification(component, operation);
    if (operation == opRemove && !InState(csDestroying) && component && component == DataSet()) SetDataSet(nullptr);
}
