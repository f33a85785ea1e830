// The printer engine driven with a fake print device.

#include "report/print/BRPrntr.h"
#include "report/print/tests/FakeDevice.h"

#include <gtest/gtest.h>

#include <deque>

#include "platform/core/ByteOrder.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/TestSupport.h"

using namespace report;
using report::testing::FakeDevice;
using report::testing::JobLog;
using report::testing::office_printer;
using test_support::ScratchDir;

namespace {

// Records every notice it gets.
struct NoticeLog : report::NoticeWindow {
    std::vector<std::pair<unsigned, std::int64_t>> notices;
    void Notice(unsigned message, std::int64_t wParam, TBRPrinter*) override { notices.emplace_back(message, wParam); }
    std::vector<std::int64_t> of(unsigned message) const {
        std::vector<std::int64_t> out;
        for (const auto& [m, w] : notices)
            if (m == message) out.push_back(w);
        return out;
    }
};

// A host with a message loop: posted notices wait until ProcessMessages.
struct LoopHost : test_support::ScriptedHost {
    std::deque<std::function<void()>> queue;
    void Post(std::function<void()> notice) override { queue.push_back(std::move(notice)); }
    void ProcessMessages() override {
        while (!queue.empty()) {
            auto f = std::move(queue.front());
            queue.pop_front();
            f();
        }
    }
};

FakeDevice device_with(std::vector<graphics::DestinationInfo> destinations) {
    FakeDevice d;
    d.destinations = std::move(destinations);
    return d;
}

// Runs n pages into the page stream, a rectangle on each.
void run_pages(TBRPrinter& p, int n) {
    p.BeginOutput();
    for (int i = 0; i < n; ++i) {
        p.StartNewPage();
        p.Canvas()->Rectangle(p.ToDeviceX(100), p.ToDeviceY(100), p.ToDeviceX(200 + 10 * i), p.ToDeviceY(200));
    }
    p.EndOutput();
}

// A stored stream of n pages of the given size (0.1 mm) in file.
void store_pages(const std::string& file, int n, TBRPaperSize size, TPrinterOrientation orientation) {
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    ASSERT_TRUE(p.SetPaperSize(size));
    ASSERT_TRUE(p.SetOrientation(orientation));
    run_pages(p, n);
    p.SavePageStreamFile(file);
}

}  // namespace

TEST(PrinterEngine, PageStreamRunAnnouncesEveryPage) {
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    NoticeLog preview;
    p.Preview = &preview;
    run_pages(p, 4);
    EXPECT_EQ(p.State(), 2);
    EXPECT_EQ(p.PageCount(), 4);
    EXPECT_EQ(p.AvailablePages(), 4);
    EXPECT_EQ(preview.of(BRM_PAGES_AVAILABLE), (std::vector<std::int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(p.PageList().PageCount(), 4);
    auto page = p.GetStoredPage(4);
    ASSERT_NE(page, nullptr);
    // A4 portrait on the 96-dpi reference: 2100 x 2970 tenths of a millimetre.
    EXPECT_EQ(page->PageWidth(), 794);
    EXPECT_EQ(page->PageHeight(), 1123);
}

// Notices are posted to the loop, not delivered inside the engine's step,
// and carry whole page numbers.
TEST(PrinterEngine, NoticesArePostedWithFullNumbers) {
    LoopHost host;
    core::ScopedService scoped(core::host_slot, &host);
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    NoticeLog preview;
    p.Preview = &preview;
    p.NotifyPageAvailable(70000);
    p.NotifyProgress(55);
    EXPECT_TRUE(preview.notices.empty());
    host.ProcessMessages();
    EXPECT_EQ(preview.notices, (std::vector<std::pair<unsigned, std::int64_t>>{{1025, 70000}, {1024, 55}}));
    // A preview detached before the loop runs gets nothing.
    p.NotifyPageAvailable(2);
    p.Preview = nullptr;
    host.ProcessMessages();
    EXPECT_EQ(preview.notices.size(), 2u);
    // Nor after the printer is gone.
    {
        TBRPrinter q(nullptr, nullptr, &none);
        q.Preview = &preview;
        q.NotifyPageAvailable(3);
    }
    host.ProcessMessages();
    EXPECT_EQ(preview.notices.size(), 2u);
}

TEST(PrinterEngine, MisuseAndIdleCalls) {
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    try {
        p.StartNewPage();
        FAIL();
    } catch (const EBRError& e) {
        EXPECT_STREQ(e.what(), "Illegal call to NewPage");
    }
    p.EndOutput();  // nothing
    EXPECT_EQ(p.State(), 0);
    p.AbortOutput();  // nothing while idle
    EXPECT_EQ(p.State(), 0);
    EXPECT_EQ(p.GetStoredPage(1), nullptr);
    ScratchDir dir;
    p.SavePageStreamFile(dir / "x.brp");  // nothing unless finished
    EXPECT_EQ(test_support::read_file(dir / "x.brp"), "");
    p.BeginOutput();
    try {
        p.BeginOutput();
        FAIL();
    } catch (const EBRError& e) {
        EXPECT_STREQ(e.what(), "BRPrinter not ready");
    }
    p.StartNewPage();
    p.EndOutput();
    EXPECT_EQ(p.GetStoredPage(0), nullptr);
    EXPECT_EQ(p.GetStoredPage(2), nullptr);
    EXPECT_NE(p.GetStoredPage(1), nullptr);
    p.ResetOutput();
    EXPECT_EQ(p.State(), 0);
    EXPECT_EQ(p.GetStoredPage(1), nullptr);
}

TEST(PrinterEngine, Conversions) {
    auto dev = device_with({office_printer()});
    TBRPrinter p(nullptr, nullptr, &dev);
    p.BeginOutput();  // page stream: the 96-dpi reference
    EXPECT_EQ(p.ToDeviceX(2100), 794);
    EXPECT_EQ(p.ToDeviceHeight(2970), 1123);
    p.ResetOutput();
    p.Destination = 1;
    p.BeginOutput();  // printer: 600 dpi, 4 mm unprintable margins
    EXPECT_EQ(p.LeftWaste(), 40);
    EXPECT_EQ(p.ToDeviceX(140), 236);   // 100 * 600 / 254 = 236.2
    EXPECT_EQ(p.ToDeviceY(40), 0);
    EXPECT_EQ(p.ToDeviceWidth(127), 300);
    p.AbortOutput();
    EXPECT_EQ(p.PagePaperWidth(), 2100);
    ASSERT_TRUE(p.SetOrientation(poLandscape));
    EXPECT_EQ(p.PagePaperWidth(), 2970);
    EXPECT_EQ(p.PagePaperLength(), 2100);
}

// FirstPage 3, LastPage 4 on the printer: pages 1, 2, 5 and 6 are drawn into
// discarded metafiles, the job holds pages 3 and 4, and no page follows 4.
TEST(PrinterEngine, PrinterRangeSkipsOtherPages) {
    auto dev = device_with({office_printer()});
    TBRPrinter p(nullptr, nullptr, &dev);
    p.Destination = 1;
    p.FirstPage = 3;
    p.LastPage = 4;
    p.Title = "Range";
    p.BeginOutput();
    std::vector<bool> on_printer;
    for (int i = 1; i <= 6; ++i) {
        p.StartNewPage();
        ASSERT_NE(p.Canvas(), nullptr);
        on_printer.push_back(p.Printer().Printing() && p.Canvas() == &p.Printer().Canvas());
        p.Canvas()->Rectangle(0, 0, 10, 10);
    }
    p.EndOutput();
    EXPECT_EQ(on_printer, (std::vector<bool>{false, false, true, true, false, false}));
    ASSERT_EQ(dev.jobs.size(), 1u);
    const JobLog& job = *dev.jobs[0];
    EXPECT_EQ(job.pages.size(), 2u);
    EXPECT_TRUE(job.finished);
    EXPECT_EQ(job.settings.Title, "Range");
    EXPECT_EQ(p.PageCount(), 6);
}

// An aborted printer run submits nothing.
TEST(PrinterEngine, AbortedPrinterRunDiscardsTheJob) {
    auto dev = device_with({office_printer()});
    TBRPrinter p(nullptr, nullptr, &dev);
    p.Destination = 1;
    p.BeginOutput();
    p.StartNewPage();
    p.StartNewPage();
    p.AbortOutput();
    ASSERT_EQ(dev.jobs.size(), 1u);
    EXPECT_TRUE(dev.jobs[0]->aborted);
    EXPECT_FALSE(dev.jobs[0]->finished);
    EXPECT_EQ(p.State(), 2);
}

// An aborted page-stream run rewrites the header: a saved stream names the
// pages it holds.
TEST(PrinterEngine, AbortedStreamRunKeepsAnHonestHeader) {
    ScratchDir dir;
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    p.BeginOutput();
    for (int i = 0; i < 3; ++i) p.StartNewPage();
    p.AbortOutput();
    EXPECT_EQ(p.State(), 2);
    p.SavePageStreamFile(dir / "aborted.brp");
    const std::string bytes = test_support::read_file(dir / "aborted.brp");
    ASSERT_GT(bytes.size(), 128u);
    EXPECT_EQ(core::get_le32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 8), 3u);
    TBRPrinter q(nullptr, nullptr, &none);
    q.LoadPageStreamFile(dir / "aborted.brp");
    EXPECT_EQ(q.PageCount(), 3);
    EXPECT_NE(q.GetStoredPage(3), nullptr);
}

// Loading a stream guesses paper and orientation from page 1: the last
// matching size among Letter..ESheet that the device supports wins. A page
// recorded a pixel short of its paper (A3 is 1587 pixels for 1587.4) still
// matches it.
TEST(PrinterEngine, LoadingGuessesPaperFromTheFirstPage) {
    auto a4_only = office_printer();
    auto with_small = office_printer();
    with_small.Media.push_back({"a4-small", 10, 210, 297, 4, 4, 4, 4});
    with_small.Media.push_back({"note", 18, 215.9, 279.4, 4, 4, 4, 4});
    struct Case {
        const char* what;
        TBRPaperSize stored;
        TPrinterOrientation orientation;
        graphics::DestinationInfo destination;
        TBRPaperSize size;
        TPrinterOrientation guessed;
    } cases[] = {
        {"A4 portrait, A4Small unsupported", TBRPaperSize::A4, poPortrait, a4_only, TBRPaperSize::A4, poPortrait},
        {"A4 portrait, A4Small supported", TBRPaperSize::A4, poPortrait, with_small, TBRPaperSize::A4Small, poPortrait},
        {"A4 landscape", TBRPaperSize::A4, poLandscape, a4_only, TBRPaperSize::A4, poLandscape},
        {"Letter with Note supported", TBRPaperSize::Letter, poPortrait, with_small, TBRPaperSize::Note, poPortrait},
        {"Letter without Note", TBRPaperSize::Letter, poPortrait, a4_only, TBRPaperSize::Letter, poPortrait},
        {"A3 landscape", TBRPaperSize::A3, poLandscape, a4_only, TBRPaperSize::A3, poLandscape},
        // A page of no listed size prints on a custom paper of its own size.
        {"an envelope matches nothing", TBRPaperSize::EnvDL, poLandscape, a4_only, TBRPaperSize::Custom, poPortrait},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        store_pages(dir / "s.brp", 2, c.stored, c.orientation);
        auto dev = device_with({c.destination});
        TBRPrinter p(nullptr, nullptr, &dev);
        ASSERT_TRUE(p.SetPaperSize(TBRPaperSize::Letter));
        ASSERT_TRUE(p.SetOrientation(poPortrait));
        p.LoadPageStreamFile(dir / "s.brp");
        EXPECT_EQ(p.State(), 2);
        EXPECT_TRUE(p.LoadedFromFile());
        EXPECT_EQ(p.PageCount(), 2);
        EXPECT_EQ(p.PaperSize(), c.size);
        EXPECT_EQ(p.Orientation(), c.guessed);
        if (c.size == TBRPaperSize::Custom) {
            // The envelope's page as it was stored: 220 x 110 mm, within a pixel.
            EXPECT_NEAR(p.Settings().PaperWidth(), 2200, 3);
            EXPECT_NEAR(p.Settings().PaperLength(), 1100, 3);
        }
    }
}

// Without any printer, the guessed landscape Letter sticks, and the report is
// laid out on it.
TEST(PrinterEngine, WithoutPrintersLandscapeLetterIsKept) {
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    EXPECT_FALSE(p.PrintersPresent());
    EXPECT_TRUE(p.SetOrientation(poLandscape));
    EXPECT_TRUE(p.SetPaperSize(TBRPaperSize::Letter));
    EXPECT_EQ(p.PagePaperWidth(), 2794);
    EXPECT_EQ(p.PagePaperLength(), 2159);
    run_pages(p, 1);
    EXPECT_EQ(p.GetStoredPage(1)->PageWidth(), 1056);  // 279.4 mm at 96 dpi
}

TEST(PrinterEngine, LoadingBadStreams) {
    ScratchDir dir;
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    EXPECT_THROW(p.LoadPageStreamFile(dir / "missing.brp"), EStreamError);
    test_support::write_file(dir / "short.brp", std::string(100, 'x'));
    EXPECT_THROW(p.LoadPageStreamFile(dir / "short.brp"), EStreamError);
    store_pages(dir / "good.brp", 3, TBRPaperSize::A4, poPortrait);
    std::string bytes = test_support::read_file(dir / "good.brp");
    bytes.resize(bytes.size() - 300);  // cut into the last page
    test_support::write_file(dir / "cut.brp", bytes);
    EXPECT_THROW(p.LoadPageStreamFile(dir / "cut.brp"), Exception);
    EXPECT_NE(p.State(), 1);
}

namespace {

// A finished printer holding a stored stream of n pages, on dev.
std::unique_ptr<TBRPrinter> loaded(FakeDevice& dev, const ScratchDir& dir, int n) {
    store_pages(dir / "s.brp", n, TBRPaperSize::A4, poPortrait);
    auto p = std::make_unique<TBRPrinter>(nullptr, nullptr, &dev);
    p->LoadPageStreamFile(dir / "s.brp");
    return p;
}

}  // namespace

// Which pages of a 5-page stream are printed for a range, and whether a job
// is made at all: never blank sheets past the stream, never an empty job.
TEST(PrinterEngine, PrintStoredPagesRanges) {
    struct Case {
        int first, last;
        int jobs;
        int pages;
    } cases[] = {
        {0, 0, 1, 5}, {2, 4, 1, 3}, {4, 9, 1, 2}, {0, 7, 1, 5}, {5, 5, 1, 1}, {4, 3, 0, 0}, {6, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last));
        ScratchDir dir;
        auto dev = device_with({office_printer()});
        auto p = loaded(dev, dir, 5);
        NoticeLog progress;
        p->Preview = &progress;
        p->FirstPage = c.first;
        p->LastPage = c.last;
        p->PrintStoredPages();
        ASSERT_EQ(int(dev.jobs.size()), c.jobs);
        if (c.jobs == 0) continue;
        const JobLog& job = *dev.jobs[0];
        EXPECT_TRUE(job.finished);
        ASSERT_EQ(int(job.pages.size()), c.pages);
        for (const auto& page : job.pages) EXPECT_EQ(page.size(), 1u);  // each sheet one stored page
        EXPECT_EQ(progress.of(BRM_PROGRESS).back(), 100);
    }
}

// Each stored page covers the sheet: the printable area's corner is the
// origin, so the page starts at minus the offsets.
TEST(PrinterEngine, StoredPagesFillTheSheet) {
    ScratchDir dir;
    auto dev = device_with({office_printer()});
    auto p = loaded(dev, dir, 1);
    p->Settings().ExtendedDuplex = 0;  // as a report's settings hand it over
    p->SetCopies(2);
    p->SetDuplex(true);
    p->SetOutputBin(TBRBin::Manual);
    p->Title = "Stored";
    p->PrintStoredPages();
    ASSERT_EQ(dev.jobs.size(), 1u);
    const JobLog& job = *dev.jobs[0];
    // 600 dpi, 4 mm offsets, A4: -round(40 * 600 / 254), round((2100 - 40) * 600 / 254)
    EXPECT_EQ(job.pages[0][0], (TRect{-94, -94, 4866, 6921}));
    EXPECT_EQ(job.page_sizes[0][0], (std::pair<int, int>{794, 1123}));
    EXPECT_EQ(job.settings.Title, "Stored");
    EXPECT_EQ(job.settings.Mode.Copies, 2);
    EXPECT_EQ(job.settings.Mode.Duplex, DMDUP_HORIZONTAL);
    EXPECT_EQ(job.settings.SourceName, "manual");
    EXPECT_EQ(job.settings.MediaName, "iso_a4_210x297mm");
    EXPECT_EQ(job.settings.Dpi, 600);
}

// A cancel stops the loop and discards the job.
TEST(PrinterEngine, CancelStopsPrintingStoredPages) {
    test_support::ScriptedHost host;
    host.cancel_at_step = 2;
    core::ScopedService scoped(core::host_slot, &host);
    ScratchDir dir;
    auto dev = device_with({office_printer()});
    auto p = loaded(dev, dir, 5);
    p->PrintStoredPages();
    ASSERT_EQ(dev.jobs.size(), 1u);
    EXPECT_TRUE(dev.jobs[0]->aborted);
    EXPECT_FALSE(dev.jobs[0]->finished);
    EXPECT_EQ(host.steps.size(), 3u);
    EXPECT_EQ(dev.jobs[0]->pages.size(), 3u);  // pages 1 and 2 drawn, the third sheet opened
    EXPECT_TRUE(p->Cancelled());
}

// Without printers nothing is printed, but a file still can be.
TEST(PrinterEngine, StoredPagesWithoutPrinters) {
    ScratchDir dir;
    FakeDevice none;
    auto p = loaded(none, dir, 2);
    p->PrintStoredPages();
    EXPECT_TRUE(none.jobs.empty());
    p->OutputFile = dir / "out.pdf";
    p->PrintStoredPages();
    ASSERT_EQ(none.jobs.size(), 1u);
    const JobLog& job = *none.jobs[0];
    EXPECT_EQ(job.destination, nullptr);
    EXPECT_EQ(job.settings.OutputFile, dir / "out.pdf");
    EXPECT_EQ(job.settings.PageWidthMM, 210);
    EXPECT_EQ(job.settings.PageHeightMM, 297);
    EXPECT_EQ(job.pages.size(), 2u);
    // A file has no unprintable margins: 600 dpi from the corner.
    EXPECT_EQ(job.pages[0][0], (TRect{0, 0, 4961, 7016}));
}

// A device that reports no resolution never divides by zero.
TEST(PrinterEngine, ZeroResolutionDevice) {
    auto d = office_printer();
    d.DpiX = d.DpiY = 0;
    auto dev = device_with({d});
    TBRPrinter p(nullptr, nullptr, &dev);
    p.Destination = 1;
    p.BeginOutput();
    EXPECT_DOUBLE_EQ(p.XFactor(), 0.37795);
    EXPECT_DOUBLE_EQ(p.YFactor(), 0.37795);
    p.StartNewPage();
    EXPECT_DOUBLE_EQ(p.YFactor(), 1.0);
    p.EndOutput();
    ScratchDir dir;
    auto q = loaded(dev, dir, 1);
    q->PrintStoredPages();
    ASSERT_EQ(dev.jobs.size(), 2u);
    EXPECT_EQ(dev.jobs[1]->pages[0][0].Right, 4961);  // drawn at 600 dpi
}

TEST(PrinterEngine, SelectPrinterReadsItsSettings) {
    auto second = office_printer("second");
    second.IsDefault = false;
    second.DpiX = second.DpiY = 300;
    auto first = office_printer("first");
    auto dev = device_with({first, second});
    TBRPrinter p(nullptr, nullptr, &dev);
    EXPECT_EQ(p.Settings().Device, "first");
    p.SelectPrinter(1);
    EXPECT_EQ(p.Settings().Device, "second");
    EXPECT_EQ(p.Settings().PixelsPerX(), 300);
    EXPECT_THROW(p.SelectPrinter(5), EPrinter);
}

// A new printer of its own starts on the application printer's selection
// when it lists that many printers, and reads that printer's settings.
TEST(PrinterEngine, NewPrinterTakesTheApplicationPrintersIndex) {
    auto printers = [](int n) {
        std::vector<graphics::DestinationInfo> out;
        for (int i = 0; i < n; ++i) {
            out.push_back(office_printer("p" + std::to_string(i)));
            out.back().IsDefault = i == 0;
            out.back().DpiX = out.back().DpiY = 100 * (i + 1);
        }
        return out;
    };
    FakeDevice installed = device_with(printers(3));
    core::ScopedService device(graphics::print_device_slot, &installed);
    struct Case {
        const char* what;
        int application_index;  // -1: left as it starts
        int own_printers;       // 0: the installed device
        int index;
        const char* device;
    } cases[] = {
        {"the installed device", 2, 0, 2, "p2"},
        {"a device of its own listing that many", 1, 2, 1, "p1"},
        {"a device listing fewer", 2, 2, 0, "p0"},
        {"nothing selected", -1, 0, 0, "p0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreePrinter();
        if (c.application_index >= 0) ::Printer().SetPrinterIndex(c.application_index);
        FakeDevice own = device_with(printers(c.own_printers));
        TBRPrinter p(nullptr, nullptr, c.own_printers > 0 ? &own : nullptr);
        EXPECT_EQ(p.Printer().PrinterIndex(), c.index);
        EXPECT_EQ(p.Settings().Device, c.device);
        EXPECT_EQ(p.Settings().PixelsPerX(), 100 * (c.index + 1));
    }
    FreePrinter();
}

// The outline view shows the page list's outline once it is set, and no
// longer once it is taken away.
TEST(PrinterEngine, OutlineGoesToThePageList) {
    struct Nodes : TBROutlineNodes {
        std::vector<std::pair<int, std::string>> added;
        void Clear() override { added.clear(); }
        int AddChild(int parent, const std::string& caption) override {
            added.emplace_back(parent, caption);
            return int(added.size());
        }
    };
    FakeDevice none;
    TBRPrinter p(nullptr, nullptr, &none);
    auto& entries = p.PageList().Outline().Entries();
    entries.push_back({"Customers", 1, {}, 1, 0});
    entries.push_back({"Ana", 2, {}, 1, 0});
    Nodes view;
    p.SetOutline(&view);
    EXPECT_EQ(view.added, (std::vector<std::pair<int, std::string>>{{0, "Customers"}, {1, "Ana"}}));
    p.SetOutline(nullptr);
    entries.push_back({"Bruno", 2, {}, 2, 0});
    p.PageList().Outline().RebuildOutlineTree();
    EXPECT_EQ(view.added.size(), 2u);
}

TEST(PrinterEngine, ReportSettingsAndPreviewHooks) {
    FakeDevice none;
    TBandReportPrinterSettings rs;
    rs.MemoryLimit = 1234;
    TBRPrinter p(nullptr, &rs, &none);
    EXPECT_EQ(p.Settings().MemoryLimit, 1234);
    int after = 0;
    p.OnAfterPreview = [&](TObject*) { ++after; };
    p.SetShowingPreview(true);
    p.BeginOutput();
    p.SetShowingPreview(false);
    EXPECT_TRUE(p.Cancelled());
    EXPECT_EQ(after, 1);
    NoticeLog report_window;
    p.ReportWindow = &report_window;
    p.SendCloseNotice();
    EXPECT_EQ(report_window.of(BRM_PREVIEW_CLOSED).size(), 1u);
}
