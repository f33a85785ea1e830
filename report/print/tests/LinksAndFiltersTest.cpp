// Hyperlink dispatch, the export filter registry and the printer engine's
// start-up.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "report/print/BRExportFilters.h"
#include "report/print/BRHyperlinks.h"
#include "report/print/BRPrntr.h"
#include "report/print/tests/FakeDevice.h"
#include "tests/support/FakeOpener.h"
#include "tests/support/TestSupport.h"

using namespace report;
using report::testing::FakeDevice;
using report::testing::office_printer;

namespace {

// The engine started for a test, with the opener recording instead of opening.
struct LinkFixture : ::testing::Test {
    std::vector<std::string> opened;
    std::vector<std::pair<std::string, std::string>> handled;  // handler, rest
    core::ScopedService<HyperlinkOpener> opener{
        hyperlink_opener_slot, [this](TBRPrinter*, const std::string& target) { opened.push_back(target); }};
    LinkFixture() { InitPrinterEngine(); }
    ~LinkFixture() override { DonePrinterEngine(); }
    void handle(const std::string& prefix) {
        RegisterHyperlinkHandler(prefix, [this, prefix](void*, TBRPrinter*, const std::string& rest) {
            handled.emplace_back(prefix, rest);
        });
    }
};

TEST_F(LinkFixture, FollowHyperlinkDispatch) {
    handle("doc:");
    handle("page");
    handle("pa");  // after "page": only links that "page" does not take
    struct Case {
        std::string link;
        std::vector<std::string> opened;
        std::vector<std::pair<std::string, std::string>> handled;
    };
    const std::vector<Case> cases = {
        {"EXT:/home/ana/sales 2026.pdf", {"/home/ana/sales 2026.pdf"}, {}},
        {"ext:/tmp/a.pdf", {"/tmp/a.pdf"}, {}},
        {"eXt:doc:12", {"doc:12"}, {}},  // the external prefix comes first
        {"INT:doc:12", {}, {{"doc:", "12"}}},
        {"doc:12", {}, {{"doc:", "12"}}},  // the same rest with or without INT:
        {"int:page7", {}, {{"page", "7"}}},
        {"INT:pat", {}, {{"pa", "t"}}},
        {"INT:nothing here", {}, {}},  // no handler: nothing at all
        {"INT:", {}, {}},
        {"Doc:12", {"Doc:12"}, {}},  // handler prefixes are case-sensitive
        {"https://example.com/?q=a b", {"https://example.com/?q=a b"}, {}},
        {"EXT:", {}, {}},  // nothing to open
        {"EX", {"EX"}, {}},
        {"", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        opened.clear();
        handled.clear();
        FollowHyperlink(nullptr, c.link);
        EXPECT_EQ(opened, c.opened);
        EXPECT_EQ(handled, c.handled);
    }
}

TEST_F(LinkFixture, HandlerGetsUserDataAndPrinterAndCanBeRemoved) {
    FakeDevice none;
    TBRPrinter printer(nullptr, nullptr, &none);
    int data = 0;
    TBRPrinter* seen = nullptr;
    RegisterHyperlinkHandler(
        "mark:", [&](void* user, TBRPrinter* p, const std::string&) { ++*static_cast<int*>(user), seen = p; }, &data);
    EXPECT_TRUE(FindHyperlinkHandler("mark:x", &printer));
    EXPECT_EQ(data, 1);
    EXPECT_EQ(seen, &printer);
    UnregisterHyperlinkHandler("mark:");
    EXPECT_FALSE(FindHyperlinkHandler("mark:x", &printer));
    FollowHyperlink(&printer, "mark:x");
    EXPECT_EQ(opened, std::vector<std::string>{"mark:x"});
}

TEST_F(LinkFixture, ShutDownDropsHandlers) {
    handle("doc:");
    DonePrinterEngine();
    InitPrinterEngine();
    EXPECT_FALSE(FindHyperlinkHandler("doc:1"));
}

// With no opener installed, the desktop's opener gets the target as one
// argument: no shell splits or reads it.
TEST(DesktopLinks, ExternalTargetReachesTheOpenerWhole) {
    const std::string target = "/srv/share/Q1 \"final\" report; it's done & $(rm -rf ~) `id`.pdf";
    for (const char* prefix : {"EXT:", "ext:"}) {
        test_support::FakeOpener desktop;
        FollowHyperlink(nullptr, std::string(prefix) + target);
        EXPECT_EQ(desktop.wait_for_call(), std::vector<std::string>{target});
    }
    test_support::FakeOpener desktop;
    FollowHyperlink(nullptr, "mailto:ana@example.com?subject=a;b");
    EXPECT_EQ(desktop.wait_for_call(), std::vector<std::string>{"mailto:ana@example.com?subject=a;b"});
}

// A filter object that remembers its file name.
struct NamedFilter : TObject {
    explicit NamedFilter(std::string n) : name(std::move(n)) {}
    std::string name;
};

TEST(ExportFilters, SaveDialogFilterText) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> filters;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{}, "BandReport file(*.BRP)|*.BRP"},
        {{{"Rich text", "rtf"}}, "BandReport file(*.BRP)|*.BRP|Rich text (*.rtf)|*.rtf"},
        {{{"PDF document", "pdf"}, {"Web page", "htm"}},
         "BandReport file(*.BRP)|*.BRP|PDF document (*.pdf)|*.pdf|Web page (*.htm)|*.htm"},
    };
    for (const auto& c : cases) {
        TBRExportFilterLibrary library;
        for (const auto& [description, extension] : c.filters) library.Add({nullptr, description, extension});
        EXPECT_EQ(library.SaveDialogFilterText(), c.text);
    }
}

TEST(ExportFilters, SaveWithFilterHandsTheFilterToTheExportHook) {
    test_support::ScratchDir dir;
    FakeDevice none;
    TBRPrinter printer(nullptr, nullptr, &none);
    printer.BeginOutput();
    printer.StartNewPage();
    printer.EndOutput();
    std::vector<std::string> exported;
    printer.ExportHook = [&](TObject* filter) { exported.push_back(static_cast<NamedFilter*>(filter)->name); };
    TBRExportFilterLibrary library;
    for (const char* ext : {"pdf", "rtf"})
        library.Add({[ext](const std::string& file) { return std::make_unique<NamedFilter>(std::string(ext) + ":" + file); },
                     ext, ext});
    struct Case {
        int index;
        bool done;
        std::vector<std::string> exported;
    };
    const std::vector<Case> cases = {
        {2, true, {"pdf:/out/a"}}, {3, true, {"rtf:/out/a"}}, {4, false, {}}, {0, false, {}}, {-1, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        exported.clear();
        EXPECT_EQ(library.SaveWithFilter(printer, c.index, "/out/a"), c.done);
        EXPECT_EQ(exported, c.exported);
    }
    // Index 1 is the page stream itself.
    EXPECT_TRUE(library.SaveWithFilter(printer, 1, dir / "pages.brp"));
    EXPECT_TRUE(exported.empty());
    EXPECT_GT(std::filesystem::file_size(dir / "pages.brp"), 0u);
}

TEST(PrinterEngineUnit, StartUpMakesTheRegistryAndNests) {
    EXPECT_EQ(ExportFilterLibrary(), nullptr);
    InitPrinterEngine();
    ASSERT_NE(ExportFilterLibrary(), nullptr);
    EXPECT_EQ(ExportFilterLibrary()->SaveDialogFilterText(), "BandReport file(*.BRP)|*.BRP");
    InitPrinterEngine();
    DonePrinterEngine();
    EXPECT_NE(ExportFilterLibrary(), nullptr);
    DonePrinterEngine();
    EXPECT_EQ(ExportFilterLibrary(), nullptr);
    DonePrinterEngine();  // an extra shut-down does nothing
    EXPECT_EQ(ExportFilterLibrary(), nullptr);
}

TEST(PrinterEngineUnit, TextPositionAndTables) {
    struct Case {
        std::string text, within;
        int position;
    };
    const std::vector<Case> cases = {
        {"b", "abcb", 2}, {"abc", "abc", 1}, {"x", "abc", 0}, {"", "abc", 0}, {"abcd", "abc", 0}, {"B", "abc", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TextPosition(c.text, c.within), c.position) << c.text << " in " << c.within;
    EXPECT_EQ(RtfFontFamilyWords[0], "\\fnil");
    EXPECT_EQ(RtfFontFamilyWords[7], "\\fbidi");
    EXPECT_EQ(PdfBaseFontFamilies[4], "ZapfDingbats");
}

}  // namespace

namespace {

// Printer index -1 is the default printer; others must lie in the list.
TEST(PrinterEngineUnit, SelectPrinterMinusOneIsTheDefault) {
    FakeDevice device;
    device.destinations = {office_printer("first"), office_printer("second"), office_printer("third")};
    for (auto& d : device.destinations) d.IsDefault = false;
    device.destinations[1].IsDefault = true;
    struct Case {
        int index;
        std::optional<std::string> selected;  // nullopt: "Printer index out of range"
    };
    const std::vector<Case> cases = {{-1, "second"}, {0, "first"}, {2, "third"}, {3, std::nullopt}, {-2, std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        TBRPrinter printer(nullptr, nullptr, &device);
        printer.SelectPrinter(0);
        if (c.selected) {
            printer.SelectPrinter(c.index);
            EXPECT_EQ(printer.Printer().Device(), *c.selected);
        } else {
            EXPECT_THROW(printer.SelectPrinter(c.index), EPrinter);
        }
    }
    FakeDevice none;
    TBRPrinter without(nullptr, nullptr, &none);
    EXPECT_NO_THROW(without.SelectPrinter(-1));  // no printers: nothing to select
}

}  // namespace
