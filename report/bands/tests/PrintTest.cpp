// A band run printed end to end: the layout stored as JSON, run by
// report-tool into a page stream, printed to PDF by report-tool, and the
// PDF's pages checked with poppler-utils and python3-pil.

#include "report/bands/BandRpt.h"

#include "platform/core/FormResource.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace test_support;

namespace {

struct BandKind {
    TBRBandType type;
    long double height_mm;
    TColor frame;   // red, green, blue as the oracle takes them
    bool top_only;
};

using Box = test_support::ColourBox;

struct Printed {
    std::string band;
    int page;
    Box rect;
};

constexpr int rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

bool near(const Box& a, const Box& b) {
    return std::abs(a.left - b.left) <= 1 && std::abs(a.top - b.top) <= 1 && std::abs(a.right - b.right) <= 1 &&
           std::abs(a.bottom - b.bottom) <= 1;
}

}  // namespace

TEST(PrintedRun, BandFramesLandWhereTheRunPutThem) {
    ScratchDir dir("report-bands");
    const std::vector<BandKind> kinds = {
        {rbPageHeader, 20, rgb(0, 160, 0), false},
        {rbTitle, 30, rgb(0, 0, 255), false},
        {rbDetail, 25, rgb(255, 0, 0), true},
        {rbPageFooter, 15, rgb(255, 0, 255), false},
        {rbSummary, 20, rgb(0, 200, 200), false},
    };
    std::map<std::string, const BandKind*> by_name;
    {
        const bool imperial = ImperialMeasure();
        report::SetImperialMeasure(false);
        TBandReport report(nullptr);
        report::SetImperialMeasure(imperial);
        report.SetName("Report1");
        for (const BandKind& s : kinds) {
            TBRCustomBand* band = report.CreateStandardBand(s.type);
            band->Size()->SetCurrentUnit(TBRUnit::MM);
            band->Size()->SetHeight(s.height_mm);
            band->Frame()->SetColor(s.frame);
            band->Frame()->SetWidth(2);
            band->Frame()->SetSide(0, true);
            for (int side = 1; side < 4; ++side) band->Frame()->SetSide(side, !s.top_only);
            by_name[band->Name()] = &s;
        }
        core::write_component_file(report, dir / "layout.json");
    }

    // 297 mm less margins, header and footer leave 242 mm: the title and 8
    // records on page 1, 9 records on page 2, 3 and the summary on page 3.
    const SplitResult ran = run_split(shell_quote(tool_path("report-tool")) + " bands run " +
                                      shell_quote(dir / "layout.json") + " " + shell_quote(dir / "run.brp") + " 20");
    ASSERT_EQ(ran.status, 0) << ran.err;
    std::vector<Printed> printed;
    int pages = 0;
    std::istringstream listing(ran.out);
    for (std::string line; std::getline(listing, line);) {
        std::istringstream fields(line);
        std::string what;
        fields >> what;
        if (what == "pages") {
            fields >> pages;
            continue;
        }
        Printed p;
        fields >> p.band >> p.page >> p.rect.left >> p.rect.top >> p.rect.right >> p.rect.bottom;
        printed.push_back(p);
    }
    ASSERT_EQ(pages, 3);
    ASSERT_EQ(printed.size(), 3u + 3u + 1u + 20u + 1u);   // headers, footers, title, records, summary

    const SplitResult pdf = run_split(shell_quote(tool_path("report-tool")) + " print " + shell_quote(dir / "run.brp") +
                                      " --pdf " + shell_quote(dir / "run.pdf"));
    ASSERT_EQ(pdf.status, 0) << pdf.err;
    const std::string info = capture("pdfinfo " + shell_quote(dir / "run.pdf"));
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    ASSERT_EQ(run_status("pdftoppm -r 96 -png " + shell_quote(dir / "run.pdf") + " " + shell_quote(dir / "page")), 0);

    for (int page = 1; page <= pages; ++page) {
        const std::string png = dir / ("page-" + std::to_string(page) + ".png");
        for (const BandKind& kind : kinds) {
            std::vector<Box> expected;
            for (const Printed& p : printed) {
                if (p.page != page || by_name[p.band] != &kind) continue;
                Box b = p.rect;
                if (kind.top_only) b.bottom = b.top + 3;   // a 2-point line is 3 pixels at 96 dpi
                expected.push_back(b);
            }
            const std::vector<Box> found = colour_boxes(png, kind.frame);
            ASSERT_EQ(found.size(), expected.size()) << "page " << page << " type " << int(kind.type);
            for (std::size_t i = 0; i < found.size(); ++i) {
                EXPECT_TRUE(near(found[i], expected[i]))
                    << "page " << page << " type " << int(kind.type) << ": found " << found[i].left << ' '
                    << found[i].top << ' ' << found[i].right << ' ' << found[i].bottom << ", expected "
                    << expected[i].left << ' ' << expected[i].top << ' ' << expected[i].right << ' '
                    << expected[i].bottom;
            }
        }
    }
}

TEST(PrintedRun, BadInvocationsFailCleanlyAndKeepTheTarget) {
    ScratchDir dir("report-bands");
    write_file(dir / "keep.brp", "good pages");
    write_file(dir / "form.json", R"({"class": "TBRBand", "name": "Lonely"})");
    write_file(dir / "broken.json", "{ not json");
    struct Case {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"bands run " + shell_quote(dir / "missing.json") + " " + shell_quote(dir / "keep.brp"), 1, "missing.json: No such file or directory"},
        {"bands run " + shell_quote(dir / "broken.json") + " " + shell_quote(dir / "keep.brp"), 1,
         "Invalid stream format"},
        {"bands run " + shell_quote(dir / "form.json") + " " + shell_quote(dir / "keep.brp"), 1, "Not a report layout"},
        {"bands run " + shell_quote(dir / "form.json") + " " + shell_quote(dir / "keep.brp") + " -3", 2,
         "bad record count"},
        {"bands walk", 2, "usage: report-tool bands run"},
    };
    for (const Case& c : cases) {
        const SplitResult r = run_split(shell_quote(tool_path("report-tool")) + " " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(read_file(dir / "keep.brp"), "good pages");
    }
}
