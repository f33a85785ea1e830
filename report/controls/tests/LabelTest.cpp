// The text controls: caption and name, minimum height, auto-sizing with
// alignment, design painting, and printing through a band run (OnPrint,
// frame inset, stretching over pages, cutting at the control's height).

#include "report/controls/tests/ControlsFixture.h"

#include <gtest/gtest.h>

using namespace controls_test;

namespace {

// A report whose detail band holds one label; one device pixel per native unit.
struct LabelRun {
    ScopedFontEngine fonts;
    RunFixture run;
    TBRCustomBand* detail;
    TBRLabel* label;

    explicit LabelRun(int page_length = 2970, long double band_height = 300) : run(2100, page_length, 100) {
        run.output = std::make_unique<RecordingOutput>(2100, page_length, 1.0L);
        detail = run.band(rbDetail, band_height);
        label = new TBRLabel(&run.report);
        label->SetParent(detail);
        label->AutoSize = false;
        place(50, 30, 500, 100);
    }
    void place(long double left, long double top, long double width, long double height) {
        TBRPrintableSize& s = *label->Size();
        s.SetCurrentUnit(TBRUnit::Native);
        s.SetLeft(left);
        s.SetTop(top);
        s.SetWidth(width);
        s.SetHeight(height);
    }
    RecordingOutput& out() { return *run.output; }
    void print_records(int n) {
        run.begin();
        for (int i = 0; i < n; ++i) run.report.PrintBand(detail);
        run.finish();
    }
};

std::vector<std::string> numbered_lines(int n) {
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += (s.empty() ? "" : "\r\n") + l;
    return s;
}

}  // namespace

TEST(Label, CaptionFollowsTheNameUntilSet) {
    TBRLabel label(nullptr);
    label.SetName("BRLabel1");
    EXPECT_EQ(label.Caption(), "BRLabel1");
    label.SetName("Total");
    EXPECT_EQ(label.Caption(), "Total");
    label.SetCaption("Amount");
    label.SetName("Other");
    EXPECT_EQ(label.Caption(), "Amount");
    EXPECT_EQ(label.OutputText, "Amount");
}

TEST(Label, NeverLowerThanOneLineOnAReport) {
    ScopedFontEngine fonts;
    struct Case {
        bool on_report;
        int height, expected;
    };
    // The fixed engine's cell is 12 pixels: one line plus one pixel is 13.
    for (const Case& c : std::vector<Case>{{true, 10, 13}, {true, 20, 20}, {false, 10, 10}}) {
        TBandReport report(nullptr);
        TBRBand lone(nullptr);
        TBRCustomBand* band = c.on_report ? report.CreateStandardBand(rbDetail) : &lone;
        TBRLabel label(nullptr);
        label.Font.SetSize(8);
        label.SetHeight(c.height);
        label.SetParent(band);
        EXPECT_EQ(label.Height(), c.expected) << c.on_report << " " << c.height;
        label.SetParent(nullptr);
    }
}

TEST(Label, AutoSizeTakesTheLongestLineAndKeepsItsAnchor) {
    ScopedFontEngine fonts;
    struct Case {
        TAlignment alignment;
        TBiDiMode bidi;
        bool framed;
        int left, width;
    };
    // Longest line "abcdef": 6 x 7 pixels, plus 1 in the report's measure.
    const std::vector<Case> cases = {
        {taLeftJustify, bdLeftToRight, false, 100, 43},
        {taRightJustify, bdLeftToRight, false, 107, 43},
        {taCenter, bdLeftToRight, false, 103, 43},
        {taLeftJustify, bdRightToLeft, false, 107, 43},   // right to left mirrors the alignment
        {taRightJustify, bdRightToLeft, false, 100, 43},
        {taLeftJustify, bdRightToLeftReadingOnly, false, 100, 43},
        {taRightJustify, bdLeftToRight, true, 105, 45},   // frame width 1 on each side
    };
    for (const Case& c : cases) {
        TBandReport report(nullptr);
        TBRCustomBand* band = report.CreateStandardBand(rbDetail);
        TBRLabel label(nullptr);
        label.SetParent(band);
        label.SetAlignment(c.alignment);
        if (c.bidi != bdLeftToRight) label.SetBiDiMode(c.bidi);
        if (c.framed) {
            label.Frame()->SetSide(2, true);
            label.Frame()->SetSide(3, true);
        }
        label.SetBounds(100, 0, 50, 20);
        label.SetCaption("abc\r\nabcdef");
        EXPECT_EQ(label.Left(), c.left) << int(c.alignment) << " " << int(c.bidi) << " " << c.framed;
        EXPECT_EQ(label.Width(), c.width) << int(c.alignment) << " " << int(c.bidi) << " " << c.framed;
        EXPECT_EQ(label.FormattedLines()->Count(), 2);
        label.SetParent(nullptr);
    }
}

TEST(Label, DesignPaintingDrawsTheLinesInsideTheFrame) {
    ScopedFontEngine fonts;
    struct Case {
        TAlignment alignment;
        int frame_width;
        int x, y;
    };
    // Zoom 100 at 96 dpi: a 1-point frame insets by 1 pixel, 3 points by 4.
    const std::vector<Case> cases = {
        {taLeftJustify, 0, 0, 0},
        {taLeftJustify, 1, 1, 1},
        {taLeftJustify, 3, 4, 4},
        {taRightJustify, 0, 60 - 14, 0},
        {taCenter, 0, 30 - 7, 0},
    };
    for (const Case& c : cases) {
        TBRLabel label(nullptr);
        TBRBand band(nullptr);
        label.SetParent(&band);
        label.AutoSize = false;
        label.SetBounds(0, 0, 60, 40);
        label.SetAlignment(c.alignment);
        if (c.frame_width) {
            label.Frame()->SetWidth(c.frame_width);
            for (int side = 0; side < 4; ++side) label.Frame()->SetSide(side, true);
        }
        label.SetCaption("ab\rcd");
        RecordingCanvas canvas;
        label.Paint(canvas);
        ASSERT_EQ(canvas.texts.size(), 2u);
        EXPECT_EQ(canvas.texts[0].x, c.x) << int(c.alignment) << " " << c.frame_width;
        EXPECT_EQ(canvas.texts[0].y, c.y) << int(c.alignment) << " " << c.frame_width;
        EXPECT_EQ(canvas.texts[1].y, c.y + 12);
        label.SetParent(nullptr);
    }
}

TEST(LabelPrint, FramedTextStartsFourNativeUnitsIn) {
    LabelRun r;
    for (int side = 0; side < 4; ++side) r.label->Frame()->SetSide(side, true);
    r.label->SetCaption("Total");
    r.print_records(1);
    const RecordingCanvas& page = r.out().page(1);
    ASSERT_EQ(page.texts.size(), 1u);
    // The band starts at the margins (100, 100); the label at (50, 30) in it.
    EXPECT_EQ(page.texts[0].x, 154);
    EXPECT_EQ(page.texts[0].y, 134);
    // The frame around the label's own box: 150..650 x 130..230, 4 pixels thick.
    std::vector<TRect> sides;
    for (const auto& f : page.fills)
        if (f.color == 0) sides.push_back(f.rect);
    ASSERT_EQ(sides.size(), 4u);
    EXPECT_EQ(sides[0].Left, 150);
    EXPECT_EQ(sides[0].Top, 130);
    EXPECT_EQ(sides[0].Right, 650);
    EXPECT_EQ(sides[0].Bottom, 134);
    EXPECT_EQ(sides[1].Top, 226);
    EXPECT_EQ(sides[1].Bottom, 230);
}

TEST(LabelPrint, OnPrintReplacesTheTextForThatPrintOnly) {
    LabelRun r;
    r.label->SetCaption("Caption");
    r.label->OnPrint = [](TObject*, std::string& value) { value = "***"; };
    r.print_records(1);
    EXPECT_EQ(page_texts(r.out()), (std::vector<std::vector<std::string>>{{"***"}}));
    EXPECT_EQ(r.label->Caption(), "Caption");
    EXPECT_EQ(r.label->OutputText, "Caption");
}

TEST(LabelPrint, LongTextStretchesOverPagesOrIsCut) {
    struct Case {
        bool stretch;
        int pages;
        std::size_t lines;
    };
    // Pages of 600 native units less 200 of margins: the band (30 high) and
    // its growth hold 33 lines of 12 on the first page.
    for (const Case& c : std::vector<Case>{{true, 2, 40}, {false, 1, 2}}) {
        LabelRun r(600, 30);
        r.place(0, 0, 500, 24);   // two lines of 12
        r.label->SetColor(report::rgb(255, 255, 0));
        r.label->SetAutoStretch(c.stretch);
        r.label->SetCaption(joined(numbered_lines(40)));
        r.print_records(1);
        const auto pages = page_texts(r.out());
        ASSERT_EQ(int(pages.size()), c.pages) << c.stretch;
        std::vector<std::string> all;
        for (const auto& p : pages) all.insert(all.end(), p.begin(), p.end());
        std::vector<std::string> expected = numbered_lines(40);
        expected.resize(c.lines);
        EXPECT_EQ(all, expected) << c.stretch;
        // The label's background is filled on every page for the part printed there.
        for (int n = 1; n <= c.pages; ++n) {
            int covered = 0;
            for (const auto& f : r.out().page(n).fills)
                if (f.color == report::rgb(255, 255, 0)) covered += f.rect.Bottom - f.rect.Top;
            const int printed = int(pages[std::size_t(n - 1)].size());
            EXPECT_GE(covered, printed * 12) << "page " << n;
        }
        EXPECT_TRUE(r.label->PrintFinished);
    }
}

TEST(LabelPrint, PrintsOnlyWhenPrintable) {
    ScopedFontEngine fonts;
    struct Case {
        bool enabled, visible, prints;
    };
    for (const Case& c : std::vector<Case>{{true, true, true}, {false, true, false}, {false, false, true}}) {
        RecordingOutput out(2100, 2970, 1.0L);
        out.StartNewPage();
        TBRLabel label(nullptr);
        TBRBand band(nullptr);
        label.SetParent(&band);
        label.SetCaption("x");
        label.SetEnabled(c.enabled);
        label.SetVisible(c.visible);
        label.OutputPrinter = &out;
        label.PrintAt(0, 0);
        EXPECT_EQ(out.page(1).texts.size(), c.prints ? 1u : 0u) << c.enabled << c.visible;
        label.SetParent(nullptr);
    }
}

TEST(LabelPrint, TheBandsClipStaysForTheControlsAfterIt) {
    LabelRun r;
    r.label->SetCaption("first");
    auto* second = new TBRLabel(&r.run.report);
    second->SetParent(r.detail);
    second->SetCaption("second");
    std::vector<std::optional<TRect>> clips;
    second->OnPrint = [&](TObject*, std::string&) { clips.push_back(r.out().Canvas().ClipRect()); };
    r.label->OnPrint = [&](TObject*, std::string&) { clips.push_back(r.out().Canvas().ClipRect()); };
    r.print_records(1);
    ASSERT_EQ(clips.size(), 2u);
    ASSERT_TRUE(clips[0].has_value());
    ASSERT_TRUE(clips[1].has_value());
    EXPECT_EQ(clips[1]->Bottom, clips[0]->Bottom);
    EXPECT_EQ(clips[1]->Right, clips[0]->Right);
}
