// The printable control base: size object and pixel bounds, zoom, alignment
// to the band, design painting, the base's printing and the editor lookup.

#include "report/controls/tests/ControlsFixture.h"

#include "platform/core/ClassBuilder.h"

#include <gtest/gtest.h>

using namespace controls_test;

namespace {

// A band on no report, so its width is its own.
struct LoneBand {
    TBRBand band{nullptr};
    void width(int px) {
        band.Size()->SetCurrentUnit(TBRUnit::Pixels);
        band.Size()->SetWidth(px);
    }
};

}  // namespace

TEST(Printable, NewControlIsTenPixelsSquareAndWhite) {
    TBRPrintable p(nullptr);
    EXPECT_EQ(p.Width(), 10);
    EXPECT_EQ(p.Height(), 10);
    EXPECT_EQ(p.Left(), 0);
    EXPECT_EQ(p.Top(), 0);
    EXPECT_EQ(p.Color(), clWhite);
    EXPECT_EQ(p.Alignment(), taLeftJustify);
    EXPECT_TRUE(p.PrintFinished);
    const long double ten_px = 10 * 254.0L / 96.0L;
    EXPECT_NEAR(double(p.Size()->NativeWidth()), double(ten_px), 1e-9);
    EXPECT_NEAR(double(p.Size()->NativeHeight()), double(ten_px), 1e-9);
    EXPECT_EQ(p.Size()->NativeLeft(), 0);
    EXPECT_EQ(p.Size()->NativeTop(), 0);
}

TEST(Printable, SizeAndPixelBoundsFollowEachOther) {
    struct Case {
        TBRUnit unit;
        int index;
        long double value;
        int zoom;
        TRect bounds;   // left, top, width, height expected
    };
    const std::vector<Case> cases = {
        {TBRUnit::MM, 1, 25.4L, 100, {96, 0, 10, 10}},
        {TBRUnit::MM, 2, 10.0L, 100, {0, 38, 10, 10}},       // 37.795 rounds to 38
        {TBRUnit::Inches, 3, 1.0L, 100, {0, 0, 96, 10}},
        {TBRUnit::Inches, 0, 0.5L, 200, {0, 0, 20, 96}},    // the other sides follow the zoom too
        {TBRUnit::Native, 1, 254.0L, 50, {48, 0, 5, 5}},
        {TBRUnit::Native, 7, 254.0L, 100, {0, 0, 10, 10}},   // no such value: bounds only refreshed
    };
    for (const Case& c : cases) {
        TBRPrintable p(nullptr);
        p.SetZoom(c.zoom);
        p.Size()->SetCurrentUnit(c.unit);
        p.Size()->SetValue(c.index, c.value);
        EXPECT_EQ(p.Left(), c.bounds.Left) << int(c.unit) << " " << c.index;
        EXPECT_EQ(p.Top(), c.bounds.Top) << int(c.unit) << " " << c.index;
        EXPECT_EQ(p.Width(), c.bounds.Right) << int(c.unit) << " " << c.index;
        EXPECT_EQ(p.Height(), c.bounds.Bottom) << int(c.unit) << " " << c.index;
    }
}

TEST(Printable, MovingInPixelsKeepsNativeValuesAtTheZoom) {
    TBRPrintable p(nullptr);
    p.SetZoom(200);
    p.SetBounds(40, 20, 100, 50);
    EXPECT_NEAR(double(p.Size()->NativeLeft()), 20 * 254.0 / 96.0, 1e-9);
    EXPECT_NEAR(double(p.Size()->NativeTop()), 10 * 254.0 / 96.0, 1e-9);
    EXPECT_NEAR(double(p.Size()->NativeWidth()), 50 * 254.0 / 96.0, 1e-9);
    p.SetZoom(100);
    EXPECT_EQ(p.Left(), 20);
    EXPECT_EQ(p.Width(), 50);
}

TEST(Printable, AlignsToItsBand) {
    struct Case {
        TAlignment alignment;
        int band, control, left, widened_band, left_after;
    };
    const std::vector<Case> cases = {
        {taRightJustify, 500, 120, 380, 600, 480},
        {taCenter, 500, 120, 190, 600, 240},
        {taCenter, 100, 151, -25, 100, -25},
        {taLeftJustify, 500, 120, 0, 600, 0},
    };
    for (const Case& c : cases) {
        LoneBand b;
        b.width(c.band);
        TBRPrintable p(nullptr);
        p.SetParent(&b.band);
        p.SetBounds(33, 5, c.control, 20);
        p.SetAlignment(c.alignment);
        p.SetAlignToBand(true);
        EXPECT_EQ(p.Left(), c.left) << int(c.alignment) << " " << c.band;
        b.width(c.widened_band);
        EXPECT_EQ(p.Left(), c.left_after) << int(c.alignment) << " " << c.widened_band;
        p.SetParent(nullptr);
    }
}

TEST(Printable, DesignPaintingIsSkippedDuringARun) {
    RecordingCanvas idle, running;
    TBRPrintable p(nullptr);
    p.SetBounds(0, 0, 40, 20);
    p.Paint(idle);
    EXPECT_FALSE(idle.fills.empty());
    EXPECT_EQ(idle.lines.size(), 8u);   // four corner marks of two strokes
    p.Printing = true;
    p.Paint(running);
    EXPECT_TRUE(running.fills.empty());
    EXPECT_TRUE(running.lines.empty());
}

TEST(Printable, BasePrintsOnlyItsFrame) {
    for (bool framed : {false, true}) {
        RecordingOutput out(2100, 2970, 1.0L);
        out.StartNewPage();
        TBRPrintable p(nullptr);
        p.Size()->SetCurrentUnit(TBRUnit::Native);
        p.Size()->SetLeft(100);
        p.Size()->SetTop(50);
        p.Size()->SetWidth(200);
        p.Size()->SetHeight(80);
        if (framed) p.Frame()->SetSide(0, true);
        p.OutputPrinter = &out;
        p.PrintAt(10, 20);
        const auto& fills = out.page(1).fills;
        if (!framed) {
            EXPECT_TRUE(fills.empty());
            continue;
        }
        ASSERT_EQ(fills.size(), 1u);
        // The top side, 1 point (3.5 native units, 4 pixels here) thick.
        EXPECT_EQ(fills[0].rect.Left, 110);
        EXPECT_EQ(fills[0].rect.Top, 70);
        EXPECT_EQ(fills[0].rect.Right, 310);
        EXPECT_EQ(fills[0].rect.Bottom, 74);
    }
}

namespace {
class TestEditor : public TBRPrintableEditor {
public:
    using TBRPrintableEditor::TBRPrintableEditor;
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TestEditor, TBRPrintableEditor>("TBRLabelEditor")
                                           .Factory([](TComponent* c) -> TObject* {
                                               return new TestEditor(dynamic_cast<TBRPrintable*>(c));
                                           })
                                           .Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    void ApplyColor(TColor) override {}
    void ApplyFont(const TFont&) override {}
    void ApplyValue(const std::string&) override {}
    bool ShowEditor() override { return true; }
};
}  // namespace

TEST(Printable, EditorsAreFoundByClassName) {
    TBRLabel label(nullptr);
    TBRShape shape(nullptr);
    EXPECT_EQ(label.EditorClass(), "TBRLabelEditor");
    EXPECT_EQ(shape.EditorClass(), "TBRPrintableEditor");
    EXPECT_EQ(report::create_printable_editor(label), nullptr);   // not registered
    RegisterClass(TestEditor::StaticClass());
    auto editor = report::create_printable_editor(label);
    UnRegisterClass(TestEditor::StaticClass());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditedControl, &label);
    EXPECT_EQ(editor->ServedPrintableClass(), TBRPrintable::StaticClass());
    EXPECT_EQ(editor->EditedValue(), "");
    // The base editor is abstract: nothing is made for it.
    EXPECT_EQ(report::create_printable_editor(shape), nullptr);
}

TEST(Printable, ChangingOneSideKeepsTheOthersExactly) {
    struct Case {
        const char* side;
        void (*change)(TBRPrintable&);
        int changed;   // index of the value that changes: 0 Height, 1 Left, 2 Top, 3 Width
    };
    const std::vector<Case> cases = {
        {"height", [](TBRPrintable& p) { p.SetHeight(p.Height() + 5); }, 0},
        {"left", [](TBRPrintable& p) { p.SetLeft(p.Left() + 5); }, 1},
        {"top", [](TBRPrintable& p) { p.SetTop(p.Top() + 5); }, 2},
        {"width", [](TBRPrintable& p) { p.SetWidth(p.Width() + 5); }, 3},
    };
    for (const Case& c : cases) {
        TBRPrintable p(nullptr);
        p.Size()->SetCurrentUnit(TBRUnit::MM);
        const long double mm[4] = {9.75L, 12.5L, 1.0L / 3, 80.0L};
        for (int i = 0; i < 4; ++i) p.Size()->SetValue(i, mm[i]);
        c.change(p);
        for (int i = 0; i < 4; ++i) {
            if (i == c.changed) continue;
            EXPECT_EQ(p.Size()->GetValue(i), mm[i]) << c.side << " changed, value " << i;
        }
    }
}
