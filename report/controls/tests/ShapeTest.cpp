// The shape control: its defaults, the printed drawing of every shape type
// on a raster page, corners sized in device pixels, and the design drawing.

#include "report/controls/tests/ControlsFixture.h"

#include <gtest/gtest.h>

using namespace controls_test;

namespace {

constexpr TColor kRed = report::rgb(255, 0, 0);
constexpr TColor kBlue = report::rgb(0, 0, 255);

struct Probe {
    int x, y;
    TColor colour;
};

// A shape at native (10, 20), 60 x 50, red pen, blue brush.
std::unique_ptr<TBRShape> red_blue_shape(TBRShapeType type, float round_factor = 0) {
    auto shape = std::make_unique<TBRShape>(nullptr);
    shape->SetShape(type);
    shape->SetRoundFactor(round_factor);
    shape->Pen()->Color = kRed;
    shape->Brush()->Color = kBlue;
    TBRPrintableSize& s = *shape->Size();
    s.SetCurrentUnit(TBRUnit::Native);
    s.SetLeft(10);
    s.SetTop(20);
    s.SetWidth(60);
    s.SetHeight(50);
    return shape;
}

}  // namespace

TEST(Shape, NewShapeIsABlackOutlinedWhiteRectangle) {
    TBRShape shape(nullptr);
    EXPECT_EQ(shape.Width(), 65);
    EXPECT_EQ(shape.Height(), 65);
    EXPECT_EQ(shape.Shape(), brsRectangle);
    EXPECT_EQ(shape.Pen()->Color, clBlack);
    EXPECT_EQ(shape.Pen()->Width, 1);
    EXPECT_EQ(shape.Brush()->Color, clWhite);
    EXPECT_EQ(shape.Brush()->Style, bsSolid);
    EXPECT_EQ(shape.RoundFactor(), 0.0f);
}

TEST(Shape, PrintedShapesLandOnTheirPixels) {
    struct Case {
        TBRShapeType type;
        std::vector<Probe> probes;
    };
    // One device pixel per native unit: the box is x 10..70, y 20..70.
    const std::vector<Case> cases = {
        {brsRectangle, {{10, 20, kRed}, {69, 69, kRed}, {70, 70, clWhite}, {40, 45, kBlue}, {9, 45, clWhite}}},
        {brsCircle, {{10, 20, clWhite}, {40, 20, kRed}, {40, 45, kBlue}, {69, 69, clWhite}}},
        {brsVertLine, {{40, 20, kRed}, {40, 69, kRed}, {40, 70, clWhite}, {39, 45, clWhite}, {41, 45, clWhite}}},
        {brsHorLine, {{10, 45, kRed}, {69, 45, kRed}, {70, 45, clWhite}, {40, 44, clWhite}}},
        // two lines 50 native units (5 mm) apart, nothing filled between
        {brsTopAndBottom, {{10, 20, kRed}, {69, 20, kRed}, {10, 70, kRed}, {40, 45, clWhite}, {40, 69, clWhite}}},
        {brsRightAndLeft, {{10, 20, kRed}, {10, 69, kRed}, {70, 20, kRed}, {40, 45, clWhite}}},
        // 15-pixel corners (60 x 0.25): the box's corner stays white
        {brsRoundRect, {{10, 20, clWhite}, {11, 21, clWhite}, {40, 20, kRed}, {10, 45, kRed}, {40, 45, kBlue}}},
    };
    for (const Case& c : cases) {
        BitmapOutput out(100, 100, 1.0L);
        auto shape = red_blue_shape(c.type, c.type == brsRoundRect ? 0.25f : 0.0f);
        shape->OutputPrinter = &out;
        shape->PrintAt(0, 0);
        for (const Probe& p : c.probes)
            EXPECT_EQ(out.canvas.Pixel(p.x, p.y), p.colour) << int(c.type) << " at " << p.x << "," << p.y;
    }
}

TEST(Shape, PrintedCornersAreSizedInDevicePixels) {
    // At 2 device pixels per native unit a 50-unit wide shape is 100 pixels
    // wide (19 on screen): RoundFactor 0.25 gives 25-pixel corners there.
    BitmapOutput out(200, 200, 2.0L);
    auto shape = red_blue_shape(brsRoundRect, 0.25f);
    shape->Size()->SetLeft(10);
    shape->Size()->SetTop(10);
    shape->Size()->SetWidth(50);
    shape->OutputPrinter = &out;
    shape->PrintAt(0, 0);
    // Box from (20, 20): a 25-pixel corner leaves (23, 23) and (20, 28) outside.
    EXPECT_EQ(out.canvas.Pixel(23, 23), clWhite);
    EXPECT_EQ(out.canvas.Pixel(20, 28), clWhite);
    EXPECT_EQ(out.canvas.Pixel(20, 45), kRed);
    EXPECT_EQ(out.canvas.Pixel(45, 20), kRed);
    EXPECT_EQ(out.canvas.Pixel(70, 70), kBlue);
}

TEST(Shape, DesignDrawingFollowsTheShapeType) {
    struct Case {
        TBRShapeType type;
        float round_factor;
        std::vector<Probe> probes;
    };
    // A control 100 x 65 pixels.
    const std::vector<Case> cases = {
        {brsRectangle, 0, {{50, 0, kRed}, {99, 30, kRed}, {50, 30, kBlue}}},
        {brsVertLine, 0, {{50, 10, kRed}, {49, 10, clWhite}}},
        {brsHorLine, 0, {{50, 32, kRed}, {50, 31, clWhite}}},
        {brsTopAndBottom, 0, {{50, 0, kRed}, {50, 64, kRed}, {50, 30, clWhite}}},
        {brsRightAndLeft, 0, {{0, 30, kRed}, {99, 30, kRed}, {50, 30, clWhite}}},
        // 25-pixel corners on screen
        {brsRoundRect, 0.25f, {{2, 2, clWhite}, {5, 5, kBlue}, {0, 30, kRed}, {50, 0, kRed}, {50, 30, kBlue}}},
    };
    for (const Case& c : cases) {
        TBitmap bitmap(100, 65);
        TBitmapCanvas canvas(bitmap);
        TBRShape shape(nullptr);
        shape.SetBounds(0, 0, 100, 65);
        shape.SetShape(c.type);
        shape.SetRoundFactor(c.round_factor);
        shape.Pen()->Color = kRed;
        shape.Brush()->Color = kBlue;
        shape.Paint(canvas);
        for (const Probe& p : c.probes)
            EXPECT_EQ(canvas.Pixel(p.x, p.y), p.colour) << int(c.type) << " at " << p.x << "," << p.y;
    }
}
