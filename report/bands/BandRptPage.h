#pragma once
// The page of a report: paper size and orientation, margins, columns and
// the design rulers. Lengths are native values read and written in the
// page's current unit; paper dimensions come from the paper tables.

#include "report/bands/BandRptUnits.h"

#include <array>
#include "report/print/BRPrnSu.h"

class TBRPage : public TBRUnitBase {
public:
    // Indexes of the lengths.
    enum : int { BottomMarginIndex, LengthIndex, TopMarginIndex, WidthIndex, LeftMarginIndex, RightMarginIndex, ColumnSpaceIndex };

    // A page for `report`: Letter in inches with 0.5 in margins when
    // ImperialMeasure is set, else A4 in millimetres with 10 mm margins.
    explicit TBRPage(TCustomBandReport* report = nullptr);
    static TClass StaticClass();
    TClass ClassType() const override;

    // The length of an index in the current unit.
    long double GetValue(int index) const;
    // Length and Width are written only while the paper is Custom.
    void SetValue(int index, long double value);
    long double NativeValue(int index) const { return values_[std::size_t(index)]; }

    long double BottomMargin() const { return GetValue(BottomMarginIndex); }
    long double Length() const { return GetValue(LengthIndex); }
    long double TopMargin() const { return GetValue(TopMarginIndex); }
    long double Width() const { return GetValue(WidthIndex); }
    long double LeftMargin() const { return GetValue(LeftMarginIndex); }
    long double RightMargin() const { return GetValue(RightMarginIndex); }
    long double ColumnSpace() const { return GetValue(ColumnSpaceIndex); }
    void SetBottomMargin(long double v) { SetValue(BottomMarginIndex, v); }
    void SetLength(long double v) { SetValue(LengthIndex, v); }
    void SetTopMargin(long double v) { SetValue(TopMarginIndex, v); }
    void SetWidth(long double v) { SetValue(WidthIndex, v); }
    void SetLeftMargin(long double v) { SetValue(LeftMarginIndex, v); }
    void SetRightMargin(long double v) { SetValue(RightMarginIndex, v); }
    void SetColumnSpace(long double v) { SetValue(ColumnSpaceIndex, v); }

    int Columns() const { return columns_; }
    // Below 1 is ignored; more than kMostColumns raises EPropertyError.
    void SetColumns(int columns);
    static constexpr int kMostColumns = 1000;
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation orientation);
    TBRPaperSize PaperSize() const { return paper_size_; }
    // A standard size takes its dimensions from the paper table (turned for
    // landscape); Default and Custom keep the current dimensions.
    void SetPaperSize(TBRPaperSize size);
    bool Ruler() const { return ruler_; }
    void SetRuler(bool ruler);

    void SetCurrentUnit(TBRUnit unit) override;
    void UpdateControlBounds() override;
    std::vector<long double> WriteValueList() const override;
    void ReadValueList(const std::vector<long double>& values) override;

    TCustomBandReport* OwnerReport = nullptr;

private:
    static bool horizontal(int index) { return index >= WidthIndex; }
    void arrange();
    void repaint();
    // BottomMargin, Length, TopMargin, Width, LeftMargin, RightMargin, ColumnSpace
    std::array<long double, 7> values_{};
    int columns_ = 1;
    TPrinterOrientation orientation_ = poPortrait;
    TBRPaperSize paper_size_ = TBRPaperSize::Default;
    bool ruler_ = true;
};
