// What the preview decides without widgets: zoom and image size, links, the
// go-to-page answer, status and progress texts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "report/print/BRPrntr.h"
#include "report/ui/BRPreviewLogic.h"

namespace {

using report::PreviewGeometry;

TEST(PreviewGeometry, ZoomIsTakenOnlyWithinTwoToTwoThousand) {
    struct Case {
        int zoom;
        bool taken;
    };
    const Case cases[] = {{1, false}, {2001, false}, {0, false}, {-5, false}, {2, true}, {2000, true}, {70, true}};
    for (const Case& c : cases) {
        PreviewGeometry g;
        g.SetZoomState(brZoomToFit);
        EXPECT_EQ(g.SetZoom(c.zoom), c.taken) << c.zoom;
        EXPECT_EQ(g.Zoom(), c.taken ? c.zoom : 100) << c.zoom;
        EXPECT_EQ(g.ZoomState(), c.taken ? brZoomOther : brZoomToFit) << c.zoom;
    }
}

TEST(PreviewGeometry, SizesAndCentresTheImage) {
    TBRPrinter printer;
    printer.SetPaperSize(TBRPaperSize::A4);
    printer.SetOrientation(poPortrait);
    struct Case {
        const char* name;
        bool with_printer;
        int zoom, control_w, control_h;
        TRect image;
    };
    const Case cases[] = {
        // A4 portrait on the 96-dpi screen: round(2100 x 96 / 254) + 4 by round(2970 x 96 / 254) + 4
        {"A4 at 100 %", true, 100, 500, 500, {0, 0, 798, 1127}},
        {"A4 at 50 %, centred across", true, 50, 1000, 500, {(1000 - 401) / 2, 0, (1000 - 401) / 2 + 401, 565}},
        {"A4 at 10 %, centred both ways", true, 10, 300, 300, {(300 - 83) / 2, (300 - 116) / 2, (300 - 83) / 2 + 83,
                                                               (300 - 116) / 2 + 116}},
        {"no printer: Letter's millimetres as pixels", false, 100, 100, 100, {0, 0, 220, 283}},
        {"no printer at 200 %", false, 200, 100, 100, {0, 0, 436, 563}},
    };
    for (const Case& c : cases) {
        PreviewGeometry g;
        if (c.with_printer) g.SetPrinter(&printer);
        g.SetZoom(c.zoom);
        EXPECT_EQ(g.SizePreviewImage(c.control_w, c.control_h), c.image) << c.name;
        EXPECT_EQ(g.ImageZoom(), c.zoom) << c.name;
    }
}

TEST(PreviewGeometry, FitsPageToWindowAndWidth) {
    TBRPrinter printer;
    printer.SetPaperSize(TBRPaperSize::A4);
    printer.SetOrientation(poPortrait);
    struct Case {
        const char* name;
        bool with_printer, width;
        int control_w, control_h, zoom;
        TBRZoomState state;
    };
    const Case cases[] = {
        // 794 x 1123 page pixels: min(round(600/794*95), round(800/1123*95)) = min(72, 68)
        {"whole page, height decides", true, false, 600, 800, 68, brZoomToFit},
        {"whole page, width decides", true, false, 400, 2000, 48, brZoomToFit},
        {"page width: 90 % of the control", true, true, 600, 100, 68, brZoomToWidth},
        {"no printer: 95 % of Letter's width", false, true, 600, 100, 264, brZoomToWidth},
        {"a control too small keeps the zoom", true, false, 5, 5, 100, brZoomToFit},
    };
    for (const Case& c : cases) {
        PreviewGeometry g;
        if (c.with_printer) g.SetPrinter(&printer);
        const TRect r = c.width ? g.FitPageToWidth(c.control_w, c.control_h) : g.FitPageToWindow(c.control_w, c.control_h);
        EXPECT_EQ(g.Zoom(), c.zoom) << c.name;
        EXPECT_EQ(g.ZoomState(), c.state) << c.name;
        EXPECT_EQ(r, g.SizePreviewImage(c.control_w, c.control_h)) << c.name;
    }
}

TEST(PreviewLinks, FirstAreaHoldingThePointAtTheZoom) {
    const std::vector<report::HyperlinkArea> areas = {
        {{10, 10, 20, 20}, "first"}, {{15, 15, 40, 40}, "second"}, {{100, 0, 100, 0}, "point"}};
    struct Case {
        int x, y, zoom;
        const char* link;
    };
    const Case cases[] = {
        {10, 10, 100, "first"}, {20, 20, 100, "first"}, {21, 21, 100, "second"}, {9, 10, 100, ""},
        {40, 40, 100, "second"}, {41, 40, 100, ""},     {40, 40, 200, "first"},   {50, 0, 50, "point"},
        {80, 80, 200, "second"}, {5, 5, 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(report::LinkAt(areas, c.x, c.y, c.zoom), c.link) << c.x << "," << c.y << " at " << c.zoom;
}

TEST(PreviewTexts, GoToPageAnswer) {
    struct Case {
        std::optional<std::string> text;
        int page;
    };
    const Case cases[] = {
        {"7", 7}, {" 12 ", 12}, {"+3", 3}, {"1", 1}, {"12", 12},
        {"0", 1}, {"13", 1}, {"-4", 1}, {"abc", 1}, {"", 1}, {"3x", 1}, {"99999999999999", 1},
        {std::nullopt, 5},  // cancelled: the current page again
    };
    for (const Case& c : cases) EXPECT_EQ(report::GoToPageAnswer(c.text, 5, 12), c.page) << c.text.value_or("(cancelled)");
}

TEST(PreviewTexts, StatusAndProgress) {
    EXPECT_EQ(report::PageStatusText(3, 12), "Page 3 of 12");
    EXPECT_EQ(report::PageStatusText(70000, 70001), "Page 70000 of 70001");

    // The status bar's panel: steps of at least 5 points; 0 and 100 clear it.
    report::ProgressPanel panel;
    const std::pair<int, std::optional<std::string>> steps[] = {
        {0, ""}, {3, std::nullopt}, {4, std::nullopt}, {5, "5%"}, {7, std::nullopt}, {10, "10%"},
        {100, ""}, {0, ""}, {5, "5%"},  // a second run shows its own progress
    };
    for (const auto& [percent, text] : steps) EXPECT_EQ(panel.Update(percent), text) << percent;

    // The progress form: multiples of 5 only.
    const std::pair<int, std::optional<std::string>> form[] = {
        {0, "0%  Completed"}, {3, std::nullopt}, {5, "5%  Completed"}, {99, std::nullopt}, {100, "100%  Completed"}};
    for (const auto& [percent, text] : form) EXPECT_EQ(report::ProgressFormText(percent), text) << percent;
}

}  // namespace
