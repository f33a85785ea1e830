#pragma once
// The visual tree of a report: controls with a parent, child controls in
// order, bounds in screen pixels, colour, font and an enabled state. They are
// model objects, not widgets: nothing here needs a screen, and a design view
// paints them through Paint on any canvas.

#include "platform/core/Classes.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Font.h"

#include <vector>

namespace report {

class Printable;

class Control : public TComponent {
public:
    explicit Control(TComponent* owner);
    ~Control() override;   // leaves its parent; its children are left without one
    static TClass StaticClass();
    TClass ClassType() const override;

    Control* Parent() const { return parent_; }
    // Moves the control under another parent (null takes it off), last in
    // the new parent's child order.
    virtual void SetParent(Control* parent);
    int ControlCount() const { return int(children_.size()); }
    Control* Controls(int index) const { return children_.at(std::size_t(index)); }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    TRect ClientRect() const { return TRect{0, 0, width_, height_}; }

    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFont Font;
    // True: the control uses its parent's font, now and whenever the
    // parent's font changes.
    bool ParentFont() const { return parent_font_; }
    void SetParentFont(bool parent_font);
    // Gives the control a font of its own: ParentFont is cleared.
    void SetFont(const TFont& font);
    // Tells the control that its own Font was changed in place: ParentFont
    // is cleared, and the children that use this font take it.
    void FontChanged();

    // Marks the control for repainting; Invalidations() counts the marks.
    void Invalidate() { ++invalidations_; }
    int Invalidations() const { return invalidations_; }
    // Paints the control's design picture on a canvas in its own pixels.
    virtual void Paint(TCanvas& canvas) { (void)canvas; }
    // The control as a printable control, or nullptr: what a band's print
    // loop asks of each control for every record, cheaper than a cast.
    virtual Printable* AsPrintable() { return nullptr; }

    // Form resources: a control read under a control becomes its child; a
    // control writes its child controls, and a root also the components it
    // owns that have no parent; components read as children belong to the
    // root's owner tree.
    void SetParentComponent(TComponent* parent) override;
    void GetChildren(std::vector<TComponent*>& children) const override;
    TComponent* ChildOwner() override { return Owner() ? Owner() : this; }

    void Loaded() override;

protected:
    // The control's reaction to a new font, its own or its parent's.
    virtual void FontUpdated() {}
    // Applies bounds without any reaction of derived classes.
    void ApplyBounds(int left, int top, int width, int height);

private:
    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    void take_parent_font();
    void pass_font_on();
    bool enabled_ = true;
    bool parent_font_ = false;
    TColor color_ = clWhite;
    int invalidations_ = 0;
};

}  // namespace report
