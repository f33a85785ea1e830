#pragma once
// TBRShape: a rectangle, ellipse, rounded rectangle or lines drawn with a
// pen and a brush, on the design surface and on the report's output.

#include "report/controls/BRPrintable.h"

#include <cstdint>
#include <memory>

enum TBRShapeType : std::uint8_t {
    brsRectangle,
    brsCircle,
    brsVertLine,
    brsHorLine,
    brsTopAndBottom,
    brsRightAndLeft,
    brsRoundRect
};

class TBRShape : public TBRPrintable {
public:
    explicit TBRShape(TComponent* owner);
    ~TBRShape() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TBRShapeType Shape() const { return shape_; }
    void SetShape(TBRShapeType shape);
    TBrush* Brush() const { return brush_.get(); }
    // Takes the given brush's (pen's) settings.
    void SetBrush(const TBrush* brush);
    TPen* Pen() const { return pen_.get(); }
    void SetPen(const TPen* pen);
    float RoundFactor() const { return round_factor_; }
    void SetRoundFactor(float factor);
    std::int32_t VertAdjust = 0;   // stored; nothing reads it

    void Paint(TCanvas& canvas) override;
    void PrintAt(int offset_x, int offset_y) override;

private:
    TBRShapeType shape_ = brsRectangle;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> pen_;
    float round_factor_ = 0.0f;
};
