#include "report/bands/tests/BandsFixture.h"

#include <algorithm>

using namespace bands_test;
using report::grey;

namespace {

struct MeasureScope {
    bool saved = ImperialMeasure();
    explicit MeasureScope(bool imperial) { report::SetImperialMeasure(imperial); }
    ~MeasureScope() { report::SetImperialMeasure(saved); }
};

// The x of every vertical tick (a line from (x, 0) down the panel).
std::vector<int> vertical_ticks(const RecordingCanvas& c, int height) {
    std::vector<int> xs;
    for (const Line& l : c.lines)
        if (l.from.Y == 0 && l.to.Y == height && l.from.X == l.to.X) xs.push_back(l.from.X);
    return xs;
}

std::vector<std::string> texts(const RecordingCanvas& c) {
    std::vector<std::string> out;
    for (const Text& t : c.texts) out.push_back(t.text);
    return out;
}

}  // namespace

TEST(Panel, ZoomReachesEveryBandAndPrintable) {
    TBandReport report(nullptr);
    TBRCustomBand* band = report.CreateStandardBand(rbDetail);
    auto* printable = new LinesPrintable(&report, 1, 10);
    printable->SetParent(band);
    const int calls = printable->zoom_calls;
    report.SetZoom(0);
    EXPECT_EQ(report.Zoom(), 100);
    EXPECT_EQ(printable->zoom_calls, calls);
    report.SetZoom(150);
    EXPECT_EQ(report.Zoom(), 150);
    EXPECT_EQ(band->Zoom(), 150);
    EXPECT_EQ(band->Size()->ZoomPercent, 150);
    EXPECT_EQ(printable->Zoom(), 150);
    EXPECT_EQ(report.Page()->ZoomPercent, 150);
    for (int bad : {301, -1}) {
        report.SetZoom(bad);
        EXPECT_EQ(report.Zoom(), 150);
    }
    report.SetZoom(300);
    EXPECT_EQ(band->Zoom(), 300);
}

TEST(Panel, InchRulerTicksAndLabels) {
    MeasureScope scope(true);
    ScopedFontEngine fonts;
    struct Case {
        int zoom;
        int width;
        std::size_t ticks;
        std::vector<std::string> labels;
    } cases[] = {
        {100, 816, 34, {"1", "2", "3", "4", "5", "6", "7", "8"}},
        {40, 326, 8, {"1", "2", "3", "4", "5", "6", "7", "8"}},
    };
    for (const Case& c : cases) {
        TBandReport report(nullptr);
        report.SetZoom(c.zoom);
        ASSERT_EQ(report.Width(), c.width);
        RecordingCanvas canvas;
        report.DrawRulers(canvas, TBRUnit::Inches);
        std::vector<int> xs = vertical_ticks(canvas, report.Height());
        EXPECT_EQ(xs.size(), c.ticks) << c.zoom;
        std::vector<std::string> labels;
        for (const Text& t : canvas.texts)
            if (t.y == 2) labels.push_back(t.text);
        EXPECT_EQ(labels, c.labels) << c.zoom;
        if (c.zoom == 100) {
            EXPECT_TRUE(std::count(xs.begin(), xs.end(), 96) == 1 && std::count(xs.begin(), xs.end(), 768) == 1);
        }
        EXPECT_EQ(canvas.Pen.Style, psSolid);
    }
}

TEST(Panel, MillimetreRulerShowsFiveMillimetreTicksAndNumbersFromZoomSixty) {
    MeasureScope scope(false);
    ScopedFontEngine fonts;
    for (int zoom : {50, 60}) {
        TBandReport report(nullptr);
        report.SetZoom(zoom);
        RecordingCanvas canvas;
        report.DrawRulers(canvas, TBRUnit::MM);
        const std::size_t ticks = vertical_ticks(canvas, report.Height()).size();
        // 210 mm: 42 half centimetres, 21 of them whole centimetres.
        const std::size_t expected = zoom >= 60 ? 42 : 21;
        EXPECT_EQ(ticks, expected) << zoom;
        EXPECT_EQ(canvas.texts.empty(), zoom < 60) << zoom;
    }
}

TEST(Panel, CharacterRulerTicksEveryTenColumnsWhateverTheZoom) {
    ScopedFontEngine fonts;
    for (int zoom : {100, 200}) {
        TBandReport report(nullptr);   // 10-point font
        report.SetZoom(zoom);
        RecordingCanvas canvas;
        report.DrawRulers(canvas, TBRUnit::Characters);
        std::vector<int> xs = vertical_ticks(canvas, report.Height());
        ASSERT_GE(xs.size(), 2u);
        EXPECT_EQ(xs[0], 119);
        EXPECT_EQ(xs[1], 238);
        EXPECT_EQ(report.CharacterPointSize, 10);
    }
}

TEST(Panel, PixelAndNativeUnitsHaveNoRuler) {
    TBandReport report(nullptr);
    for (TBRUnit unit : {TBRUnit::Pixels, TBRUnit::Native}) {
        RecordingCanvas canvas;
        report.DrawRulers(canvas, unit);
        EXPECT_TRUE(canvas.lines.empty() && canvas.texts.empty());
    }
}

TEST(Panel, BandRulersCarryNoNumbers) {
    ScopedFontEngine fonts;
    TBandReport report(nullptr);
    TBRCustomBand* band = report.CreateStandardBand(rbDetail);
    band->Size()->SetCurrentUnit(TBRUnit::Pixels);
    band->Size()->SetHeight(200);
    RecordingCanvas canvas;
    band->DrawRulers(canvas, TBRUnit::MM);
    EXPECT_FALSE(canvas.lines.empty());
    EXPECT_TRUE(canvas.texts.empty());
}

TEST(Panel, BackgroundIsTheColourOrGreyWhenDisabled) {
    ScopedFontEngine fonts;
    TBandReport report(nullptr);
    report.Page()->SetRuler(false);
    TBRCustomBand* band = report.CreateStandardBand(rbTitle);
    band->SetColor(report::rgb(10, 20, 30));
    for (bool enabled : {true, false}) {
        band->SetEnabled(enabled);
        RecordingCanvas canvas;
        band->Paint(canvas);
        ASSERT_FALSE(canvas.fills.empty());
        EXPECT_EQ(canvas.fills[0].rect, band->ClientRect());
        EXPECT_EQ(canvas.fills[0].color, enabled ? report::rgb(10, 20, 30) : grey(192));
        EXPECT_EQ(texts(canvas), std::vector<std::string>{"Title"});
    }
}

TEST(Panel, PrepareAndUnprepareWalkNestedPanels) {
    TBandReport report(nullptr);
    TBRCustomBand* band = report.CreateStandardBand(rbDetail);
    auto* on_band = new LinesPrintable(&report, 1, 10);
    on_band->SetParent(band);
    auto* on_report = new LinesPrintable(&report, 1, 10);
    on_report->SetParent(&report);
    report.PreparePrintables();
    EXPECT_EQ(on_band->prepared, 1);
    EXPECT_EQ(on_report->prepared, 1);
    EXPECT_TRUE(on_band->Printing);
    report.UnpreparePrintables();
    EXPECT_EQ(on_band->unprepared, 1);
    EXPECT_EQ(on_report->unprepared, 1);
    EXPECT_FALSE(on_band->Printing);
}

TEST(Panel, DesignColourSchemes) {
    struct Case {
        int colors;
        TColor minor, major, font, margin, outline;
        TPenStyle minor_style, margin_style, outline_style;
    } cases[] = {
        {-1, grey(249), grey(240), grey(112), report::rgb(128, 128, 255), grey(96), psSolid, psDot, psDot},
        {65536, grey(249), grey(240), grey(112), report::rgb(128, 128, 255), grey(96), psSolid, psDot, psDot},
        {256, grey(192), grey(192), grey(192), grey(128), grey(128), psDot, psDash, psSolid},
        {16, grey(192), grey(192), grey(192), grey(128), grey(128), psDot, psDash, psSolid},
    };
    for (const Case& c : cases) {
        SelectDesignColorScheme(c.colors);
        const TBRDesignColorScheme& s = DesignColorScheme();
        EXPECT_EQ(s.MinorRulerColor, c.minor) << c.colors;
        EXPECT_EQ(s.MajorRulerColor, c.major) << c.colors;
        EXPECT_EQ(s.RulerFontColor, c.font) << c.colors;
        EXPECT_EQ(s.MarginColor, c.margin) << c.colors;
        EXPECT_EQ(s.BandOutlineColor, c.outline) << c.colors;
        EXPECT_EQ(s.MinorRulerStyle, c.minor_style) << c.colors;
        EXPECT_EQ(s.MajorRulerStyle, psSolid);
        EXPECT_EQ(s.MarginStyle, c.margin_style) << c.colors;
        EXPECT_EQ(s.BandOutlineStyle, c.outline_style) << c.colors;
        EXPECT_EQ(s.RulerFontName, "Small Fonts");
        EXPECT_EQ(s.RulerFontSize, 6);
    }
    UseHighColorScheme();
}
