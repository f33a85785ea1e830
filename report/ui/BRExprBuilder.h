#pragma once
// The expression builder: a dialog that edits one report expression,
// inserting dataset fields, functions with prompted arguments, environment
// entries and operators at the caret, and validating the expression once
// against the datasets it can find. Each page runs a local loop until one of
// its buttons sets its result code (0 waiting, 1 OK, 2 cancel), so the pages
// behave as nested dialogs inside one window. The builder can also be put
// inside another window (the environment editor and the argument prompts
// do so for nested expressions).

#include <QDialog>
#include <QPlainTextEdit>

#include <memory>
#include <optional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;
class QGroupBox;
class QLineEdit;
class TComponent;
class TStringList;
class TBREvEnvironment;

// A plain-text edit that wraps a long expression at word ends and never
// scrolls sideways. Enter goes to the dialog's default button; Ctrl+Enter
// breaks the line.
class TWordWrapEdit : public QPlainTextEdit {
public:
    explicit TWordWrapEdit(QWidget* parent = nullptr);
    std::string Text() const;
    void SetText(const std::string& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class TBRExpressionBuilder : public QDialog {
public:
    explicit TBRExpressionBuilder(QWidget* parent = nullptr);
    ~TBRExpressionBuilder() override;

    // ---- state
    TComponent* Component = nullptr;           // whose datasets are offered, not owned
    TBREvEnvironment* Environment = nullptr;   // offered entries, not owned
    int MainResult = 0, DataFieldResult = 0, FunctionResult = 0, ArgumentsResult = 0, VariableResult = 0;
    bool EscapeRequested = false;

    // ---- controls (found by these object names)
    QWidget* TopPanel;
    QLabel* Heading;
    TWordWrapEdit* ExpressionEdit;
    QWidget *MainPage, *DataFieldPage, *FunctionPage, *FuncParamsPage, *VariablePage;
    QPushButton *InsertDataFieldBtn, *InsertFunctionBtn, *InsertVariableBtn;
    QPushButton *ClearBtn, *ValidateBtn, *OKBtn, *CancelBtn;
    QListWidget *AvailableDatasets, *AvailableFields;
    QPushButton *DataFieldOKBtn, *DataFieldCancelBtn;
    QListWidget *Categories, *AvailableFunc;
    QLabel *FuncName, *FuncDescription;
    QPushButton *FunctionOKBtn, *FunctionCancelBtn;
    QLabel *CopyFuncName, *CopyFuncDescription;
    QScrollArea* FuncParamSB;
    QPushButton *FuncParamOkBtn, *FuncArgCancelBtn;
    QListWidget* AvailableVariables;
    QLabel* VariableValue;
    QPushButton *ModifyVariablesBtn, *VariableOKBtn, *VariableCancelBtn;

    // ---- operations
    void FillFunctionList(int category);
    void ShowFunctionInfo(int index);
    void FillDataSets();
    void FillVariables();
    // The pickers: the text to insert, or nothing (cancelled).
    std::optional<std::string> PickDataField();
    std::optional<std::string> PickFunction();
    std::optional<std::string> PickVariable();
    std::optional<std::string> PromptArguments(const std::string& letters);
    // Replaces the edit's selection by `text`, the caret after it.
    void InsertAtCaret(const std::string& text);
    // Shows the validation text of the edit's expression.
    void ValidateExpression();
    // Runs until the main result is set (or Escape, or the window holding it
    // is closed), as a part of `parent`, which grows to the builder's size
    // meanwhile when it is smaller.
    void RunInside(QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void run_page(QWidget* page, int& code, bool stop_on_escape);
    void bring_main_to_front(bool focus_edit);
    void available_datasets_click();
    void argument_builder_click(int index);
    std::unique_ptr<TStringList> datasets_;
    std::vector<QLineEdit*> argument_edits_;
};

// Edits `expression` in a builder: true on OK (the expression is then the
// edited text without line breaks), else false with the expression emptied.
// A non-empty heading replaces "Enter expression:". With a parent the
// builder is put inside it; otherwise it is shown modally.
bool ShowExpressionBuilder(const std::string& heading, std::string& expression, TComponent* component,
                           TBREvEnvironment* environment, QWidget* parent);
