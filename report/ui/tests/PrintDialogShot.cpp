// Shows the print dialog over a test device on the X server of the
// environment, saves a screenshot of its window as OUT.png and prints the
// dialog's size as "WIDTH HEIGHT".

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "report/print/tests/FakeDevice.h"
#include "report/ui/BRPrintDialog.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: print_dialog_shot OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    report::testing::FakeDevice device;
    device.destinations = {report::testing::office_printer("office")};
    report::PrintDialogOptions options;
    options.MinPage = 1;
    options.MaxPage = 12;
    options.FromPage = 1;
    options.ToPage = 12;
    report::ui::BRPrintDialog dialog(options, &device);
    dialog.show();
    int status = 1;
    QTimer::singleShot(500, [&] {
        const QPixmap shot = dialog.screen()->grabWindow(dialog.winId());
        if (shot.save(argv[1], "PNG")) {
            std::printf("%d %d\n", dialog.width(), dialog.height());
            status = 0;
        }
        app.quit();
    });
    app.exec();
    return status;
}
