// report-tool design: a layout's design surface rendered to a PNG and read
// back with python3-pil: the bands stacked in print order at the page's or
// the column's width, the rulers and the margins.

#include "report/bands/BandRpt.h"

#include "platform/core/FormResource.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace test_support;

namespace {

struct Extent {
    int left = -1, top = -1, right = -1, bottom = -1, count = 0;
};

std::string name(TColor c) {
    return std::to_string(c & 0xFF) + "," + std::to_string((c >> 8) & 0xFF) + "," + std::to_string((c >> 16) & 0xFF);
}

// The extent of each colour in the picture, and its size.
std::map<TColor, Extent> extents(const std::string& png, const std::vector<TColor>& colours, int& width,
                                 int& height) {
    std::string cmd = oracle_command("colour_extents.py") + " " + shell_quote(png);
    for (TColor c : colours) cmd += " " + name(c);
    int status = -1;
    std::istringstream in(capture(cmd, &status));
    EXPECT_EQ(status, 0) << cmd;
    std::string word;
    in >> word >> width >> height;
    std::map<TColor, Extent> out;
    for (TColor c : colours) {
        std::string line;
        in >> word;
        std::getline(in, line);
        Extent e;
        std::istringstream(line) >> e.left >> e.top >> e.right >> e.bottom >> e.count;
        out[c] = e;
    }
    return out;
}

}  // namespace

TEST(DesignTool, BandsStackInPrintOrderWithRulersAndMargins) {
    ScratchDir dir("report-design");
    struct Band {
        const char* what;
        TBRBandType type;
        int height_px;
        TColor colour;
        bool full_width;
    };
    // In the order they are made, which is not the print order.
    const std::vector<Band> made = {
        {"overlay", rbOverlay, 30, report::rgb(250, 200, 0), true},
        {"summary", rbSummary, 40, report::rgb(0, 200, 200), true},
        {"detail", rbDetail, 30, report::rgb(255, 0, 0), false},
        {"page footer", rbPageFooter, 30, report::rgb(255, 0, 255), true},
        {"column header", rbColumnHeader, 20, report::rgb(120, 60, 0), false},
        {"title", rbTitle, 50, report::rgb(0, 0, 255), true},
        {"page header", rbPageHeader, 30, report::rgb(0, 160, 0), true},
    };
    const TColor child_colour = report::rgb(255, 150, 150), sub_colour = report::rgb(100, 0, 160);
    {
        const bool imperial = ImperialMeasure();
        report::SetImperialMeasure(false);
        TBandReport report(nullptr);
        report::SetImperialMeasure(imperial);
        report.SetName("Design");
        report.Page()->SetPaperSize(TBRPaperSize::A4);
        report.Page()->SetColumns(2);
        report.SetUnits(TBRUnit::MM);
        report.Page()->SetColumnSpace(10);
        TBRCustomBand* detail = nullptr;
        for (const Band& b : made) {
            TBRCustomBand* band = report.CreateStandardBand(b.type);
            band->Size()->SetCurrentUnit(TBRUnit::Pixels);
            band->Size()->SetHeight(b.height_px);
            band->SetColor(b.colour);
            if (b.type == rbDetail) detail = band;
        }
        auto* child = new TBRChildBand(&report);
        child->SetName("DetailChild");
        child->SetParent(&report);
        child->SetParentBand(detail);
        child->Size()->SetCurrentUnit(TBRUnit::Pixels);
        child->Size()->SetHeight(25);
        child->SetColor(child_colour);
        auto* sub = new TBRSubDetail(&report);
        sub->SetName("SubDetail1");
        sub->SetParent(&report);
        sub->Size()->SetCurrentUnit(TBRUnit::Pixels);
        sub->Size()->SetHeight(35);
        sub->SetColor(sub_colour);
        core::write_component_file(report, dir / "layout.json");
    }
    const SplitResult r = run_split("env LC_ALL=C " + shell_quote(tool_path("report-tool")) + " design " +
                                    shell_quote(dir / "layout.json") + " " + shell_quote(dir / "design.png"));
    ASSERT_EQ(r.status, 0) << r.err;

    struct Expected {
        TColor colour;
        int height;
        bool full_width;
    };
    auto find = [&](TBRBandType t) {
        for (const Band& b : made)
            if (b.type == t) return Expected{b.colour, b.height_px, b.full_width};
        return Expected{};
    };
    const std::vector<Expected> order = {find(rbPageHeader), find(rbTitle),   find(rbColumnHeader),
                                         find(rbDetail),     {child_colour, 25, false}, {sub_colour, 35, false},
                                         find(rbSummary),    find(rbPageFooter), find(rbOverlay)};
    const TBRDesignColorScheme& scheme = DesignColorScheme();
    std::vector<TColor> colours;
    for (const Expected& e : order) colours.push_back(e.colour);
    colours.push_back(scheme.MarginColor);
    colours.push_back(scheme.MajorRulerColor);
    int width = 0, height = 0;
    const std::map<TColor, Extent> found = extents(dir / "design.png", colours, width, height);

    // A4 at 96 dpi, margins of 10 mm (38 pixels), two columns 10 mm apart.
    EXPECT_EQ(width, 794);
    EXPECT_EQ(height, 1123);
    const int margin = 38, full = 794 - 2 * margin, column = (full - 38) / 2;
    int y = margin;
    for (const Expected& e : order) {
        SCOPED_TRACE(name(e.colour));
        const Extent& x = found.at(e.colour);
        ASSERT_GT(x.count, 0);
        EXPECT_EQ(x.left, margin);
        EXPECT_EQ(x.top, y);
        EXPECT_NEAR(x.right, margin + (e.full_width ? full : column), 1);
        EXPECT_NEAR(x.bottom, y + e.height, 1);   // the band's dotted outline may cover its last row
        y += e.height;
    }
    // The margins' rectangle, its right and bottom sides beside and below
    // the bands, and the column marks from the top edge into the top margin.
    const Extent& m = found.at(scheme.MarginColor);
    EXPECT_EQ(m.left, margin);
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.right, 794 - margin);
    EXPECT_EQ(m.bottom, 1123 - margin);
    // Millimetre rulers across the whole page, under and around the bands.
    const Extent& ruler = found.at(scheme.MajorRulerColor);
    EXPECT_GT(ruler.count, 1000);
    EXPECT_LT(ruler.left, margin);
    EXPECT_LT(ruler.top, margin);
    EXPECT_GT(ruler.right, 794 - margin);
    EXPECT_GT(ruler.bottom, 1123 - margin);
}

TEST(DesignTool, ZoomScalesTheSurfaceAndBadArgumentsAreRefused) {
    ScratchDir dir("report-design");
    {
        TBandReport report(nullptr);
        report.SetName("Design");
        report.Page()->SetPaperSize(TBRPaperSize::A4);
        report.CreateStandardBand(rbDetail);
        core::write_component_file(report, dir / "layout.json");
    }
    const std::string tool = "env LC_ALL=C " + shell_quote(tool_path("report-tool")) + " design ";
    const std::string layout = shell_quote(dir / "layout.json"), png = shell_quote(dir / "d.png");
    ASSERT_EQ(run_split(tool + layout + " " + png + " --zoom 50").status, 0);
    int width = 0, height = 0;
    extents(dir / "d.png", {}, width, height);
    EXPECT_EQ(width, 397);
    EXPECT_EQ(height, 561);
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {layout + " " + png + " --zoom 0", 2, "the zoom is a percentage from 1 to 300"},
        {layout + " " + png + " --zoom 301", 2, "the zoom is a percentage from 1 to 300"},
        {layout, 2, "usage: report-tool design"},
        {shell_quote(dir / "absent.json") + " " + png, 1, "absent.json: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        write_file(dir / "d.png", "keep");
        const SplitResult r = run_split(tool + c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(read_file(dir / "d.png"), "keep");
    }
}
