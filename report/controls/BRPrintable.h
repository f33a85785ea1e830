#pragma once
// TBRPrintable: everything that prints inside a band or on the report. Its
// Size holds position and size in the report's units; it can align itself
// to its band, paints a design picture of itself, and prints at a band's
// offset during a run (native units, through the report's output).

#include "report/bands/BandRptBands.h"
#include "report/bands/BandRptOutput.h"
#include "report/controls/BRPrintableSize.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TBRPrintableEditor;

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TBiDiMode : std::uint8_t { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

class TBRPrintable : public report::Printable {
public:
    explicit TBRPrintable(TComponent* owner);
    ~TBRPrintable() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    // ---- properties
    TBRPrintableSize* Size() const { return size_.get(); }
    // Takes the given size's values (the control keeps its own size object).
    void SetSize(const TBRPrintableSize* size);
    TBRFrame* Frame() const { return frame_.get(); }
    // Takes the given frame's settings (the control keeps its own frame object).
    void SetFrame(const TBRFrame* frame);
    TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(TAlignment alignment);
    bool GetAlignToBand() const { return AlignToBand; }
    void SetAlignToBand(bool align);
    bool Transparent() const { return !opaque_; }
    void SetTransparent(bool transparent);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    TBiDiMode BiDiMode() const { return bidi_mode_; }
    void SetBiDiMode(TBiDiMode mode);
    bool ParentBiDiMode() const { return parent_bidi_mode_; }
    void SetParentBiDiMode(bool parent);
    // The mode in effect (a parent panel reads left to right).
    TBiDiMode EffectiveBiDiMode() const { return parent_bidi_mode_ ? bdLeftToRight : bidi_mode_; }
    // The class library's rules: right-to-left alignment mirrors left and
    // right; right-to-left reading is every mode but left to right.
    bool UseRightToLeftAlignment() const { return EffectiveBiDiMode() == bdRightToLeft; }
    bool UseRightToLeftReading() const { return EffectiveBiDiMode() != bdLeftToRight; }
    TAlignment AdjustedAlignment(TAlignment alignment) const;

    // ---- run
    // The report's output during a run (not owned).
    report::OutputDevice* OutputPrinter = nullptr;
    bool Aligning = false;
    int PendingTop = 0, PendingWidth = 0, PendingHeight = 0, PendingLeft = 0;

    // True when the control is enabled, or disabled but not visible.
    virtual bool IsPrintable() const;
    // The editor class's name (found through the registry by report::create_printable_editor).
    virtual std::string EditorClass() const { return "TBRPrintableEditor"; }
    virtual void ApplyBandAlignment();
    void PrepareForRun() override;
    void UnprepareAfterRun() override;
    void PrintAt(int offset_x, int offset_y) override;
    void LevelNotification(TComponent* sender, std::uint8_t code) override;
    void SetSizeUnit(TBRUnit unit) override { size_->SetCurrentUnit(unit); }

    // ---- control
    void SetZoom(int zoom) override;
    void SetParent(report::Control* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;
    void Paint(TCanvas& canvas) override;

    // The pixel bounds applied by the size object (no reaction of the control).
    void ApplySizeBounds(int left, int top, int width, int height);

protected:
    void PaintCornerMarks(TCanvas& canvas) const;

private:
    std::unique_ptr<TBRPrintableSize> size_;
    std::unique_ptr<TBRFrame> frame_;
    TAlignment alignment_ = taLeftJustify;
    TBiDiMode bidi_mode_ = bdLeftToRight;
    bool parent_bidi_mode_ = true;
    bool opaque_ = true;
    bool visible_ = true;
};
