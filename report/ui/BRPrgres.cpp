#include "report/ui/BRPrgres.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "report/ui/BRPreviewLogic.h"

TBRProgressForm::TBRProgressForm(TBRPrinter* printer, QWidget* owner) : QDialog(owner), printer_(printer), alive_(printer ? printer->AliveToken() : nullptr) {
    setObjectName("BRProgressForm");
    setWindowTitle("Printing progress");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(149, 97);
    Info = new QLabel(this);
    Info->setObjectName("Info");
    Info->setAlignment(Qt::AlignCenter);
    Info->setGeometry(4, 8, 141, 16);
    Gauge = new QProgressBar(this);
    Gauge->setObjectName("Gauge");
    Gauge->setRange(0, 100);
    Gauge->setValue(0);
    Gauge->setGeometry(8, 30, 133, 20);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setGeometry(37, 60, 75, 25);
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
}

TBRProgressForm::~TBRProgressForm() {
    if (TBRPrinter* p = Printer(); p && p->Preview == this) p->Preview = nullptr;
}

void TBRProgressForm::CancelButtonClick() {
    if (TBRPrinter* p = Printer()) p->CancelOutput();
}

void TBRProgressForm::Notice(unsigned message, std::int64_t, TBRPrinter*) {
    if (message != report::BRM_PROGRESS || !Printer()) return;
    const int v = Printer()->LastProgress();
    const auto text = report::ProgressFormText(v);
    if (!text) return;
    Gauge->setValue(v);
    Info->setText(QString::fromStdString(*text));
    QApplication::processEvents();
}
