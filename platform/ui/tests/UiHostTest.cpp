// The UI's host services: installed by the UI's start-up, boxes under the
// application's title (lines on stderr without a screen), removed at shut-down.

#include "platform/ui/UiHost.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Headless.h"
#include "platform/ui/Startup.h"
#include "platform/graphics/Printers.h"
#include "platform/graphics/qt/QtCanvas.h"

#include <QApplication>
#include <QProgressDialog>

#include <gtest/gtest.h>

#include "tests/support/PrintedBox.h"

namespace graphics {
void unit_startup();
void unit_shutdown();
} // namespace graphics

using namespace core;

TEST(UiHost, InstalledByTheStartUpAndRemovedByTheShutDown) {
    ASSERT_TRUE(ui::is_headless());
    HostServices& console = host();
    graphics::unit_startup();
    ui::unit_startup();
    Application->SetTitle("Tamblero");
    EXPECT_NE(&host(), &console);
    EXPECT_NE(dynamic_cast<ui::UiHost*>(&host()), nullptr);
    EXPECT_EQ(host().Title(), "Tamblero");

    struct Case { MessageBoxRequest request; const char* printed; int answer; };
    const Case cases[] = {
        {{"Function not yet implemented", "", MB_OK | MB_ICONINFORMATION, 0},
         "Tamblero: Function not yet implemented\n", IDOK},
        {{"/srv/is not accessible\r\n\r\nNo such device", "", MB_RETRYCANCEL | MB_ICONERROR, IDCANCEL},
         "Tamblero: /srv/is not accessible\n\nNo such device\n", IDCANCEL},
        {{"confira o usuário ou senha !", "Erro", MB_OK | MB_ICONERROR, 0}, "Erro: confira o usuário ou senha !\n",
         IDOK},
    };
    for (const Case& c : cases)
        EXPECT_EQ(test_support::printed_box(host(), c.request), (std::pair<std::string, int>{c.printed, c.answer}));
    EXPECT_EQ(test_support::printed_information(host(), "Function not yet implemented"),
              "Tamblero: Function not yet implemented\n");
    EXPECT_TRUE(host().BeginProgress("Compressing")->Step(40, "a.bak"));  // no screen: never cancelled

    ui::unit_shutdown();
    graphics::unit_shutdown();
    EXPECT_EQ(&host(), &console);
}

// The progress dialog a screen shows: the caption, the percentage and the
// status line; once the person presses Cancel every step answers false.
TEST(UiHost, ProgressDialogShowsStepsAndAnswersCancel) {
    graphics::unit_startup();
    ui::unit_startup();
    {
        auto progress = ui::progress_dialog("Compressing");
        EXPECT_TRUE(progress->Step(25, "Backup_Loja.bak"));
        QProgressDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w)) dialog = d;
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle().toStdString(), "Compressing");
        EXPECT_EQ(dialog->value(), 25);
        EXPECT_EQ(dialog->labelText().toStdString(), "Backup_Loja.bak");
        EXPECT_TRUE(progress->Step(150, "Backup_Loja.bak"));
        EXPECT_EQ(dialog->value(), 100);
        dialog->cancel();  // the person's Cancel
        EXPECT_FALSE(progress->Step(100, "Backup_Loja.bak"));
    }
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<QProgressDialog*>(w), nullptr);
    ui::unit_shutdown();
    graphics::unit_shutdown();
}

// Without a screen a posted notice runs at once; the CUPS print device is
// the process's device while the UI runs.
TEST(UiHost, PostRunsAtOnceWithoutAScreenAndThePrintDeviceIsInstalled) {
    ASSERT_TRUE(ui::is_headless());
    ui::unit_startup();
    int ran = 0;
    host().Post([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    host().ProcessMessages();
    EXPECT_NE(graphics::print_device(), nullptr);
    ui::unit_shutdown();
    EXPECT_EQ(graphics::print_device(), nullptr);
}

// The windowing layer needs the widgets application: started after a
// window-less one was made for measuring, it fails with a clear error and
// installs nothing, instead of crashing on the first widget.
TEST(UiStartup, RefusedAfterAWindowlessApplication) {
    if (QCoreApplication::instance() != nullptr) GTEST_SKIP() << "this process has a Qt application already";
    graphics::qt::GraphicsScope windowless;
    HostServices& before = host();
    try {
        ui::unit_startup();
        ADD_FAILURE() << "started";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "The windowing layer must start before any text is measured or drawn");
    }
    EXPECT_EQ(&host(), &before);
    EXPECT_EQ(Application, nullptr);
}
