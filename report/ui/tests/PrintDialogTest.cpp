// The print dialog on Qt's offscreen platform: what it starts from, where it
// opens, and what it gives back.

#include "report/ui/BRPrintDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "report/print/tests/FakeDevice.h"

using report::PrintDialogOptions;
using report::PrintRange;
using report::testing::FakeDevice;
using report::testing::office_printer;
using report::ui::BRPrintDialog;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "print-dialog-test";
    static char* argv[] = {name, nullptr};
    static QApplication a(argc, argv);
    return a;
}

FakeDevice two_printers(int duplex, int color, int copies) {
    FakeDevice d;
    d.destinations = {office_printer("front"), office_printer("back")};
    d.destinations[0].IsDefault = true;
    d.destinations[1].IsDefault = false;
    for (auto& dest : d.destinations) {
        dest.Defaults.Duplex = duplex;
        dest.Defaults.Color = color;
        dest.Defaults.Copies = copies;
    }
    return d;
}

TEST(PrintDialog, PageRangeFollowsTheRun) {
    app();
    struct Case {
        const char* name;
        int min, max, from, to;
    };
    const Case cases[] = {{"before a run", 0, 9999, 0, 0}, {"after a run of 12 pages", 1, 12, 1, 12}};
    FakeDevice device = two_printers(1, 2, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrintDialogOptions o;
        o.MinPage = c.min;
        o.MaxPage = c.max;
        o.FromPage = c.from;
        o.ToPage = c.to;
        BRPrintDialog dialog(o, &device);
        EXPECT_EQ(dialog.fromPage()->minimum(), c.min);
        EXPECT_EQ(dialog.toPage()->maximum(), c.max);
        EXPECT_EQ(dialog.fromPage()->value(), c.from);
        EXPECT_EQ(dialog.toPage()->value(), c.to);
        EXPECT_TRUE(dialog.allPages()->isChecked());
        EXPECT_EQ(dialog.printers()->count(), 2);
        EXPECT_EQ(dialog.printers()->currentText(), "front");  // -1: the default
    }
}

TEST(PrintDialog, OpensCentredAThirdDown) {
    app();
    EXPECT_EQ(BRPrintDialog::Placement(QSize(1200, 900), QSize(400, 300)), QPoint(400, 200));
    EXPECT_EQ(BRPrintDialog::Placement(QSize(1024, 768), QSize(501, 301)), QPoint(261, 155));
    FakeDevice device = two_printers(1, 2, 1);
    BRPrintDialog dialog(PrintDialogOptions{}, &device);
    dialog.show();
    QApplication::processEvents();
    const QRect screen = dialog.screen()->geometry();
    const QRect frame = dialog.frameGeometry();
    EXPECT_EQ(frame.topLeft() - screen.topLeft(), BRPrintDialog::Placement(screen.size(), frame.size()));
    dialog.close();
}

TEST(PrintDialog, ChoiceAndThePrintersSetupReadBack) {
    app();
    struct Case {
        const char* name;
        int duplex, color, printer_copies;
        int copies;          // as the person leaves them
        int result_copies;   // as the dialog gives them back
        bool duplexed;
    };
    const Case cases[] = {
        {"simplex, colour", 1, 2, 1, 3, 3, false},
        {"long edge", 2, 1, 1, 1, 1, true},
        {"short edge; copies left at 1 take the printer's", 3, 2, 4, 1, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDevice device = two_printers(c.duplex, c.color, c.printer_copies);
        PrintDialogOptions o;
        o.MinPage = 1;
        o.MaxPage = 8;
        o.FromPage = 1;
        o.ToPage = 8;
        o.Orientation = poLandscape;
        BRPrintDialog dialog(o, &device);
        dialog.printers()->setCurrentIndex(1);
        dialog.pageNumbers()->setChecked(true);
        dialog.fromPage()->setValue(2);
        dialog.toPage()->setValue(5);
        dialog.copies()->setValue(c.copies);
        dialog.collate()->setChecked(true);
        const PrintDialogOptions r = dialog.Result();
        EXPECT_EQ(r.PrinterIndex, 1);
        EXPECT_EQ(r.Range, PrintRange::PageNums);
        EXPECT_EQ(r.FromPage, 2);
        EXPECT_EQ(r.ToPage, 5);
        EXPECT_EQ(r.Copies, c.result_copies);
        EXPECT_TRUE(r.Collate);
        EXPECT_EQ(r.DuplexCode, c.duplex);
        EXPECT_EQ(r.Duplex(), c.duplexed);
        EXPECT_EQ(r.ColorOption, c.color);
        EXPECT_EQ(r.PaperSize, 9);
        EXPECT_EQ(r.Orientation, poLandscape);
    }
}

// "Print to file" shows only where the caller offers it; nothing reads a
// box that is not offered.
TEST(PrintDialog, PrintToFileOnlyWhereOffered) {
    app();
    FakeDevice device = two_printers(1, 2, 1);
    for (bool offered : {false, true}) {
        SCOPED_TRACE(offered);
        PrintDialogOptions o;
        o.PrintToFileOffered = offered;
        BRPrintDialog dialog(o, &device);
        EXPECT_EQ(dialog.printToFile()->isVisibleTo(&dialog), offered);
        dialog.printToFile()->setChecked(true);
        EXPECT_EQ(dialog.Result().PrintToFile, offered);
    }
}

TEST(PrintDialog, ServiceAnswersWhatThePersonDid) {
    app();
    FakeDevice device = two_printers(1, 2, 1);
    report::ui::QtPrintDialogService service;
    for (bool accept : {false, true}) {
        SCOPED_TRACE(accept);
        PrintDialogOptions o;
        o.Copies = 2;
        QTimer::singleShot(0, [accept] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = dynamic_cast<BRPrintDialog*>(w)) {
                    d->copies()->setValue(5);
                    accept ? d->accept() : d->reject();
                }
        });
        EXPECT_EQ(service.Execute(o, &device), accept);
        EXPECT_EQ(o.Copies, accept ? 5 : 2);
    }
}

}  // namespace
