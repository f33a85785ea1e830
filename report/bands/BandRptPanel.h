#pragma once
// The panel every band and the report descend from (frame, zoom passed down
// to the controls on it, design-time background and rulers, the walks that
// prepare the printable controls for a run and release them after it), the
// design colour scheme, and the part of a printable control that panels and
// bands work with.

#include "report/bands/BandRptControl.h"
#include "report/bands/BandRptUnits.h"

#include <cstdint>
#include <memory>
#include <string>

// Design-time colours and styles of rulers, margins and band outlines.
struct TBRDesignColorScheme {
    TPenStyle MinorRulerStyle;
    TPenStyle MajorRulerStyle;
    TColor MinorRulerColor;
    TColor MajorRulerColor;
    std::string RulerFontName;
    TColor RulerFontColor;
    int RulerFontSize;
    TPenStyle MarginStyle;
    TColor MarginColor;
    TPenStyle BandOutlineStyle;
    TColor BandOutlineColor;
};

// The scheme in use (the high-colour set until one is chosen).
const TBRDesignColorScheme& DesignColorScheme();
void UseHighColorScheme();
void UseLowColorScheme();
// Chooses the scheme for a screen of `num_colors` colours: the high-colour
// set above 256 or for a negative count (true colour), else the low-colour set.
void SelectDesignColorScheme(int num_colors);

namespace report {
// A colour from its red, green and blue components.
constexpr TColor rgb(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }
constexpr TColor grey(int n) { return rgb(n, n, n); }
}  // namespace report

namespace report {

// What a panel and a band need of a printable control: its zoom, its
// preparation around a run, printing at a band's offset, and whether it
// still holds content for the next page. The printable controls
// (TBRPrintable, report/controls) build on it.
class Printable : public Control {
public:
    explicit Printable(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override;

    Printable* AsPrintable() override { return this; }
    int Zoom() const { return zoom_; }
    virtual void SetZoom(int zoom) { zoom_ = zoom; }
    // A run starts every control afresh: nothing is left over from a run that ended early.
    virtual void PrepareForRun() {
        Printing = true;
        PrintFinished = true;
    }
    virtual void UnprepareAfterRun() { Printing = false; }
    // Prints the control at a band's position (native units).
    virtual void PrintAt(int offset_x, int offset_y) { (void)offset_x, (void)offset_y; }
    // A level or band tells the control something (code 2: the band was resized).
    virtual void LevelNotification(TComponent* sender, std::uint8_t code) { (void)sender, (void)code; }
    // The unit of the control's size object.
    virtual void SetSizeUnit(TBRUnit unit) { (void)unit; }

    bool PrintFinished = true;   // nothing of the control is left for the next page
    bool AlignToBand = false;
    bool Printing = false;
    TCustomBandReport* ParentReport = nullptr;

private:
    int zoom_ = 100;
};

}  // namespace report

class TBRBasePanel : public report::Control {
public:
    explicit TBRBasePanel(TComponent* owner);
    ~TBRBasePanel() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TBRFrame* Frame() const { return frame_.get(); }
    // Takes the given frame's settings (the panel keeps its own frame object).
    void SetFrame(const TBRFrame* frame);

    int Zoom() const { return zoom_; }
    // 0 is ignored; else stored and passed to every child printable control
    // and child panel.
    virtual void SetZoom(int zoom);

    int CharacterPointSize = 12;

    // Fills the panel with its colour (grey 192 when disabled).
    void Paint(TCanvas& canvas) override;
    // Rulers in inches, millimetres or character cells; nothing for pixels
    // and native units. Labels only on the report itself.
    virtual void DrawRulers(TCanvas& canvas, TBRUnit unit);

    // Every printable control on the panel, and on panels on it, gets
    // PrepareForRun / UnprepareAfterRun.
    void PreparePrintables();
    void UnpreparePrintables();

protected:
    // True for the report, whose rulers carry numbers.
    virtual bool LabelledRulers() const { return false; }

private:
    std::unique_ptr<TBRFrame> frame_;
    int zoom_ = 100;
};
