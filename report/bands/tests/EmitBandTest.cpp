#include "report/bands/tests/BandsFixture.h"

using namespace bands_test;
using report::Rnd;

namespace {

const TColor kBackground = report::rgb(200, 220, 255);
const TColor kFrame = report::rgb(255, 0, 0);

int fills_of(const RecordingCanvas& page, TColor color) {
    int n = 0;
    for (const Fill& f : page.fills) n += f.color == color;
    return n;
}

void frame_all_sides(TBRCustomBand* band) {
    band->Frame()->SetColor(kFrame);
    for (int side = 0; side < 4; ++side) band->Frame()->SetSide(side, true);
}

}  // namespace

// The page used below: 2100 x 2970 native units, 100 margins, so a page
// holds 2770 native units from Y = 100 to 2870.

TEST(EmitBand, ForceNewPageStartsAPageForEveryRecordButTheFirst) {
    RunFixture run;
    TBRCustomBand* detail = run.band(rbDetail, 100);
    detail->ForceNewPage = true;
    run.begin();
    for (int i = 0; i < 3; ++i) run.report.PrintBand(detail);
    EXPECT_EQ(run.report.PageCount(), 3);
    EXPECT_EQ(run.report.CurrentY(), 200);
    run.finish();
}

TEST(EmitBand, ForceNewPageHasNoEffectOnPageBands) {
    for (TBRBandType type : {rbTitle, rbPageHeader, rbPageFooter, rbOverlay}) {
        RunFixture run;
        TBRCustomBand* band = run.band(type, 100);
        band->ForceNewPage = true;
        run.begin();
        run.report.PrintBand(band);
        run.report.PrintBand(band);
        EXPECT_EQ(run.report.PageCount(), 1) << int(type);
        run.finish();
    }
}

TEST(EmitBand, ForceNewColumnMovesToTheNextColumn) {
    RunFixture run;
    run.report.Page()->SetColumns(2);
    TBRCustomBand* detail = run.band(rbDetail, 100);
    detail->ForceNewColumn = true;
    run.begin();
    run.report.PrintBand(detail);   // opens page 1 in the last column's turn
    run.report.PrintBand(detail);   // the first request in column 1 only marks it
    EXPECT_EQ(run.report.CurrentColumn(), 1);
    EXPECT_TRUE(run.report.ColumnStarted());
    run.report.PrintBand(detail);   // column 2
    EXPECT_EQ(run.report.CurrentColumn(), 2);
    EXPECT_EQ(run.report.CurrentX(), 100 + Rnd(detail->Size()->NativeWidth()));
    EXPECT_EQ(run.report.PageCount(), 1);
    run.report.PrintBand(detail);   // page 2
    EXPECT_EQ(run.report.PageCount(), 2);
    EXPECT_EQ(run.report.CurrentColumn(), 1);
    run.finish();
}

TEST(EmitBand, FitTestCountsLinkedBands) {
    struct Case {
        bool linked;
        int pages;
    } cases[] = {{false, 1}, {true, 2}};
    for (const Case& c : cases) {
        RunFixture run;
        TBRCustomBand* filler = run.band(rbDetail, 2370);   // leaves 400 (40 mm)
        TBRCustomBand* band = run.band(rbDetail, 300);
        TBRCustomBand* linked = run.band(rbDetail, 200);
        if (c.linked) band->SetLinkBand(linked);
        run.begin();
        run.report.PrintBand(filler);
        ASSERT_EQ(run.report.AvailableSpace(), 400);
        run.report.PrintBand(band);
        EXPECT_EQ(run.report.PageCount(), c.pages) << c.linked;
        run.finish();
    }
}

TEST(EmitBand, KeepOnOnePageBreaksEvenWhenTheFitTestDoesNot) {
    RunFixture run;
    TBRCustomBand* first = run.band(rbDetail, 500);
    TBRCustomBand* tall = run.band(rbDetail, 3000);   // taller than the printable page
    tall->KeepOnOnePage = true;
    run.begin();
    run.report.PrintBand(first);
    run.report.PrintBand(tall);
    EXPECT_EQ(run.report.PageCount(), 2);
    EXPECT_EQ(run.report.CurrentY(), 100 + 3000);
    run.finish();
}

// Sound behaviour: a band that cannot fit even on an empty page does not
// break it (no empty page, no endless breaking); it prints clipped at the
// page's printable bottom.
TEST(EmitBand, ABandTallerThanAnEmptyPagePrintsClippedOnce) {
    for (bool keep : {false, true}) {
        RunFixture run;
        TBRCustomBand* tall = run.band(rbDetail, 3000);
        tall->KeepOnOnePage = keep;
        tall->SetColor(kBackground);
        TBRCustomBand* next = run.band(rbDetail, 100);
        run.begin();
        run.report.PrintBand(tall);
        EXPECT_EQ(run.report.PageCount(), 1) << keep;
        const RecordingCanvas& page = run.output->page(1);
        ASSERT_EQ(fills_of(page, kBackground), 1);
        const Fill& fill = page.fills[0];
        EXPECT_EQ(fill.rect.Bottom, Rnd(3100 * 96 / 254.0L));
        EXPECT_EQ(fill.shown.Bottom, Rnd(2871 * 96 / 254.0L));
        run.report.PrintBand(next);   // the run goes on, on the next page
        EXPECT_EQ(run.report.PageCount(), 2);
        run.finish();
    }
}

TEST(EmitBand, APageHeaderThatLeavesNoRoomDoesNotBreakForEver) {
    RunFixture run;
    TBRCustomBand* header = run.band(rbPageHeader, 2000);
    run.band(rbPageFooter, 1000);
    TBRCustomBand* detail = run.band(rbDetail, 100);
    run.begin();
    run.report.PrintBand(detail);
    run.report.PrintBand(detail);
    EXPECT_EQ(run.report.PageCount(), 2);
    run.finish();
    (void)header;
}

TEST(EmitBand, ABandThatDoesNotFitBelowTheTitleMovesToTheNextPage) {
    RunFixture run;
    TBRCustomBand* title = run.band(rbTitle, 2500);
    TBRCustomBand* detail = run.band(rbDetail, 500);
    run.begin();
    run.report.PrintBand(title);
    run.report.PrintBand(detail);
    EXPECT_EQ(run.report.PageCount(), 2);
    EXPECT_EQ(run.report.CurrentY(), 600);
    run.finish();
}

TEST(EmitBand, AFirstBandTallerThanThePageStillOpensPageOne) {
    RunFixture run;
    TBRCustomBand* tall = run.band(rbDetail, 5000);
    run.begin();
    run.report.PrintBand(tall);
    EXPECT_EQ(run.report.PageCount(), 1);
    run.finish();
}

TEST(EmitBand, AStretchingBandSpreadsOverThreePages) {
    RunFixture run;
    TBRCustomBand* band = run.band(rbDetail, 100);
    band->SetColor(kBackground);
    frame_all_sides(band);
    auto* text = new LinesPrintable(&run.report, 5, 1000);   // two lines a page
    text->SetParent(band);
    auto* once = new LinesPrintable(&run.report, 1, 50);
    once->SetParent(band);
    run.begin();
    run.report.PrintBand(band);
    EXPECT_EQ(run.report.PageCount(), 3);
    // Background once, on the first page; the frame on each page.
    const int frame_fills[] = {4, 4, 4};
    for (int p = 1; p <= 3; ++p) {
        EXPECT_EQ(fills_of(run.output->page(p), kBackground), p == 1 ? 1 : 0) << p;
        EXPECT_EQ(fills_of(run.output->page(p), kFrame), frame_fills[p - 1]) << p;
    }
    std::vector<int> pages;
    for (const auto& l : text->printed) pages.push_back(l.page);
    EXPECT_EQ(pages, (std::vector<int>{1, 1, 2, 2, 3}));
    // On each continuation page the band restarts at the top.
    EXPECT_EQ(text->printed[2].y, 100.0L);
    EXPECT_EQ(text->printed[4].y, 100.0L);
    // The control that finished on page 1 does not print again.
    ASSERT_EQ(once->printed.size(), 1u);
    EXPECT_EQ(once->printed[0].page, 1);
    // On the last page the band takes only its last line, not its design
    // height again, and ends below it.
    EXPECT_EQ(run.report.CurrentY(), 100 + 1000);
    EXPECT_EQ(band->Size()->NativeHeight(), 100.0L);
    // The frame of the last page reaches the grown height.
    const RecordingCanvas& last = run.output->page(3);
    int left_bottom = 0;
    for (const Fill& f : last.fills)
        if (f.color == kFrame && f.rect.Left == Rnd(100 * 96 / 254.0L) && f.rect.Width() == 1) left_bottom = f.rect.Bottom;
    EXPECT_EQ(left_bottom, Rnd((100 + 1000 + 1) * 96 / 254.0L));
    run.finish();
}

// Sound behaviour: a stretching line taller than a page prints once, on a
// fresh page, clipped, and the run goes on.
TEST(EmitBand, ALineTallerThanAPagePrintsClippedOnce) {
    RunFixture run;
    TBRCustomBand* first = run.band(rbDetail, 500);
    TBRCustomBand* band = run.band(rbDetail, 100);
    frame_all_sides(band);
    auto* text = new LinesPrintable(&run.report, 1, 4000);
    text->SetParent(band);
    TBRCustomBand* after = run.band(rbDetail, 100);
    run.begin();
    run.report.PrintBand(first);
    run.report.PrintBand(band);
    ASSERT_EQ(text->printed.size(), 1u);
    EXPECT_EQ(text->printed[0].page, 2);
    EXPECT_EQ(run.report.PageCount(), 2);
    for (const Fill& f : run.output->page(2).fills) EXPECT_LE(f.shown.Bottom, Rnd(2871 * 96 / 254.0L));
    run.report.PrintBand(after);
    EXPECT_EQ(run.report.PageCount(), 3);
    run.finish();
}

TEST(EmitBand, ATransparentBandHasNoBackgroundButItsFrame) {
    RunFixture run;
    TBRCustomBand* band = run.band(rbDetail, 300);
    band->SetColor(kBackground);
    band->TransparentBand = true;
    frame_all_sides(band);
    run.begin();
    run.report.PrintBand(band);
    EXPECT_EQ(fills_of(run.output->page(1), kBackground), 0);
    EXPECT_EQ(fills_of(run.output->page(1), kFrame), 4);
    run.finish();
}

TEST(EmitBand, ADeclinedBandStillPrintsItsChild) {
    RunFixture run;
    TBRCustomBand* band = run.band(rbDetail, 300);
    band->SetHasChild(true);
    TBRCustomBand* child = band->FindChildBand();
    child->Size()->SetCurrentUnit(TBRUnit::Native);
    child->Size()->SetHeight(150);
    std::vector<bool> after;
    band->BeforePrint = [](TBRCustomBand*, bool& print) { print = false; };
    band->AfterPrint = [&after](TBRCustomBand*, bool printed) { after.push_back(printed); };
    run.begin();
    run.report.PrintBand(band);
    EXPECT_EQ(after, std::vector<bool>{false});
    EXPECT_EQ(run.report.PageCount(), 1);
    EXPECT_EQ(run.report.CurrentY(), 100 + 150);   // only the child advanced
    run.finish();
}

TEST(EmitBand, APageFootersChildPrintsAsAPageFooter) {
    RunFixture run;
    TBRCustomBand* footer = run.band(rbPageFooter, 200);
    footer->SetHasChild(true);
    TBRCustomBand* child = footer->FindChildBand();
    child->Size()->SetCurrentUnit(TBRUnit::Native);
    child->Size()->SetHeight(100);
    std::vector<TBRBandType> seen;
    child->BeforePrint = [&seen](TBRCustomBand* sender, bool&) { seen.push_back(sender->BandType()); };
    TBRCustomBand* detail = run.band(rbDetail, 100);
    run.begin();
    EXPECT_EQ(run.report.PageFooterHeight(), 300.0L);
    run.report.PrintBand(detail);
    run.finish();
    EXPECT_EQ(seen, std::vector<TBRBandType>{rbPageFooter});
    EXPECT_EQ(child->BandType(), rbChild);
}

TEST(EmitBand, DisabledDetailBandsStillNotifyTheirController) {
    struct Listener : report::Printable {
        using report::Printable::Printable;
        int told = 0;
        void LevelNotification(TComponent*, std::uint8_t code) override { told += code == 0; }
    };
    RunFixture run;
    TBRCustomBand* detail = run.band(rbDetail, 100);
    auto* controller = dynamic_cast<TBRController*>(run.report.Controller());
    Listener listener(nullptr);
    controller->AddDetailListener(&listener);
    detail->DetailController = controller;
    run.begin();
    run.report.PrintBand(detail);
    detail->SetEnabled(false);
    run.report.PrintBand(detail);
    detail->SetEnabled(true);
    detail->BeforePrint = [](TBRCustomBand*, bool& print) { print = false; };
    run.report.PrintBand(detail);   // declined: not told
    EXPECT_EQ(listener.told, 2);
    run.finish();
}

TEST(EmitBand, GrowBand) {
    RunFixture run;
    TBRCustomBand* band = run.band(rbDetail, 100);
    run.begin();
    run.report.PrintBand(run.band(rbDetail, 100));   // page 1, Y = 200; 2670 left
    long double top = 0;
    bool grown = false;
    band->Expanded = 0;
    EXPECT_FALSE(band->GrowBand(500, top, grown));
    EXPECT_EQ(band->Expanded, 500.0L);
    EXPECT_TRUE(grown);
    // A smaller growth of a control that has not grown yet keeps the band as it is.
    grown = false;
    EXPECT_TRUE(band->GrowBand(200, top, grown));
    EXPECT_EQ(top, 500.0L);
    EXPECT_EQ(band->Expanded, 500.0L);
    // No room: nothing changes.
    EXPECT_FALSE(band->RoomForGrowth(3000));
    EXPECT_FALSE(band->GrowBand(3000, top, grown));
    EXPECT_EQ(band->Expanded, 500.0L);
    band->Expanded = 0;
    run.finish();
}
