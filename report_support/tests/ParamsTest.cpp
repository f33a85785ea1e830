#include "report_support/RSPDFFilter.h"
#include "report_support/RSPrintDialog.h"
#include "report_support/RSSaveDialog.h"
#include "report_support/Startup.h"

#include "platform/core/FormResource.h"

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "report_support/tests/FilterClasses.h"

using namespace report_support;
using rs_test::TTestPrintFilter;
using rs_test::TTestReportForm;
using rs_test::TTestSaveFilter;

namespace {

class ParamsTest : public ::testing::Test {
protected:
    void SetUp() override {
        unit_startup();
        RegisterClasses({TTestReportForm::StaticClass(), TTestPrintFilter::StaticClass(),
                         TTestSaveFilter::StaticClass(), PdfSettings::StaticClass()});
    }
    void TearDown() override { unit_shutdown(); }

public:
    // A component holding the two PDF settings objects, to store them.
    class PdfSettings : public TComponent {
    public:
        using TComponent::TComponent;
        static TClass StaticClass() {
            static const TClassInfo info = core::ClassBuilder<PdfSettings, TComponent>("TTestPdfSettings")
                                               .Object("DocumentInfo", &PdfSettings::info_ptr)
                                               .Object("TextControl", &PdfSettings::text_ptr)
                                               .Build();
            return &info;
        }
        TClass ClassType() const override { return StaticClass(); }
        TRSPDFFilterDocumentInfo info;
        TRSPDFFilterTextControl text;

    private:
        TRSPDFFilterDocumentInfo* info_ptr() const { return const_cast<TRSPDFFilterDocumentInfo*>(&info); }
        TRSPDFFilterTextControl* text_ptr() const { return const_cast<TRSPDFFilterTextControl*>(&text); }
    };
};

// Stores `root` and reads it back as a new tree.
std::unique_ptr<TComponent> round_trip(const TComponent& root, std::string* json = nullptr) {
    const std::string text = core::write_component(root);
    if (json) *json = text;
    return std::unique_ptr<TComponent>(core::read_component(text, nullptr));
}

}  // namespace

TEST_F(ParamsTest, WritingMaxPageCarriesARangeThatRanToTheLastPage) {
    struct Case {
        int max_page, to_page, new_max, to_after;
    } cases[] = {
        {10, 10, 12, 12},
        {10, 5, 12, 5},
        {10, 10, 3, 3},
        {0, 0, 7, 7},
        {10, 11, 12, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "MaxPage " << c.max_page << ", ToPage " << c.to_page << ", new MaxPage "
                                        << c.new_max);
        TRSPrintParams print(nullptr);
        TRSSaveParams save(nullptr);
        print.SetMaxPage(c.max_page);
        print.SetToPage(c.to_page);
        save.SetMaxPage(c.max_page);
        save.SetToPage(c.to_page);
        print.SetMaxPage(c.new_max);
        save.SetMaxPage(c.new_max);
        EXPECT_EQ(print.ToPage(), c.to_after);
        EXPECT_EQ(save.ToPage(), c.to_after);
        EXPECT_EQ(print.MaxPage(), c.new_max);
        EXPECT_EQ(save.MaxPage(), c.new_max);
    }
}

TEST_F(ParamsTest, DefaultsAfterStartUp) {
    ASSERT_NE(DefaultPrintParams(), nullptr);
    ASSERT_NE(DefaultSaveParams(), nullptr);
    EXPECT_EQ(DefaultPrintParams()->Copies(), 1);
    EXPECT_EQ(DefaultPrintParams()->Options(),
              PrintOption(rpoPrintToFile) | PrintOption(rpoPageNums) | PrintOption(rpoSelection) |
                  PrintOption(rpoWarning) | PrintOption(rpoDisablePrintToFile));
    EXPECT_EQ(DefaultPrintParams()->Owner(), nullptr);
    EXPECT_EQ(DefaultSaveParams()->Options(), 0);
    EXPECT_EQ(DefaultSaveParams()->Owner(), nullptr);

    const TRSPDFFilterDocumentInfo* info = DefaultPdfDocumentInfo();
    ASSERT_NE(info, nullptr);
    const std::string version = std::string("ReportSupport v") + "3" + "." + "23";
    EXPECT_EQ(info->Creator.substr(0, version.size()), version);
    EXPECT_GT(info->Creator.size(), version.size()) << "the library's notice follows the version";
    for (const std::string* s : {&info->Title, &info->Subject, &info->Author, &info->KeyWords, &info->Producer})
        EXPECT_EQ(*s, "");
    ASSERT_NE(DefaultPdfTextControl(), nullptr);
    EXPECT_TRUE(DefaultPdfTextControl()->FormFeed);
    EXPECT_FALSE(DefaultPdfTextControl()->WordWrap);
    EXPECT_EQ(DefaultPdfTextControl()->TabSize, 8);
}

TEST(ParamsStartUp, DefaultsExistOnlyBetweenStartUpAndShutDown) {
    EXPECT_EQ(DefaultPrintParams(), nullptr);
    unit_startup();
    EXPECT_NE(DefaultPrintParams(), nullptr);
    unit_shutdown();
    EXPECT_EQ(DefaultPrintParams(), nullptr);
    EXPECT_EQ(DefaultSaveParams(), nullptr);
    EXPECT_EQ(DefaultPdfDocumentInfo(), nullptr);
    EXPECT_EQ(DefaultPdfTextControl(), nullptr);
    EXPECT_EQ(GetClass("TRSPrintParams"), nullptr);
}

// Parameters stored in a form resource read back as they were, their filter
// found again by name.
TEST_F(ParamsTest, StoredParametersReadBack) {
    struct Case {
        const char* what;
        int copies, max_page, to_page;
        bool copies_stored;
    } cases[] = {
        {"one copy", 1, 0, 0, false},
        {"three copies", 3, 0, 0, true},
        {"a range to the last page", 1, 10, 10, false},
        {"a range short of the last page", 1, 10, 4, false},
        {"no range with a last page", 2, 10, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTestReportForm form(nullptr);
        form.SetName("Report1");
        auto* print_filter = new TTestPrintFilter(&form);
        print_filter->SetName("PdfOut");
        auto* save_filter = new TTestSaveFilter(&form);
        save_filter->SetName("BrpOut");
        auto* print = new TRSPrintParams(&form);
        print->SetName("PrintParams1");
        print->SetCopies(c.copies);
        print->SetMaxPage(c.max_page);
        print->SetToPage(c.to_page);
        print->SetFromPage(2);
        print->SetPrintRange(rprPageNums);
        print->SetOrientation(poLandscape);
        print->SetOptions(PrintOption(rpoHelp) | PrintOption(rpoDisableCopies));
        print->SetFileName("relatório.prn");
        print->SetFilter(print_filter);
        auto* save = new TRSSaveParams(&form);
        save->SetName("SaveParams1");
        save->SetMaxPage(c.max_page);
        save->SetToPage(c.to_page);
        save->SetOptions(1);
        save->SetSaveInBackground(true);
        save->SetFilter(save_filter);

        std::string json;
        auto back = round_trip(form, &json);
        const auto doc = nlohmann::json::parse(json);
        EXPECT_EQ(doc["children"][2]["properties"].contains("Copies"), c.copies_stored);
        auto* p = dynamic_cast<TRSPrintParams*>(back->FindComponent("PrintParams1"));
        auto* s = dynamic_cast<TRSSaveParams*>(back->FindComponent("SaveParams1"));
        ASSERT_NE(p, nullptr);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(p->Copies(), c.copies);
        EXPECT_EQ(p->MaxPage(), c.max_page);
        EXPECT_EQ(p->ToPage(), c.to_page);
        EXPECT_EQ(p->FromPage(), 2);
        EXPECT_EQ(p->PrintRange(), rprPageNums);
        EXPECT_EQ(p->Orientation(), poLandscape);
        EXPECT_EQ(p->Options(), PrintOption(rpoHelp) | PrintOption(rpoDisableCopies));
        EXPECT_EQ(p->FileName(), "relatório.prn");
        EXPECT_EQ(p->Filter(), back->FindComponent("PdfOut"));
        EXPECT_EQ(s->MaxPage(), c.max_page);
        EXPECT_EQ(s->ToPage(), c.to_page);
        EXPECT_EQ(s->Options(), 1);
        EXPECT_TRUE(s->SaveInBackground());
        EXPECT_EQ(s->Filter(), back->FindComponent("BrpOut"));
        // The read filters are watched like assigned ones.
        delete back->FindComponent("PdfOut");
        EXPECT_EQ(p->Filter(), nullptr);
    }
}

TEST_F(ParamsTest, AFilterOfTheWrongBranchIsRefused) {
    const std::string json = R"({"class": "TTestReportForm", "name": "Report1", "children": [
        {"class": "TTestSaveFilter", "name": "BrpOut"},
        {"class": "TRSPrintParams", "name": "PrintParams1", "properties": {"Filter": "BrpOut"}}]})";
    EXPECT_THROW(core::read_component(json, nullptr), EReadError);
}

TEST_F(ParamsTest, PdfSettingsAreStoredAndReadBack) {
    PdfSettings settings(nullptr);
    settings.info.Assign(DefaultPdfDocumentInfo());
    settings.info.Title = "Relatório de cobrança";
    settings.text.Assign(DefaultPdfTextControl());
    settings.text.WordWrap = true;
    settings.text.TabSize = 4;
    auto back = round_trip(settings);
    auto* read = dynamic_cast<PdfSettings*>(back.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->info.Creator, DefaultPdfDocumentInfo()->Creator);
    EXPECT_EQ(read->info.Title, "Relatório de cobrança");
    EXPECT_TRUE(read->text.FormFeed);
    EXPECT_TRUE(read->text.WordWrap);
    EXPECT_EQ(read->text.TabSize, 4);

    // Text control settings are always stored: a reader whose object starts
    // otherwise still gets what was written.
    settings.text.FormFeed = false;
    back = round_trip(settings);
    EXPECT_FALSE(dynamic_cast<PdfSettings*>(back.get())->text.FormFeed);
}
