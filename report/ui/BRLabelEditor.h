#pragma once
// The editors of the text controls: TBRLabelEditor for TBRLabel and
// TBRExprEditor for TBRExpr answer a designer's questions about their
// control and show a small modal form for its text (or expression), size and
// switches. A control names its editor class; RegisterEditorClasses makes
// both findable by that name.

#include <QDialog>

#include "report/controls/BRPrintableEditor.h"
#include "report/ui/BRExprBuilderLogic.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TBRCustomLabel;

// "Text Settings": Value, Width, Height, Autosize, Stretch, Transparent.
class TBRLabelEditorForm : public QDialog {
public:
    explicit TBRLabelEditorForm(QWidget* parent = nullptr);
    QLineEdit* Value;
    QLineEdit *Width, *Height;
    QCheckBox *AutoSize, *Stretch, *Transparent;
    QPushButton *OKBtn, *CancelBtn;
    // What the fields hold now; the fields from values.
    report::EditorValues Values() const;
    virtual void SetValues(const report::EditorValues& values);

protected:
    TBRLabelEditorForm(QWidget* parent, int width, int height, const char* caption, bool expression);
    void accept() override;
};

// "Expression settings": the label form's fields, the Mask combo box and the
// "..." button that opens the expression builder over DataSetForm.
class TBRExprEditorForm : public TBRLabelEditorForm {
public:
    explicit TBRExprEditorForm(QWidget* parent = nullptr);
    TComponent* DataSetForm = nullptr;   // whose datasets the builder offers
    QPushButton* ShowExprBuilder;
    QComboBox* Mask;
    void SetValues(const report::EditorValues& values) override;
    void ShowExprBuilderClick();
};

class TBRLabelEditor : public TBRPrintableEditor {
public:
    explicit TBRLabelEditor(TBRPrintable* control) : TBRPrintableEditor(control) {}
    static TClass StaticClass();
    TClass ClassType() const override;

    TColor EditedColor() const override;
    const TFont* EditedFont() const override;
    TClass ServedPrintableClass() const override;
    std::string EditedValue() const override;
    std::string GlyphResourceName() const override { return "BRLABEL"; }
    std::string ControlDisplayName() const override { return "Text Control"; }
    int EditedAlignment() const override;
    void ApplyAlignment(int alignment) override;
    void ApplyColor(TColor color) override;
    void ApplyFont(const TFont& font) override;
    void ApplyValue(const std::string& value) override;
    bool ShowEditor() override;

protected:
    TBRCustomLabel* label() const;
    virtual bool is_expression() const { return false; }
};

class TBRExprEditor : public TBRLabelEditor {
public:
    explicit TBRExprEditor(TBRPrintable* control) : TBRLabelEditor(control) {}
    static TClass StaticClass();
    TClass ClassType() const override;

    TClass ServedPrintableClass() const override;
    std::string EditedValue() const override;
    std::string GlyphResourceName() const override { return "BREXPR"; }
    std::string ControlDisplayName() const override { return "Expression Control"; }
    void ApplyValue(const std::string& value) override;
    bool ShowEditor() override;

protected:
    bool is_expression() const override { return true; }
};

namespace report {
// Registers TBRLabelEditor and TBRExprEditor with the class registry.
void RegisterEditorClasses();
void UnregisterEditorClasses();
}  // namespace report
