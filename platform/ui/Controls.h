#pragma once
// Controls drawn on a form: position, size, alignment, visibility and the
// font and colour they paint with. Graphic controls have no window of their
// own; the form paints them, in the order they were created, on a canvas.

#include "platform/core/Classes.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Font.h"

class TForm;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// A control placed on a form.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    TAlign Align = alNone;
    TFont Font;
    bool ParentFont = true;

    TForm* Parent() const { return parent_; }
    // Places the control on a form (null takes it off); the form paints it.
    void SetParent(TForm* parent);
    void SetParentComponent(TComponent* parent) override;

    // The control's rectangle in its form's client area, alignment applied.
    TRect BoundsIn(const TRect& client) const;
    // Paints the control into `bounds` of the form's client area.
    virtual void Paint(TCanvas& canvas, const TRect& bounds) const = 0;
    // The font in effect: the form's when ParentFont, else its own.
    const TFont& EffectiveFont() const;
    // Asks the form to paint again.
    void Invalidate();

private:
    friend class TForm;
    TForm* parent_ = nullptr;
};
