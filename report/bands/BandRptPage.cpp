#include "report/bands/BandRptPage.h"

#include "platform/core/ClassBuilder.h"
#include "report/bands/BandRptReport.h"

using report::Rnd;

namespace {
std::vector<std::string> paper_idents() {
    std::vector<std::string> names;
    for (const report::PaperRow& row : report::PaperRows) names.emplace_back(row.Ident);
    return names;
}
}  // namespace

TBRPage::TBRPage(TCustomBandReport* report) {
    OwnerReport = report;
    SetBottomMargin(0);
    if (ImperialMeasure()) {
        SetCurrentUnit(TBRUnit::Inches);
        SetPaperSize(TBRPaperSize::Letter);
        SetTopMargin(0.5L);
        SetBottomMargin(0.5L);
        SetRightMargin(0.5L);
        SetLeftMargin(0.5L);
    } else {
        SetCurrentUnit(TBRUnit::MM);
        SetPaperSize(TBRPaperSize::A4);
        SetTopMargin(10);
        SetBottomMargin(10);
        SetLeftMargin(10);
        SetRightMargin(10);
    }
    SetRuler(true);
    SetColumns(1);
}

TClass TBRPage::StaticClass() {
    auto length = [](int index) {
        return std::make_pair([index](const TBRPage& p) { return double(p.GetValue(index)); },
                              [index](TBRPage& p, double v) { p.SetValue(index, v); });
    };
    auto [bg, bs] = length(BottomMarginIndex);
    auto [lg, ls] = length(LengthIndex);
    auto [tg, ts] = length(TopMarginIndex);
    auto [wg, ws] = length(WidthIndex);
    auto [leg, les] = length(LeftMarginIndex);
    auto [rg, rs] = length(RightMarginIndex);
    auto [cg, cs] = length(ColumnSpaceIndex);
    static const TClassInfo info =
        core::ClassBuilder<TBRPage, TBRUnitBase>("TBRPage")
            .Factory([](TComponent*) -> TObject* { return new TBRPage(nullptr); })
            .Float("BottomMargin", bg, bs).Stored(false)
            .Float("Length", lg, ls).Stored(false)
            .Float("TopMargin", tg, ts).Stored(false)
            .Float("Width", wg, ws).Stored(false)
            .Float("LeftMargin", leg, les).Stored(false)
            .Float("RightMargin", rg, rs).Stored(false)
            .Float("ColumnSpace", cg, cs).Stored(false)
            .Integer("Columns", &TBRPage::Columns, &TBRPage::SetColumns).NoDefault()
            .Enum("Orientation", {"poPortrait", "poLandscape"}, &TBRPage::Orientation, &TBRPage::SetOrientation)
            .NoDefault()
            .Enum("PaperSize", paper_idents(), &TBRPage::PaperSize, &TBRPage::SetPaperSize)
            .NoDefault()
            .Bool("Ruler", &TBRPage::Ruler, &TBRPage::SetRuler).Default(true)
            .Strings("Values", [](const TBRPage& p) { return p.Values(); })
            .Build();
    return &info;
}
TClass TBRPage::ClassType() const { return StaticClass(); }

long double TBRPage::GetValue(int index) const {
    if (index < 0 || index > ColumnSpaceIndex) return 0;
    return FromNative(CurrentUnit(), horizontal(index), values_[std::size_t(index)]);
}

void TBRPage::SetValue(int index, long double value) {
    if (index < 0 || index > ColumnSpaceIndex) return;
    if ((index == LengthIndex || index == WidthIndex) && paper_size_ != TBRPaperSize::Custom) return;
    values_[std::size_t(index)] = ToNative(CurrentUnit(), horizontal(index), value);
    switch (index) {
    case BottomMarginIndex:
    case LengthIndex:
    case WidthIndex:
        UpdateControlBounds();
        arrange();
        break;
    default:
        arrange();
        repaint();
        break;
    }
}

void TBRPage::SetColumns(int columns) {
    if (columns > kMostColumns) throw EPropertyError("Invalid property value: " + std::to_string(columns) + " columns");
    if (columns == columns_ || columns < 1) return;
    columns_ = columns;
    if (OwnerReport) {
        arrange();
        repaint();
    }
}

void TBRPage::SetOrientation(TPrinterOrientation orientation) {
    orientation_ = orientation;
    SetPaperSize(paper_size_);
}

void TBRPage::SetPaperSize(TBRPaperSize size) {
    if (!report::HasPaperDimension(size) || std::size_t(size) >= PaperDimensionTable.size()) {
        paper_size_ = size;
        return;
    }
    const long double w = PaperDimensionTable[std::size_t(size)].Width;
    const long double h = PaperDimensionTable[std::size_t(size)].Height;
    PushPixelUnit();
    SetCurrentUnit(TBRUnit::MM);
    paper_size_ = TBRPaperSize::Custom;
    if (orientation_ == poPortrait) {
        SetWidth(w);
        SetLength(h);
    } else {
        SetWidth(h);
        SetLength(w);
    }
    PopUnit();
    arrange();
    paper_size_ = size;
}

void TBRPage::SetRuler(bool ruler) {
    if (ruler == ruler_) return;
    ruler_ = ruler;
    if (OwnerReport) {
        repaint();
        OwnerReport->SetUnits(OwnerReport->Units());
    }
}

void TBRPage::SetCurrentUnit(TBRUnit unit) {
    TBRUnitBase::SetCurrentUnit(unit);
    repaint();
}

void TBRPage::UpdateControlBounds() {
    if (SyncingControl || !OwnerReport) return;
    SyncGuard guard(*this);
    OwnerReport->SetWidth(int(Rnd(FromNative(TBRUnit::Pixels, true, values_[WidthIndex]))));
    OwnerReport->SetHeight(int(Rnd(FromNative(TBRUnit::Pixels, false, values_[LengthIndex]))));
}

std::vector<long double> TBRPage::WriteValueList() const { return {values_.begin(), values_.end()}; }

void TBRPage::ReadValueList(const std::vector<long double>& values) {
    for (std::size_t i = 0; i < values.size() && i < values_.size(); ++i) values_[i] = values[i];
    UpdateControlBounds();
}

void TBRPage::arrange() {
    if (OwnerReport) OwnerReport->ArrangeBands();
}

void TBRPage::repaint() {
    if (OwnerReport) OwnerReport->Invalidate();
}
