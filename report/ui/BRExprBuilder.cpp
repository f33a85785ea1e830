#include "report/ui/BRExprBuilder.h"

#include "platform/core/HostServices.h"
#include "platform/core/StringList.h"
#include "platform/data/DB.h"
#include "report/engine/BRRegister.h"
#include "report/ui/BREnvEditor.h"
#include "report/ui/BRExprBuilderLogic.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextCursor>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

template <class W, class... A>
W* make(QWidget* parent, const char* name, int x, int y, int w, int h, A&&... args) {
    W* widget = new W(std::forward<A>(args)..., parent);
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int x, int y, int w = 75, int h = 25) {
    return make<QPushButton>(parent, name, x, y, w, h, QString::fromUtf8(caption));
}

QLabel* label(QWidget* parent, const char* caption, int x, int y, int w, int h = 16) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setGeometry(x, y, w, h);
    return l;
}

constexpr int kWidth = 378, kHeight = 317, kTop = 51;

}  // namespace

// ------------------------------------------------------------ TWordWrapEdit

TWordWrapEdit::TWordWrapEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("ExpressionEdit");
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
}

void TWordWrapEdit::keyPressEvent(QKeyEvent* event) {
    // Enter belongs to the dialog (its default button, OK); Ctrl+Enter
    // breaks the line.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier)) {
        textCursor().insertBlock();
        return;
    }
    if (enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

std::string TWordWrapEdit::Text() const { return toPlainText().toStdString(); }
void TWordWrapEdit::SetText(const std::string& text) { setPlainText(q(text)); }

// ------------------------------------------------------------ the builder

TBRExpressionBuilder::TBRExpressionBuilder(QWidget* parent) : QDialog(parent) {
    setObjectName("ExpressionBuilder");
    setWindowTitle("Expression Builder");
    setFixedSize(kWidth, kHeight);

    TopPanel = make<QWidget>(this, "TopPanel", 0, 0, kWidth, kTop);
    TopPanel->setAutoFillBackground(true);
    QPalette banner = TopPanel->palette();
    banner.setColor(QPalette::Window, QColor(0, 0, 128));
    TopPanel->setPalette(banner);
    auto* caption = make<QLabel>(TopPanel, "Caption", 16, 12, 300, 26, QString("Expression Builder"));
    QFont bold("Arial");
    bold.setPixelSize(16);
    bold.setBold(true);
    caption->setFont(bold);
    caption->setStyleSheet("color: white");

    // Full-size pages, one in front at a time: each paints its background.
    auto page = [this](const char* name) {
        auto* p = make<QWidget>(this, name, 0, kTop, kWidth, kHeight - kTop);
        p->setAutoFillBackground(true);
        return p;
    };

    // ---- main page
    MainPage = page("MainPage");
    Heading = make<QLabel>(MainPage, "Heading", 20, 16, 341, 16, QString("Enter expression:"));
    ExpressionEdit = new TWordWrapEdit(MainPage);
    ExpressionEdit->setGeometry(20, 36, 341, 91);
    auto* insert = make<QGroupBox>(MainPage, "InsertGB", 20, 132, 341, 88, QString("Insert at cursor position"));
    InsertDataFieldBtn = button(insert, "InsertDataFieldBtn", "&Database field", 8, 18, 105);
    InsertFunctionBtn = button(insert, "InsertFunctionBtn", "&Function", 118, 18, 105);
    InsertVariableBtn = button(insert, "InsertVariableBtn", "&Variable", 228, 18, 105);
    static const char* const kOperators[] = {"+", "-", "*", "/", "=", "<", ">", "<>", "<=", ">=", "Not", "And", "Or"};
    for (int i = 0; i < 13; ++i) {
        const std::string name = std::string("Operator") + std::to_string(i + 1);
        QPushButton* b = button(insert, name.c_str(), kOperators[i], 8 + i * 25, 52, i < 10 ? 24 : 24);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this,
                [this, op = std::string(kOperators[i])] { InsertAtCaret(" " + op + " "); });
    }
    ClearBtn = button(MainPage, "ClearBtn", "&Clear", 20, 230);
    ValidateBtn = button(MainPage, "ValidateBtn", "Valida&te", 100, 230);
    OKBtn = button(MainPage, "OKBtn", "OK", 206, 230);
    CancelBtn = button(MainPage, "CancelBtn", "Cancel", 286, 230);
    OKBtn->setDefault(true);
    connect(ClearBtn, &QPushButton::clicked, this, [this] { ExpressionEdit->clear(); });
    connect(ValidateBtn, &QPushButton::clicked, this, [this] { ValidateExpression(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        MainResult = 1;
        if (isModal()) accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, [this] {
        MainResult = 2;
        if (isModal()) QDialog::reject();
    });
    connect(InsertDataFieldBtn, &QPushButton::clicked, this, [this] {
        const std::optional<std::string> text = PickDataField();
        bring_main_to_front(true);
        if (text) InsertAtCaret(*text);
    });
    connect(InsertFunctionBtn, &QPushButton::clicked, this, [this] {
        const std::optional<std::string> text = PickFunction();
        bring_main_to_front(true);
        if (text) InsertAtCaret(*text);
    });
    connect(InsertVariableBtn, &QPushButton::clicked, this, [this] {
        const std::optional<std::string> text = PickVariable();
        bring_main_to_front(false);
        if (text) InsertAtCaret(*text);
    });

    // ---- data field page
    DataFieldPage = page("DataFieldPage");
    auto* fields = make<QGroupBox>(DataFieldPage, "DataFieldGB", 20, 8, 341, 212,
                                   QString("Insert database field in expression"));
    label(fields, "Select dataset", 8, 18, 160);
    AvailableDatasets = make<QListWidget>(fields, "AvailableDatasets", 8, 36, 158, 166);
    label(fields, "Available fields", 175, 18, 160);
    AvailableFields = make<QListWidget>(fields, "AvailableFields", 175, 36, 158, 166);
    DataFieldOKBtn = button(DataFieldPage, "DataFieldOKBtn", "OK", 206, 230);
    DataFieldCancelBtn = button(DataFieldPage, "DataFieldCancelBtn", "Cancel", 286, 230);
    connect(AvailableDatasets, &QListWidget::currentRowChanged, this, [this] { available_datasets_click(); });
    connect(DataFieldOKBtn, &QPushButton::clicked, this, [this] { DataFieldResult = 1; });
    connect(AvailableFields, &QListWidget::itemDoubleClicked, this, [this] { DataFieldResult = 1; });
    connect(DataFieldCancelBtn, &QPushButton::clicked, this, [this] { DataFieldResult = 2; });

    // ---- function page
    FunctionPage = page("FunctionPage");
    auto* functions = make<QGroupBox>(FunctionPage, "FunctionGB", 20, 8, 341, 212, QString("Select function"));
    label(functions, "Category", 8, 18, 110);
    Categories = make<QListWidget>(functions, "Categories", 8, 36, 110, 110);
    for (const std::string& c : report::function_categories()) Categories->addItem(q(c));
    label(functions, "Available functions", 126, 18, 200);
    AvailableFunc = make<QListWidget>(functions, "AvailableFunc", 126, 36, 207, 110);
    FuncName = make<QLabel>(functions, "FuncName", 8, 152, 325, 16);
    QFont name_font = FuncName->font();
    name_font.setBold(true);
    FuncName->setFont(name_font);
    FuncDescription = make<QLabel>(functions, "FuncDescription", 8, 170, 325, 38);
    FuncDescription->setWordWrap(true);
    FuncDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FunctionOKBtn = button(FunctionPage, "FunctionOKBtn", "Continue", 206, 230);
    FunctionCancelBtn = button(FunctionPage, "FunctionCancelBtn", "Cancel", 286, 230);
    connect(Categories, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) FillFunctionList(row);
    });
    connect(AvailableFunc, &QListWidget::currentRowChanged, this, [this](int row) { ShowFunctionInfo(row); });
    connect(FunctionOKBtn, &QPushButton::clicked, this, [this] { FunctionResult = 1; });
    connect(AvailableFunc, &QListWidget::itemDoubleClicked, this, [this] { FunctionResult = 1; });
    connect(FunctionCancelBtn, &QPushButton::clicked, this, [this] { FunctionResult = 2; });

    // ---- argument page
    FuncParamsPage = page("FuncParamsPage");
    auto* params = make<QGroupBox>(FuncParamsPage, "FuncParamsGB", 20, 8, 341, 212,
                                   QString("Enter parameters for function"));
    CopyFuncName = make<QLabel>(params, "CopyFuncName", 8, 18, 325, 16);
    CopyFuncName->setFont(name_font);
    CopyFuncDescription = make<QLabel>(params, "CopyFuncDescription", 8, 36, 325, 30);
    CopyFuncDescription->setWordWrap(true);
    CopyFuncDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FuncParamSB = make<QScrollArea>(params, "FuncParamSB", 8, 70, 325, 134);
    FuncParamSB->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FuncParamSB->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FuncParamOkBtn = button(FuncParamsPage, "FuncParamOkBtn", "OK", 206, 230);
    FuncArgCancelBtn = button(FuncParamsPage, "FuncArgCancelBtn", "Cancel", 286, 230);
    connect(FuncParamOkBtn, &QPushButton::clicked, this, [this] { ArgumentsResult = 1; });
    connect(FuncArgCancelBtn, &QPushButton::clicked, this, [this] { ArgumentsResult = 2; });

    // ---- variable page
    VariablePage = page("VariablePage");
    auto* variables = make<QGroupBox>(VariablePage, "VariableGB", 20, 8, 341, 212, QString("Select variable"));
    AvailableVariables = make<QListWidget>(variables, "AvailableVariables", 8, 20, 325, 130);
    label(variables, "Value :", 8, 158, 50);
    VariableValue = make<QLabel>(variables, "VariableValue", 60, 158, 273, 46);
    VariableValue->setWordWrap(true);
    VariableValue->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ModifyVariablesBtn = button(VariablePage, "ModifyVariablesBtn", "&Modify variables", 20, 230, 110);
    VariableOKBtn = button(VariablePage, "VariableOKBtn", "OK", 206, 230);
    VariableCancelBtn = button(VariablePage, "VariableCancelBtn", "Cancel", 286, 230);
    connect(AvailableVariables, &QListWidget::currentRowChanged, this, [this](int row) {
        VariableValue->setText(
            row < 0 ? QString() : q(report::variable_value(Environment, AvailableVariables->item(row)->text().toStdString())));
    });
    connect(ModifyVariablesBtn, &QPushButton::clicked, this, [this] {
        ShowEnvironmentEditor(Environment, true);
        FillVariables();
    });
    connect(VariableOKBtn, &QPushButton::clicked, this, [this] { VariableResult = 1; });
    connect(AvailableVariables, &QListWidget::itemDoubleClicked, this, [this] { VariableResult = 1; });
    connect(VariableCancelBtn, &QPushButton::clicked, this, [this] { VariableResult = 2; });

    for (QWidget* p : {DataFieldPage, FunctionPage, FuncParamsPage, VariablePage}) p->setEnabled(false);
    MainPage->raise();
    FillFunctionList(0);
}

TBRExpressionBuilder::~TBRExpressionBuilder() = default;

void TBRExpressionBuilder::FillFunctionList(int category) {
    AvailableFunc->blockSignals(true);
    AvailableFunc->clear();
    for (TBRLibraryEntry* entry : report::functions_in_category(category)) {
        auto* item = new QListWidgetItem(q(entry->Name), AvailableFunc);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(entry)));
    }
    AvailableFunc->blockSignals(false);
    if (AvailableFunc->count() > 0) AvailableFunc->setCurrentRow(0);
    ShowFunctionInfo(0);
}

void TBRExpressionBuilder::ShowFunctionInfo(int index) {
    const TBRLibraryEntry* entry = nullptr;
    if (index >= 0 && index < AvailableFunc->count())
        entry = static_cast<TBRLibraryEntry*>(AvailableFunc->item(index)->data(Qt::UserRole).value<void*>());
    const report::FunctionInfo info = report::function_info(entry);
    FuncName->setText(q(info.name));
    FuncDescription->setText(q(info.description));
}

void TBRExpressionBuilder::FillDataSets() {
    datasets_.reset(CollectDataSets(Component, true));
    AvailableDatasets->blockSignals(true);
    AvailableDatasets->clear();
    for (int i = 0; i < datasets_->Count(); ++i) AvailableDatasets->addItem(q(datasets_->Strings(i)));
    AvailableDatasets->blockSignals(false);
    if (AvailableDatasets->count() > 0) AvailableDatasets->setCurrentRow(0);
    available_datasets_click();
}

void TBRExpressionBuilder::available_datasets_click() {
    AvailableFields->clear();
    const int row = AvailableDatasets->currentRow();
    if (!datasets_ || row < 0 || row >= datasets_->Count()) return;
    for (const std::string& name : report::field_names(dynamic_cast<TDataSet*>(datasets_->Objects(row))))
        AvailableFields->addItem(q(name));
}

void TBRExpressionBuilder::FillVariables() {
    AvailableVariables->clear();
    for (const std::string& name : report::variable_names(Environment)) AvailableVariables->addItem(q(name));
    if (AvailableVariables->count() > 0) AvailableVariables->setCurrentRow(0);
}

void TBRExpressionBuilder::run_page(QWidget* page, int& code, bool stop_on_escape) {
    QPointer<TBRExpressionBuilder> alive(this);
    MainPage->setEnabled(false);
    page->setEnabled(true);
    page->raise();
    code = 0;
    if (stop_on_escape) EscapeRequested = false;
    // A page hidden with its window (closed) waits no more.
    while (alive && code == 0 && !(stop_on_escape && EscapeRequested) && isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!alive) return;
    page->setEnabled(false);
    MainPage->setEnabled(true);
}

void TBRExpressionBuilder::bring_main_to_front(bool focus_edit) {
    MainPage->raise();
    if (focus_edit) ExpressionEdit->setFocus();
}

std::optional<std::string> TBRExpressionBuilder::PickDataField() {
    run_page(DataFieldPage, DataFieldResult, true);
    if (DataFieldResult != 1) return std::nullopt;
    const int ds = AvailableDatasets->currentRow();
    QListWidgetItem* field = AvailableFields->currentItem();
    if (ds < 0 || !field || !datasets_) return std::string();
    TList list;
    for (int i = 0; i < datasets_->Count(); ++i)
        if (auto* ds = dynamic_cast<TDataSet*>(datasets_->Objects(i))) list.Add(ds);
    return report::data_field_text(&list, AvailableDatasets->item(ds)->text().toStdString(),
                                   field->text().toStdString());
}

std::optional<std::string> TBRExpressionBuilder::PickFunction() {
    run_page(FunctionPage, FunctionResult, false);
    if (FunctionResult != 1) return std::nullopt;
    QListWidgetItem* item = AvailableFunc->currentItem();
    if (!item) return std::nullopt;
    const auto* entry = static_cast<TBRLibraryEntry*>(item->data(Qt::UserRole).value<void*>());
    if (entry->Data.size() < 2) return entry->Name;
    const std::optional<std::string> arguments = PromptArguments(report::argument_letters(entry->Data));
    if (!arguments) return std::nullopt;
    return entry->Name + "(" + *arguments + ")";
}

std::optional<std::string> TBRExpressionBuilder::PromptArguments(const std::string& letters) {
    CopyFuncName->setText(FuncName->text());
    CopyFuncDescription->setText(FuncDescription->text());
    const int width = FuncParamSB->width();
    auto* box = new QWidget;
    box->setObjectName("FuncParamBox");
    box->resize(width - 20, int(letters.size()) * 40);
    argument_edits_.clear();
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const int top = int(i) * 40;
        auto* caption = new QLabel(q(report::argument_caption(letters[i], int(i) + 1)), box);
        caption->setObjectName(QString("ArgumentLabel%1").arg(i + 1));
        caption->setGeometry(10, top, width - 60, 15);
        auto* edit = new QLineEdit(box);
        edit->setObjectName(QString("ArgumentEdit%1").arg(i + 1));
        edit->setGeometry(10, top + 15, width - 60, 20);
        auto* more = new QPushButton("...", box);
        more->setObjectName(QString("ArgumentBuilder%1").arg(i + 1));
        more->setGeometry(width - 40, top + 15, 20, 20);
        connect(more, &QPushButton::clicked, this, [this, i] { argument_builder_click(int(i)); });
        argument_edits_.push_back(edit);
    }
    FuncParamSB->setWidget(box);
    FuncParamSB->verticalScrollBar()->setSingleStep(40);
    run_page(FuncParamsPage, ArgumentsResult, false);
    std::optional<std::string> out;
    if (ArgumentsResult == 1) {
        std::vector<std::string> texts;
        for (QLineEdit* e : argument_edits_) texts.push_back(e->text().toStdString());
        const std::string call = report::function_call_text("", texts);
        out = call.substr(1, call.size() - 2);
    }
    argument_edits_.clear();
    delete FuncParamSB->takeWidget();
    return out;
}

void TBRExpressionBuilder::argument_builder_click(int index) {
    if (index < 0 || index >= int(argument_edits_.size())) return;
    QPointer<QLineEdit> edit = argument_edits_[std::size_t(index)];
    std::string text = edit->text().toStdString();
    const bool ok = ShowExpressionBuilder(report::argument_heading(index + 1, FuncName->text().toStdString()), text,
                                          Component, Environment, this);
    if (!edit) return;
    if (ok) edit->setText(q(text));
    FuncParamsPage->raise();
    edit->setFocus();
    edit->selectAll();
}

std::optional<std::string> TBRExpressionBuilder::PickVariable() {
    run_page(VariablePage, VariableResult, true);
    if (VariableResult != 1) return std::nullopt;
    QListWidgetItem* item = AvailableVariables->currentItem();
    if (!item) return std::nullopt;
    return item->text().toStdString();
}

void TBRExpressionBuilder::InsertAtCaret(const std::string& text) {
    QTextCursor cursor = ExpressionEdit->textCursor();
    cursor.insertText(q(text));
    ExpressionEdit->setTextCursor(cursor);
}

void TBRExpressionBuilder::ValidateExpression() {
    if (!datasets_) datasets_.reset(CollectDataSets(Component, true));
    core::host().Information(report::validation_text(ExpressionEdit->Text(), datasets_.get(), Environment));
}

void TBRExpressionBuilder::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Space) {
        EscapeRequested = true;
        if (event->key() == Qt::Key_Escape && MainPage->isEnabled()) CancelBtn->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TBRExpressionBuilder::reject() {
    // Escape: the cancel key of the main page; on another page it only asks
    // the page to stop.
    EscapeRequested = true;
    if (MainPage->isEnabled()) CancelBtn->click();
}

void TBRExpressionBuilder::closeEvent(QCloseEvent* event) {
    // Closing ends every page that waits and the builder itself, whichever
    // page is in front.
    DataFieldResult = FunctionResult = ArgumentsResult = VariableResult = 2;
    if (MainResult != 1) MainResult = 2;
    event->accept();
    done(MainResult == 1 ? QDialog::Accepted : QDialog::Rejected);
}

void TBRExpressionBuilder::RunInside(QWidget* parent) {
    QPointer<TBRExpressionBuilder> alive(this);
    QPointer<QWidget> host(parent);
    setParent(parent, Qt::Widget);
    move(0, 0);
    // A parent smaller than the builder (the environment editor) grows to
    // hold it while it runs, so that none of its controls is cut off.
    const QSize was = parent->size(), min = parent->minimumSize(), max = parent->maximumSize();
    const QSize need = was.expandedTo(size());
    if (need != was) {
        parent->setMaximumSize(max.expandedTo(need));
        parent->setMinimumSize(need);
        parent->resize(need);
    }
    FillDataSets();
    FillVariables();
    show();
    raise();
    ExpressionEdit->setFocus();
    // The loop also ends when the window holding the builder is closed.
    while (alive && MainResult == 0 && !EscapeRequested && isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (alive) hide();
    if (host && need != was) {
        host->setMinimumSize(min);
        host->setMaximumSize(max);
        host->resize(was);
    }
}

bool ShowExpressionBuilder(const std::string& heading, std::string& expression, TComponent* component,
                           TBREvEnvironment* environment, QWidget* parent) {
    auto* builder = new TBRExpressionBuilder(nullptr);
    QPointer<TBRExpressionBuilder> alive(builder);
    builder->Component = component;
    builder->Environment = environment;
    if (!heading.empty()) builder->Heading->setText(q(heading));
    builder->ExpressionEdit->SetText(expression);
    builder->ExpressionEdit->selectAll();
    builder->MainResult = 0;
    builder->EscapeRequested = false;
    if (parent) {
        builder->RunInside(parent);
    } else {
        builder->setModal(true);
        builder->FillDataSets();
        builder->FillVariables();
        builder->ExpressionEdit->setFocus();
        builder->exec();
    }
    const bool ok = alive && builder->MainResult == 1;
    expression = ok ? StripLineBreaks(builder->ExpressionEdit->Text()) : std::string();
    delete builder;
    return ok;
}
