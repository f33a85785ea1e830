#pragma once
// TBRCustomLabel: the printable control that shows text. It breaks its text
// into lines that fit its width (report/controls/BRLineBreak.h), can size
// itself to the text, paints itself on the design surface, and prints its
// lines on the report's output, growing its band and going on over further
// pages when the text is longer than the control (AutoStretch).
//
// Text is measured on the fixed 96-dpi device at the control's zoom (the
// report's measure: text extent plus 1), so a layout breaks the same way on
// every machine and during a run.

#include "report/controls/BRPrintable.h"

#include <memory>
#include <string>

using TBRLabelOnPrintEvent = TMethodEvent<void(TObject* Sender, std::string& Value)>;

class TBRCustomLabel : public TBRPrintable {
public:
    explicit TBRCustomLabel(TComponent* owner);
    ~TBRCustomLabel() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    // ---- properties
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& text);
    bool AutoSize = true;
    bool AutoStretch() const { return auto_stretch_; }
    void SetAutoStretch(bool stretch);
    bool WordWrap() const { return word_wrap_; }
    void SetWordWrap(bool wrap);
    TBRLabelOnPrintEvent OnPrint;
    // The "FontSize" entry of the stored form: written as the font's size,
    // read into FontSize and applied to the font by Loaded when above 0.
    int FontSize = 0;
    int StoredFontSize() const { return Font.Size(); }
    void SetStoredFontSize(int size) { FontSize = size; }

    // ---- state
    bool CaptionBased = true;
    bool FormatDone = false;
    bool Resizing = false;
    int NextLine = 0;
    std::string OutputText;
    TStringList* FormattedLines() const { return formatted_.get(); }
    TStringList* SourceLines() const { return source_.get(); }

    virtual bool IsCaptionBased() const { return CaptionBased; }
    // Breaks OutputText (or SourceLines) into FormattedLines; with AutoSize
    // and a report, sizes the control to its longest line. Only with a parent.
    virtual void FormatLines();
    // Width of a line in pixels at the control's zoom.
    int MeasureLine(std::string_view text) const;

    void SetName(const std::string& name) override;
    void SetParent(report::Control* parent) override;
    void Loaded() override;
    void Paint(TCanvas& canvas) override;
    void PrepareForRun() override;
    void PrintAt(int offset_x, int offset_y) override;
    std::string EditorClass() const override { return "TBRLabelEditor"; }

protected:
    // A new font: the lines are formatted again.
    void FontUpdated() override;
    // Draws the lines into rect on the design surface.
    void PaintLines(TCanvas& canvas, const TRect& rect, int line_height);
    // Prints the lines on the report's output (all lengths native).
    void PrintLines(TCanvas& canvas, bool stretch, long double LH, long double H, long double W, long double T,
                    long double L);
    // The font's line height at the control's zoom plus one pixel.
    int MinimumHeight() const;

private:
    std::string caption_;
    bool auto_stretch_ = false;
    bool word_wrap_ = true;
    std::unique_ptr<TStringList> formatted_;
    std::unique_ptr<TStringList> source_;
};
