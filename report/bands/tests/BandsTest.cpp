#include "report/bands/tests/BandsFixture.h"

#include "tests/support/ScriptedHost.h"

using namespace bands_test;
using report::Rnd;

namespace {

std::vector<std::string> band_names(const TCustomBandReport& report) {
    std::vector<std::string> names;
    for (const TBRCustomBand* b : report.BandList()) names.push_back(b->Name());
    return names;
}

}  // namespace

TEST(Bands, NewBand) {
    TBRBand band(nullptr);
    EXPECT_EQ(band.Color(), report::rgb(255, 255, 255));
    EXPECT_TRUE(band.Enabled());
    EXPECT_EQ(band.Height(), 40);
    EXPECT_EQ(band.StreamedHeight, 40);
    EXPECT_EQ(band.Report(), nullptr);
    EXPECT_EQ(band.DetailController, nullptr);
    EXPECT_EQ(band.BandType(), rbTitle);
    EXPECT_FALSE(band.HasChild());
    // The size follows the control: 40 pixels high.
    band.Size()->SetCurrentUnit(TBRUnit::Pixels);
    EXPECT_NEAR(double(band.Size()->Height()), 40.0, 1e-9);
}

TEST(Bands, CaptionsAndDefaultNames) {
    struct Case {
        TBRBandType type;
        const char* caption;
        const char* name;
    } cases[] = {
        {rbTitle, "Title", "TitleBand"},
        {rbPageHeader, "Page Header", "PageHeaderBand"},
        {rbDetail, "Detail", "DetailBand"},
        {rbPageFooter, "Page Footer", "PageFooterBand"},
        {rbSummary, "Summary", "SummaryBand"},
        {rbGroupHeader, "Group Header", "GroupHeaderBand"},
        {rbGroupFooter, "Group Footer", "GroupFooterBand"},
        {rbSubDetail, "Sub Detail", "SubDetailBand"},
        {rbColumnHeader, "Column Header", "ColumnHeaderBand"},
        {rbOverlay, "Overlay", "OverlayBand"},
        {rbChild, "Child", "ChildBand"},
    };
    TBRBand band(nullptr);
    for (const Case& c : cases) {
        band.SetBandType(c.type);
        std::string caption, name;
        band.BandTypeCaption(caption);
        band.DefaultBandName(name);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(name, c.name);
    }
}

TEST(Bands, SizeAndBoundsStayInStep) {
    TBandReport report(nullptr);
    TBRCustomBand* band = report.CreateStandardBand(rbDetail);
    TBRBandSize& size = *band->Size();
    size.SetCurrentUnit(TBRUnit::MM);
    size.SetHeight(30);
    EXPECT_EQ(band->Height(), Rnd(300 * 96 / 254.0L));   // 113 pixels
    // Resizing the control writes the size in pixels.
    band->SetBounds(band->Left(), band->Top(), band->Width(), 200);
    EXPECT_EQ(band->Height(), 200);
    EXPECT_NEAR(double(size.NativeHeight()), 200 * 254 / 96.0, 1e-9);
    // Sound behaviour: moving a band keeps its stored height exactly.
    size.SetHeight(30);
    band->SetBounds(band->Left() + 5, band->Top() + 7, band->Width(), band->Height());
    EXPECT_EQ(size.NativeHeight(), 300.0L);
}

TEST(Bands, ZoomResizesTheBand) {
    TBandReport report(nullptr);
    TBRCustomBand* band = report.CreateStandardBand(rbDetail);
    band->Size()->SetCurrentUnit(TBRUnit::Inches);
    band->Size()->SetHeight(1);
    EXPECT_EQ(band->Height(), 96);
    report.SetZoom(200);
    EXPECT_EQ(band->Height(), 192);
    EXPECT_EQ(band->Size()->NativeHeight(), 254.0L);
}

TEST(Bands, ADroppedBandLandsOnTheReportNotInTheBand) {
    TBandReport report(nullptr);
    TBRCustomBand* a = report.CreateStandardBand(rbDetail);
    auto* b = new TBRBand(&report);
    b->SetParent(a);
    EXPECT_EQ(b->Parent(), &report);
    EXPECT_EQ(b->Report(), &report);
    EXPECT_EQ(report.BandList().size(), 2u);
}

TEST(Bands, CircularLinksAreRefused) {
    struct Case {
        bool designing;
        std::size_t messages;
    } cases[] = {{false, 0}, {true, 1}};
    for (const Case& c : cases) {
        test_support::ScriptedHost host;
        core::ScopedService scope(core::host_slot, &host);
        TBandReport report(nullptr);
        TBRCustomBand* a = report.CreateStandardBand(rbDetail);
        TBRCustomBand* b = report.CreateStandardBand(rbDetail);
        TBRCustomBand* d = report.CreateStandardBand(rbDetail);
        a->SetState(csDesigning, c.designing);
        b->SetLinkBand(d);
        d->SetLinkBand(a);
        a->SetLinkBand(b);   // a -> b -> d -> a
        EXPECT_EQ(a->LinkBand(), nullptr);
        a->SetLinkBand(a);
        EXPECT_EQ(a->LinkBand(), nullptr);
        ASSERT_EQ(host.information.size(), c.messages * 2);
        for (const std::string& text : host.information) EXPECT_EQ(text, "Circular linking not allowed");
        // A link that is not circular is stored, and cleared when its band goes.
        d->SetLinkBand(nullptr);
        a->SetLinkBand(b);
        EXPECT_EQ(a->LinkBand(), b);
        delete b;
        EXPECT_EQ(a->LinkBand(), nullptr);
    }
}

TEST(Bands, HeightWithLinksCountsEachLinkedBandOnce) {
    TBandReport report(nullptr);
    report.SetUnits(TBRUnit::Native);
    TBRCustomBand* a = report.CreateStandardBand(rbDetail);
    TBRCustomBand* b = report.CreateStandardBand(rbDetail);
    a->Size()->SetCurrentUnit(TBRUnit::Native);
    b->Size()->SetCurrentUnit(TBRUnit::Native);
    a->Size()->SetHeight(300);
    b->Size()->SetHeight(200);
    a->SetLinkBand(b);
    EXPECT_EQ(a->HeightWithLinks(false), 300.0L);
    EXPECT_EQ(a->HeightWithLinks(true), 500.0L);
}

TEST(Bands, ChildBands) {
    test_support::ScriptedHost host;
    core::ScopedService scope(core::host_slot, &host);
    TBandReport report(nullptr);
    TBRCustomBand* band = report.CreateStandardBand(rbDetail);
    band->SetHasChild(true);
    TBRCustomBand* child = band->FindChildBand();
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(band->HasChild());
    EXPECT_EQ(child->BandType(), rbChild);
    EXPECT_EQ(child->Name(), "");
    band->SetHasChild(true);   // already has one
    EXPECT_EQ(report.BandList().size(), 2u);
    child->SetHasChild(true);
    TBRCustomBand* grandchild = child->FindChildBand();
    ASSERT_NE(grandchild, nullptr);
    // The order keeps the chain together.
    EXPECT_EQ(report.BandList(), (std::vector<TBRCustomBand*>{band, child, grandchild}));
    // A parent band that would make the chain circular is refused.
    auto* g = dynamic_cast<TBRChildBand*>(grandchild);
    auto* c = dynamic_cast<TBRChildBand*>(child);
    c->SetState(csDesigning, true);
    c->SetParentBand(g);
    EXPECT_EQ(c->ParentBand(), band);
    EXPECT_EQ(host.information, std::vector<std::string>{"Circular linking not allowed"});
    // Switching the child off keeps the grandchild, now attached to the band.
    band->SetHasChild(false);
    EXPECT_EQ(band->FindChildBand(), grandchild);
    EXPECT_EQ(g->ParentBand(), band);
    EXPECT_EQ(report.BandList().size(), 2u);
}

TEST(Bands, AChildBandOffTheReportIgnoresItsParentBand) {
    TBRBand band(nullptr);
    TBRChildBand child(nullptr);
    child.SetParentBand(&band);
    EXPECT_EQ(child.ParentBand(), nullptr);
}

TEST(Bands, AChildBandMadeInTheDesignerIsNamed) {
    TBandReport report(nullptr);
    TBRCustomBand* band = report.CreateStandardBand(rbDetail);
    band->SetState(csDesigning, true);
    band->SetHasChild(true);
    EXPECT_EQ(band->FindChildBand()->Name(), "ChildBand1");
}

TEST(Bands, NumberedComponentNames) {
    TBandReport report(nullptr);
    auto* one = new TBRBand(&report);
    one->SetName("PageHeaderBand1");
    auto* three = new TBRBand(&report);
    three->SetName("PageHeaderBand3");
    EXPECT_EQ(NumberedComponentName(&report, "PageHeaderBand"), "PageHeaderBand2");
    EXPECT_EQ(NumberedComponentName(&report, "DetailBand"), "DetailBand1");
    EXPECT_EQ(report.CreateStandardBand(rbPageHeader)->Name(), "PageHeaderBand2");
}

TEST(Bands, BandOrder) {
    TBandReport report(nullptr);
    TBRCustomBand* overlay = report.CreateStandardBand(rbOverlay);
    report.CreateStandardBand(rbPageFooter);
    report.CreateStandardBand(rbSummary);
    report.CreateStandardBand(rbDetail);
    report.CreateStandardBand(rbColumnHeader);
    report.CreateStandardBand(rbTitle);
    report.CreateStandardBand(rbPageHeader);
    auto* sub = new TBRSubDetail(&report);
    sub->SetName("SubDetail1");
    sub->SetParent(&report);
    sub->Bands()->SetHasHeader(true);
    sub->Bands()->SetHasFooter(true);
    report.CreateStandardBand(rbDetail);   // a second detail band no controller uses
    EXPECT_EQ(band_names(report),
              (std::vector<std::string>{"PageHeaderBand1", "TitleBand1", "ColumnHeaderBand1", "DetailBand1",
                                        "GroupHeaderBand1", "SubDetail1", "GroupFooterBand1", "SummaryBand1",
                                        "PageFooterBand1", "OverlayBand1", "DetailBand2"}));
    // Printed before the detail, the sub-detail level moves up.
    sub->SetPrintBefore(true);
    EXPECT_EQ(band_names(report),
              (std::vector<std::string>{"PageHeaderBand1", "TitleBand1", "ColumnHeaderBand1", "GroupHeaderBand1",
                                        "SubDetail1", "GroupFooterBand1", "DetailBand1", "SummaryBand1",
                                        "PageFooterBand1", "OverlayBand1", "DetailBand2"}));
    (void)overlay;
}

TEST(Bands, ArrangeStacksBandsAndSizesThemByColumn) {
    TBandReport report(nullptr);
    TBRPage& page = *report.Page();
    page.SetCurrentUnit(TBRUnit::Pixels);
    page.SetLeftMargin(40);
    page.SetRightMargin(104);
    page.SetColumns(3);
    page.SetColumnSpace(10);
    // A4 is 794 pixels wide: printable width 794 - 144 = 650 pixels.
    TBRCustomBand* header = report.CreateStandardBand(rbPageHeader);
    TBRCustomBand* detail = report.CreateStandardBand(rbDetail);
    TBRCustomBand* footer = report.CreateStandardBand(rbPageFooter);
    footer->SetHasChild(true);
    detail->SetHasChild(true);
    const int column = (650 - 2 * 10) / 3;   // 210
    EXPECT_EQ(header->Width(), 650);
    EXPECT_EQ(detail->Width(), column);
    EXPECT_EQ(footer->Width(), 650);
    EXPECT_EQ(footer->FindChildBand()->Width(), 650);
    EXPECT_EQ(detail->FindChildBand()->Width(), column);
    // Stacked from the top margin in band-list order.
    int y = int(Rnd(page.TopMargin()));
    for (TBRCustomBand* b : report.BandList()) {
        EXPECT_EQ(b->Top(), y) << b->Name();
        EXPECT_EQ(b->Left(), 40) << b->Name();
        y += b->Height();
    }
}
