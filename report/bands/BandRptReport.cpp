#include "report/bands/BandRptReport.h"

#include "platform/core/ClassBuilder.h"
#include "platform/data/DB.h"
#include "platform/graphics/Font.h"
#include "platform/os/Locale.h"
#include "report/bands/BandRptPrinter.h"

#include <algorithm>
#include <cstdlib>

bool CompositeRun = false;

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
    if (!Ready) CancelRun();
    *alive_ = false;
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

int TCustomBandReport::AvailableSpace() const {
    if (Ready || CurrentY == -1 || !Output) return 0;
    // The sheet as fed, turned for landscape: custom paper too.
    long double length = Output->PaperLength();
    if (page_->Orientation() == poLandscape) length = Output->PaperWidth();
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
    TBREvEnvironment::StoreIntegerConstant(ColumnNumberSlot, CurrentColumn);
    if (!(CurrentColumn == 1 && PageCount == 1)) {
        PrintBand(FindBand(rbColumnHeader));
        controller_->ReprintGroupHeaders();
    }
}

void TCustomBandReport::NewPage() {
    EndPage();
    ++PageCount;
    Output->StartNewPage();
    TBREvEnvironment::StoreIntegerConstant(PageNumberSlot, PageCount);
    CurrentY = int(Rnd(page_->NativeValue(TBRPage::TopMarginIndex)));
    PageBodyTop = CurrentY;
    if (OnStartPage && !InState(csDesigning)) {
        const std::shared_ptr<bool> alive = alive_;
        OnStartPage(this);
        check_alive(alive);
    }
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
    if (OnEndPage && !InState(csDesigning)) {
        const std::shared_ptr<bool> alive = alive_;
        OnEndPage(this);
        check_alive(alive);
    }
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
    report::SetSuppressForceNewPage(false);
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
    if (!Ready) return false;
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
    TPrinterSettings& target = printer.Settings();
    // -1 is the default printer, which a new printer has selected already.
    if (s.PrinterIndex >= 0) printer.SelectPrinter(s.PrinterIndex);
    printer.SetPaperSize(page_->PaperSize());
    printer.SetOrientation(page_->Orientation());
    report::give_page_paper(printer, *page_);
    printer.SetCopies(s.Copies);
    printer.SetOutputBin(s.OutputBin);
    printer.FirstPage = s.FirstPage;
    printer.LastPage = s.LastPage;
    printer.SetDuplex(s.Duplex);
    target.UseStandardPrinter = s.UseStandardprinter;
    target.PrintMetafile = s.PrintMetaFile;
    target.UseCustomBinCode = s.UseCustomBinCode;
    target.CustomBinCode = s.CustomBinCode;
    target.UseCustomPaperCode = s.UseCustomPaperCode;
    target.CustomPaperCode = s.CustomPaperCode;
    target.PrintQuality = s.PrintQuality;
    target.Collate = s.Collate;
    target.ColorOption = s.ColorOption;
    target.ExtendedDuplex = s.ExtendedDuplex;
    target.OnApplyPrinterSettings = OnApplyPrinterSettings;
    target.OnGetPrinterSettings = OnGetPrinterSettings;
}

void TCustomBandReport::CancelRun() {
    if (Ready) return;
    CancelRequested = true;
    if (Output) Output->CancelOutput();
}

std::unique_ptr<TBRPrinter> TCustomBandReport::TakeReportPrinter() {
    if (!Ready) return nullptr;
    return std::move(report_printer_);
}

void TCustomBandReport::FreeReportPrinter() {
    if (Ready) {
        report_printer_.reset();
        return;
    }
    // The run still draws on it: cancel, and free it when the run has ended.
    CancelRun();
    free_printer_after_run_ = true;
}

// ---------------------------------------------------------------- the run

void TCustomBandReport::RunReport(bool ChainPart) {
    if (!Ready) return;
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
    if (!Ready) return;
    try {
        run(output, ChainPart, nullptr);
    } catch (const report::RunAbandoned&) {
    }
}

void TCustomBandReport::check_alive(const std::shared_ptr<bool>& alive) {
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
            if (auto* ds = dynamic_cast<TDataSet*>(owned)) run_datasets_->Add(ds);
            else if (dynamic_cast<report::Control*>(owned)) walk(owned);
        }
    };
    walk(form);
}

namespace {
// Runs `f` and swallows what it raises: clean-up after a failed run must not
// hide the failure.
template <class F>
void quietly(F f) {
    try {
        f();
    } catch (...) {
    }
}
}  // namespace

void TCustomBandReport::run(report::OutputDevice& output, bool chain_part, TBRPrinter* printer) {
    const std::shared_ptr<bool> alive = alive_;
    shown_page_.reset();
    Ready = false;
    CancelRequested = FinalPage = SkipForcedPage = ColumnStarted = false;
    free_printer_after_run_ = false;
    run_datasets_ = std::make_unique<TList>();
    // The run works on its own copy of the page's lengths: margins that do
    // not fit the paper are cleared for the run, the design keeps them.
    const std::vector<long double> stored_page = page_->WriteValueList();
    const TBRUnit units = Units();
    bool units_native = false, entries_prepared = false, app_prepared = false, levels_prepared = false,
         printables_prepared = false, output_begun = false;

    // Everything the run changed is put back, on every way out.
    auto restore = [&] {
        if (!*alive) return;
        if (printables_prepared) quietly([&] { UnpreparePrintables(); });
        if (levels_prepared) quietly([&] { controller_->UnprepareLevel(); });
        if (entries_prepared) quietly([&] { functions_->UnprepareEntries(); });
        if (app_prepared) quietly([&] { ApplicationEnvironment().UnprepareEntries(); });
        functions_->UseDataSetList(nullptr);
        PageNumberSlot = ColumnNumberSlot = ReportTitleSlot = nullptr;
        if (units_native) quietly([&] { SetUnits(units); });
        quietly([&] {
            page_->ReadValueList(stored_page);
            ArrangeBands();
        });
        run_datasets_.reset();
        Output = nullptr;
        Ready = true;
        if (free_printer_after_run_) {
            report_printer_.reset();
            free_printer_after_run_ = false;
        }
    };

    try {
        collect_form_datasets();
        bool print_report = true;
        if (BeforePrint && !InState(csDesigning)) BeforePrint(this, print_report);
        check_alive(alive);
        if (!print_report) {
            restore();
            return;
        }
        SetUnits(TBRUnit::Native);
        units_native = true;
        TBRPage& p = *page_;
        if (p.Width() - p.LeftMargin() - p.RightMargin() < 0) {
            p.SetLeftMargin(0);
            p.SetRightMargin(0);
        }
        if (p.Length() - p.TopMargin() - p.BottomMargin() < 0) {
            p.SetTopMargin(0);
            p.SetBottomMargin(0);
        }
        Output = &output;
        if (!chain_part) {
            if (printer) {
                ApplyPrinterSettings();
                printer->Title = ReportTitle;
                printer->SetCompression(HasOption(Compression));
            }
            output.BeginOutput();
            output_begun = true;
            CurrentY = -1;
            PageCount = 0;
        } else if (printer) {
            p.SetPaperSize(printer->PaperSize());
            p.SetOrientation(printer->Orientation());
        }
        CurrentColumn = p.Columns();
        ColumnTop = 0;
        PageBodyTop = 0;
        report::SetSuppressForceNewPage(false);
        MeasurePageFooters();
        for (int i = 0; i < ControlCount(); ++i) {
            if (auto* band = dynamic_cast<TBRCustomBand*>(Controls(i))) band->AttachToReport(this);
            else if (auto* printable = dynamic_cast<report::Printable*>(Controls(i))) printable->ParentReport = this;
        }
        CurrentX = int(Rnd(p.LeftMargin()));
        controller_->BuildLevelTree();
        ApplicationEnvironment().PrepareEntries();
        app_prepared = true;
        functions_->UseDataSetList(run_datasets_.get());
        functions_->PrepareEntries();
        entries_prepared = true;
        PageNumberSlot = functions_->FirstCompiledElement("PAGENUMBER");
        ColumnNumberSlot = functions_->FirstCompiledElement("COLUMNNUMBER");
        ReportTitleSlot = functions_->FirstCompiledElement("REPORTTITLE");
        TBREvEnvironment::StoreStringConstant(ReportTitleSlot, ReportTitle);
        // A chain's later report goes on on the page the one before it
        // opened: its bands there print that page's number.
        if (chain_part) TBREvEnvironment::StoreIntegerConstant(PageNumberSlot, PageCount);
        controller_->PrepareLevel();
        levels_prepared = true;
        PreparePrintables();
        printables_prepared = true;
        CompositeRun = chain_part;
        RunControllers();
        check_alive(alive);
        if (!chain_part) {
            CurrentX = int(Rnd(p.LeftMargin()));
            FinalPage = true;
            if (!CancelRequested && !output.Cancelled()) EndPage();
        } else if (Tag() == 999) {
            FinalPage = true;
            EndPage();
        }
    } catch (...) {
        if (!*alive) throw report::RunAbandoned();
        // A failed run never passes for a finished one: its output is
        // ended early (a page stream keeps its pages, a job is dropped).
        if (output_begun) quietly([&] { output.AbortOutput(); });
        restore();
        throw;
    }
    check_alive(alive);
    try {
        if (output_begun) {
            if (CancelRequested || output.Cancelled()) output.AbortOutput();
            else output.EndOutput();
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
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
