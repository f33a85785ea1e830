#pragma once
// TBRPrintableSize: the position and size of a printable control in the
// report's units (Height, Left, Top, Width, native values underneath), kept
// in step with the control's pixel bounds at its zoom. Stored as the
// `Values` list of the four native values in that order.

#include "report/bands/BandRptUnits.h"

class TBRPrintable;

class TBRPrintableSize : public TBRUnitBase {
public:
    explicit TBRPrintableSize(TBRPrintable* printable = nullptr);
    static TClass StaticClass();
    TClass ClassType() const override;

    // Index 0 Height (vertical), 1 Left (horizontal), 2 Top (vertical),
    // 3 Width (horizontal), read in the current unit.
    long double GetValue(int index) const;
    // Stores the value given in the current unit and resizes the control
    // (an index outside 0..3 stores nothing but still resizes).
    void SetValue(int index, long double value);
    long double Height() const { return GetValue(0); }
    long double Left() const { return GetValue(1); }
    long double Top() const { return GetValue(2); }
    long double Width() const { return GetValue(3); }
    void SetHeight(long double v) { SetValue(0, v); }
    void SetLeft(long double v) { SetValue(1, v); }
    void SetTop(long double v) { SetValue(2, v); }
    void SetWidth(long double v) { SetValue(3, v); }
    // Native values, whatever the current unit.
    long double NativeHeight() const { return height_; }
    long double NativeLeft() const { return left_; }
    long double NativeTop() const { return top_; }
    long double NativeWidth() const { return width_; }

    // Stores native values and resizes the control once.
    void SetNativeLeft(long double left);
    void SetNativeLeftWidth(long double left, long double width);

    TBRPrintable* Printable = nullptr;   // the control sized, not owned

    // The control's bounds := the values in pixels at the zoom, rounded.
    void UpdateControlBounds() override;
    std::vector<long double> WriteValueList() const override { return {height_, left_, top_, width_}; }
    void ReadValueList(const std::vector<long double>& values) override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    long double height_ = 20.0L;
    long double left_ = 20.0L;
    long double top_ = 20.0L;
    long double width_ = 20.0L;
};
