// The report's run: the detail loop over OnNeedData and datasets, pages and
// columns, options, events, the environment's page and column numbers, and
// the run's clean-up on every way out. Runs print on a recording output at
// one device pixel per native unit, so printed positions read as native Y.

#include "report/bands/tests/BandsFixture.h"

#include "platform/core/FormResource.h"
#include "platform/data/MemoryDataSet.h"

#include <cstdlib>
#include <functional>
#include <sstream>

using namespace bands_test;
using report::Rnd;

namespace {

// A recording output that also counts its life-cycle calls.
class CountingOutput : public RecordingOutput {
public:
    CountingOutput() : RecordingOutput(2100, 2970, 1.0L) {}
    int begun = 0, ended = 0, aborted = 0, cancels = 0;
    bool cancelled = false;
    std::vector<int> progress;
    void BeginOutput() override { ++begun; }
    void EndOutput() override { ++ended; }
    void AbortOutput() override { ++aborted; }
    void CancelOutput() override {
        ++cancels;
        cancelled = true;
    }
    bool Cancelled() const override { return cancelled; }
    void NotifyProgress(int percent) override { progress.push_back(percent); }
};

const char* short_name(TBRBandType type) {
    switch (type) {
    case rbTitle: return "T";
    case rbPageHeader: return "PH";
    case rbColumnHeader: return "CH";
    case rbDetail: return "D";
    case rbPageFooter: return "PF";
    case rbSummary: return "S";
    default: return "?";
    }
}

// A report on a 2100 x 2970 page with 100 margins, its bands' prints
// logged as "PAGE:TYPE@Y" (and "@X,Y" when columns matter).
struct ReportUnderRun {
    TBandReport* report = new TBandReport(nullptr);
    std::unique_ptr<TBandReport> owner{report};
    CountingOutput output;
    std::vector<std::string> log;
    bool with_x = false;
    int records = 0;

    ReportUnderRun() {
        TBRPage& page = *report->Page();
        page.SetPaperSize(TBRPaperSize::Custom);
        report->SetUnits(TBRUnit::Native);
        page.SetWidth(2100);
        page.SetLength(2970);
        for (auto set : {&TBRPage::SetTopMargin, &TBRPage::SetBottomMargin, &TBRPage::SetLeftMargin,
                         &TBRPage::SetRightMargin})
            (page.*set)(100);
    }
    TBRCustomBand* band(TBRBandType type, long double height) {
        TBRCustomBand* b = report->CreateStandardBand(type);
        b->Size()->SetCurrentUnit(TBRUnit::Native);
        b->Size()->SetHeight(height);
        b->AfterPrint = [this](TBRCustomBand* sender, bool printed) {
            if (!printed) return;
            std::string entry = std::to_string(report->PageCount()) + ":" + short_name(sender->BandType()) + "@";
            if (with_x) entry += std::to_string(sender->PrintRect.Left) + ",";
            log.push_back(entry + std::to_string(sender->PrintRect.Top));
        };
        return b;
    }
    // OnNeedData gives `n` records.
    void need_data(int n) {
        records = n;
        report->OnNeedData = [this](TObject*, bool& more) { more = records-- > 0; };
    }
    std::string run() {
        report->RunReport(output);
        return joined();
    }
    std::string joined() const {
        std::string s;
        for (const std::string& e : log) s += (s.empty() ? "" : " ") + e;
        return s;
    }
};

}  // namespace

// Where the bands of a run land, for record counts, options and band
// settings. Body of a page: 100 to 2870, less 200 of page footer.
TEST(ReportRun, BandsLandOnPagesAsTheRunLaysThemOut) {
    struct Case {
        const char* what;
        int records;
        int options;
        std::function<void(ReportUnderRun&)> setup;
        std::string expected;
        int pages;
    };
    const int both = (1 << FirstPageHeader) | (1 << LastPageFooter);
    auto standard = [](ReportUnderRun& r) {
        r.band(rbPageHeader, 200);
        r.band(rbTitle, 300);
        r.band(rbDetail, 500);
        r.band(rbPageFooter, 200);
        r.band(rbSummary, 300);
    };
    const Case cases[] = {
        {"three records on one page", 3, both, standard,
         "1:PH@100 1:T@300 1:D@600 1:D@1100 1:D@1600 1:S@2100 1:PF@2670", 1},
        {"no options: no header on page 1, no footer on the last page", 5, 0, standard,
         "1:T@100 1:D@400 1:D@900 1:D@1400 1:D@1900 1:PF@2670 2:PH@100 2:D@300 2:S@800", 2},
        {"no records: nothing of the level prints", 0, both, standard, "", 0},
        {"a summary aligned to the bottom keeps the page footer's room", 1, both,
         [&](ReportUnderRun& r) {
             standard(r);
             r.report->FindBand(rbSummary)->AlignToBottom = true;
         },
         "1:PH@100 1:T@300 1:D@600 1:S@2370 1:PF@2670", 1},
        {"without LastPageFooter it goes down to the margin", 1, 1 << FirstPageHeader,
         [&](ReportUnderRun& r) {
             standard(r);
             r.report->FindBand(rbSummary)->AlignToBottom = true;
         },
         "1:PH@100 1:T@300 1:D@600 1:S@2570", 1},
        {"an aligned band that does not fit prints at the run position", 2, both,
         [&](ReportUnderRun& r) {
             standard(r);
             r.report->FindBand(rbDetail)->AlignToBottom = true;
         },
         "1:PH@100 1:T@300 1:D@2170 1:PF@2670 2:PH@100 2:D@300 2:S@800 2:PF@2670", 2},
        {"a first band taller than the page still opens page 1", 1, both,
         [](ReportUnderRun& r) {
             r.band(rbTitle, 3000);
             r.band(rbDetail, 500);
         },
         "1:T@100 2:D@100", 2},
        {"a detail taller than the page: each record on a page of its own", 3, both,
         [](ReportUnderRun& r) { r.band(rbDetail, 3000); }, "1:D@100 2:D@100 3:D@100", 3},
        {"a forced page right after the title starts no page", 2, both,
         [](ReportUnderRun& r) {
             r.band(rbTitle, 300);
             r.band(rbDetail, 500)->ForceNewPage = true;
         },
         "1:T@100 1:D@400 2:D@100", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReportUnderRun r;
        c.setup(r);
        r.report->Options = c.options;
        r.need_data(c.records);
        EXPECT_EQ(r.run(), c.expected);
        EXPECT_EQ(r.output.PageCount(), c.pages);
        EXPECT_EQ(r.output.begun, 1);
        EXPECT_EQ(r.output.ended, 1);
        EXPECT_TRUE(r.report->Ready());
    }
}

// Columns: the column step is the detail band's width plus the column
// space; forced columns break from the second request in the first column;
// the column header prints at every column but the first of page 1.
TEST(ReportRun, ColumnsStepByTheDetailWidthAndTheColumnSpace) {
    ReportUnderRun r;
    r.with_x = true;
    r.report->Page()->SetColumns(2);
    r.report->Page()->SetColumnSpace(100);
    r.band(rbColumnHeader, 100);
    TBRCustomBand* detail = r.band(rbDetail, 1000);
    detail->ForceNewColumn = true;
    const int step = int(Rnd(detail->Size()->NativeWidth()) + 100);
    r.need_data(3);
    const std::string x2 = std::to_string(100 + step);
    EXPECT_EQ(r.run(), "1:CH@100,100 1:D@100,200 1:CH@" + x2 + ",100 1:D@" + x2 + ",200 2:CH@100,100 2:D@100,200");
}

TEST(ReportRun, WithoutADetailBandTheColumnStepComesFromThePageWidth) {
    // 3 columns of (1900 - 2 x 50) div 3 = 600, each 50 apart.
    ReportUnderRun r;
    r.report->Page()->SetColumns(3);
    r.report->Page()->SetColumnSpace(50);
    r.report->BeginRun(r.output);
    r.report->NewColumn();
    EXPECT_EQ(r.report->CurrentX(), 100);
    r.report->NewColumn();
    EXPECT_EQ(r.report->CurrentX(), 750);
    r.report->NewColumn();
    EXPECT_EQ(r.report->CurrentX(), 1400);
    r.report->NewColumn();
    EXPECT_EQ(r.report->CurrentX(), 100);
    EXPECT_EQ(r.report->PageCount(), 2);
    r.report->FinishRun();
}

// The environment's page and column numbers are current from the start of
// each page and column; the title is the report's.
TEST(ReportRun, EnvironmentHoldsPageColumnAndTitle) {
    ReportUnderRun r;
    r.report->ReportTitle = "Sales";
    r.report->Page()->SetColumns(2);
    r.band(rbPageHeader, 200);
    TBRCustomBand* detail = r.band(rbDetail, 1300);
    std::vector<std::string> seen;
    auto value = [&](const char* name) {
        EvalValue v;
        r.report->Functions()->EntryValue(name, v);
        return v.Kind == vkString ? v.Text : std::to_string(v.IntValue);
    };
    r.report->OnStartPage = [&](TObject*) { seen.push_back("start " + value("PAGENUMBER")); };
    detail->AfterPrint = [&](TBRCustomBand*, bool) {
        seen.push_back(value("PAGENUMBER") + "/" + value("COLUMNNUMBER") + " " + value("REPORTTITLE"));
    };
    r.report->OnEndPage = [&](TObject*) { seen.push_back("end " + value("PAGENUMBER")); };
    r.need_data(5);
    r.run();
    const std::vector<std::string> expected = {"start 1",   "1/1 Sales", "1/2 Sales", "end 1",   "start 2", "2/1 Sales",
                                               "2/2 Sales", "end 2",     "start 3",   "3/1 Sales", "end 3"};
    EXPECT_EQ(seen, expected);
    // The stored entries are left as they were.
    TBREvEnvironment& env = *r.report->Functions();
    EXPECT_EQ(env.Entry(env.IndexOf("PAGENUMBER"))->ExpressionText(), "0");
}

// A dataset drives the level: one detail per record with progress; an empty
// one prints the header, one detail and the footer when PrintIfEmpty says so.
TEST(ReportRun, ADatasetDrivesTheDetailBand) {
    struct Case {
        int rows;
        bool print_if_empty;
        std::string expected;
        std::vector<int> progress;
    };
    const Case cases[] = {
        {4, true, "1:T@100 1:D@400 1:D@500 1:D@600 1:D@700 1:S@800", {25, 50, 75, 100}},
        {0, true, "1:T@100 1:D@400 1:S@500", {}},
        {0, false, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        ReportUnderRun r;
        r.band(rbTitle, 300);
        r.band(rbDetail, 100);
        r.band(rbSummary, 300);
        auto* data = new TMemoryDataSet(r.report);
        data->AddField("N", ftInteger);
        for (int i = 0; i < c.rows; ++i) data->AppendRecord({std::to_string(i)});
        data->Open();
        r.report->SetDataSet(data);
        r.report->SetPrintIfEmpty(c.print_if_empty);
        // Every dataset of the layout is at hand for the run's expressions.
        auto* other = new TMemoryDataSet(r.report);
        bool listed = false;
        r.report->BeforePrint = [&](TObject*, bool&) {
            listed = r.report->RunDataSets()->IndexOf(other) >= 0 && r.report->RunDataSets()->IndexOf(data) >= 0;
        };
        EXPECT_EQ(r.run(), c.expected);
        EXPECT_EQ(r.output.progress, c.progress);
        EXPECT_TRUE(listed);
    }
}

// BeforePrint answering False: no output, nothing of the run state changes.
TEST(ReportRun, BeforePrintCanSkipTheRun) {
    ReportUnderRun r;
    r.band(rbDetail, 1000);
    r.need_data(3);
    r.run();
    ASSERT_EQ(r.report->PageCount(), 2);
    const int y = r.report->CurrentY();
    r.log.clear();
    r.need_data(3);
    r.report->BeforePrint = [](TObject*, bool& print) { print = false; };
    EXPECT_EQ(r.run(), "");
    EXPECT_EQ(r.output.begun, 1);
    EXPECT_EQ(r.report->PageCount(), 2);
    EXPECT_EQ(r.report->CurrentY(), y);
    EXPECT_TRUE(r.report->Ready());
}

// Every way out of a run leaves the report ready for the next one, with its
// design as stored: a failure, a cancel, margins cleared for the run only.
TEST(ReportRun, EveryWayOutLeavesTheReportReadyAndItsDesignAsStored) {
    struct Case {
        const char* what;
        std::function<void(ReportUnderRun&)> setup;
        bool raises;
        int ended, aborted;
        std::string expected;
    };
    const Case cases[] = {
        {"an event raises in the middle", [](ReportUnderRun& r) {
             r.report->OnNeedData = [&r](TObject*, bool& more) {
                 if (r.log.size() == 2) throw EInvalidOperation("no more");
                 more = true;
             };
         }, true, 0, 1, "1:D@100 1:D@600"},
        {"the run is cancelled", [](ReportUnderRun& r) {
             r.report->OnNeedData = [&r](TObject*, bool& more) {
                 more = true;
                 if (r.log.size() == 2) r.report->CancelRun();
             };
         }, false, 0, 1, "1:D@100 1:D@600"},
        {"margins wider than the page are cleared for the run", [](ReportUnderRun& r) {
             r.report->Page()->SetLeftMargin(1500);
             r.report->Page()->SetRightMargin(1000);
             r.with_x = true;
             r.need_data(1);
         }, false, 1, 0, "1:D@0,100 1:PF@0,2670"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReportUnderRun r;
        r.band(rbDetail, 500);
        r.band(rbPageFooter, 200);
        c.setup(r);
        const std::vector<long double> stored = r.report->Page()->WriteValueList();
        r.report->SetUnits(TBRUnit::MM);
        if (c.raises) EXPECT_THROW(r.run(), EInvalidOperation);
        else r.run();
        EXPECT_EQ(r.joined(), c.expected);
        EXPECT_EQ(r.output.ended, c.ended);
        EXPECT_EQ(r.output.aborted, c.aborted);
        EXPECT_TRUE(r.report->Ready());
        EXPECT_EQ(r.report->Units(), TBRUnit::MM);
        EXPECT_EQ(r.report->Page()->WriteValueList(), stored);
        EXPECT_EQ(r.report->RunDataSets(), nullptr);
        // And the next run prints.
        r.log.clear();
        r.output.cancelled = false;
        r.need_data(1);
        r.run();
        EXPECT_EQ(r.log.size(), 2u) << r.joined();
    }
}

// Destroying the report from one of its own events cancels the run, which
// then ends without touching the freed report.
TEST(ReportRun, DestroyingTheReportDuringItsRunCancelsIt) {
    ReportUnderRun r;
    r.band(rbDetail, 500);
    int calls = 0;
    r.report->OnNeedData = [&](TObject*, bool& more) {
        more = true;
        if (++calls == 3) r.owner.reset();
    };
    r.report->RunReport(r.output);
    EXPECT_EQ(r.owner, nullptr);
    EXPECT_EQ(r.output.cancels, 1);
    EXPECT_EQ(r.output.ended, 0);
}

// Freeing the report's printer during a run cancels the run first; the
// printer goes when the run has ended, its pages so far kept.
TEST(ReportRun, FreeingThePrinterDuringARunCancelsItFirst) {
    ReportUnderRun r;
    r.band(rbDetail, 1000);
    int calls = 0;
    r.report->OnNeedData = [&](TObject*, bool& more) {
        more = true;
        if (++calls == 5) r.report->FreeReportPrinter();
    };
    r.report->RunReport();
    EXPECT_TRUE(r.report->Ready());
    EXPECT_EQ(r.report->ReportPrinter(), nullptr);
    EXPECT_TRUE(r.report->CancelRequested());
    EXPECT_EQ(r.report->PageCount(), 2);
}

// The run lays its pages on the paper and orientation the layout stores.
TEST(ReportRun, PagesHaveThePaperAndOrientationOfTheLayout) {
    struct Case {
        TBRPaperSize paper;
        TPrinterOrientation orientation;
        int width, length;   // native units, as the pages stand
    };
    const Case cases[] = {
        {TBRPaperSize::Letter, poLandscape, 2794, 2159},
        {TBRPaperSize::A4, poPortrait, 2100, 2970},
        {TBRPaperSize::A5, poLandscape, 2100, 1480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.paper));
        TBandReport report(nullptr);
        report.Page()->SetOrientation(c.orientation);
        report.Page()->SetPaperSize(c.paper);
        report.CreateStandardBand(rbDetail);
        int left = 2;
        report.OnNeedData = [&](TObject*, bool& more) { more = left-- > 0; };
        report.RunReport();
        TBRPrinter& printer = *report.ReportPrinter();
        ASSERT_EQ(printer.State(), 2);
        EXPECT_EQ(printer.PagePaperWidth(), c.width);
        EXPECT_EQ(printer.PagePaperLength(), c.length);
        std::unique_ptr<TMetafile> page = printer.GetStoredPage(1);
        ASSERT_TRUE(page);
        EXPECT_NEAR(page->Width(), c.width * 96.0 / 254, 1);
        EXPECT_NEAR(page->Height(), c.length * 96.0 / 254, 1);
        EXPECT_EQ(report.Page()->Orientation(), c.orientation);
    }
}

// The Compression option codes the run's page stream.
TEST(ReportRun, CompressionOptionCodesThePageStream) {
    for (bool compress : {false, true}) {
        TBandReport report(nullptr);
        report.CreateStandardBand(rbDetail);
        if (compress) report.Options |= 1 << Compression;
        int left = 1;
        report.OnNeedData = [&](TObject*, bool& more) { more = left-- > 0; };
        report.RunReport();
        EXPECT_EQ(report.ReportPrinter()->PageList().Compression(), compress);
    }
}

// Sizes no page can hold are refused when a layout is read, before any run
// could compute with them.
TEST(ReportRun, LayoutsWithAbsurdSizesAreRefusedWhenRead) {
    report::register_report_classes();
    auto layout = [](const std::string& page_values, const std::string& band_values, const std::string& columns) {
        return R"({"class": "TBandReport", "name": "R", "properties": {"Page": {"PaperSize": "Custom", "Columns": )" +
               columns + R"(, "Values": [)" + page_values +
               R"(]}}, "children": [{"class": "TBRBand", "name": "D", "properties": {"BandType": "rbDetail",
               "Size": {"Values": [)" + band_values + R"(]}}}]})";
    };
    const std::string page = R"("100", "2970", "100", "2100", "100", "100", "0")";
    struct Case {
        const char* what;
        std::string json;
        const char* message;   // nullptr: read
    };
    const Case cases[] = {
        {"sizes a page can hold", layout(page, R"("50", "1900")", "2"), nullptr},
        {"a 10 m custom page", layout(R"("100", "100000", "100", "100000", "100", "100", "0")", R"("50", "1900")", "1"),
         nullptr},
        {"a margin of 1e30", layout(R"("1e30", "2970", "100", "2100", "100", "100", "0")", R"("50", "1900")", "1"),
         "Invalid property value: length 1e30"},
        {"a band height of 2^64", layout(page, R"("18446744073709551616", "1900")", "1"),
         "Invalid property value: length 18446744073709551616"},
        {"a negative width past the bound", layout(page, R"("50", "-100001")", "1"), "Invalid property value"},
        {"two billion columns", layout(page, R"("50", "1900")", "2000000000"), "2000000000 columns"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.message) {
            std::unique_ptr<TComponent> read(core::read_component(c.json, nullptr));
            EXPECT_NE(dynamic_cast<TBandReport*>(read.get()), nullptr);
            continue;
        }
        try {
            std::unique_ptr<TComponent> read(core::read_component(c.json, nullptr));
            ADD_FAILURE() << "read";
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

// The design surface: column marks in the top margin, the page frame's
// sides, repaint requests.
TEST(ReportDesign, ColumnMarksPageFrameAndRepaints) {
    ScopedFontEngine fonts;
    struct Case {
        const char* what;
        int columns;
        bool frame_top, frame_left;
        std::vector<std::pair<TPoint, TPoint>> expected;   // margin-coloured and frame lines
    };
    // A 794 x 1123 pixel page (A4) with 38-pixel margins: the frame from
    // (38, 38) to (755, 1084); two columns 18.9 pixels apart are 350 wide.
    const Case cases[] = {
        {"one column, no frame", 1, false, false, {}},
        {"two columns: two marks in the top margin, a column space apart", 2, false, false,
         {{{388, 0}, {388, 38}}, {{407, 0}, {407, 38}}}},
        {"a frame's top and left sides", 1, true, true, {{{38, 38}, {755, 38}}, {{38, 38}, {38, 1084}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool imperial = ImperialMeasure();
        report::SetImperialMeasure(false);
        TBandReport report(nullptr);
        report::SetImperialMeasure(imperial);
        report.Page()->SetPaperSize(TBRPaperSize::A4);
        report.Page()->SetRuler(false);
        report.Page()->SetColumns(c.columns);
        report.SetUnits(TBRUnit::MM);
        report.Page()->SetColumnSpace(5);
        report.Frame()->SetColor(report::rgb(1, 2, 3));
        report.Frame()->SetSide(0, c.frame_top);
        report.Frame()->SetSide(2, c.frame_left);
        RecordingCanvas canvas;
        report.Paint(canvas);
        std::vector<std::pair<TPoint, TPoint>> found;
        for (const Line& l : canvas.lines)
            if (l.color == DesignColorScheme().MarginColor || l.color == report::rgb(1, 2, 3))
                found.push_back({l.from, l.to});
        ASSERT_EQ(found.size(), c.expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].first.X, c.expected[i].first.X) << i;
            EXPECT_EQ(found[i].first.Y, c.expected[i].first.Y) << i;
            EXPECT_EQ(found[i].second.X, c.expected[i].second.X) << i;
            EXPECT_EQ(found[i].second.Y, c.expected[i].second.Y) << i;
        }
    }
    // Two repaint requests before a paint invalidate once; the paint takes
    // the request back; a shown page goes with the request.
    TBandReport report(nullptr);
    report.SetShownPage(std::make_unique<TMetafile>());
    const int before = report.Invalidations();
    report.RequestRepaint();
    report.RequestRepaint();
    EXPECT_EQ(report.Invalidations(), before + 1);
    EXPECT_EQ(report.ShownPage(), nullptr);
    RecordingCanvas canvas;
    report.Paint(canvas);
    EXPECT_FALSE(report.RepaintPending);
    report.RequestRepaint();
    EXPECT_EQ(report.Invalidations(), before + 2);
}

// A printer that has finished a run is not idle: a second run on it fails
// before any page ("BRPrinter not ready") and leaves the report ready; a new
// printer runs again.
TEST(ReportRun, ASecondRunNeedsANewPrinter) {
    TBandReport report(nullptr);
    report.CreateStandardBand(rbDetail);
    int left = 0;
    report.OnNeedData = [&](TObject*, bool& more) { more = left-- > 0; };
    left = 2;
    report.RunReport();
    ASSERT_EQ(report.ReportPrinter()->PageCount(), 1);
    left = 2;
    try {
        report.RunReport();
        ADD_FAILURE() << "ran";
    } catch (const EBRError& e) {
        EXPECT_STREQ(e.what(), "BRPrinter not ready");
    }
    EXPECT_TRUE(report.Ready());
    EXPECT_EQ(report.ReportPrinter()->PageCount(), 1);
    ASSERT_TRUE(report.CreateRunPrinter());
    left = 2;
    report.RunReport();
    EXPECT_EQ(report.ReportPrinter()->PageCount(), 1);
}

// The report's font is Arial 10 unless the user's language is Japanese.
TEST(ReportRun, TheReportFontFollowsTheUsersLanguage) {
    struct Case {
        const char* lang;
        bool arial;
    };
    const Case cases[] = {{"pt_BR.UTF-8", true}, {"C", true}, {"ja_JP.UTF-8", false}, {"ja", false}, {"jam", true}};
    const char* saved[3];
    const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string keep[3];
    for (int i = 0; i < 3; ++i) {
        saved[i] = std::getenv(names[i]);
        if (saved[i]) keep[i] = saved[i];
        unsetenv(names[i]);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        setenv("LANG", c.lang, 1);
        TBandReport report(nullptr);
        EXPECT_EQ(report.Font.Name == "Arial" && report.Font.Size() == 10, c.arial);
    }
    for (int i = 0; i < 3; ++i) {
        if (saved[i]) setenv(names[i], keep[i].c_str(), 1);
        else unsetenv(names[i]);
    }
}
