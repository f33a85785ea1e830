#include "report/ui/BRPrintDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/graphics/Printers.h"
#include "report/print/BRPrnSu.h"

namespace report::ui {

BRPrintDialog::BRPrintDialog(const PrintDialogOptions& options, graphics::PrintDevice* device, QWidget* parent)
    : QDialog(parent), options_(options) {
    setWindowTitle("Print");
    printer_ = std::make_unique<TPrinter>(device ? device : graphics::print_device(), DevicePaperTable());

    auto* layout = new QVBoxLayout(this);
    auto* printer_box = new QGroupBox("Printer", this);
    auto* printer_form = new QFormLayout(printer_box);
    printers_ = new QComboBox(printer_box);
    for (const std::string& name : printer_->Printers()) printers_->addItem(QString::fromStdString(name));
    int index = options.PrinterIndex;
    if (index < 0 || index >= printer_->PrinterCount()) index = printer_->PrinterIndex();
    if (index >= 0) printers_->setCurrentIndex(index);
    printer_form->addRow("Name:", printers_);
    to_file_ = new QCheckBox("Print to file", printer_box);
    to_file_->setChecked(options.PrintToFile);
    printer_form->addRow(to_file_);
    // Shown only where the caller offers it (nothing here writes a file).
    to_file_->setVisible(options.PrintToFileOffered);
    layout->addWidget(printer_box);

    auto* row = new QHBoxLayout;
    auto* range_box = new QGroupBox("Print range", this);
    auto* range = new QVBoxLayout(range_box);
    all_ = new QRadioButton("All", range_box);
    pages_ = new QRadioButton("Pages", range_box);
    selection_ = new QRadioButton("Selection", range_box);
    from_ = new QSpinBox(range_box);
    to_ = new QSpinBox(range_box);
    for (QSpinBox* s : {from_, to_}) s->setRange(options.MinPage, options.MaxPage);
    from_->setValue(options.FromPage);
    to_->setValue(options.ToPage);
    auto* pages_row = new QHBoxLayout;
    pages_row->addWidget(pages_);
    pages_row->addWidget(new QLabel("from:", range_box));
    pages_row->addWidget(from_);
    pages_row->addWidget(new QLabel("to:", range_box));
    pages_row->addWidget(to_);
    range->addWidget(all_);
    range->addLayout(pages_row);
    range->addWidget(selection_);
    pages_->setEnabled(options.PageNumbersEnabled);
    from_->setEnabled(options.PageNumbersEnabled);
    to_->setEnabled(options.PageNumbersEnabled);
    selection_->setEnabled(false);
    switch (options.Range) {
    case PrintRange::PageNums: (options.PageNumbersEnabled ? pages_ : all_)->setChecked(true); break;
    default: all_->setChecked(true); break;
    }
    row->addWidget(range_box);

    auto* copies_box = new QGroupBox("Copies", this);
    auto* copies_form = new QFormLayout(copies_box);
    copies_ = new QSpinBox(copies_box);
    copies_->setRange(1, 9999);
    copies_->setValue(std::max(1, options.Copies));
    copies_form->addRow("Number of copies:", copies_);
    collate_ = new QCheckBox("Collate", copies_box);
    collate_->setChecked(options.Collate);
    copies_form->addRow(collate_);
    row->addWidget(copies_box);
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(printer_->PrinterCount() > 0);
    layout->addWidget(buttons);
}

BRPrintDialog::~BRPrintDialog() = default;

QPoint BRPrintDialog::Placement(const QSize& screen, const QSize& dialog) {
    return {(screen.width() - dialog.width()) / 2, (screen.height() - dialog.height()) / 3};
}

void BRPrintDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        const QRect area = s->geometry();
        move(area.topLeft() + Placement(area.size(), frameGeometry().size()));
    }
}

PrintDialogOptions BRPrintDialog::Result() const {
    PrintDialogOptions o = options_;
    o.PrinterIndex = printers_->currentIndex();
    o.PrintToFile = options_.PrintToFileOffered && to_file_->isChecked();
    o.Range = pages_->isChecked() ? PrintRange::PageNums : selection_->isChecked() ? PrintRange::Selection
                                                                                  : PrintRange::AllPages;
    o.FromPage = from_->value();
    o.ToPage = to_->value();
    o.Collate = collate_->isChecked();
    // Copies left at 1 are the printer's own (a driver that keeps copies itself).
    o.Copies = copies_->value();
    if (o.PrinterIndex >= 0 && o.PrinterIndex < printer_->PrinterCount()) {
        // The chosen printer's setup, as its driver gives it.
        printer_->SetPrinterIndex(o.PrinterIndex);
        const TDeviceMode& mode = *printer_->DevMode();
        if (o.Copies == 1 && mode.Copies > 1) o.Copies = mode.Copies;
        o.PaperSize = mode.PaperSize;
        o.OutputBin = mode.DefaultSource;
        o.PrintQuality = mode.PrintQuality;
        o.ColorOption = mode.Color;
        o.DuplexCode = mode.Duplex;
    }
    return o;
}

bool QtPrintDialogService::Execute(PrintDialogOptions& options, graphics::PrintDevice* device) {
    BRPrintDialog dialog(options, device);
    if (dialog.exec() != QDialog::Accepted) return false;
    options = dialog.Result();
    return true;
}

}  // namespace report::ui
