#include "report/ui/BRSearchDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TSearchDlg::TSearchDlg(QWidget* owner) : QDialog(owner) {
    setObjectName("SearchDlg");
    setWindowTitle("BandReport Preview : Text Search");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(305, 118);
    Label1 = new QLabel("Search for :", this);
    Label1->setGeometry(8, 12, 80, 16);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(8, 32, 289, 22);
    CheckBox1 = new QCheckBox("Match Case", this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(8, 62, 140, 20);
    SpeedButton1 = new QPushButton("Cancel", this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setGeometry(130, 86, 80, 25);
    SpeedButton2 = new QPushButton("Search", this);
    SpeedButton2->setObjectName("SpeedButton2");
    SpeedButton2->setGeometry(217, 86, 80, 25);
    SpeedButton2->setDefault(true);
    connect(SpeedButton1, &QPushButton::clicked, this, [this] {
        Cancelled = true;
        reject();
    });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] {
        Cancelled = false;
        accept();
    });
}
