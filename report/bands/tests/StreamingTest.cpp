#include "report/bands/tests/BandsFixture.h"

#include "platform/core/FormResource.h"

#include <memory>

using namespace bands_test;

namespace {

struct MeasureScope {
    bool saved = ImperialMeasure();
    explicit MeasureScope(bool imperial) { report::SetImperialMeasure(imperial); }
    ~MeasureScope() { report::SetImperialMeasure(saved); }
};

std::unique_ptr<TBandReport> load(const std::string& json) {
    TComponent* c = core::read_component(json, nullptr);
    auto* report = dynamic_cast<TBandReport*>(c);
    if (!report) delete c;
    return std::unique_ptr<TBandReport>(report);
}

// A report with a band of every kind and most of their settings changed.
std::unique_ptr<TBandReport> every_kind_of_band() {
    auto report = std::make_unique<TBandReport>(nullptr);
    report->SetName("Report1");
    TBRPage& page = *report->Page();
    page.SetOrientation(poLandscape);
    page.SetPaperSize(TBRPaperSize::Letter);
    page.SetColumns(2);
    page.SetColumnSpace(3.3L);
    page.SetTopMargin(12.7L);
    report->SetUnits(TBRUnit::Inches);
    report->Options = 1 << Compression;
    report->Frame()->SetSide(0, true);
    report->Frame()->SetWidth(2);
    for (int i = 1; i <= 7; ++i) report->Bands()->SetBandPresent(i, true);
    TBRCustomBand* detail = report->Bands()->FindBandOfType(rbDetail);
    detail->Size()->SetCurrentUnit(TBRUnit::MM);
    detail->Size()->SetHeight(31.25L);
    detail->ForceNewPage = true;
    detail->KeepOnOnePage = true;
    detail->SetHasChild(true);
    TBRCustomBand* child = detail->FindChildBand();
    child->SetName("DetailChild");
    child->Size()->SetCurrentUnit(TBRUnit::Native);
    child->Size()->SetHeight(100.0L / 3);
    TBRCustomBand* title = report->Bands()->FindBandOfType(rbTitle);
    title->SetColor(report::rgb(1, 2, 3));
    title->TransparentBand = true;
    title->SetLinkBand(detail);
    title->Frame()->SetColor(report::rgb(9, 8, 7));
    title->Frame()->SetStyle(psDash);
    for (int side = 0; side < 4; ++side) title->Frame()->SetSide(side, true);
    TBRCustomBand* summary = report->Bands()->FindBandOfType(rbSummary);
    summary->AlignToBottom = true;
    summary->SetEnabled(false);
    TBRCustomBand* footer = report->Bands()->FindBandOfType(rbPageFooter);
    footer->SetHasChild(true);
    footer->FindChildBand()->SetName("FooterChild");
    report->Bands()->FindBandOfType(rbColumnHeader)->ForceNewColumn = true;
    report->Bands()->FindBandOfType(rbPageHeader)->PreCaluculateBandHeight = true;
    report->CreateStandardBand(rbOverlay);
    auto* sub = new TBRSubDetail(report.get());
    sub->SetName("SubDetail1");
    sub->SetParent(report.get());
    sub->Bands()->SetHasHeader(true);
    sub->Bands()->SetHasFooter(true);
    sub->SetPrintBefore(true);
    sub->SetPrintIfEmpty(false);
    auto* nested = new TBRSubDetail(report.get());
    nested->SetName("SubDetail2");
    nested->SetParent(report.get());
    nested->SetMaster(sub);
    return report;
}

}  // namespace

class Streaming : public ::testing::Test {
protected:
    void SetUp() override { report::register_report_classes(); }
};

TEST_F(Streaming, AReportWithEveryKindOfBandReadsBackByteForByte) {
    MeasureScope scope(false);
    auto report = every_kind_of_band();
    const std::string first = core::write_component(*report);
    auto loaded = load(first);
    ASSERT_NE(loaded, nullptr);
    const std::string second = core::write_component(*loaded);
    EXPECT_EQ(first, second);
    // The same bands in the same order, with their links.
    ASSERT_EQ(loaded->BandList().size(), report->BandList().size());
    for (std::size_t i = 0; i < report->BandList().size(); ++i) {
        EXPECT_EQ(loaded->BandList()[i]->Name(), report->BandList()[i]->Name());
        EXPECT_EQ(loaded->BandList()[i]->BandType(), report->BandList()[i]->BandType());
    }
    auto* sub = dynamic_cast<TBRSubDetail*>(loaded->FindComponent("SubDetail1"));
    auto* nested = dynamic_cast<TBRSubDetail*>(loaded->FindComponent("SubDetail2"));
    ASSERT_TRUE(sub && nested);
    EXPECT_EQ(nested->Master(), sub);
    EXPECT_EQ(sub->Master(), loaded.get());
    EXPECT_TRUE(sub->PrintBefore());
    EXPECT_FALSE(sub->PrintIfEmpty());
    EXPECT_EQ(sub->HeaderBand()->BandType(), rbGroupHeader);
    EXPECT_EQ(sub->FooterBand()->BandType(), rbGroupFooter);
    EXPECT_EQ(loaded->Bands()->FindBandOfType(rbTitle)->LinkBand(), loaded->Bands()->FindBandOfType(rbDetail));
    EXPECT_EQ(loaded->Bands()->FindBandOfType(rbDetail)->FindChildBand()->Name(), "DetailChild");
    EXPECT_EQ(loaded->Page()->PaperSize(), TBRPaperSize::Letter);
    EXPECT_EQ(loaded->Page()->Orientation(), poLandscape);
    EXPECT_EQ(loaded->Units(), TBRUnit::Inches);
}

TEST_F(Streaming, CustomPaperAndZoomReadBackByteForByte) {
    MeasureScope scope(false);
    auto report = every_kind_of_band();
    TBRPage& page = *report->Page();
    page.SetPaperSize(TBRPaperSize::Custom);
    page.SetCurrentUnit(TBRUnit::MM);
    page.SetWidth(123.4L);
    page.SetLength(234.5L);
    report->SetZoom(150);
    const std::string first = core::write_component(*report);
    auto loaded = load(first);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(core::write_component(*loaded), first);
    EXPECT_EQ(loaded->Zoom(), 150);
    EXPECT_EQ(loaded->Bands()->FindBandOfType(rbDetail)->Zoom(), 150);
    EXPECT_EQ(loaded->Page()->NativeValue(TBRPage::WidthIndex), report->Page()->NativeValue(TBRPage::WidthIndex));
    EXPECT_EQ(loaded->Width(), report->Width());
}

TEST_F(Streaming, ABandComesUpExactlyAsStored) {
    MeasureScope scope(false);
    auto report = every_kind_of_band();
    auto loaded = load(core::write_component(*report));
    ASSERT_NE(loaded, nullptr);
    for (const char* name : {"DetailBand1", "DetailChild", "TitleBand1", "FooterChild"}) {
        auto* a = dynamic_cast<TBRCustomBand*>(report->FindComponent(name));
        auto* b = dynamic_cast<TBRCustomBand*>(loaded->FindComponent(name));
        ASSERT_TRUE(a && b) << name;
        EXPECT_EQ(b->Size()->NativeHeight(), a->Size()->NativeHeight()) << name;
        EXPECT_EQ(b->Size()->NativeWidth(), a->Size()->NativeWidth()) << name;
        EXPECT_EQ(b->Height(), a->Height()) << name;
        EXPECT_EQ(b->Top(), a->Top()) << name;
        EXPECT_EQ(b->Color(), a->Color()) << name;
        EXPECT_EQ(b->Enabled(), a->Enabled()) << name;
    }
    auto* detail = dynamic_cast<TBRCustomBand*>(loaded->FindComponent("DetailBand1"));
    EXPECT_EQ(detail->Size()->NativeHeight(), 312.5L);
    EXPECT_TRUE(detail->ForceNewPage && detail->KeepOnOnePage);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(loaded->Page()->NativeValue(i), report->Page()->NativeValue(i)) << i;
}

// Many bands of their own heights, some with child bands: loaded, each
// stands where it stood on the report that was stored, in the same order.
TEST_F(Streaming, ManyBandsAreArrangedAsStored) {
    MeasureScope scope(false);
    auto report = every_kind_of_band();
    for (int i = 0; i < 60; ++i) {
        TBRCustomBand* band = report->CreateStandardBand(i % 3 ? rbDetail : rbGroupHeader);
        band->Size()->SetCurrentUnit(TBRUnit::MM);
        band->Size()->SetHeight(5 + i % 7 * 2.5L);
        if (i % 5 == 0) band->SetHasChild(true);
    }
    auto loaded = load(core::write_component(*report));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->BandList().size(), report->BandList().size());
    for (std::size_t i = 0; i < report->BandList().size(); ++i) {
        const TBRCustomBand* a = report->BandList()[i];
        const TBRCustomBand* b = loaded->BandList()[i];
        ASSERT_EQ(b->Name(), a->Name()) << i;
        EXPECT_EQ(b->Top(), a->Top()) << a->Name();
        EXPECT_EQ(b->Left(), a->Left()) << a->Name();
        EXPECT_EQ(b->Width(), a->Width()) << a->Name();
        EXPECT_EQ(b->Height(), a->Height()) << a->Name();
        const TBRCustomBand* child = a->FindChildBand();
        EXPECT_EQ(b->FindChildBand() ? b->FindChildBand()->Name() : "", child ? child->Name() : "") << a->Name();
    }
}

TEST_F(Streaming, AReportStoredInInchesKeepsItsNativeValuesOnAMetricSystem) {
    std::string json;
    std::vector<long double> values;
    {
        MeasureScope scope(true);
        TBandReport report(nullptr);
        report.Bands()->SetHasDetail(true);
        report.Bands()->FindBandOfType(rbDetail)->Size()->SetHeight(0.3L);
        for (int i = 0; i < 7; ++i) values.push_back(report.Page()->NativeValue(i));
        values.push_back(report.Bands()->FindBandOfType(rbDetail)->Size()->NativeHeight());
        json = core::write_component(report);
    }
    MeasureScope scope(false);
    auto loaded = load(json);
    ASSERT_NE(loaded, nullptr);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(loaded->Page()->NativeValue(i), values[std::size_t(i)]) << i;
    EXPECT_EQ(loaded->Bands()->FindBandOfType(rbDetail)->Size()->NativeHeight(), values[7]);
    EXPECT_EQ(loaded->Page()->PaperSize(), TBRPaperSize::Letter);
}

TEST_F(Streaming, ALoadedReportHasExactlyTheStoredBands) {
    TBandReport report(nullptr);
    report.Bands()->SetHasTitle(true);
    report.CreateStandardBand(rbTitle);
    const std::string json = core::write_component(report);
    EXPECT_EQ(json.find("HasTitle"), std::string::npos);
    auto loaded = load(json);
    ASSERT_NE(loaded, nullptr);
    int titles = 0;
    for (const TBRCustomBand* b : loaded->BandList()) titles += b->BandType() == rbTitle;
    EXPECT_EQ(titles, 2);
    EXPECT_EQ(loaded->BandList().size(), 2u);
}

TEST_F(Streaming, BadValuesAreRefusedWithAClearError) {
    TBandReport report(nullptr);
    report.Bands()->SetHasDetail(true);
    const std::string json = core::write_component(report);
    const std::size_t at = json.find("\"Values\"", json.find("TBRBand"));
    ASSERT_NE(at, std::string::npos);
    const std::size_t open = json.find('[', at);
    const std::size_t close = json.find(']', open);
    struct Case {
        std::string values;
        std::string message;
    } cases[] = {
        {"[\"abc\", \"10\"]", "'abc' is not a valid floating point value"},
        {"[\"1\", \"2\", \"3\"]", "Invalid property value"},
        {"[\"inf\", \"2\"]", "'inf' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        std::string bad = json.substr(0, open) + c.values + json.substr(close + 1);
        try {
            delete core::read_component(bad, nullptr);
            ADD_FAILURE() << c.values;
        } catch (const EReadError& e) {
            EXPECT_NE(std::string(e.Message()).find(c.message), std::string::npos) << e.Message();
        }
    }
}
