#pragma once
// The text search dialog: the text to find and whether case must match.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TSearchDlg : public QDialog {
public:
    explicit TSearchDlg(QWidget* owner = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QCheckBox* CheckBox1;
    QPushButton* SpeedButton1;  // Cancel
    QPushButton* SpeedButton2;  // Search
    bool Cancelled = true;
};
