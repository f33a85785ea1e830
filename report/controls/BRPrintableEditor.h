#pragma once
// TBRPrintableEditor: the base of the editors through which a designer edits
// a printable control. A control names its editor class (EditorClass); the
// class is found by name through the class registry, so the editors live in
// the designer's own library and register themselves there.

#include "platform/core/Classes.h"
#include "platform/graphics/Font.h"

#include <memory>
#include <string>

class TBRPrintable;

class TBRPrintableEditor : public TObject {
public:
    explicit TBRPrintableEditor(TBRPrintable* control) : EditedControl(control) {}
    static TClass StaticClass();
    TClass ClassType() const override;

    TBRPrintable* EditedControl = nullptr;   // not owned

    virtual TColor EditedColor() const { return 0; }
    virtual const TFont* EditedFont() const { return nullptr; }
    // The printable class the editor serves.
    virtual TClass ServedPrintableClass() const;
    virtual std::string EditedValue() const { return {}; }
    virtual std::string GlyphResourceName() const { return {}; }
    virtual std::string ControlDisplayName() const { return {}; }
    virtual int EditedAlignment() const { return 0; }
    virtual void ApplyAlignment(int alignment) { (void)alignment; }
    virtual void ApplyColor(TColor color) = 0;
    virtual void ApplyFont(const TFont& font) = 0;
    virtual void ApplyValue(const std::string& value) = 0;
    // Shows the editor; true when the person accepted the changes.
    virtual bool ShowEditor() = 0;
};

namespace report {
// A new editor of the control's editor class, made through the registry;
// null when that class is not registered or cannot be made.
std::unique_ptr<TBRPrintableEditor> create_printable_editor(TBRPrintable& control);
}  // namespace report
