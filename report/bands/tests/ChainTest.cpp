// Chained runs: several reports into one output with one page numbering.

#include "report/bands/tests/BandsFixture.h"

#include "report/bands/BandRptChain.h"
#include "report/print/tests/FakeDevice.h"

using namespace bands_test;
using report::testing::FakeDevice;

namespace {

// Reports on a 2100 x 2970 page with 100 margins, a 200 page footer and
// 600 detail bands: four details to a page.
struct Chain {
    ScopedFontEngine fonts;
    FakeDevice none;
    ReportChain chain;
    std::vector<std::unique_ptr<TBandReport>> reports;
    std::vector<int> left;
    std::vector<std::pair<int, int>> footers;  // report (1-based), page
    int cancel_in = 0;                         // report that cancels at its first record
    explicit Chain(std::vector<int> records) : left(records) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            auto r = std::make_unique<TBandReport>(nullptr);
            TBRPage& page = *r->Page();
            page.SetPaperSize(TBRPaperSize::Custom);
            r->SetUnits(TBRUnit::Native);
            page.SetWidth(2100);
            page.SetLength(2970);
            for (auto set : {&TBRPage::SetTopMargin, &TBRPage::SetBottomMargin, &TBRPage::SetLeftMargin,
                             &TBRPage::SetRightMargin})
                (page.*set)(100);
            for (auto [type, height] : {std::pair{rbDetail, 600}, std::pair{rbPageFooter, 200}}) {
                TBRCustomBand* b = r->CreateStandardBand(type);
                b->Size()->SetCurrentUnit(TBRUnit::Native);
                b->Size()->SetHeight(height);
            }
            TBandReport* raw = r.get();
            const int n = int(i) + 1;
            for (int c = 0; c < raw->ControlCount(); ++c)
                if (auto* band = dynamic_cast<TBRCustomBand*>(raw->Controls(c)); band && band->BandType() == rbPageFooter)
                    band->AfterPrint = [this, raw, n](TBRCustomBand*, bool printed) {
                        if (printed) footers.emplace_back(n, raw->PageCount());
                    };
            raw->OnNeedData = [this, raw, i, n](TObject*, bool& more) {
                if (cancel_in == n) raw->CancelRun();
                more = left[i]-- > 0;
            };
            reports.push_back(std::move(r));
        }
        chain.OnFillList = [this](TObject*) {
            for (auto& r : reports) chain.Reports.push_back(r.get());
        };
        chain.PrinterSettings()->PaperSize = TBRPaperSize::Custom;
        chain.EnsurePrinter(&none);
    }
};

TEST(ReportChain, OneOutputOnePageNumberingOneLastFooter) {
    struct Case {
        std::vector<int> records;
        int pages;
        std::vector<std::pair<int, int>> footers;
    };
    const std::vector<Case> cases = {
        // 5 + 5 + 5 details, four to a page: 4 pages, not 2 + 2 + 2.
        {{5, 5, 5}, 4, {{1, 1}, {2, 2}, {3, 3}, {3, 4}}},
        // Each report fills its pages exactly: the next one starts a new page.
        {{4, 4, 4}, 3, {{2, 1}, {3, 2}, {3, 3}}},
        {{9}, 3, {{1, 1}, {1, 2}, {1, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records.size());
        Chain t(c.records);
        std::vector<TObject*> after;
        t.chain.AfterReport = [&](TObject* sender) { after.push_back(sender); };
        t.chain.RunReportChain();
        TBRPrinter* printer = t.chain.ChainPrinter();
        ASSERT_NE(printer, nullptr);
        EXPECT_EQ(printer->State(), 2);
        EXPECT_EQ(printer->PageCount(), c.pages);
        EXPECT_EQ(t.footers, c.footers);
        ASSERT_EQ(after.size(), c.records.size() + 1);
        EXPECT_EQ(after.back(), &t.chain);
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            EXPECT_EQ(after[i], t.reports[i].get());
            EXPECT_EQ(t.reports[i]->Tag(), 0);  // put back after the run
            EXPECT_TRUE(t.reports[i]->Ready());
        }
    }
}

TEST(ReportChain, EmptyListBeginsNothingAndACancelledReportEndsTheChain) {
    Chain empty({});
    int events = 0;
    empty.chain.AfterReport = [&](TObject*) { ++events; };
    empty.chain.RunReportChain();
    EXPECT_EQ(empty.chain.ChainPrinter()->State(), 0);  // no output begun
    EXPECT_EQ(events, 0);

    Chain t({5, 5, 5});
    t.cancel_in = 2;
    std::vector<TObject*> after;
    t.chain.AfterReport = [&](TObject* sender) { after.push_back(sender); };
    t.chain.RunReportChain();
    EXPECT_EQ(t.chain.ChainPrinter(), nullptr);  // freed, not ended
    EXPECT_EQ(after, (std::vector<TObject*>{t.reports[0].get(), &t.chain}));
    EXPECT_EQ(t.left[2], 5);  // the third report never ran
}

// A report run from one of a chain part's events is a run of its own: the
// chain part goes on as a chain part and prints its column header on the
// page the report before it left open.
TEST(ReportChain, ARunInsideAChainPartLeavesTheChainPartAlone) {
    Chain t({5, 5});
    TBandReport& second = *t.reports[1];
    TBRCustomBand* heads = second.CreateStandardBand(rbColumnHeader);
    heads->Size()->SetCurrentUnit(TBRUnit::Native);
    heads->Size()->SetHeight(100);
    std::vector<int> head_pages;
    heads->AfterPrint = [&](TBRCustomBand*, bool printed) {
        if (printed) head_pages.push_back(second.PageCount());
    };
    TBandReport other(nullptr);
    other.CreateStandardBand(rbDetail);
    int other_records = 1;
    other.OnNeedData = [&](TObject*, bool& more) { more = other_records-- > 0; };
    RecordingOutput out(2100, 2970);
    const auto need = second.OnNeedData;
    bool ran = false;
    second.OnNeedData = [&, need](TObject* sender, bool& more) {
        if (!ran) {
            ran = true;
            other.RunReport(out);
        }
        need(sender, more);
    };
    t.chain.RunReportChain();
    EXPECT_TRUE(ran);
    EXPECT_EQ(other.PageCount(), 1);
    EXPECT_FALSE(other.CompositeRun());
    // Page 2 holds the first report's last detail, then the second's head
    // and three details; page 3 its head and last two.
    EXPECT_EQ(head_pages, (std::vector<int>{2, 3}));
    EXPECT_EQ(t.chain.ChainPrinter()->PageCount(), 3);
}

}  // namespace

// The chain's printer and a report's printer take the same job settings
// from their settings: page range and every device option.
TEST(ReportChain, ChainAndReportGiveTheirPrintersTheSameJobSettings) {
    Chain t({1});
    TBandReport& report = *t.reports.front();
    for (TBRPrinterSettings* s : {static_cast<TBRPrinterSettings*>(t.chain.PrinterSettings()),
                                  static_cast<TBRPrinterSettings*>(report.PrinterSettings())}) {
        s->FirstPage = 2;
        s->LastPage = 7;
        s->UseStandardprinter = false;
        s->PrintMetaFile = true;
        s->UseCustomBinCode = true;
        s->CustomBinCode = 261;
        s->UseCustomPaperCode = true;
        s->CustomPaperCode = 119;
        s->PrintQuality = -3;
        s->Collate = 1;
        s->ColorOption = 2;
        s->ExtendedDuplex = 3;
    }
    t.chain.RunReportChain();
    ASSERT_TRUE(report.CreateRunPrinter(&t.none));
    report.ApplyPrinterSettings();
    for (TBRPrinter* printer : {t.chain.ChainPrinter(), report.ReportPrinter()}) {
        ASSERT_NE(printer, nullptr);
        SCOPED_TRACE(printer == report.ReportPrinter() ? "report" : "chain");
        EXPECT_EQ(printer->FirstPage, 2);
        EXPECT_EQ(printer->LastPage, 7);
        const TPrinterSettings& d = printer->Settings();
        EXPECT_FALSE(d.UseStandardPrinter);
        EXPECT_TRUE(d.PrintMetafile);
        EXPECT_TRUE(d.UseCustomBinCode);
        EXPECT_EQ(d.CustomBinCode, 261);
        EXPECT_TRUE(d.UseCustomPaperCode);
        EXPECT_EQ(d.CustomPaperCode, 119);
        EXPECT_EQ(d.PrintQuality, -3);
        EXPECT_EQ(d.Collate, 1);
        EXPECT_EQ(d.ColorOption, 2);
        EXPECT_EQ(d.ExtendedDuplex, 3);
    }
}
