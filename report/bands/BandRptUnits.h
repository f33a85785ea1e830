#pragma once
// Units of a report and the size objects that hold its lengths.
//
// Every length of a report is kept in native units of 0.1 mm; a size object
// converts it on every read and write into its current unit (millimetres,
// inches, screen pixels at the owner's zoom, character cells of the report's
// font, or native units). TBRFrame is the four-sided frame of the report,
// its bands and its printable controls.

#include "platform/core/Classes.h"
#include "platform/graphics/Canvas.h"
#include "platform/core/StringList.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCustomBandReport;
class TBRCustomBand;

namespace report {
class Control;
}

// The units a report reads and writes its lengths in (ordinals 0 to 4).
enum class TBRUnit : std::uint8_t { MM, Inches, Pixels, Characters, Native };

namespace report {

// Element names of TBRUnit as form resources store them.
const std::vector<std::string>& unit_names();

// x rounded to the nearest integer, halves to the even neighbour (rintl
// rounds in the default rounding mode, as nearbyintl does, without saving
// and restoring the floating-point environment each time).
inline std::int64_t Rnd(long double x) { return static_cast<std::int64_t>(std::rintl(x)); }

// Pixels per inch of the screen that size objects and rulers measure with:
// the fixed 96-dpi measuring device.
int screen_pixels_per_inch();

// The size in points that character cells are measured with when a size
// object has no report, or its report's font has a point size of 0.
constexpr int kDefaultCharacterPoints = 10;

}  // namespace report

// Width of a character column and height of a text line, in millimetres,
// for a font of `points` points.
long double CharColumnMM(long double points);
long double CharLineMM(long double points);

// True when new pages are Letter in inches (the user's locale measures in
// U.S. customary units); set by the unit start-up, settable by tests.
bool ImperialMeasure();
namespace report {
void SetImperialMeasure(bool imperial);
}  // namespace report

// Base of the size objects: stores native values and converts them on every
// read and write. Stored in form resources as the `Values` list of native
// values, so a report keeps its sizes whatever unit it was designed in.
class TBRUnitBase : public TPersistent {
public:
    TBRUnitBase();
    ~TBRUnitBase() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    // Conversions of a value between `unit` and native units along one axis
    // (horizontal for widths); any other unit passes the value through.
    virtual long double FromNative(TBRUnit unit, bool horizontal, long double value) const;
    virtual long double ToNative(TBRUnit unit, bool horizontal, long double value) const;

    virtual TBRUnit CurrentUnit() const { return current_unit_; }
    virtual void SetCurrentUnit(TBRUnit unit) { current_unit_ = unit; }
    TBRUnit SavedUnit() const { return saved_unit_; }
    // Puts the current unit aside and reads and writes in pixels; PopUnit
    // takes the unit put aside back (both bypass SetCurrentUnit).
    void PushPixelUnit();
    void PopUnit();

    // Applies the stored values to the owning control after loading.
    virtual void AfterLoad() { UpdateControlBounds(); }
    // Resizes the owning control to the stored values (nothing in the base).
    virtual void UpdateControlBounds() {}
    // The stored native values, in list order, and the reading of one of them.
    virtual std::vector<long double> WriteValueList() const { return {}; }
    virtual void ReadValueList(const std::vector<long double>& values) { (void)values; }

    // Applies the owner's zoom (ZoomPercent set first).
    void ApplyZoom() { UpdateControlBounds(); }

    int ScreenPixelsPerInch = 96;
    TCustomBandReport* Report = nullptr;   // whose font sizes character cells
    bool SyncingControl = false;           // set while the object resizes its control
    int ZoomPercent = 100;

    // The `Values` list as form resources read and write it.
    TStrings* Values() const;

protected:
    // Sets SyncingControl for the lifetime of the guard.
    struct SyncGuard {
        explicit SyncGuard(TBRUnitBase& u) : u_(u), was_(u.SyncingControl) { u_.SyncingControl = true; }
        ~SyncGuard() { u_.SyncingControl = was_; }
        TBRUnitBase& u_;
        bool was_;
    };
    void AssignTo(TPersistent* dest) const override;

private:
    TBRUnit current_unit_ = TBRUnit::MM;
    TBRUnit saved_unit_ = TBRUnit::MM;
    mutable std::unique_ptr<TStrings> values_;
};

// A band's height and width.
class TBRBandSize : public TBRUnitBase {
public:
    explicit TBRBandSize(TBRCustomBand* band = nullptr);
    static TClass StaticClass();
    TClass ClassType() const override;

    // Index 0 is the height (vertical), 1 the width (horizontal).
    long double GetValue(int index) const;
    // Stores the value (indexes 0 and 1) and resizes the band.
    void SetValue(int index, long double value);
    long double Height() const { return GetValue(0); }
    long double Width() const { return GetValue(1); }
    void SetHeight(long double v) { SetValue(0, v); }
    void SetWidth(long double v) { SetValue(1, v); }
    // Native values, whatever the current unit.
    long double NativeHeight() const { return height_; }
    long double NativeWidth() const { return width_; }

    TBRCustomBand* Band = nullptr;

    void UpdateControlBounds() override;
    std::vector<long double> WriteValueList() const override { return {height_, width_}; }
    void ReadValueList(const std::vector<long double>& values) override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    long double width_ = 40.0L;
    long double height_ = 20.0L;
};

// The four-sided frame of a report, band or printable control. Width is the
// line width in points (1/72 inch).
class TBRFrame : public TPersistent {
public:
    TBRFrame() = default;
    static TClass StaticClass();
    TClass ClassType() const override;
    void Assign(const TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle s);
    int Width() const { return width_; }
    void SetWidth(int w);
    // Sides by index: 0 top, 1 bottom, 2 left, 3 right.
    bool GetSide(int index) const;
    void SetSide(int index, bool draw);
    bool DrawTop() const { return GetSide(0); }
    bool DrawBottom() const { return GetSide(1); }
    bool DrawLeft() const { return GetSide(2); }
    bool DrawRight() const { return GetSide(3); }

    report::Control* Control = nullptr;   // repainted on every change

    bool HasAnySide() const { return draw_top_ || draw_bottom_ || draw_left_ || draw_right_; }
    // Pen width 1 in the frame's style and colour.
    void ApplyPen(TPen& pen) const;
    // Line thickness in device pixels for a factor of device pixels per
    // native unit across the line.
    int Thickness(long double factor) const;
    // Paints the drawn sides inside rect; the factors are device pixels per
    // native unit horizontally and vertically.
    void PaintFrame(TCanvas& canvas, const TRect& rect, long double x_factor, long double y_factor) const;

private:
    void changed();
    TColor color_ = 0;
    bool draw_bottom_ = false;
    bool draw_left_ = false;
    TPenStyle style_ = psSolid;
    bool draw_right_ = false;
    bool draw_top_ = false;
    int width_ = 1;
};
