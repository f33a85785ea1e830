// Screenshots of the builder's four windows (and the editor with its New
// entry group raised and with a builder inside it) on a real X screen (xvfb-run):
// the outer test runs this program again under xvfb-run with the inner test
// selected; the inner test shows each window and grabs it from the screen;
// python3-pil reads the pictures back.

#include "report/ui/BREnvEditor.h"
#include "report/ui/BRExprBuilder.h"
#include "report/ui/BRLabelEditor.h"
#include "report/ui/tests/BuilderUnits.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

using namespace test_support;

namespace {

constexpr const char* kShotsVariable = "TAMBLERO_BUILDER_SHOTS";

struct Window {
    const char* file;
    int width, height;
};
constexpr Window kWindows[] = {
    {"builder.png", 378, 317},
    {"environment.png", 376, 269},
    {"label.png", 329, 181},
    {"expression.png", 367, 210},
    // The environment editor with its New entry group raised, and with a
    // builder inside it (the editor grown to hold the whole builder).
    {"new-entry.png", 376, 269},
    {"nested-builder.png", 378, 317},
};

QPixmap grab_shown(QWidget& window) {
    QTest::qWait(300);
    return window.screen()->grabWindow(window.winId());
}

void shoot(QWidget& window, const std::string& file) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(grab_shown(window).save(QString::fromStdString(file), "PNG")) << file;
    window.hide();
}

}  // namespace

// Runs only inside the X session the outer test starts.
TEST(BuilderOnScreen, ShowsAndGrabsEachWindow) {
    const char* out = std::getenv(kShotsVariable);
    if (!out) GTEST_SKIP() << "run by BuilderScreenshots under xvfb-run";
    builder_tests::start_units();
    const std::string dir = out;
    TBREvEnvironment env;
    env.DefineEntry("TAX", "0.15");
    env.DefineEntry("NET", "TOTAL * (1 - TAX)");

    TBRExpressionBuilder builder;
    builder.Environment = &env;
    builder.ExpressionEdit->SetText("IF(Orders.Amount > 1000, 'large order', 'small order')");
    builder.FillVariables();
    shoot(builder, dir + "/" + kWindows[0].file);

    TBREnvironmentEditor editor;
    editor.Environment = &env;
    editor.FillGrid();
    shoot(editor, dir + "/" + kWindows[1].file);

    // New entry over the grid: nothing of the grid's group shows through.
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    editor.NewEntryGB->raise();
    const QPixmap over_grid = grab_shown(editor);
    ASSERT_TRUE(over_grid.save(QString::fromStdString(dir + "/" + kWindows[4].file), "PNG"));
    editor.AvailableGB->hide();
    EXPECT_TRUE(over_grid.toImage() == grab_shown(editor).toImage()) << "the grid shows through New entry";
    editor.AvailableGB->show();
    editor.AvailableGB->raise();
    // A builder inside the editor, as Edit and "..." open it.
    builder_tests::later([&] {
        ASSERT_TRUE(grab_shown(editor).save(QString::fromStdString(dir + "/" + kWindows[5].file), "PNG"));
        auto* inner = editor.findChild<TBRExpressionBuilder*>("ExpressionBuilder");
        ASSERT_NE(inner, nullptr);
        inner->OKBtn->click();
    });
    std::string net = "TOTAL * (1 - TAX)";
    EXPECT_TRUE(ShowExpressionBuilder("NET", net, nullptr, &env, &editor));
    editor.hide();

    TBRLabelEditorForm label;
    label.SetValues({"Sales by region", "40", "8", true, false, true, ""});
    shoot(label, dir + "/" + kWindows[2].file);

    TBRExprEditorForm expression;
    expression.SetValues({"SUM(Orders.Amount)", "50.5", "6", false, true, false, "#,##0.00"});
    shoot(expression, dir + "/" + kWindows[3].file);
}

TEST(BuilderScreenshots, WindowsAtTheirSizes) {
    if (std::getenv(kShotsVariable)) GTEST_SKIP() << "the inner run";
    ScratchDir dir("report-builder-shots");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    // Under the sanitizers: the X11 keyboard library reads a bounded string
    // past its end the strict check flags, and the desktop libraries keep
    // some memory to the end; neither is ours.
    const std::string sanitizers = "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:strict_string_checks=0\" "
                                   "LSAN_OPTIONS=print_suppressions=0:suppressions=" +
                                   shell_quote(source_path("app/tests/lsan-desktop.supp"));
    const SplitResult r = run_split("env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY " + sanitizers + " " +
                                    std::string(kShotsVariable) + "=" + shell_quote(dir.path()) +
                                    " timeout 120 xvfb-run -a -s '-screen 0 1280x1024x24 -nolisten tcp' " +
                                    shell_quote(self) + " --gtest_filter=BuilderOnScreen.*");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::string command = oracle_command("png_size.py");
    for (const Window& w : kWindows) command += " " + shell_quote(dir / w.file);
    std::istringstream sizes(capture(command));
    for (const Window& w : kWindows) {
        SCOPED_TRACE(w.file);
        int width = 0, height = 0, colours = 0;
        sizes >> width >> height >> colours;
        EXPECT_EQ(width, w.width);
        EXPECT_EQ(height, w.height);
        EXPECT_GT(colours, 4) << "a window with its controls drawn";
    }
}
