#pragma once
// The print dialog: a Qt dialog over the destinations of the print device
// with the printer, the page range, copies, collate and, when the caller
// offers it, print to file. When
// confirmed it reads back the chosen printer's setup: paper, source,
// orientation, quality, colour and duplex. It opens centred horizontally and
// a third of the way down the screen.
//
// QtPrintDialogService puts it behind report::print_dialog_slot; the
// engine reaches it only through that slot.

#include <QDialog>

#include <memory>

#include "report/print/BRPrintDialog.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;
class TPrinter;

namespace report::ui {

class BRPrintDialog : public QDialog {
public:
    // device nullptr: the installed print device.
    BRPrintDialog(const PrintDialogOptions& options, graphics::PrintDevice* device, QWidget* parent = nullptr);
    ~BRPrintDialog() override;

    // The choice, with the chosen printer's setup read back.
    PrintDialogOptions Result() const;

    // Where the dialog opens on a screen of the given size.
    static QPoint Placement(const QSize& screen, const QSize& dialog);

    QComboBox* printers() const { return printers_; }
    QRadioButton* allPages() const { return all_; }
    QRadioButton* pageNumbers() const { return pages_; }
    QRadioButton* selection() const { return selection_; }
    QSpinBox* fromPage() const { return from_; }
    QSpinBox* toPage() const { return to_; }
    QSpinBox* copies() const { return copies_; }
    QCheckBox* collate() const { return collate_; }
    QCheckBox* printToFile() const { return to_file_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    PrintDialogOptions options_;
    std::unique_ptr<TPrinter> printer_;
    QComboBox* printers_ = nullptr;
    QRadioButton *all_ = nullptr, *pages_ = nullptr, *selection_ = nullptr;
    QSpinBox *from_ = nullptr, *to_ = nullptr, *copies_ = nullptr;
    QCheckBox *collate_ = nullptr, *to_file_ = nullptr;
};

// The print dialog service of a program with a screen.
class QtPrintDialogService : public PrintDialogService {
public:
    bool Execute(PrintDialogOptions& options, graphics::PrintDevice* device) override;
};

}  // namespace report::ui
