#include "report/ui/BREnvEditor.h"

#include "platform/core/HostServices.h"
#include "report/ui/BRExprBuilder.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QPushButton* button(QWidget* parent, const char* name, const char* caption, int x, int y, int w = 75, int h = 25) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setGeometry(x, y, w, h);
    return b;
}

}  // namespace

TBREnvironmentEditor::TBREnvironmentEditor(QWidget* parent) : QDialog(parent) {
    setObjectName("EnvironmentEditor");
    setWindowTitle("User Defined Functions Edtor");
    setFixedSize(376, 269);

    NewEntryGB = new QGroupBox("New entry", this);
    NewEntryGB->setObjectName("NewEntryGB");
    NewEntryGB->setGeometry(8, 8, 360, 220);
    // Raised over the other group, it hides it whole.
    NewEntryGB->setAutoFillBackground(true);
    (new QLabel("Name :", NewEntryGB))->setGeometry(12, 28, 80, 16);
    Name = new QLineEdit(NewEntryGB);
    Name->setObjectName("Name");
    Name->setGeometry(12, 46, 335, 22);
    (new QLabel("Expression :", NewEntryGB))->setGeometry(12, 78, 100, 16);
    Expression = new QLineEdit(NewEntryGB);
    Expression->setObjectName("Expression");
    Expression->setGeometry(12, 96, 307, 22);
    SpeedButton1 = button(NewEntryGB, "SpeedButton1", "...", 325, 96, 22, 22);
    NewOKBtn = button(NewEntryGB, "NewOKBtn", "&OK", 192, 180);
    NewCancelBtn = button(NewEntryGB, "NewCancelBtn", "&Cancel", 272, 180);

    AvailableGB = new QGroupBox("Available User Defined Functions", this);
    AvailableGB->setObjectName("AvailableGB");
    AvailableGB->setGeometry(8, 8, 360, 220);
    AvailableGB->setAutoFillBackground(true);
    UDFGrid = new QTableWidget(0, 2, AvailableGB);
    UDFGrid->setObjectName("UDFGrid");
    UDFGrid->setGeometry(12, 22, 336, 166);
    UDFGrid->setHorizontalHeaderLabels({"Name", "Expression"});
    UDFGrid->setColumnWidth(0, 123);
    UDFGrid->setColumnWidth(1, 165);
    UDFGrid->verticalHeader()->setDefaultSectionSize(20);
    UDFGrid->verticalHeader()->setVisible(false);
    UDFGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    UDFGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    UDFGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    LocalCB = new QRadioButton("&Local defines", AvailableGB);
    LocalCB->setObjectName("LocalCB");
    LocalCB->setGeometry(12, 194, 150, 20);
    LocalCB->setChecked(true);
    GlobalCB = new QRadioButton("&Global defines", AvailableGB);
    GlobalCB->setObjectName("GlobalCB");
    GlobalCB->setGeometry(180, 194, 150, 20);

    AddBtn = button(this, "AddBtn", "&Add", 8, 236);
    EditBtn = button(this, "EditBtn", "&Edit", 88, 236);
    DeleteBtn = button(this, "DeleteBtn", "&Delete", 168, 236);
    CloseBtn = button(this, "CloseBtn", "Close", 293, 236);
    CloseBtn->setDefault(true);

    connect(LocalCB, &QRadioButton::toggled, this, [this] { FillGrid(); });
    connect(UDFGrid, &QTableWidget::cellChanged, this, [this](int row, int column) { cell_changed(row, column); });
    connect(UDFGrid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { EditRow(row); });
    connect(EditBtn, &QPushButton::clicked, this, [this] { EditRow(UDFGrid->currentRow()); });
    connect(DeleteBtn, &QPushButton::clicked, this, [this] {
        report::EnvironmentGrid(CurrentEnvironment()).remove_row(UDFGrid->currentRow());
        FillGrid();
    });
    connect(AddBtn, &QPushButton::clicked, this, [this] {
        const auto entry = AskNewEntry();
        if (!entry) return;
        if (const auto refused = report::EnvironmentGrid(CurrentEnvironment()).add_entry(entry->first, entry->second))
            show_refusal(*refused);
        FillGrid();
    });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] {
        std::string text = Expression->text().toStdString();
        if (ShowExpressionBuilder(Name->text().toStdString(), text, nullptr, Environment, this))
            Expression->setText(q(text));
    });
    connect(NewOKBtn, &QPushButton::clicked, this, [this] { NewEntryResult = 1; });
    connect(NewCancelBtn, &QPushButton::clicked, this, [this] { NewEntryResult = 2; });
    connect(CloseBtn, &QPushButton::clicked, this, [this] {
        CloseRequested = true;
        accept();
    });
}

TBREvEnvironment* TBREnvironmentEditor::CurrentEnvironment() const {
    return LocalCB->isChecked() ? Environment : &ApplicationEnvironment();
}

void TBREnvironmentEditor::FillGrid() {
    filling_ = true;
    const report::EnvironmentGrid grid(CurrentEnvironment());
    UDFGrid->setRowCount(grid.rows());
    for (int r = 0; r < grid.rows(); ++r) {
        UDFGrid->setItem(r, 0, new QTableWidgetItem(q(grid.name(r))));
        UDFGrid->setItem(r, 1, new QTableWidgetItem(q(grid.expression(r))));
    }
    filling_ = false;
}

void TBREnvironmentEditor::show_refusal(const std::string& message) {
    core::MessageBoxRequest box;
    box.Text = message;
    box.Caption = windowTitle().toStdString();
    box.Flags = core::MB_OK | core::MB_ICONWARNING;
    core::host().MessageBox(box);
}

void TBREnvironmentEditor::cell_changed(int row, int column) {
    if (filling_) return;
    report::EnvironmentGrid grid(CurrentEnvironment());
    const std::string text = UDFGrid->item(row, column)->text().toStdString();
    if (column == 0) {
        if (const auto refused = grid.set_name(row, text)) show_refusal(*refused);
    } else {
        grid.set_expression(row, text);
    }
    // The cell shows what the entry holds now (refused edits come back).
    filling_ = true;
    UDFGrid->item(row, column)->setText(q(column == 0 ? grid.name(row) : grid.expression(row)));
    filling_ = false;
}

std::optional<std::pair<std::string, std::string>> TBREnvironmentEditor::AskNewEntry() {
    QPointer<TBREnvironmentEditor> alive(this);
    for (QPushButton* b : {AddBtn, EditBtn, DeleteBtn, CloseBtn}) b->hide();
    NewEntryGB->raise();
    NewEntryResult = 0;
    while (alive && NewEntryResult == 0 && !CloseRequested)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!alive) return std::nullopt;
    for (QPushButton* b : {AddBtn, EditBtn, DeleteBtn, CloseBtn}) b->show();
    AvailableGB->raise();
    if (NewEntryResult != 1) return std::nullopt;
    return std::make_pair(Name->text().toStdString(), Expression->text().toStdString());
}

void TBREnvironmentEditor::EditRow(int row) {
    report::EnvironmentGrid grid(CurrentEnvironment());
    if (row < 0 || row >= grid.rows()) return;
    std::string text = grid.expression(row);
    if (!ShowExpressionBuilder(grid.name(row), text, nullptr, Environment, this)) return;
    UDFGrid->item(row, 1)->setText(q(text));   // applied as a grid edit
}

void TBREnvironmentEditor::reject() {
    CloseRequested = true;
    QDialog::reject();
}

void TBREnvironmentEditor::closeEvent(QCloseEvent* event) {
    CloseRequested = true;
    NewEntryResult = 2;
    QDialog::closeEvent(event);
}

void ShowEnvironmentEditor(TBREvEnvironment* environment, bool global_allowed) {
    TBREnvironmentEditor editor;
    if (!global_allowed) editor.GlobalCB->setEnabled(false);
    editor.Environment = environment;
    if (!environment) {
        editor.LocalCB->setEnabled(false);
        editor.GlobalCB->setChecked(true);
    }
    editor.FillGrid();
    editor.CloseRequested = false;
    editor.setModal(true);
    editor.exec();
}
