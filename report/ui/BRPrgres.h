#pragma once
// The progress form of stored-page printing and report runs: it takes the
// printer's progress notices and its Cancel cancels the printer's output.

#include <QDialog>

#include <memory>

#include "report/print/BRPrntr.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TBRProgressForm : public QDialog, public report::NoticeWindow {
public:
    explicit TBRProgressForm(TBRPrinter* printer, QWidget* owner = nullptr);
    ~TBRProgressForm() override;

    QLabel* Info;
    QProgressBar* Gauge;
    QPushButton* CancelButton;
    // The printer, or null once it was destroyed.
    TBRPrinter* Printer() const { return alive_ && *alive_ ? printer_ : nullptr; }

    void CancelButtonClick();
    void Notice(unsigned message, std::int64_t wParam, TBRPrinter* lParam) override;

private:
    TBRPrinter* printer_;
    core::Lifeline<TBRPrinter>::Watch alive_;
};
