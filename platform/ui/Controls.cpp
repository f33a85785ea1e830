#include "platform/ui/Controls.h"

#include "platform/ui/Forms.h"

#include "platform/core/ClassBuilder.h"

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

TRect TControl::BoundsIn(const TRect& client) const {
    switch (Align) {
    case alClient: return client;
    case alTop: return Rect(client.Left, client.Top, client.Right, client.Top + Height);
    case alBottom: return Rect(client.Left, client.Bottom - Height, client.Right, client.Bottom);
    case alLeft: return Rect(client.Left, client.Top, client.Left + Width, client.Bottom);
    case alRight: return Rect(client.Right - Width, client.Top, client.Right, client.Bottom);
    case alNone: break;
    }
    return Rect(Left, Top, Left + Width, Top + Height);
}

const TFont& TControl::EffectiveFont() const {
    return (ParentFont && parent_ != nullptr) ? parent_->Font : Font;
}

void TControl::Invalidate() {
    if (parent_ != nullptr) parent_->Invalidate();
}

TClass TControl::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TControl, TComponent>("TControl")
        .Integer("Left", &TControl::Left, &TControl::Left)
        .Integer("Top", &TControl::Top, &TControl::Top)
        .Integer("Width", &TControl::Width, &TControl::Width).NoDefault()
        .Integer("Height", &TControl::Height, &TControl::Height).NoDefault()
        .Enum("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}, &TControl::Align,
              &TControl::Align)
        .Bool("Visible", &TControl::Visible, &TControl::Visible).Default(true)
        .Object("Font", [](const TControl& c) { return const_cast<TFont*>(&c.Font); })
        .Stored([](const TControl& c) { return !c.ParentFont; })
        .Bool("ParentFont", &TControl::ParentFont, &TControl::ParentFont).Default(true)
        .Build();
    return &info;
}
TClass TControl::ClassType() const { return StaticClass(); }
