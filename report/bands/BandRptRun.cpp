#include "report/bands/BandRptRun.h"

#include "report/bands/BandRptPrinter.h"
#include "report/bands/BandRptReport.h"

#include <algorithm>

namespace report {

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

void clear_overlapping_margins(TBRPage& p) {
    if (p.Width() - p.LeftMargin() - p.RightMargin() < 0) {
        p.SetLeftMargin(0);
        p.SetRightMargin(0);
    }
    if (p.Length() - p.TopMargin() - p.BottomMargin() < 0) {
        p.SetTopMargin(0);
        p.SetBottomMargin(0);
    }
}

ReportRun::ReportRun(TCustomBandReport& report, OutputDevice& output, bool chain_part, const RunPosition& from)
    : RunPosition(from), Output(output), ChainPart(chain_part), report_(report), alive_(report.AliveToken()),
      attachment_(*this) {
    FinalPage = SkipForcedPage = ColumnStarted = false;
}

ReportRun::~ReportRun() = default;

ReportRun::Attachment::Attachment(ReportRun& run) : run_(run) {
    if (run.report_.run_) throw EBRError("A run of the report is in progress");
    run.report_.run_ = &run;
}

ReportRun::Attachment::~Attachment() { run_.detach(); }

void ReportRun::detach() {
    if (!*alive_) return;
    report_.last_position_ = *this;
    report_.run_ = nullptr;
    if (FreePrinterAfterRun) report_.report_printer_.reset();
}

ReportRun::Undo::~Undo() {
    if (put_back_ && *alive_) quietly(put_back_);
}

void ReportRun::Undo::Arm(const core::Lifeline<TCustomBandReport>::Watch& alive, std::function<void()> put_back) {
    alive_ = alive;
    put_back_ = std::move(put_back);
}

void ReportRun::prepare(Undo& undo, const std::function<void()>& step, std::function<void()> put_back) {
    step();
    undo.Arm(alive_, std::move(put_back));
}

void ReportRun::UseNativeUnits(TBRUnit restored) {
    prepare(units_, [&] { report_.SetUnits(TBRUnit::Native); }, [this, restored] { report_.SetUnits(restored); });
}

void ReportRun::PreparePrintables() {
    prepare(printables_, [&] { report_.PreparePrintables(); }, [this] { report_.UnpreparePrintables(); });
}

// ----------------------------------------------------------- the whole run

void ReportRun::Execute(TBRPrinter* printer) {
    TCustomBandReport& r = report_;
    r.shown_page_.reset();
    CancelRequested = false;
    datasets_ = std::make_unique<TList>();
    const TBRUnit units = r.Units();
    // The run works on its own copy of the page's lengths: margins that do
    // not fit the paper are cleared for the run, the design keeps them.
    page_.Arm(alive_, [this, stored = r.page_->WriteValueList()] {
        report_.page_->ReadValueList(stored);
        report_.ArrangeBands();
    });
    try {
        r.collect_form_datasets();
        bool print_report = true;
        if (r.BeforePrint && !r.InState(csDesigning)) r.BeforePrint(&r, print_report);
        TCustomBandReport::check_alive(alive_);
        if (!print_report) return;
        UseNativeUnits(units);
        TBRPage& p = *r.page_;
        clear_overlapping_margins(p);
        if (!ChainPart) {
            if (printer) {
                r.ApplyPrinterSettings();
                printer->Title = r.ReportTitle;
                printer->SetCompression(r.HasOption(Compression));
            }
            // A failed run never passes for a finished one: its output is
            // ended early (a page stream keeps its pages, a job is dropped).
            prepare(output_, [&] { Output.BeginOutput(); }, [this] { Output.AbortOutput(); });
            CurrentY = -1;
            PageCount = 0;
        } else if (printer) {
            p.SetPaperSize(printer->PaperSize());
            p.SetOrientation(printer->Orientation());
        }
        CurrentColumn = p.Columns();
        ColumnTop = 0;
        PageBodyTop = 0;
        SuppressForceNewPage = false;
        MeasurePageFooters();
        for (int i = 0; i < r.ControlCount(); ++i) {
            if (auto* band = dynamic_cast<TBRCustomBand*>(r.Controls(i))) band->AttachToReport(&r);
            else if (auto* printable = dynamic_cast<report::Printable*>(r.Controls(i))) printable->ParentReport = &r;
        }
        CurrentX = int(Rnd(p.LeftMargin()));
        r.controller_->BuildLevelTree();
        prepare(application_entries_, [] { ApplicationEnvironment().PrepareEntries(); },
                [] { ApplicationEnvironment().UnprepareEntries(); });
        prepare(dataset_list_, [&] { r.functions_->UseDataSetList(datasets_.get()); },
                [this] { report_.functions_->UseDataSetList(nullptr); });
        prepare(entries_, [&] { r.functions_->PrepareEntries(); }, [this] { report_.functions_->UnprepareEntries(); });
        PageNumberSlot = r.functions_->FirstCompiledElement("PAGENUMBER");
        ColumnNumberSlot = r.functions_->FirstCompiledElement("COLUMNNUMBER");
        ReportTitleSlot = r.functions_->FirstCompiledElement("REPORTTITLE");
        TBREvEnvironment::StoreStringConstant(ReportTitleSlot, r.ReportTitle);
        // A chain's later report goes on on the page the one before it
        // opened: its bands there print that page's number.
        if (ChainPart) TBREvEnvironment::StoreIntegerConstant(PageNumberSlot, PageCount);
        prepare(levels_, [&] { r.controller_->PrepareLevel(); }, [this] { report_.controller_->UnprepareLevel(); });
        PreparePrintables();
        r.RunControllers();
        TCustomBandReport::check_alive(alive_);
        if (!ChainPart) {
            CurrentX = int(Rnd(p.LeftMargin()));
            FinalPage = true;
            if (!CancelRequested && !Output.Cancelled()) EndPage();
        } else if (r.Tag() == 999) {
            FinalPage = true;
            EndPage();
        }
    } catch (...) {
        if (!*alive_) throw RunAbandoned();
        throw;
    }
    TCustomBandReport::check_alive(alive_);
    if (ChainPart) return;
    // The run ends its own output: nothing is put back when ending fails.
    output_.Release();
    if (CancelRequested || Output.Cancelled()) Output.AbortOutput();
    else Output.EndOutput();
}

// ------------------------------------------------------ page and column logic

int ReportRun::AvailableSpace() const {
    if (CurrentY == -1) return 0;
    const TBRPage& page = *report_.Page();
    // The sheet as fed, turned for landscape: custom paper too.
    long double length = Output.PaperLength();
    if (page.Orientation() == poLandscape) length = Output.PaperWidth();
    return int(Rnd(length - page.NativeValue(TBRPage::BottomMarginIndex) - PageFooterHeight - CurrentY));
}

void ReportRun::PrintBand(TBRCustomBand* band) {
    if (!band) return;
    if (band->AlignToBottom) {
        const TBRPage& page = *report_.Page();
        if (band->BandType() == rbSummary && !report_.HasOption(LastPageFooter)) PageFooterHeight = 0;
        const long double bottom = page.NativeValue(TBRPage::BottomMarginIndex);
        const long double height = band->Size()->NativeHeight();
        const std::int64_t need = Rnd(height + bottom + PageFooterHeight);
        long double paper = Output.PaperLength();
        if (page.Orientation() == poLandscape) paper = Output.PaperWidth();
        if (need <= Rnd(paper) - CurrentY) CurrentY = int(Rnd(paper) - Rnd(height) - Rnd(bottom + PageFooterHeight));
    }
    band->EmitBand();
}

void ReportRun::NewColumn() {
    const TBRPage& page = *report_.Page();
    const long double left = page.NativeValue(TBRPage::LeftMarginIndex);
    if (CurrentColumn >= page.Columns()) {
        CurrentColumn = 1;
        CurrentX = int(Rnd(left));
        NewPage();
    } else {
        std::int64_t step;
        if (TBRCustomBand* detail = report_.FindBand(rbDetail)) {
            step = Rnd(detail->Size()->NativeWidth());
        } else {
            const std::int64_t columns = page.Columns();
            step = (Rnd(page.NativeValue(TBRPage::WidthIndex) - (left + page.NativeValue(TBRPage::RightMarginIndex))) -
                    (columns - 1) * Rnd(page.NativeValue(TBRPage::ColumnSpaceIndex))) /
                   columns;
        }
        CurrentX = int(CurrentX + step + Rnd(page.NativeValue(TBRPage::ColumnSpaceIndex)));
        CurrentY = ColumnTop;
        ++CurrentColumn;
    }
    TBREvEnvironment::StoreIntegerConstant(ColumnNumberSlot, CurrentColumn);
    if (!(CurrentColumn == 1 && PageCount == 1)) {
        PrintBand(report_.FindBand(rbColumnHeader));
        report_.Controller()->ReprintGroupHeaders();
    }
}

void ReportRun::NewPage() {
    EndPage();
    ++PageCount;
    Output.StartNewPage();
    TBREvEnvironment::StoreIntegerConstant(PageNumberSlot, PageCount);
    const TBRPage& page = *report_.Page();
    CurrentY = int(Rnd(page.NativeValue(TBRPage::TopMarginIndex)));
    PageBodyTop = CurrentY;
    if (report_.OnStartPage && !report_.InState(csDesigning)) {
        report_.OnStartPage(&report_);
        TCustomBandReport::check_alive(alive_);
    }
    if (PageCount > 1 || report_.HasOption(FirstPageHeader)) PrintBand(report_.FindBand(rbPageHeader));
    PageBodyTop = CurrentY;
    ColumnTop = CurrentY;
    if (PageCount == 1)
        if (TBRCustomBand* title = report_.FindBand(rbTitle)) ColumnTop += int(Rnd(title->Size()->NativeHeight()));
}

void ReportRun::EndPage() {
    if (PageCount <= 0) return;
    const TBRPage& page = *report_.Page();
    const long double left = page.NativeValue(TBRPage::LeftMarginIndex);
    const long double right = page.NativeValue(TBRPage::RightMarginIndex);
    const long double top = page.NativeValue(TBRPage::TopMarginIndex);
    const long double bottom = page.NativeValue(TBRPage::BottomMarginIndex);
    const long double width = page.NativeValue(TBRPage::WidthIndex);
    const long double length = page.NativeValue(TBRPage::LengthIndex);
    CurrentY = int(Rnd(length - bottom - PageFooterHeight));
    CurrentX = int(Rnd(left));
    if (!(FinalPage && !report_.HasOption(LastPageFooter))) PrintBand(report_.FindBand(rbPageFooter));
    for (int i = 0; i < report_.ControlCount(); ++i)
        if (auto* p = dynamic_cast<report::Printable*>(report_.Controls(i))) p->PrintAt(0, 0);
    report_.Frame()->PaintFrame(Output.Canvas(),
                                TRect{Output.ToDeviceX(left), Output.ToDeviceY(top), Output.ToDeviceX(width - right),
                                      Output.ToDeviceY(length - bottom)},
                                Output.XFactor(), Output.YFactor());
    if (report_.OnEndPage && !report_.InState(csDesigning)) {
        report_.OnEndPage(&report_);
        TCustomBandReport::check_alive(alive_);
    }
}

void ReportRun::RequestNewColumn() {
    if (ColumnStarted || CurrentColumn > 1) NewColumn();
    else ColumnStarted = true;
}

void ReportRun::RequestNewPage() {
    if (SkipForcedPage) {
        SkipForcedPage = false;
        return;
    }
    do NewColumn();
    while (CurrentColumn != 1);
}

void ReportRun::MeasurePageFooters() {
    PageFooterHeight = 0;
    for (int i = 0; i < report_.ControlCount(); ++i) {
        auto* band = dynamic_cast<TBRCustomBand*>(report_.Controls(i));
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

}  // namespace report
