#include "report/controls/BRShape.h"

#include "platform/core/ClassBuilder.h"

#include <cmath>

TBRShape::TBRShape(TComponent* owner)
    : TBRPrintable(owner), brush_(std::make_unique<TBrush>()), pen_(std::make_unique<TPen>()) {
    SetWidth(65);
    SetHeight(65);
}

TBRShape::~TBRShape() = default;

TClass TBRShape::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRShape, TBRPrintable>("TBRShape")
            .Enum("Shape",
                  {"brsRectangle", "brsCircle", "brsVertLine", "brsHorLine", "brsTopAndBottom", "brsRightAndLeft",
                   "brsRoundRect"},
                  &TBRShape::Shape, &TBRShape::SetShape)
            .Object("Brush", &TBRShape::Brush)
            .Object("Pen", &TBRShape::Pen)
            .Float("RoundFactor", &TBRShape::RoundFactor, &TBRShape::SetRoundFactor)
            .Integer("VertAdjust", &TBRShape::VertAdjust, &TBRShape::VertAdjust)
            .Integer("Width", &TBRShape::Width, &TBRShape::SetWidth)
            .Default(65)
            .Integer("Height", &TBRShape::Height, &TBRShape::SetHeight)
            .Default(65)
            .Build();
    return &info;
}
TClass TBRShape::ClassType() const { return StaticClass(); }

void TBRShape::SetShape(TBRShapeType shape) {
    if (shape == shape_) return;
    shape_ = shape;
    Invalidate();
}

void TBRShape::SetBrush(const TBrush* brush) {
    if (brush && brush != brush_.get()) brush_->Assign(brush);
    Invalidate();
}

void TBRShape::SetPen(const TPen* pen) {
    if (pen && pen != pen_.get()) pen_->Assign(pen);
    Invalidate();
}

void TBRShape::SetRoundFactor(float factor) {
    if (factor == round_factor_) return;
    round_factor_ = factor;
    Invalidate();
}

namespace {

// A line from (x0, y0) to (x1, y1) with the canvas's pen.
void line(TCanvas& canvas, int x0, int y0, int x1, int y1) {
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
}

}  // namespace

void TBRShape::Paint(TCanvas& canvas) {
    if (Printing) return;
    TBRPrintable::Paint(canvas);
    canvas.Pen.Assign(pen_.get());
    canvas.Brush.Assign(brush_.get());
    const int W = Width(), H = Height();
    const int c = int(std::trunc(W * static_cast<double>(round_factor_)));
    switch (shape_) {
    case brsRectangle: canvas.Rectangle(0, 0, W, H); break;
    case brsCircle: canvas.Ellipse(0, 0, W, H); break;
    case brsVertLine: line(canvas, W / 2, 0, W / 2, H); break;
    case brsHorLine: line(canvas, 0, H / 2, W, H / 2); break;
    case brsTopAndBottom:
        line(canvas, 0, 0, W, 0);
        line(canvas, 0, H - 1, W, H - 1);
        break;
    case brsRightAndLeft:
        line(canvas, 0, 0, 0, H);
        line(canvas, W - 1, 0, W - 1, H);
        break;
    case brsRoundRect: canvas.RoundRect(0, 0, W, H, c, c); break;
    }
}

void TBRShape::PrintAt(int offset_x, int offset_y) {
    if (!IsPrintable() || !OutputPrinter) return;
    report::OutputDevice& out = *OutputPrinter;
    TCanvas& canvas = out.Canvas();
    canvas.Brush.Assign(brush_.get());
    canvas.Pen.Assign(pen_.get());
    const TBRPrintableSize& s = *Size();
    const long double L = s.NativeLeft() + offset_x, T = s.NativeTop() + offset_y;
    const long double W = s.NativeWidth(), H = s.NativeHeight();
    const int l = out.ToDeviceX(L), t = out.ToDeviceY(T), r = out.ToDeviceX(L + W), b = out.ToDeviceY(T + H);
    switch (shape_) {
    case brsRectangle: canvas.Rectangle(l, t, r, b); break;
    case brsCircle: canvas.Ellipse(l, t, r, b); break;
    case brsVertLine: line(canvas, out.ToDeviceX(L + W / 2), t, out.ToDeviceX(L + W / 2), b); break;
    case brsHorLine: line(canvas, l, out.ToDeviceY(T + H / 2), r, out.ToDeviceY(T + H / 2)); break;
    case brsTopAndBottom:
        line(canvas, l, t, r, t);
        line(canvas, l, b, r, b);
        break;
    case brsRightAndLeft:
        line(canvas, l, t, l, b);
        line(canvas, r, t, r, b);
        break;
    case brsRoundRect: {
        // Corners in device pixels: the printed width times the factor.
        const int c = int(std::trunc((r - l) * static_cast<double>(round_factor_)));
        canvas.RoundRect(l, t, r, b, c, c);
        break;
    }
    }
}
