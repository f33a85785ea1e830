#pragma once
// One run of a report: where it stands on its output (position, page and
// column), its flags, the constant slots and dataset list its expressions
// read, and what it prepared on the report for the run. The report points
// to the run while it lasts; bands and controllers work on the run, and the
// report answers for the current run (or, between runs, for where the last
// one stopped). Each thing the run prepares is a member that puts it back
// when the run goes, on every way out.

#include "report/bands/BandRptOutput.h"
#include "report/bands/BandRptUnits.h"
#include "platform/core/Lifeline.h"

#include <functional>
#include <memory>

class TBRCustomBand;
class TBRPrinter;
class TCustomBandReport;
class TBRPage;
class TList;
class TBREvElement;

namespace report {

// Margins that leave no room across (or down) the page are cleared, both of
// a pair, before a run lays out the page.
void clear_overlapping_margins(TBRPage& page);


// Where a run stands on its output, in native units. A run starts from
// where the report's last run stopped; a chain's report goes on where the
// one before it stopped.
struct RunPosition {
    int CurrentX = 0;            // left edge of the current column
    int CurrentY = -1;           // run position on the page; -1 before the first page
    int CurrentColumn = 1;       // 1-based
    int ColumnTop = 0;           // where each column of the current page starts
    // Where the current page's bands start below its page header: a band
    // there would find no more room on another page.
    int PageBodyTop = 0;
    int PageCount = 0;           // pages started in the run
    long double PageFooterHeight = 0;  // room kept at the page bottom for the page footers
    bool FinalPage = false;      // set before the last EndPage of a run
    bool SkipForcedPage = false; // the next ForceNewPage request is swallowed once
    bool ColumnStarted = false;  // see RequestNewColumn
    bool CancelRequested = false;
};

class ReportRun : public RunPosition {
public:
    // A run of `report` on `output`, starting where `from` says. ChainPart:
    // the output was begun by a chain, which also ends it. The report
    // answers for the run while it lasts.
    ReportRun(TCustomBandReport& report, OutputDevice& output, bool chain_part, const RunPosition& from);
    // Puts back what the run prepared; the report keeps where the run
    // stopped and is ready for the next run.
    ~ReportRun();
    ReportRun(const ReportRun&) = delete;
    ReportRun& operator=(const ReportRun&) = delete;

    // The whole run: BeforePrint, the controllers, the last page and, unless
    // a chain began it, the output's end. `printer`: the report's printer
    // the output draws on (its settings are applied), or none. Everything
    // the run changed on the report is put back on every way out; a report
    // freed by one of its own events raises RunAbandoned and is not touched.
    void Execute(TBRPrinter* printer);

    TCustomBandReport& Report() const { return report_; }
    OutputDevice& Output;
    // The run is a part of a chain (read by the detail loop).
    const bool ChainPart;
    // True while a band that continues on a new page breaks it: the next
    // ForceNewPage is not honoured.
    bool SuppressForceNewPage = false;
    // The report's printer goes when the run has ended (it was freed while
    // the run still drew on it).
    bool FreePrinterAfterRun = false;

    // The environment's constant slots of PAGENUMBER, COLUMNNUMBER and
    // REPORTTITLE.
    TBREvElement* PageNumberSlot = nullptr;
    TBREvElement* ColumnNumberSlot = nullptr;
    TBREvElement* ReportTitleSlot = nullptr;
    // The datasets the run's expressions read; none in a run begun by hand.
    TList* DataSets() const { return datasets_.get(); }

    // ---- preparing the report; each step is put back when the run goes
    // Units native for the run; `restored` when it ends.
    void UseNativeUnits(TBRUnit restored);
    // Every printable placed on the report prepared for the run.
    void PreparePrintables();

    // ---- page and column logic used by bands and controllers
    void PrintBand(TBRCustomBand* band);
    int AvailableSpace() const;
    void NewColumn();
    void NewPage();
    void EndPage();
    void RequestNewColumn();
    void RequestNewPage();
    void MeasurePageFooters();

private:
    // What one step of the run changed on the report, put back when the
    // member goes; nothing once the report is gone, and what putting back
    // raises is swallowed: it must not hide the run's own failure.
    class Undo {
    public:
        Undo() = default;
        Undo(const Undo&) = delete;
        Undo& operator=(const Undo&) = delete;
        ~Undo();
        void Arm(const core::Lifeline<TCustomBandReport>::Watch& alive, std::function<void()> put_back);
        // The step needs no putting back any more.
        void Release() { put_back_ = nullptr; }

    private:
        core::Lifeline<TCustomBandReport>::Watch alive_;
        std::function<void()> put_back_;
    };
    // Arms `undo` once `step` has succeeded.
    void prepare(Undo& undo, const std::function<void()>& step, std::function<void()> put_back);

    // Keeps the report pointing to the run; the last to go: the report is
    // ready again once everything else was put back.
    class Attachment {
    public:
        explicit Attachment(ReportRun& run);
        ~Attachment();
        Attachment(const Attachment&) = delete;
        Attachment& operator=(const Attachment&) = delete;

    private:
        ReportRun& run_;
    };

    // Hands where the run stopped to the report, which is then ready again.
    void detach();

    TCustomBandReport& report_;
    const core::Lifeline<TCustomBandReport>::Watch alive_;
    Attachment attachment_;
    std::unique_ptr<TList> datasets_;
    // Put back in the reverse order of these members.
    Undo page_;          // the page's lengths as designed, the bands arranged again
    Undo units_;         // the report's units
    Undo dataset_list_;  // Functions reads no run's datasets
    Undo application_entries_;
    Undo entries_;       // Functions' entries
    Undo levels_;        // the controller tree's levels
    Undo printables_;
    Undo output_;        // a failed run's output ended early
};

}  // namespace report
