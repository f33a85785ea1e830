// The report's print entry points: printing again on a printer, the print
// dialog for its settings, and the notices of its printer and preview.

#include "report/bands/tests/BandsFixture.h"

#include "platform/data/MemoryDataSet.h"

#include "report/print/BRPrintDialog.h"
#include "report/print/tests/FakeDevice.h"
#include "tests/support/ScriptedHost.h"

using namespace bands_test;
using report::testing::FakeDevice;
using report::testing::office_printer;

namespace {

// A report of `records` detail bands, four to a page.
struct PrintableReport {
    ScopedFontEngine fonts;
    std::unique_ptr<TBandReport> report = std::make_unique<TBandReport>(nullptr);
    int records = 10, left = 0;
    FakeDevice none;  // no printers: runs into a page stream only
    PrintableReport() {
        report->SetUnits(TBRUnit::Native);
        TBRCustomBand* detail = report->CreateStandardBand(rbDetail);
        detail->Size()->SetCurrentUnit(TBRUnit::Native);
        detail->Size()->SetHeight(600);
        report->OnNeedData = [this](TObject*, bool& more) { more = left-- > 0; };
    }
    // A finished run into the report's own page stream.
    TBRPrinter* preview_run() {
        left = records;
        EXPECT_TRUE(report->CreateRunPrinter(&none));
        report->RunReport();
        return report->ReportPrinter();
    }
};

FakeDevice two_printers() {
    FakeDevice d;
    d.destinations = {office_printer("front"), office_printer("back")};
    d.destinations[0].IsDefault = false;
    d.destinations[1].IsDefault = true;
    return d;
}

TEST(RunToPrinter, PrintsTheReportAgainAndPutsItsPrinterBack) {
    struct Case {
        int printer_index;
        int copies;
        int cancel_at_step;  // -1: never
        const char* printer;
        bool finished;
    };
    const Case cases[] = {
        {-1, 1, -1, "back", true},  // -1 is the default printer
        {0, 3, -1, "front", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printer);
        PrintableReport r;
        TBRPrinter* shown = r.preview_run();
        const int pages = shown->PageCount();
        ASSERT_GT(pages, 1);
        test_support::ScriptedHost host;
        host.cancel_at_step = c.cancel_at_step;
        core::ScopedService<core::HostServices*> installed(core::host_slot, &host);
        FakeDevice device = two_printers();
        r.report->PrinterSettings()->PrinterIndex = c.printer_index;
        r.report->PrinterSettings()->Copies = c.copies;
        r.left = r.records;
        // The job's destination lives as long as the run's printer: read it during the run.
        std::string destination;
        r.report->OnStartPage = [&](TObject*) {
            if (!device.jobs.empty() && device.jobs.back()->destination)
                destination = device.jobs.back()->destination->Name;
        };
        r.report->RunToPrinter(&device);
        EXPECT_EQ(r.report->ReportPrinter(), shown);
        EXPECT_TRUE(r.report->Ready());
        ASSERT_EQ(device.jobs.size(), 1u);
        const auto& job = *device.jobs[0];
        EXPECT_EQ(destination, c.printer);
        EXPECT_EQ(job.settings.Mode.Copies, c.copies);
        EXPECT_EQ(job.finished, c.finished);
        EXPECT_EQ(job.aborted, !c.finished);
        EXPECT_EQ(int(job.pages.size()), pages);
    }
}

// The run's progress reaches the host; cancelling it cancels the run.
TEST(RunToPrinter, ProgressThroughTheHost) {
    for (int cancel_at : {-1, 1}) {
        SCOPED_TRACE(cancel_at);
        PrintableReport r;
        auto* data = new TMemoryDataSet(r.report.get());
        data->AddField("N", ftInteger);
        for (int i = 0; i < 10; ++i) data->AppendRecord({std::to_string(i)});
        data->Open();
        r.report->SetDataSet(data);
        test_support::ScriptedHost host;
        host.cancel_at_step = cancel_at;
        core::ScopedService<core::HostServices*> installed(core::host_slot, &host);
        FakeDevice device = two_printers();
        r.report->RunToPrinter(&device);
        ASSERT_EQ(device.jobs.size(), 1u);
        EXPECT_EQ(device.jobs[0]->finished, cancel_at < 0);
        if (cancel_at < 0) {
            ASSERT_FALSE(host.steps.empty());
            EXPECT_EQ(host.steps.back().first, 100);
        }
    }
}

TEST(RunToPrinter, WithoutPrintersOrDuringARunNothingHappens) {
    PrintableReport r;
    TBRPrinter* shown = r.preview_run();
    FakeDevice none;
    r.left = r.records;
    r.report->RunToPrinter(&none);
    EXPECT_EQ(r.report->ReportPrinter(), shown);
    EXPECT_EQ(shown->State(), 2);
    // A run in progress: asked from inside the run, nothing starts.
    FakeDevice device = two_printers();
    r.report->OnStartPage = [&](TObject*) { r.report->RunToPrinter(&device); };
    r.left = r.records;
    ASSERT_TRUE(r.report->CreateRunPrinter(&r.none));
    r.report->RunReport();
    EXPECT_TRUE(device.jobs.empty());
}

// A print dialog that records what it was given and answers as told.
struct ScriptedDialog : report::PrintDialogService {
    std::optional<report::PrintDialogOptions> given;
    bool confirm = false;
    report::PrintDialogOptions answer;
    bool Execute(report::PrintDialogOptions& options, graphics::PrintDevice*) override {
        given = options;
        if (confirm) options = answer;
        return confirm;
    }
};

TEST(ShowPrinterSetup, PageRangeAndResult) {
    struct Case {
        const char* name;
        bool run_first;
        bool installed;
        bool confirm;
        report::PrintRange range;
        int min, max, from, to;  // as the dialog was given
        int tag;
        int first, last;  // the report's settings afterwards
    };
    const Case cases[] = {
        {"before any run", false, true, false, report::PrintRange::AllPages, 0, 9999, 0, 0, 1, 0, 0},
        {"after a run", true, true, false, report::PrintRange::AllPages, 1, 3, 1, 3, 1, 0, 0},
        {"confirmed, page numbers", true, true, true, report::PrintRange::PageNums, 1, 3, 1, 3, 0, 2, 3},
        {"confirmed, all pages", true, true, true, report::PrintRange::AllPages, 1, 3, 1, 3, 0, 0, 0},
        {"confirmed, selection", false, true, true, report::PrintRange::Selection, 0, 9999, 0, 0, 0, 0, 0},
        {"no dialog installed", true, false, false, report::PrintRange::AllPages, 0, 0, 0, 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrintableReport r;
        if (c.run_first) {
            ASSERT_EQ(r.preview_run()->PageCount(), 3);
        }
        auto& settings = *r.report->PrinterSettings();
        settings.Copies = 2;
        settings.FirstPage = 5;
        settings.LastPage = 6;
        r.report->SetTag(7);
        ScriptedDialog dialog;
        dialog.confirm = c.confirm;
        dialog.answer.PrinterIndex = 1;
        dialog.answer.Copies = 4;
        dialog.answer.Orientation = poLandscape;
        dialog.answer.Range = c.range;
        dialog.answer.FromPage = 2;
        dialog.answer.ToPage = 3;
        dialog.answer.Collate = true;
        dialog.answer.DuplexCode = 2;
        dialog.answer.ColorOption = 2;
        dialog.answer.PaperSize = 9;
        dialog.answer.OutputBin = 4;
        core::ScopedService<report::PrintDialogService*> service(report::print_dialog_slot,
                                                                  c.installed ? &dialog : nullptr);
        r.report->ShowPrinterSetup();
        EXPECT_EQ(r.report->Tag(), c.tag);
        EXPECT_EQ(dialog.given.has_value(), c.installed);
        if (dialog.given) {
            EXPECT_EQ(dialog.given->MinPage, c.min);
            EXPECT_EQ(dialog.given->MaxPage, c.max);
            EXPECT_EQ(dialog.given->FromPage, c.from);
            EXPECT_EQ(dialog.given->ToPage, c.to);
            EXPECT_EQ(dialog.given->Copies, 2);
            EXPECT_EQ(dialog.given->Orientation, poPortrait);
        }
        if (c.confirm) {
            EXPECT_EQ(settings.Copies, 4);
            EXPECT_EQ(settings.PrinterIndex, 1);
            EXPECT_EQ(settings.FirstPage, c.first);
            EXPECT_EQ(settings.LastPage, c.last);
            EXPECT_EQ(r.report->Page()->Orientation(), poLandscape);
            const auto& d = *r.report->DialogSettings();
            EXPECT_TRUE(d.Duplex);
            EXPECT_EQ(d.ExtendedDuplex, 2);
            EXPECT_EQ(d.ColorOption, 2);
            EXPECT_EQ(d.Collate, 1);
            EXPECT_EQ(d.CustomPaperCode, 9);
            EXPECT_EQ(d.CustomBinCode, 4);
            EXPECT_EQ(d.FirstPage, 2);
            EXPECT_EQ(d.LastPage, 3);
        } else {
            // Cancelled, or no one to ask: nothing changes.
            EXPECT_EQ(settings.Copies, 2);
            EXPECT_EQ(settings.FirstPage, 5);
            EXPECT_EQ(settings.LastPage, 6);
            EXPECT_EQ(r.report->Page()->Orientation(), poPortrait);
        }
    }
}

TEST(ReportNotices, PagesAvailablePrintAgainPreviewClosed) {
    PrintableReport r;
    TBRPrinter* printer = r.preview_run();
    r.report->Notice(report::BRM_PAGES_AVAILABLE, 2, printer);
    EXPECT_EQ(r.report->ShownPage(), nullptr);
    r.report->Notice(report::BRM_PAGES_AVAILABLE, 1, printer);
    ASSERT_NE(r.report->ShownPage(), nullptr);

    FakeDevice device = two_printers();
    r.left = r.records;
    // Print again goes to the installed device, which has no printers here.
    r.report->Notice(report::BRM_PRINT_AGAIN, 0, printer);
    EXPECT_EQ(r.report->ReportPrinter(), printer);

    // Preview closed after the run: the printer goes, and the preview's end is announced.
    int after_preview = 0;
    r.report->AfterPreview = [&](TObject*) { ++after_preview; };
    printer->SetShowingPreview(true);
    r.report->Notice(report::BRM_PREVIEW_CLOSED, 0, printer);
    EXPECT_EQ(r.report->ReportPrinter(), nullptr);
    EXPECT_EQ(after_preview, 1);

    // During a run: the run is cancelled and the printer kept.
    r.left = r.records;
    ASSERT_TRUE(r.report->CreateRunPrinter(&r.none));
    TBRPrinter* running = r.report->ReportPrinter();
    r.report->OnStartPage = [&](TObject*) { r.report->Notice(report::BRM_PREVIEW_CLOSED, 0, running); };
    r.report->RunReport();
    EXPECT_EQ(r.report->ReportPrinter(), running);
    EXPECT_TRUE(r.report->CancelRequested());
    EXPECT_EQ(running->PageCount(), 1);
}

}  // namespace
