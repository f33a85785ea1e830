#include "report/bands/BandRptControl.h"

#include "platform/core/ClassBuilder.h"

#include <algorithm>

namespace report {

Control::Control(TComponent* owner) : TComponent(owner) {}

Control::~Control() {
    SetState(csDestroying, true);
    for (Control* c : children_) c->parent_ = nullptr;
    children_.clear();
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        parent_ = nullptr;
    }
}

TClass Control::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<Control, TComponent>("TBRModelControl").Abstract().Build();
    return &info;
}
TClass Control::ClassType() const { return StaticClass(); }

void Control::SetParent(Control* parent) {
    if (parent == parent_) return;
    // Only a control with children can find itself among its new ancestors:
    // a control being read has none yet, so reading a tree stays linear.
    if (parent == this || !children_.empty())
        for (Control* p = parent; p; p = p->parent_)
            if (p == this) throw EInvalidOperation("Control cannot have itself as parent");
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        parent_->Invalidate();
    }
    parent_ = parent;
    if (parent_) {
        parent_->children_.push_back(this);
        parent_->Invalidate();
        if (parent_font_) take_parent_font();
    }
}

void Control::SetParentFont(bool parent_font) {
    parent_font_ = parent_font;
    if (parent_font_ && parent_) take_parent_font();
}

void Control::SetFont(const TFont& font) {
    if (&font != &Font) Font.Assign(&font);
    FontChanged();
}

void Control::FontChanged() {
    parent_font_ = false;
    FontUpdated();
    Invalidate();
    pass_font_on();
}

void Control::Loaded() {
    TComponent::Loaded();
    if (parent_font_ && parent_) take_parent_font();
}

void Control::take_parent_font() {
    Font.Assign(&parent_->Font);
    FontUpdated();
    Invalidate();
    pass_font_on();
}

void Control::pass_font_on() {
    for (Control* c : children_)
        if (c->parent_font_) c->take_parent_font();
}

void Control::ApplyBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
}

void Control::SetBounds(int left, int top, int width, int height) { ApplyBounds(left, top, width, height); }

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Invalidate();
}

void Control::SetColor(TColor color) {
    if (color_ == color) return;
    color_ = color;
    Invalidate();
}

void Control::SetParentComponent(TComponent* parent) {
    if (auto* p = dynamic_cast<Control*>(parent)) SetParent(p);
}

void Control::GetChildren(std::vector<TComponent*>& children) const {
    children.insert(children.end(), children_.begin(), children_.end());
    if (Owner()) return;
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        auto* ctl = dynamic_cast<Control*>(c);
        if (!ctl || !ctl->Parent()) children.push_back(c);
    }
}

}  // namespace report
