#pragma once
// Controls drawn on a form: position, size, alignment, visibility and the
// font and colour they paint with. Graphic controls have no window of their
// own; the form paints them in the order they were created.

#include "platform/core/Classes.h"

#include <cstdint>
#include <string>

class QPainter;
class QRect;
class QFont;
class TForm;

namespace ui {

// A colour: 0x00BBGGRR, or a system colour (0x80000000 + index).
using Color = std::int32_t;
constexpr Color clBlack = 0x000000;
constexpr Color clMaroon = 0x000080;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clWindow = Color(0x80000005);
constexpr Color clWindowText = Color(0x80000008);
constexpr Color clBtnFace = Color(0x8000000F);
constexpr Color RGB(int r, int g, int b) { return Color(r | (g << 8) | (b << 16)); }
// The RGB value a colour paints with: system colours as on a default desktop.
std::uint32_t color_to_rgb(Color color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A control's font. Height < 0 is the character height in pixels, > 0 the
// cell height; families of the desktop the system came from are drawn with
// their metric-compatible stand-ins (Calibri -> Carlito, Arial and
// MS Sans Serif -> Liberation Sans).
class TFont : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override;
    void Assign(const TPersistent* source) override;

    std::string Name = "MS Sans Serif";
    int Height = -11;
    Color FontColor = clWindowText;
    int Style = 0;   // bit i = TFontStyle i
    int Charset = 1; // DEFAULT_CHARSET; kept, not used for drawing

    // The Qt font this one draws with.
    QFont to_qfont() const;
};

// The family a font name is drawn with here.
std::string font_family(const std::string& name);

} // namespace ui

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
    ui::TFont Font;
    bool ParentFont = true;

    TForm* Parent() const { return parent_; }
    // Places the control on a form (null takes it off); the form paints it.
    void SetParent(TForm* parent);
    void SetParentComponent(TComponent* parent) override;

    // The control's rectangle in its form's client area, alignment applied.
    QRect BoundsIn(const QRect& client) const;
    // Paints the control into `bounds` of the form's client area.
    virtual void Paint(QPainter& painter, const QRect& bounds) const = 0;
    // The font in effect: the form's when ParentFont, else its own.
    const ui::TFont& EffectiveFont() const;
    // Asks the form to paint again.
    void Invalidate();

private:
    friend class TForm;
    TForm* parent_ = nullptr;
};
