// The controls in stored layouts: every setting read back exactly, the
// "FontSize" entry, sizes from the Values list, and pixel bounds that the
// stored size decides.

#include "report/controls/tests/ControlsFixture.h"

#include "platform/core/FormResource.h"
#include "report/bands/BandRpt.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using namespace controls_test;

namespace {

struct Registered {
    Registered() {
        report::register_report_classes();
        report::RegisterControlClasses();
    }
};

std::unique_ptr<TBandReport> load(const std::string& json) {
    TComponent* c = core::read_component(json, nullptr);
    auto* report = dynamic_cast<TBandReport*>(c);
    if (!report) delete c;
    return std::unique_ptr<TBandReport>(report);
}

template <class T>
T* find(TComponent& root, const char* name) {
    return dynamic_cast<T*>(root.FindComponent(name));
}

// A report with a label, an expression and a shape on its detail band,
// most of their settings changed.
std::unique_ptr<TBandReport> layout() {
    auto report = std::make_unique<TBandReport>(nullptr);
    report->SetName("Report1");
    report->SetUnits(TBRUnit::MM);
    TBRCustomBand* detail = report->CreateStandardBand(rbDetail);
    auto* label = new TBRLabel(report.get());
    label->SetName("Title");
    label->SetParent(detail);
    label->SetCaption("Orders\r\nby customer");
    label->AutoSize = false;
    label->SetAutoStretch(true);
    label->SetWordWrap(false);
    label->SetAlignment(taCenter);
    label->SetTransparent(true);
    label->SetBiDiMode(bdRightToLeft);
    label->Font.Name = "Arial";
    label->Font.SetSize(14);
    label->Frame()->SetSide(1, true);
    label->Size()->SetCurrentUnit(TBRUnit::MM);
    label->Size()->SetLeft(12.5L);
    label->Size()->SetTop(1.0L / 3);
    label->Size()->SetWidth(80);
    label->Size()->SetHeight(9.75L);
    auto* expr = new TBRExpr(report.get());
    expr->SetName("Total");
    expr->SetParent(detail);
    expr->SetExpression("SUM([Amount])");
    expr->SetMask("#,##0.00");
    expr->SetMaster(report.get());
    expr->ResetAfterPrint = true;
    expr->SetAlignToBand(true);
    expr->SetAlignment(taRightJustify);
    auto* shape = new TBRShape(report.get());
    shape->SetName("Box");
    shape->SetParent(detail);
    shape->SetShape(brsRoundRect);
    shape->SetRoundFactor(0.125f);
    shape->Pen()->Width = 3;
    shape->Pen()->Style = psDash;
    shape->Brush()->Style = bsClear;
    shape->VertAdjust = 7;
    return report;
}

}  // namespace

TEST(ControlStreaming, LayoutsReadBackExactly) {
    ScopedFontEngine fonts;
    Registered registered;
    auto original = layout();
    const std::string json = core::write_component(*original);
    auto loaded = load(json);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(core::write_component(*loaded), json);

    auto* label = find<TBRLabel>(*loaded, "Title");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), "Orders\r\nby customer");
    EXPECT_FALSE(label->AutoSize);
    EXPECT_TRUE(label->AutoStretch());
    EXPECT_FALSE(label->WordWrap());
    EXPECT_EQ(label->Alignment(), taCenter);
    EXPECT_TRUE(label->Transparent());
    EXPECT_EQ(label->BiDiMode(), bdRightToLeft);
    EXPECT_FALSE(label->ParentBiDiMode());
    EXPECT_EQ(label->Font.Size(), 14);
    EXPECT_TRUE(label->Frame()->DrawBottom());
    EXPECT_EQ(label->Size()->NativeTop(), find<TBRLabel>(*original, "Title")->Size()->NativeTop());
    EXPECT_EQ(label->Parent(), loaded->FindBand(rbDetail));

    auto* expr = find<TBRExpr>(*loaded, "Total");
    ASSERT_NE(expr, nullptr);
    EXPECT_EQ(expr->Expression(), "SUM([Amount])");
    EXPECT_EQ(expr->Mask(), "#,##0.00");
    EXPECT_EQ(expr->Master(), loaded.get());
    EXPECT_TRUE(expr->ResetAfterPrint);
    EXPECT_TRUE(expr->AlignToBand);
    EXPECT_EQ(expr->Alignment(), taRightJustify);

    auto* shape = find<TBRShape>(*loaded, "Box");
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->Shape(), brsRoundRect);
    EXPECT_EQ(shape->RoundFactor(), 0.125f);
    EXPECT_EQ(shape->Pen()->Width, 3);
    EXPECT_EQ(shape->Pen()->Style, psDash);
    EXPECT_EQ(shape->Brush()->Style, bsClear);
    EXPECT_EQ(shape->VertAdjust, 7);
    EXPECT_EQ(shape->Width(), 65);
}

TEST(ControlStreaming, StoredEntries) {
    ScopedFontEngine fonts;
    Registered registered;
    auto report = layout();
    const nlohmann::json doc = nlohmann::json::parse(core::write_component(*report));
    std::map<std::string, nlohmann::json> props;
    for (const auto& band : doc["children"])
        for (const auto& c : band.value("children", nlohmann::json::array()))
            props[c["name"].get<std::string>()] = c["properties"];
    ASSERT_EQ(props.size(), 3u);
    // The label and the expression always write their font's size.
    EXPECT_EQ(props["Title"]["FontSize"], 14);
    EXPECT_EQ(props["Total"]["FontSize"], TFont().Size());
    EXPECT_FALSE(props["Total"].contains("Caption"));
    EXPECT_FALSE(props["Box"].contains("FontSize"));
    // Sizes are the four native values: Height, Left, Top, Width.
    const auto values = props["Title"]["Size"]["Values"];
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].get<std::string>(), "97.5");
    EXPECT_EQ(values[1].get<std::string>(), "125");
    EXPECT_EQ(values[3].get<std::string>(), "800");
    // A shape of the default 65 x 65 pixels stores no Width or Height.
    EXPECT_FALSE(props["Box"].contains("Width"));
    EXPECT_FALSE(props["Box"].contains("Height"));
}

TEST(ControlStreaming, LoadingTakesTheStoredSizeAndFontSize) {
    ScopedFontEngine fonts;
    Registered registered;
    struct Case {
        const char* name;
        const char* properties;
        int left, top, width, height, font_size;
    };
    // 254 native units are 96 pixels; pixel bounds are kept only where the
    // size leaves a side at 0 (Left 0 is no pending value).
    const std::vector<Case> cases = {
        {"the size decides over pixel bounds", R"("Left": 0, "Top": 5, "Width": 10, "Height": 30,
           "Size": {"Values": ["127", "254", "0", "508"]})", 96, 5, 192, 48, 8},
        {"pixels where the size leaves zero", R"("Left": 40, "Top": 7, "AutoSize": false,
           "Size": {"Values": ["127", "0", "0", "508"]})", 40, 7, 192, 48, 8},
        {"the FontSize entry sets the font", R"("FontSize": 20, "AutoSize": false,
           "Size": {"Values": ["127", "254", "127", "508"]})", 96, 48, 192, 48, 20},
        {"a FontSize of 0 leaves the font", R"("FontSize": 0, "Font": {"Height": -16}, "AutoSize": false,
           "Size": {"Values": ["127", "254", "127", "508"]})", 96, 48, 192, 48, 12},
    };
    for (const Case& c : cases) {
        const std::string json = std::string(R"({"class": "TBandReport", "name": "Report1", "children": [
            {"class": "TBRBand", "name": "DetailBand1", "properties": {"BandType": "rbDetail"}, "children": [
              {"class": "TBRLabel", "name": "L", "properties": {"AutoSize": false, )") +
                                 c.properties + "}}]}]}";
        auto report = load(json);
        ASSERT_NE(report, nullptr) << c.name;
        auto* label = find<TBRLabel>(*report, "L");
        ASSERT_NE(label, nullptr) << c.name;
        EXPECT_EQ(label->Left(), c.left) << c.name;
        EXPECT_EQ(label->Top(), c.top) << c.name;
        EXPECT_EQ(label->Width(), c.width) << c.name;
        EXPECT_EQ(label->Height(), c.height) << c.name;
        EXPECT_EQ(label->Font.Size(), c.font_size) << c.name;
    }
}

TEST(ControlStreaming, BadSizesAreRefusedWhole) {
    Registered registered;
    for (const char* values : {R"(["1", "2", "3", "4", "5"])", R"(["1", "x", "3", "4"])", R"(["nan"])"}) {
        const std::string json = std::string(R"({"class": "TBandReport", "name": "Report1", "children": [
            {"class": "TBRShape", "name": "S", "properties": {"Size": {"Values": )") +
                                 values + "}}}]}";
        EXPECT_THROW(core::read_component(json, nullptr), EReadError) << values;
    }
}
