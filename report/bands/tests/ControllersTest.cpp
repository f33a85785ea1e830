#include "report/bands/tests/BandsFixture.h"

#include "tests/support/ScriptedHost.h"

using namespace bands_test;

namespace {

TBRSubDetail* sub_detail(TBandReport& report, const std::string& name) {
    auto* sub = new TBRSubDetail(&report);
    sub->SetName(name);
    sub->SetParent(&report);
    return sub;
}

int count_of_type(const TCustomBandReport& report, TBRBandType type) {
    int n = 0;
    for (const TBRCustomBand* b : report.BandList()) n += b->BandType() == type;
    return n;
}

}  // namespace

TEST(Controllers, ASubDetailDroppedOnAReportHasItAsMaster) {
    TBandReport report(nullptr);
    TBRSubDetail* a = sub_detail(report, "A");
    EXPECT_EQ(a->BandType(), rbSubDetail);
    EXPECT_EQ(a->Master(), &report);
    EXPECT_EQ(a->Controller()->Master(), &report);
    EXPECT_EQ(a->Controller()->Detail, a);
    // One whose master is set keeps it when reparented.
    TBRSubDetail* b = sub_detail(report, "B");
    b->SetMaster(a);
    b->SetParent(nullptr);
    b->SetParent(&report);
    EXPECT_EQ(b->Master(), a);
    // The report's controller finds the level under it, and that level its own.
    report.RebuildBandOrder();
    ASSERT_EQ(report.Controller()->AfterLevels.size(), 1u);
    EXPECT_EQ(report.Controller()->AfterLevels[0], a->Controller());
    ASSERT_EQ(a->Controller()->AfterLevels.size(), 1u);
    EXPECT_EQ(a->Controller()->AfterLevels[0], b->Controller());
}

TEST(Controllers, CircularMasterChainsAreRefused) {
    struct Case {
        bool designing;
        std::vector<std::string> messages;
    } cases[] = {{false, {}}, {true, {"Circular linking not allowed"}}};
    for (const Case& c : cases) {
        test_support::ScriptedHost host;
        core::ScopedService scope(core::host_slot, &host);
        TBandReport report(nullptr);
        TBRSubDetail* a = sub_detail(report, "A");
        TBRSubDetail* b = sub_detail(report, "B");
        TBRSubDetail* d = sub_detail(report, "D");
        a->SetState(csDesigning, c.designing);
        b->SetMaster(d);
        d->SetMaster(a);
        a->SetMaster(b);   // b's chain reaches a
        EXPECT_EQ(a->Master(), &report);
        EXPECT_EQ(host.information, c.messages);
        a->SetMaster(a);   // itself: ignored without a message
        EXPECT_EQ(a->Master(), &report);
        EXPECT_EQ(host.information, c.messages);
    }
}

TEST(Controllers, FreeingTheMasterClearsIt) {
    TBandReport report(nullptr);
    TBRSubDetail* a = sub_detail(report, "A");
    TBRSubDetail* b = sub_detail(report, "B");
    b->SetMaster(a);
    delete a;
    EXPECT_EQ(b->Master(), nullptr);
    EXPECT_EQ(b->Controller()->Master(), nullptr);
}

TEST(Controllers, GroupHeaderAndFooterSwitches) {
    TBandReport report(nullptr);
    TBRSubDetail* sub = sub_detail(report, "Sub");
    sub->Bands()->SetHasHeader(true);
    TBRCustomBand* header = sub->HeaderBand();
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(sub->Bands()->HasHeader());
    EXPECT_EQ(header->BandType(), rbGroupHeader);
    EXPECT_EQ(header->Name(), "GroupHeaderBand1");
    sub->Bands()->SetHasHeader(false);
    EXPECT_EQ(sub->HeaderBand(), nullptr);
    EXPECT_EQ(count_of_type(report, rbGroupHeader), 0);

    sub->Bands()->SetHasFooter(true);
    ASSERT_NE(sub->FooterBand(), nullptr);
    EXPECT_EQ(sub->FooterBand()->BandType(), rbGroupFooter);
    // Freeing the band by other means clears it too.
    delete sub->FooterBand();
    EXPECT_EQ(sub->FooterBand(), nullptr);
    EXPECT_FALSE(sub->Bands()->HasFooter());
}

TEST(Controllers, AnyBandGivenAsFooterBecomesAGroupFooter) {
    TBandReport report(nullptr);
    TBRSubDetail* sub = sub_detail(report, "Sub");
    TBRCustomBand* band = report.CreateStandardBand(rbSummary);
    sub->SetFooterBand(band);
    EXPECT_EQ(band->BandType(), rbGroupFooter);
    EXPECT_EQ(sub->FooterBand(), band);
    TBRCustomBand* other = report.CreateStandardBand(rbDetail);
    sub->SetHeaderBand(other);
    EXPECT_EQ(other->BandType(), rbGroupHeader);
}

TEST(Controllers, PrintBeforeAndPrintIfEmptyLiveInTheController) {
    TBandReport report(nullptr);
    TBRSubDetail* sub = sub_detail(report, "Sub");
    EXPECT_FALSE(sub->PrintBefore());
    EXPECT_TRUE(sub->PrintIfEmpty());
    sub->SetPrintBefore(true);
    EXPECT_TRUE(sub->Controller()->PrintBefore);
    report.RebuildBandOrder();
    EXPECT_EQ(report.Controller()->BeforeLevels.size(), 1u);
    EXPECT_TRUE(report.Controller()->AfterLevels.empty());
    sub->SetPrintIfEmpty(false);
    EXPECT_FALSE(sub->Controller()->PrintIfEmpty);
}

TEST(Controllers, StandardBandSwitches) {
    TBandReport report(nullptr);
    TBandReportBands& bands = *report.Bands();
    struct Case {
        int index;
        TBRBandType type;
    } cases[] = {{1, rbTitle}, {2, rbPageHeader}, {3, rbColumnHeader}, {4, rbDetail}, {6, rbPageFooter}, {7, rbSummary}};
    for (const Case& c : cases) {
        EXPECT_FALSE(bands.GetBandPresent(c.index));
        bands.SetBandPresent(c.index, true);
        bands.SetBandPresent(c.index, true);   // twice: still one band
        EXPECT_TRUE(bands.GetBandPresent(c.index));
        EXPECT_EQ(count_of_type(report, c.type), 1) << c.index;
        EXPECT_EQ(bands.BandByIndex(c.index)->BandType(), c.type);
    }
    // Index 5 is no band.
    bands.SetBandPresent(5, true);
    EXPECT_FALSE(bands.GetBandPresent(5));
    EXPECT_EQ(bands.BandByIndex(5), nullptr);
    EXPECT_EQ(bands.BandByIndex(9), bands.BandByIndex(7));
    for (const Case& c : cases) {
        bands.SetBandPresent(c.index, false);
        EXPECT_FALSE(bands.GetBandPresent(c.index));
    }
    EXPECT_TRUE(report.BandList().empty());
}

TEST(Controllers, HasTitleFalseFreesTheFirstOfTwoTitles) {
    TBandReport report(nullptr);
    report.Bands()->SetHasTitle(true);
    report.Bands()->SetHasTitle(true);
    ASSERT_EQ(count_of_type(report, rbTitle), 1);
    TBRCustomBand* second = report.CreateStandardBand(rbTitle);
    TBRCustomBand* first = report.Bands()->FindBandOfType(rbTitle);
    ASSERT_NE(first, second);
    report.Bands()->SetHasTitle(false);
    EXPECT_TRUE(report.Bands()->HasTitle());
    EXPECT_EQ(report.Bands()->FindBandOfType(rbTitle), second);
}

TEST(Controllers, TheReportBindsItsStandardBands) {
    TBandReport report(nullptr);
    report.Bands()->SetHasTitle(true);
    report.Bands()->SetHasDetail(true);
    report.Bands()->SetHasSummary(true);
    auto* controller = dynamic_cast<TBRController*>(report.Controller());
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->Header, report.Bands()->FindBandOfType(rbTitle));
    EXPECT_EQ(controller->Detail, report.Bands()->FindBandOfType(rbDetail));
    EXPECT_EQ(controller->Footer, report.Bands()->FindBandOfType(rbSummary));
}
