#include "report/bands/BandRptUnits.h"

#include "platform/core/ClassBuilder.h"
#include "report/bands/BandRptBands.h"
#include "report/bands/BandRptReport.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace report {

const std::vector<std::string>& unit_names() {
    static const std::vector<std::string> names = {"MM", "Inches", "Pixels", "Characters", "Native"};
    return names;
}

int screen_pixels_per_inch() { return 96; }

namespace {

bool g_imperial = false;

// Text of a native value that reads back as the same number.
std::string value_text(long double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

// The longest length a stored layout may hold, in native units (10 m): far
// beyond any paper, and small enough that no position of a run overflows.
constexpr long double kLongestLength = 100000;

long double parse_value(const std::string& text) {
    long double v = 0;
    const char* end = text.data() + text.size();
    auto res = std::from_chars(text.data(), end, v);
    if (res.ec != std::errc() || res.ptr != end || !std::isfinite(v))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    if (std::fabs(v) > kLongestLength) throw EReadError("Invalid property value: length " + text);
    return v;
}

// The `Values` list of a size object: its lines are the stored values when
// written; each line read is handed to the size object as it arrives.
class ValueList : public TStrings {
public:
    explicit ValueList(TBRUnitBase& owner) : owner_(owner) {}
    void Refresh() {
        lines_.clear();
        for (long double v : owner_.WriteValueList()) lines_.push_back(value_text(v));
        read_.clear();
    }
    int Count() const override { return int(lines_.size()); }
    std::string Get(int index) const override {
        if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
        return lines_[std::size_t(index)];
    }
    void Insert(int index, const std::string& s) override {
        if (index != Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
        read_.push_back(parse_value(s));
        if (read_.size() > owner_.WriteValueList().size()) throw EReadError("Invalid property value");
        lines_.push_back(s);
        owner_.ReadValueList(read_);
    }
    void Delete(int index) override {
        if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
        lines_.erase(lines_.begin() + index);
    }
    void Clear() override {
        lines_.clear();
        read_.clear();
    }

private:
    TBRUnitBase& owner_;
    std::vector<std::string> lines_;
    std::vector<long double> read_;
};

}  // namespace

}  // namespace report

using report::Rnd;

long double CharColumnMM(long double points) { return 80.0L / points / 2.54L; }
long double CharLineMM(long double points) { return 145.3L / points / 2.54L; }

bool ImperialMeasure() { return report::g_imperial; }
void report::SetImperialMeasure(bool imperial) { report::g_imperial = imperial; }

// ------------------------------------------------------------ TBRUnitBase

TBRUnitBase::TBRUnitBase() {
    current_unit_ = ImperialMeasure() ? TBRUnit::Inches : TBRUnit::MM;
    saved_unit_ = current_unit_;
    ScreenPixelsPerInch = report::screen_pixels_per_inch();
}

TBRUnitBase::~TBRUnitBase() = default;

TClass TBRUnitBase::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRUnitBase, TPersistent>("TBRUnitBase").Abstract().Build();
    return &info;
}
TClass TBRUnitBase::ClassType() const { return StaticClass(); }

long double TBRUnitBase::FromNative(TBRUnit unit, bool horizontal, long double n) const {
    switch (unit) {
    case TBRUnit::MM: return n / 10.0L;
    case TBRUnit::Inches: return n / 254.0L;
    case TBRUnit::Pixels: {
        // A screen without pixels or a zoom of 0 would divide by zero: they
        // count as the measuring device and 100 %.
        long double r = ScreenPixelsPerInch > 0 ? ScreenPixelsPerInch : report::screen_pixels_per_inch();
        long double z = ZoomPercent > 0 ? ZoomPercent : 100;
        return n / (254.0L / r) * z / 100.0L;
    }
    case TBRUnit::Characters: {
        long double s = std::fabs(static_cast<long double>(Report ? Report->Font.Size() : 0));
        if (s == 0) s = report::kDefaultCharacterPoints;
        return horizontal ? n / CharColumnMM(s) / 10.0L : n / CharLineMM(s) / 10.0L;
    }
    case TBRUnit::Native: return n;
    }
    return n;
}

long double TBRUnitBase::ToNative(TBRUnit unit, bool horizontal, long double v) const {
    switch (unit) {
    case TBRUnit::MM: return v * 10.0L;
    case TBRUnit::Inches: return v * 254.0L;
    case TBRUnit::Pixels: {
        long double r = ScreenPixelsPerInch > 0 ? ScreenPixelsPerInch : report::screen_pixels_per_inch();
        long double z = ZoomPercent > 0 ? ZoomPercent : 100;
        return v * (254.0L / r) / z * 100.0L;
    }
    case TBRUnit::Characters: {
        long double s = std::fabs(static_cast<long double>(Report ? Report->Font.Size() : 0));
        if (s == 0) s = report::kDefaultCharacterPoints;
        return horizontal ? v * CharColumnMM(s) * 10.0L : v * CharLineMM(s) * 10.0L;
    }
    case TBRUnit::Native: return v;
    }
    return v;
}

void TBRUnitBase::PushPixelUnit() {
    saved_unit_ = current_unit_;
    current_unit_ = TBRUnit::Pixels;
}

void TBRUnitBase::PopUnit() { current_unit_ = saved_unit_; }

TStrings* TBRUnitBase::Values() const {
    if (!values_) values_ = std::make_unique<report::ValueList>(const_cast<TBRUnitBase&>(*this));
    static_cast<report::ValueList&>(*values_).Refresh();
    return values_.get();
}

void TBRUnitBase::AssignTo(TPersistent* dest) const { TPersistent::AssignTo(dest); }

// ------------------------------------------------------------ TBRBandSize

TBRBandSize::TBRBandSize(TBRCustomBand* band) : Band(band) {}

TClass TBRBandSize::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRBandSize, TBRUnitBase>("TBRBandSize")
            .Float("Height", [](const TBRBandSize& s) { return double(s.GetValue(0)); },
                   [](TBRBandSize& s, double v) { s.SetValue(0, v); })
            .Stored(false)
            .Float("Width", [](const TBRBandSize& s) { return double(s.GetValue(1)); },
                   [](TBRBandSize& s, double v) { s.SetValue(1, v); })
            .Stored(false)
            .Strings("Values", [](const TBRBandSize& s) { return s.Values(); })
            .Build();
    return &info;
}
TClass TBRBandSize::ClassType() const { return StaticClass(); }

long double TBRBandSize::GetValue(int index) const {
    switch (index) {
    case 0: return FromNative(CurrentUnit(), false, height_);
    case 1: return FromNative(CurrentUnit(), true, width_);
    default: return 0;
    }
}

void TBRBandSize::SetValue(int index, long double value) {
    if (index == 0) height_ = ToNative(CurrentUnit(), false, value);
    else if (index == 1) width_ = ToNative(CurrentUnit(), true, value);
    UpdateControlBounds();
}

void TBRBandSize::UpdateControlBounds() {
    if (!Band) return;
    SyncGuard guard(*this);
    Band->SetBounds(Band->Left(), Band->Top(), int(Rnd(FromNative(TBRUnit::Pixels, true, width_))),
                    int(Rnd(FromNative(TBRUnit::Pixels, false, height_))));
}

void TBRBandSize::ReadValueList(const std::vector<long double>& values) {
    if (values.size() > 0) height_ = values[0];
    if (values.size() > 1) width_ = values[1];
}

void TBRBandSize::AssignTo(TPersistent* dest) const {
    if (auto* d = dynamic_cast<TBRBandSize*>(dest)) {
        d->height_ = height_;
        d->width_ = width_;
        d->UpdateControlBounds();
        return;
    }
    TBRUnitBase::AssignTo(dest);
}

// --------------------------------------------------------------- TBRFrame

TClass TBRFrame::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRFrame, TPersistent>("TBRFrame")
            .Integer("Color", &TBRFrame::Color, &TBRFrame::SetColor)
            .NoDefault()
            .Bool("DrawTop", [](const TBRFrame& f) { return f.GetSide(0); }, [](TBRFrame& f, bool v) { f.SetSide(0, v); })
            .NoDefault()
            .Bool("DrawBottom", [](const TBRFrame& f) { return f.GetSide(1); }, [](TBRFrame& f, bool v) { f.SetSide(1, v); })
            .NoDefault()
            .Bool("DrawLeft", [](const TBRFrame& f) { return f.GetSide(2); }, [](TBRFrame& f, bool v) { f.SetSide(2, v); })
            .NoDefault()
            .Bool("DrawRight", [](const TBRFrame& f) { return f.GetSide(3); }, [](TBRFrame& f, bool v) { f.SetSide(3, v); })
            .NoDefault()
            .Enum("Style", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"},
                  &TBRFrame::Style, &TBRFrame::SetStyle)
            .Integer("Width", &TBRFrame::Width, &TBRFrame::SetWidth)
            .Default(1)
            .Build();
    return &info;
}
TClass TBRFrame::ClassType() const { return StaticClass(); }

void TBRFrame::Assign(const TPersistent* source) {
    if (auto* f = dynamic_cast<const TBRFrame*>(source)) {
        color_ = f->color_;
        draw_bottom_ = f->draw_bottom_;
        draw_left_ = f->draw_left_;
        style_ = f->style_;
        draw_right_ = f->draw_right_;
        draw_top_ = f->draw_top_;
        width_ = f->width_;
        changed();
        return;
    }
    TPersistent::Assign(source);
}

void TBRFrame::changed() {
    if (Control) Control->Invalidate();
}

void TBRFrame::SetColor(TColor c) {
    color_ = c;
    changed();
}
void TBRFrame::SetStyle(TPenStyle s) {
    style_ = s;
    changed();
}
void TBRFrame::SetWidth(int w) {
    width_ = w;
    changed();
}

bool TBRFrame::GetSide(int index) const {
    switch (index) {
    case 0: return draw_top_;
    case 1: return draw_bottom_;
    case 2: return draw_left_;
    case 3: return draw_right_;
    default: return false;
    }
}

void TBRFrame::SetSide(int index, bool draw) {
    switch (index) {
    case 0: draw_top_ = draw; break;
    case 1: draw_bottom_ = draw; break;
    case 2: draw_left_ = draw; break;
    case 3: draw_right_ = draw; break;
    default: return;
    }
    changed();
}

void TBRFrame::ApplyPen(TPen& pen) const {
    pen.Width = 1;
    pen.Style = style_;
    pen.Color = color_;
}

int TBRFrame::Thickness(long double factor) const {
    if (width_ == 0) return 0;
    // A negative width draws the thinnest line.
    if (width_ < 0) return 1;
    std::int64_t t = Rnd(factor / 72.0L * 254.0L * width_);
    return t < 1 ? 1 : int(t);
}

void TBRFrame::PaintFrame(TCanvas& canvas, const TRect& rect, long double x_factor, long double y_factor) const {
    const bool any = HasAnySide();
    const int tv = any ? Thickness(x_factor) : 0;
    const int th = any ? Thickness(y_factor) : 0;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = color_;
    ApplyPen(canvas.Pen);
    if (draw_top_) canvas.FillRect(TRect{rect.Left, rect.Top, rect.Right, rect.Top + th});
    if (draw_bottom_) canvas.FillRect(TRect{rect.Left, rect.Bottom - th, rect.Right, rect.Bottom});
    if (draw_left_) canvas.FillRect(TRect{rect.Left, rect.Top, rect.Left + tv, rect.Bottom});
    if (draw_right_) canvas.FillRect(TRect{rect.Right - tv, rect.Top, rect.Right, rect.Bottom});
    canvas.Brush.Style = bsClear;
}
