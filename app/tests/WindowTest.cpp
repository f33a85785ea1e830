// The backup program with a screen (Xvfb): a failing run shows its boxes and
// then its window, which looks as the form renders in memory; a successful
// run never puts a window on the screen.

#include "app/FormCopia.h"
#include "app/Units.h"
#include "tests/sqlserver_standin/StandIn.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

namespace fs = std::filesystem;
using standin::TempDir;

namespace {

std::string session_script() {
    return std::string(TAMBLERO_SOURCE_DIR) + "/app/tests/xvfb_session.sh";
}

// Copies the program into a folder of its own under `tmp` and runs the X
// session script on it under xvfb-run; the script's files land in tmp/out.
standin::CommandResult run_session(const TempDir& tmp, const std::string& mode) {
    fs::create_directories(tmp.path() + "/prog");
    fs::create_directories(tmp.path() + "/out");
    fs::copy_file(std::string(TAMBLERO_BINARY_DIR) + "/bin/tamblero-backup", tmp.path() + "/prog/tamblero-backup");
    return standin::run_command("env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY timeout 120 xvfb-run -a -e " +
                                standin::shell_quote(tmp.path() + "/out/xvfb.err") +
                                " -s '-screen 0 1280x1024x24 -nolisten tcp' " + standin::shell_quote(session_script()) +
                                " " + mode + " " + standin::shell_quote(tmp.path() + "/prog/tamblero-backup") + " " +
                                standin::shell_quote(tmp.path() + "/out"));
}

int xwininfo_value(const std::string& info, const std::string& key) {
    std::smatch m;
    if (!std::regex_search(info, m, std::regex(key + ":\\s+(-?\\d+)"))) return -1;
    return std::stoi(m[1]);
}

// The backup form as it renders with no screen: its resource read, its
// creation handler run (no settings beside the test program, so the
// connection fails and its box goes to stderr).
QImage render_form_offscreen() {
    core::UnitTable units(app::unit_table());
    units.Startup();
    TFormCopia* form = nullptr;
    Application->CreateForm(form);
    return form->Render();
}

} // namespace

TEST(BackupWindow, FailingRunShowsItsBoxesThenTheBorderlessWindow) {
    ASSERT_FALSE(fs::exists(std::string(TAMBLERO_BINARY_DIR) + "/bin/KESTROVAN.INI"));
    TempDir tmp;
    const auto session = run_session(tmp, "failing");
    ASSERT_EQ(session.status, 0) << session.output << standin::read_file(tmp.path() + "/out/xvfb.err");
    const std::string out = tmp.path() + "/out/";

    EXPECT_EQ(standin::read_file(out + "status"), "1\n");
    EXPECT_EQ(standin::read_file(out + "stderr"), "");  // with a screen, messages are boxes
    const std::string boxes = standin::read_file(out + "boxes.txt");
    EXPECT_TRUE(boxes.rfind("Erro ", 0) == 0 && boxes.find("\nTamblero ") != std::string::npos) << boxes;

    // 391 x 310 client area, centred on the 1280 x 1024 screen, no frame, on top.
    const std::string info = standin::read_file(out + "window.txt");
    const int x = xwininfo_value(info, "Absolute upper-left X"), y = xwininfo_value(info, "Absolute upper-left Y");
    EXPECT_EQ(xwininfo_value(info, "Width"), 391) << info;
    EXPECT_EQ(xwininfo_value(info, "Height"), 310) << info;
    EXPECT_EQ(x, (1280 - 391) / 2);
    EXPECT_EQ(y, (1024 - 310) / 2);
    const std::string props = standin::read_file(out + "props.txt");
    EXPECT_NE(props.find("_NET_WM_STATE_ABOVE"), std::string::npos) << props;
    // Motif hints: flags say "decorations given", and the decorations are none.
    EXPECT_TRUE(std::regex_search(props, std::regex("_MOTIF_WM_HINTS\\(_MOTIF_WM_HINTS\\) = 0x2, 0x[0-9a-f]+, 0x0"))) << props;

    // What the screen shows is what the form renders in memory.
    QImage screen(QString::fromStdString(out + "screen.png"));
    ASSERT_FALSE(screen.isNull());
    const QImage shot = screen.copy(x, y, 391, 310).convertToFormat(QImage::Format_RGB32);
    const QImage offscreen = render_form_offscreen().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(offscreen.size(), shot.size());
    int differing = 0, ink = 0;
    for (int row = 0; row < shot.height(); ++row)
        for (int col = 0; col < shot.width(); ++col) {
            const QRgb a = shot.pixel(col, row), b = offscreen.pixel(col, row);
            if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 24)
                ++differing;
            if (qRed(b) < 128) ++ink;
        }
    EXPECT_GT(ink, 200) << "the labels were not drawn";
    EXPECT_LE(differing, 20) << "screen and offscreen rendering differ in " << differing << " pixels";
    if (differing > 20) {
        shot.save(QString::fromStdString(std::string(TAMBLERO_BINARY_DIR) + "/backup-window-screen.png"));
        offscreen.save(QString::fromStdString(std::string(TAMBLERO_BINARY_DIR) + "/backup-window-offscreen.png"));
    }
}

TEST(BackupWindow, SuccessfulRunNeverMapsAWindow) {
    TempDir tmp;
    fs::create_directories(tmp.path() + "/d/Copias");
    standin::SqlServerStandIn server({"--clock", "2024-01-31T23:59:59", "--map", "D:\\=" + tmp.path() + "/d/"});
    fs::create_directories(tmp.path() + "/prog");
    standin::write_file(tmp.path() + "/prog/KESTROVAN.INI", "[Kestrovan]\nServidor=127.0.0.1," +
                                                                 std::to_string(server.port()) +
                                                                 "\nBanco=Loja\nCaminho=D:\\Copias\n");
    const auto session = run_session(tmp, "success");
    ASSERT_EQ(session.status, 0) << session.output;
    const std::string out = tmp.path() + "/out/";
    EXPECT_EQ(standin::read_file(out + "status"), "0\n") << standin::read_file(out + "stderr");
    EXPECT_TRUE(fs::exists(tmp.path() + "/d/Copias/Backup_Loja_20240131_235959.bak"));
    ASSERT_TRUE(fs::exists(out + "xev.txt"));
    EXPECT_EQ(standin::read_file(out + "maps.txt").find("MapNotify"), std::string::npos)
        << standin::read_file(out + "maps.txt");
}
