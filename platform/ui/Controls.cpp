#include "platform/ui/Controls.h"

#include "platform/ui/Forms.h"

#include <QFont>
#include <QRect>

#include "platform/core/ClassBuilder.h"

namespace ui {

std::uint32_t color_to_rgb(Color color) {
    if ((static_cast<std::uint32_t>(color) & 0xFF000000u) == 0x80000000u) {
        switch (static_cast<std::uint32_t>(color) & 0xFF) {
        case 5: return 0xFFFFFF;   // window background
        case 8: return 0x000000;   // window text
        case 15: return 0xF0F0F0;  // button face
        case 18: return 0x000000;  // button text
        case 13: return 0xD77800;  // highlight
        case 14: return 0xFFFFFF;  // highlight text
        default: return 0xFFFFFF;
        }
    }
    return static_cast<std::uint32_t>(color) & 0xFFFFFF;
}

std::string font_family(const std::string& name) {
    struct Map { const char* from; const char* to; };
    static constexpr Map map[] = {
        {"Calibri", "Carlito"},
        {"Arial", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Microsoft Sans Serif", "Liberation Sans"},
        {"Tahoma", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    for (const Map& m : map)
        if (CompareText(name, m.from) == 0) return m.to;
    return name;
}

void TFont::Assign(const TPersistent* source) {
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        Name = f->Name;
        Height = f->Height;
        FontColor = f->FontColor;
        Style = f->Style;
        Charset = f->Charset;
        return;
    }
    TPersistent::Assign(source);
}

QFont TFont::to_qfont() const {
    QFont f(QString::fromStdString(font_family(Name)));
    // A negative height is the character height (the em), a positive one the
    // whole cell; a cell is about 1.2 em for these families.
    const int px = Height < 0 ? -Height : (Height > 0 ? std::max(1, Height * 5 / 6) : 11);
    f.setPixelSize(px);
    f.setBold((Style & (1 << fsBold)) != 0);
    f.setItalic((Style & (1 << fsItalic)) != 0);
    f.setUnderline((Style & (1 << fsUnderline)) != 0);
    f.setStrikeOut((Style & (1 << fsStrikeOut)) != 0);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

} // namespace ui

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
    SetParent(nullptr);
}

void TControl::SetParent(TForm* parent) {
    if (parent == parent_) return;
    if (parent_ != nullptr) parent_->remove_control(this);
    parent_ = parent;
    if (parent_ != nullptr) parent_->add_control(this);
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* form = dynamic_cast<TForm*>(parent)) SetParent(form);
}

QRect TControl::BoundsIn(const QRect& client) const {
    switch (Align) {
    case alClient: return client;
    case alTop: return QRect(client.left(), client.top(), client.width(), Height);
    case alBottom: return QRect(client.left(), client.bottom() + 1 - Height, client.width(), Height);
    case alLeft: return QRect(client.left(), client.top(), Width, client.height());
    case alRight: return QRect(client.right() + 1 - Width, client.top(), Width, client.height());
    case alNone: break;
    }
    return QRect(Left, Top, Width, Height);
}

const ui::TFont& TControl::EffectiveFont() const {
    return (ParentFont && parent_ != nullptr) ? parent_->Font : Font;
}

void TControl::Invalidate() {
    if (parent_ != nullptr) parent_->Invalidate();
}

TClass ui::TFont::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<ui::TFont, TPersistent>("TFont")
        .Integer("Charset", &ui::TFont::Charset, &ui::TFont::Charset).Default(1)
        .Integer("Color", &ui::TFont::FontColor, &ui::TFont::FontColor).Default(int(clWindowText))
        .Integer("Height", &ui::TFont::Height, &ui::TFont::Height).NoDefault()
        .String("Name", &ui::TFont::Name, &ui::TFont::Name).NoDefault()
        .Set("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, &ui::TFont::Style, &ui::TFont::Style)
        .Build();
    return &info;
}
TClass ui::TFont::ClassType() const { return StaticClass(); }

TClass TControl::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TControl, TComponent>("TControl")
        .Integer("Left", &TControl::Left, &TControl::Left)
        .Integer("Top", &TControl::Top, &TControl::Top)
        .Integer("Width", &TControl::Width, &TControl::Width).NoDefault()
        .Integer("Height", &TControl::Height, &TControl::Height).NoDefault()
        .Enum("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}, &TControl::Align,
              &TControl::Align)
        .Bool("Visible", &TControl::Visible, &TControl::Visible).Default(true)
        .Object("Font", [](const TControl& c) { return const_cast<ui::TFont*>(&c.Font); })
        .Stored([](const TControl& c) { return !c.ParentFont; })
        .Bool("ParentFont", &TControl::ParentFont, &TControl::ParentFont).Default(true)
        .Build();
    return &info;
}
TClass TControl::ClassType() const { return StaticClass(); }
