#include "platform/ui/Startup.h"

#include "platform/graphics/qt/QtCanvas.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Headless.h"
#include "platform/print/Printers.h"
#include "platform/ui/UiHost.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace ui {
namespace {
int qt_argc = 1;
char qt_arg0[] = "tamblero";
char* qt_argv[] = {qt_arg0, nullptr};
std::unique_ptr<QApplication> qt_app;

// Qt's own notes (a missing runtime folder, a platform that cannot raise a
// window) are no business of the person reading a scheduled job's output;
// only its critical and fatal messages reach stderr.
void qt_messages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        const QByteArray line = "Qt: " + text.toUtf8() + "\n";
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    }
}
} // namespace

void unit_startup() {
    prepare_platform();
    qInstallMessageHandler(qt_messages);
    if (QCoreApplication::instance() == nullptr) qt_app = std::make_unique<QApplication>(qt_argc, qt_argv);
    if (Application == nullptr) Application = new TApplication(nullptr);
    graphics::qt::unit_startup();
    RegisterClasses({TForm::StaticClass(), TLabel::StaticClass(), TImage::StaticClass()});
    // Engines that ask a person get the application's boxes from now on.
    install_ui_host();
    install_cups_print_device();
}

void unit_shutdown() {
    remove_cups_print_device();
    remove_ui_host();
    for (TClass cls : {TForm::StaticClass(), TLabel::StaticClass(), TImage::StaticClass()}) UnRegisterClass(cls);
    delete Application;
    Application = nullptr;
    graphics::qt::unit_shutdown();
    qt_app.reset();
}

} // namespace ui
