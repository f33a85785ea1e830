#include "report/bands/tests/BandsFixture.h"

#include <cmath>

using namespace bands_test;
using report::Rnd;

namespace {

// Runs a test on a metric or U.S. system and puts the setting back.
struct MeasureScope {
    bool saved = ImperialMeasure();
    explicit MeasureScope(bool imperial) { report::SetImperialMeasure(imperial); }
    ~MeasureScope() { report::SetImperialMeasure(saved); }
};

}  // namespace

TEST(Units, RoundingIsHalfToEven) {
    struct Case {
        long double x;
        std::int64_t r;
    } cases[] = {{0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {-1.5L, -2}, {2.4999L, 2}, {3.5001L, 4}};
    for (const Case& c : cases) EXPECT_EQ(Rnd(c.x), c.r) << double(c.x);
}

TEST(Units, ConversionsBetweenUnitsAndNative) {
    TBandReport report(nullptr);   // Arial 10 points
    TBRBandSize size;
    size.Report = &report;
    struct Case {
        TBRUnit unit;
        bool horizontal;
        int zoom;
        long double value;   // in the unit
        long double native;
    } cases[] = {
        {TBRUnit::MM, true, 100, 21, 210},
        {TBRUnit::Inches, false, 100, 0.5L, 127},
        {TBRUnit::Pixels, false, 100, 96, 254},
        {TBRUnit::Pixels, false, 200, 192, 254},
        {TBRUnit::Pixels, true, 50, 48, 254},
        {TBRUnit::Characters, true, 100, 1, 80.0L / 10 / 2.54L * 10},     // 31.496 native a column
        {TBRUnit::Characters, false, 100, 1, 145.3L / 10 / 2.54L * 10},   // 57.205 native a line
        {TBRUnit::Native, true, 100, 123.25L, 123.25L},
    };
    for (const Case& c : cases) {
        size.ZoomPercent = c.zoom;
        EXPECT_NEAR(double(size.ToNative(c.unit, c.horizontal, c.value)), double(c.native), 1e-9) << int(c.unit);
        EXPECT_NEAR(double(size.FromNative(c.unit, c.horizontal, c.native)), double(c.value), 1e-9) << int(c.unit);
    }
    EXPECT_NEAR(double(size.ToNative(TBRUnit::Characters, true, 1)), 31.496, 1e-3);
    EXPECT_NEAR(double(size.ToNative(TBRUnit::Characters, false, 1)), 57.205, 1e-3);
}

TEST(Units, PixelsFollowTheZoom) {
    TBRBandSize size;
    size.SetCurrentUnit(TBRUnit::Pixels);
    ASSERT_EQ(size.ScreenPixelsPerInch, 96);
    size.SetHeight(96);
    EXPECT_NEAR(double(size.NativeHeight()), 254.0, 1e-12);
    size.ZoomPercent = 200;
    EXPECT_NEAR(double(size.Height()), 192.0, 1e-12);
}

// Sound behaviour: no screen resolution, no zoom or a font of 0 points never
// divide by zero.
TEST(Units, ConversionsNeverDivideByZero) {
    TBandReport report(nullptr);
    report.Font.Height = 0;   // 0 points
    TBRBandSize size;
    size.Report = &report;
    size.ScreenPixelsPerInch = 0;
    size.ZoomPercent = 0;
    for (TBRUnit unit : {TBRUnit::Pixels, TBRUnit::Characters}) {
        for (bool horizontal : {true, false}) {
            const long double to = size.ToNative(unit, horizontal, 10);
            const long double from = size.FromNative(unit, horizontal, 10);
            EXPECT_TRUE(std::isfinite(double(to)) && to > 0) << int(unit);
            EXPECT_TRUE(std::isfinite(double(from)) && from > 0) << int(unit);
        }
    }
    // They count as 96 pixels per inch, 100 % and 10 points.
    EXPECT_NEAR(double(size.ToNative(TBRUnit::Pixels, true, 96)), 254.0, 1e-9);
    EXPECT_NEAR(double(size.ToNative(TBRUnit::Characters, true, 1)), 31.496, 1e-3);
}

TEST(Units, CharactersWithoutAReportUseTenPoints) {
    TBRBandSize size;
    EXPECT_NEAR(double(size.ToNative(TBRUnit::Characters, false, 1)), 57.205, 1e-3);
}

TEST(Units, NewSizeObjectsTakeTheUnitOfTheMeasurementSetting) {
    for (bool imperial : {false, true}) {
        MeasureScope scope(imperial);
        TBRBandSize size;
        EXPECT_EQ(size.CurrentUnit(), imperial ? TBRUnit::Inches : TBRUnit::MM);
        EXPECT_EQ(size.SavedUnit(), size.CurrentUnit());
        EXPECT_EQ(size.NativeWidth(), 40.0L);
        EXPECT_EQ(size.NativeHeight(), 20.0L);
    }
}

TEST(Units, PushAndPopUnit) {
    TBRBandSize size;
    size.SetCurrentUnit(TBRUnit::Inches);
    size.PushPixelUnit();
    EXPECT_EQ(size.CurrentUnit(), TBRUnit::Pixels);
    EXPECT_EQ(size.SavedUnit(), TBRUnit::Inches);
    size.PopUnit();
    EXPECT_EQ(size.CurrentUnit(), TBRUnit::Inches);
}

TEST(Page, NewPageByMeasurementSetting) {
    struct Case {
        bool imperial;
        TBRUnit unit;
        TBRPaperSize paper;
        long double width, length, margin;   // in the unit
        long double native_margin;
    } cases[] = {
        {false, TBRUnit::MM, TBRPaperSize::A4, 210, 297, 10, 100},
        {true, TBRUnit::Inches, TBRPaperSize::Letter, 8.5L, 11, 0.5L, 127},
    };
    for (const Case& c : cases) {
        MeasureScope scope(c.imperial);
        TBandReport report(nullptr);
        const TBRPage& page = *report.Page();
        EXPECT_EQ(page.CurrentUnit(), c.unit);
        EXPECT_EQ(report.Units(), c.unit);
        EXPECT_EQ(page.PaperSize(), c.paper);
        EXPECT_EQ(page.Orientation(), poPortrait);
        EXPECT_NEAR(double(page.Width()), double(c.width), 1e-9);
        EXPECT_NEAR(double(page.Length()), double(c.length), 1e-9);
        for (int i : {TBRPage::TopMarginIndex, TBRPage::BottomMarginIndex, TBRPage::LeftMarginIndex,
                      TBRPage::RightMarginIndex}) {
            EXPECT_NEAR(double(page.GetValue(i)), double(c.margin), 1e-9) << i;
            EXPECT_NEAR(double(page.NativeValue(i)), double(c.native_margin), 1e-9) << i;
        }
        EXPECT_EQ(page.Columns(), 1);
        EXPECT_TRUE(page.Ruler());
        // The report is as large as its paper in pixels.
        EXPECT_EQ(report.Width(), Rnd(c.width * (c.unit == TBRUnit::MM ? 96 / 25.4L : 96)));
    }
}

TEST(Page, TheMeasurementSettingComesFromTheLocale) {
    const char* saved = std::getenv("LC_ALL");
    std::string keep = saved ? saved : "";
    const bool imperial = ImperialMeasure();
    for (auto [locale, us] : {std::pair{"en_US.UTF-8", true}, std::pair{"de_DE.UTF-8", false}}) {
        setenv("LC_ALL", locale, 1);
        InitReportDefaults();
        EXPECT_EQ(ImperialMeasure(), us) << locale;
        FinalizeReportDefaults();
    }
    if (saved) setenv("LC_ALL", keep.c_str(), 1);
    else unsetenv("LC_ALL");
    report::SetImperialMeasure(imperial);
}

TEST(Page, OrientationSwapsTheDimensionsOfAStandardPaperOnly) {
    MeasureScope scope(false);
    struct Case {
        TBRPaperSize paper;
        long double width, length;   // mm after turning to landscape
    } cases[] = {
        {TBRPaperSize::A4, 297, 210},
        {TBRPaperSize::Custom, 210, 297},
        {TBRPaperSize::Default, 210, 297},
    };
    for (const Case& c : cases) {
        TBandReport report(nullptr);
        TBRPage& page = *report.Page();
        page.SetPaperSize(c.paper);
        page.SetOrientation(poLandscape);
        EXPECT_EQ(page.Orientation(), poLandscape);
        EXPECT_EQ(page.PaperSize(), c.paper);
        EXPECT_NEAR(double(page.Width()), double(c.width), 1e-9);
        EXPECT_NEAR(double(page.Length()), double(c.length), 1e-9);
        EXPECT_NEAR(double(page.TopMargin()), 10.0, 1e-9);
        EXPECT_NEAR(double(page.LeftMargin()), 10.0, 1e-9);
        EXPECT_EQ(page.CurrentUnit(), TBRUnit::MM);
    }
}

TEST(Page, LengthAndWidthAreWrittenOnlyOnCustomPaper) {
    MeasureScope scope(false);
    TBandReport report(nullptr);
    TBRPage& page = *report.Page();
    page.SetLength(100);
    page.SetWidth(100);
    EXPECT_NEAR(double(page.Length()), 297.0, 1e-9);
    EXPECT_NEAR(double(page.Width()), 210.0, 1e-9);
    page.SetPaperSize(TBRPaperSize::Custom);
    page.SetLength(100);
    page.SetWidth(50);
    EXPECT_NEAR(double(page.Length()), 100.0, 1e-9);
    EXPECT_NEAR(double(page.Width()), 50.0, 1e-9);
    // The report follows the paper in pixels.
    EXPECT_EQ(report.Height(), Rnd(1000 * 96 / 254.0L));
    EXPECT_EQ(report.Width(), Rnd(500 * 96 / 254.0L));
    // Default keeps whatever the page had.
    page.SetPaperSize(TBRPaperSize::Default);
    EXPECT_NEAR(double(page.Length()), 100.0, 1e-9);
    EXPECT_NEAR(double(page.Width()), 50.0, 1e-9);
}

TEST(Page, ColumnsBelowOneAreIgnored) {
    TBandReport report(nullptr);
    TBRPage& page = *report.Page();
    page.SetColumns(3);
    EXPECT_EQ(page.Columns(), 3);
    for (int bad : {0, -2}) {
        page.SetColumns(bad);
        EXPECT_EQ(page.Columns(), 3);
    }
}

TEST(Page, ResizingTheReportChangesOnlyCustomPaper) {
    MeasureScope scope(false);
    TBandReport report(nullptr);
    TBRPage& page = *report.Page();
    report.SetBounds(0, 0, 400, 500);
    EXPECT_NEAR(double(page.Width()), 210.0, 1e-9);
    page.SetPaperSize(TBRPaperSize::Custom);
    report.SetBounds(0, 0, 420, 520);
    page.PushPixelUnit();
    EXPECT_NEAR(double(page.Width()), 420.0, 1e-9);
    EXPECT_NEAR(double(page.Length()), 520.0, 1e-9);
    page.PopUnit();
}

TEST(Frame, ThicknessInDevicePixels) {
    struct Case {
        int width;
        long double factor;
        int pixels;
    } cases[] = {
        {1, 600.0L / 254, 8},    // 600 dpi printer
        {1, 96.0L / 254, 1},     // 96 dpi screen
        {2, 96.0L / 254, 3},     // 2.67 rounds to 3
        {0, 600.0L / 254, 0},    // nothing visible
        {-1, 600.0L / 254, 1},
        {-5, 600.0L / 254, 1},   // any negative width draws the thinnest line
        {1, 0.01L, 1},           // below one pixel still one
    };
    TBRFrame frame;
    for (const Case& c : cases) {
        frame.SetWidth(c.width);
        EXPECT_EQ(frame.Thickness(c.factor), c.pixels) << c.width << " " << double(c.factor);
    }
}

TEST(Frame, PaintsEachDrawnSideAsAFilledStrip) {
    TBRFrame frame;
    frame.SetColor(report::rgb(255, 0, 0));
    for (int side = 0; side < 4; ++side) frame.SetSide(side, true);
    EXPECT_TRUE(frame.HasAnySide());
    RecordingCanvas canvas;
    const long double f = 600.0L / 254;
    frame.PaintFrame(canvas, TRect{100, 200, 500, 400}, f, f);
    ASSERT_EQ(canvas.fills.size(), 4u);
    EXPECT_EQ(canvas.fills[0].rect, (TRect{100, 200, 500, 208}));   // top
    EXPECT_EQ(canvas.fills[1].rect, (TRect{100, 392, 500, 400}));   // bottom
    EXPECT_EQ(canvas.fills[2].rect, (TRect{100, 200, 108, 400}));   // left
    EXPECT_EQ(canvas.fills[3].rect, (TRect{492, 200, 500, 400}));   // right
    for (const Fill& f2 : canvas.fills) EXPECT_EQ(f2.color, report::rgb(255, 0, 0));
    EXPECT_EQ(canvas.Brush.Style, bsClear);
    EXPECT_EQ(canvas.Pen.Width, 1);

    RecordingCanvas none;
    frame.SetWidth(0);
    frame.PaintFrame(none, TRect{0, 0, 10, 10}, f, f);
    for (const Fill& f2 : none.fills) EXPECT_TRUE(f2.rect.Width() == 0 || f2.rect.Height() == 0);
}
