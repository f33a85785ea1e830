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
} // namespace

void unit_startup() {
    prepare_platform();
    if (QCoreApplication::instance() == nullptr) {
        graphics::qt::PlatformStart starting;
        qt_app = std::make_unique<QApplication>(qt_argc, qt_argv);
    }
    graphics::qt::install_message_filter();
    // Windows need the widgets application; a window-less one made earlier
    // for measuring cannot become one.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        throw Exception("The windowing layer must start before any text is measured or drawn");
    if (Application == nullptr) Application = new TApplication(nullptr);
    graphics::qt::unit_startup();
    RegisterClasses({TForm::StaticClass(), TLabel::StaticClass(), TImage::StaticClass()});
    // Engines that ask a person get the application's boxes from now on.
    install_ui_host();
    print::install_cups_print_device();
}

void unit_shutdown() {
    print::remove_cups_print_device();
    remove_ui_host();
    for (TClass cls : {TForm::StaticClass(), TLabel::StaticClass(), TImage::StaticClass()}) UnRegisterClass(cls);
    delete Application;
    Application = nullptr;
    graphics::qt::unit_shutdown();
    qt_app.reset();
}

} // namespace ui
