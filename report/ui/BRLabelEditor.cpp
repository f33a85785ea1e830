#include "report/ui/BRLabelEditor.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/HostServices.h"
#include "report/controls/BRExprControl.h"
#include "report/controls/BRLabel.h"
#include "report/ui/BRExprBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <memory>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

template <class W>
W* named(W* w, const char* name, int x, int y, int width, int height) {
    w->setObjectName(name);
    w->setGeometry(x, y, width, height);
    return w;
}

}  // namespace

// ------------------------------------------------------------ forms

TBRLabelEditorForm::TBRLabelEditorForm(QWidget* parent) : TBRLabelEditorForm(parent, 329, 181, "Text Settings", false) {
    setObjectName("BRLabelEditorForm");
}

TBRLabelEditorForm::TBRLabelEditorForm(QWidget* parent, int width, int height, const char* caption, bool expression)
    : QDialog(parent) {
    setWindowTitle(caption);
    setFixedSize(width, height);
    const int extra = expression ? 29 : 0;   // the mask row
    auto* group = named(new QGroupBox("Properties", this), "PropertiesGB", 8, 8, width - 16, height - 52);
    (new QLabel(expression ? "Expression" : "Text", group))->setGeometry(10, 24, 80, 16);
    Value = named(new QLineEdit(group), "Value", 90, 20, width - 16 - 100 - (expression ? 26 : 0), 22);
    (new QLabel("Width", group))->setGeometry(10, 53 + extra, 60, 16);
    // Digits and one decimal separator, '.' or ',' (both are read).
    auto* number = new QRegularExpressionValidator(QRegularExpression(R"(\d{0,6}([.,]\d{0,6})?)"), this);
    Width = named(new QLineEdit(group), "Width", 90, 49 + extra, 60, 22);
    Width->setValidator(number);
    (new QLabel("Height", group))->setGeometry(160, 53 + extra, 60, 16);
    Height = named(new QLineEdit(group), "Height", 220, 49 + extra, 60, 22);
    Height->setValidator(number);
    AutoSize = named(new QCheckBox("Autosize", group), "AutoSize", 10, 80 + extra, 90, 20);
    Stretch = named(new QCheckBox("Stretch", group), "Stretch", 110, 80 + extra, 90, 20);
    Transparent = named(new QCheckBox("Transparent", group), "Transparent", 200, 80 + extra, 100, 20);
    OKBtn = named(new QPushButton("OK", this), "OKBtn", width - 168, height - 36, 75, 25);
    CancelBtn = named(new QPushButton("Cancel", this), "CancelBtn", width - 85, height - 36, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { accept(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
}

report::EditorValues TBRLabelEditorForm::Values() const {
    report::EditorValues v;
    v.value = Value->text().toStdString();
    v.width = Width->text().toStdString();
    v.height = Height->text().toStdString();
    v.auto_size = AutoSize->isChecked();
    v.stretch = Stretch->isChecked();
    v.transparent = Transparent->isChecked();
    if (auto* self = dynamic_cast<const TBRExprEditorForm*>(this)) v.mask = self->Mask->currentText().toStdString();
    return v;
}

void TBRLabelEditorForm::SetValues(const report::EditorValues& values) {
    Value->setText(q(values.value));
    Width->setText(q(values.width));
    Height->setText(q(values.height));
    AutoSize->setChecked(values.auto_size);
    Stretch->setChecked(values.stretch);
    Transparent->setChecked(values.transparent);
}

void TBRLabelEditorForm::accept() {
    // Every field is checked before anything is applied.
    if (const auto refused = report::check_editor_values(Values())) {
        core::MessageBoxRequest box;
        box.Text = *refused;
        box.Caption = windowTitle().toStdString();
        box.Flags = core::MB_OK | core::MB_ICONERROR;
        core::host().MessageBox(box);
        return;
    }
    QDialog::accept();
}

TBRExprEditorForm::TBRExprEditorForm(QWidget* parent)
    : TBRLabelEditorForm(parent, 367, 210, "Expression settings", true) {
    setObjectName("BRExprEditorForm");
    QWidget* group = Value->parentWidget();
    ShowExprBuilder = named(new QPushButton("...", group), "ShowExprBuilder", 90 + Value->width() + 4, 20, 22, 22);
    (new QLabel("Format mask", group))->setGeometry(10, 53, 80, 16);
    Mask = named(new QComboBox(group), "Mask", 90, 49, Value->width() + 26, 22);
    Mask->setEditable(true);
    connect(ShowExprBuilder, &QPushButton::clicked, this, [this] { ShowExprBuilderClick(); });
}

void TBRExprEditorForm::SetValues(const report::EditorValues& values) {
    TBRLabelEditorForm::SetValues(values);
    Mask->setEditText(q(values.mask));
}

void TBRExprEditorForm::ShowExprBuilderClick() {
    std::string text = Value->text().toStdString();
    if (ShowExpressionBuilder("", text, DataSetForm, nullptr, nullptr)) Value->setText(q(text));
}

// ------------------------------------------------------------ editors

TClass TBRLabelEditor::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRLabelEditor, TBRPrintableEditor>("TBRLabelEditor")
                                       .Factory([](TComponent* owner) -> TObject* {
                                           return new TBRLabelEditor(dynamic_cast<TBRPrintable*>(owner));
                                       })
                                       .Build();
    return &info;
}
TClass TBRLabelEditor::ClassType() const { return StaticClass(); }

TClass TBRExprEditor::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRExprEditor, TBRLabelEditor>("TBRExprEditor")
                                       .Factory([](TComponent* owner) -> TObject* {
                                           return new TBRExprEditor(dynamic_cast<TBRPrintable*>(owner));
                                       })
                                       .Build();
    return &info;
}
TClass TBRExprEditor::ClassType() const { return StaticClass(); }

TBRCustomLabel* TBRLabelEditor::label() const { return dynamic_cast<TBRCustomLabel*>(EditedControl); }

TColor TBRLabelEditor::EditedColor() const { return EditedControl ? EditedControl->Color() : 0; }
const TFont* TBRLabelEditor::EditedFont() const { return EditedControl ? &EditedControl->Font : nullptr; }
TClass TBRLabelEditor::ServedPrintableClass() const { return TBRLabel::StaticClass(); }
std::string TBRLabelEditor::EditedValue() const { return label() ? label()->Caption() : std::string(); }
int TBRLabelEditor::EditedAlignment() const { return EditedControl ? int(EditedControl->Alignment()) : 0; }
void TBRLabelEditor::ApplyAlignment(int alignment) {
    if (EditedControl && alignment >= taLeftJustify && alignment <= taCenter)
        EditedControl->SetAlignment(TAlignment(alignment));
}
void TBRLabelEditor::ApplyColor(TColor color) {
    if (EditedControl) EditedControl->SetColor(color);
}
void TBRLabelEditor::ApplyFont(const TFont& font) {
    if (!EditedControl) return;
    EditedControl->Font.Assign(&font);
    if (TBRCustomLabel* l = label()) l->FontChanged();
}
void TBRLabelEditor::ApplyValue(const std::string& value) {
    if (TBRCustomLabel* l = label()) l->SetCaption(value);
}

bool TBRLabelEditor::ShowEditor() {
    TBRCustomLabel* control = label();
    if (!control) return false;
    std::unique_ptr<TBRLabelEditorForm> form;
    if (is_expression()) {
        auto expr = std::make_unique<TBRExprEditorForm>();
        expr->DataSetForm = report::dataset_component(control);
        form = std::move(expr);
    } else {
        form = std::make_unique<TBRLabelEditorForm>();
    }
    report::EditorValues values = report::editor_values(*control, is_expression());
    values.value = EditedValue();
    form->SetValues(values);
    form->setModal(true);
    const bool ok = form->exec() == QDialog::Accepted;
    if (!ok) return false;
    // Only what the person changed: the main text through the virtual slot,
    // then the size, the switches and the mask (the values were checked
    // when OK was pressed). A field left as shown leaves its value exact.
    const report::EditorValues chosen = form->Values();
    report::EditorChanges changes = report::editor_changes(values, chosen);
    if (changes.value) ApplyValue(chosen.value);
    changes.value = false;
    report::apply_editor_values(*control, chosen, is_expression(), changes);
    return true;
}

TClass TBRExprEditor::ServedPrintableClass() const { return TBRExpr::StaticClass(); }
std::string TBRExprEditor::EditedValue() const {
    auto* expr = dynamic_cast<TBRExpr*>(EditedControl);
    return expr ? expr->Expression() : std::string();
}
void TBRExprEditor::ApplyValue(const std::string& value) {
    if (auto* expr = dynamic_cast<TBRExpr*>(EditedControl)) expr->SetExpression(value);
}
bool TBRExprEditor::ShowEditor() { return TBRLabelEditor::ShowEditor(); }

namespace report {
void RegisterEditorClasses() { RegisterClasses({TBRLabelEditor::StaticClass(), TBRExprEditor::StaticClass()}); }
void UnregisterEditorClasses() {
    for (TClass cls : {TBRExprEditor::StaticClass(), TBRLabelEditor::StaticClass()}) UnRegisterClass(cls);
}
}  // namespace report
