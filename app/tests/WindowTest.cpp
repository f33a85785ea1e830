// The backup program with a screen (Xvfb): a failing run shows its boxes and
// then its window, which looks as the form renders in memory; a successful
// run never puts a window on the screen.

#include "app/FormCopia.h"
#include "app/Units.h"
#include "picture/PicGIF.h"
#include "tests/sqlserver_standin/StandIn.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <cstdlib>
#include <vector>
#include <string>

namespace fs = std::filesystem;
using standin::TempDir;

namespace {

std::string session_script() { return test_support::source_path("app/tests/xvfb_session.sh"); }

// Copies the program into a folder of its own under `tmp` and runs the X
// session script on it under xvfb-run; the script's files land in tmp/out.
standin::CommandResult run_session(const TempDir& tmp, const std::string& mode) {
    fs::create_directories(tmp.path() + "/prog");
    fs::create_directories(tmp.path() + "/out");
    fs::copy_file(test_support::tool_path("tamblero-backup"), tmp.path() + "/prog/tamblero-backup");
    // Under the sanitizers: the X11 keyboard library reads a bounded string
    // past its end the strict check flags, and the desktop libraries keep
    // some memory to the end; neither is ours.
    const std::string sanitizers = "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:strict_string_checks=0\" LSAN_OPTIONS=print_suppressions=0:suppressions=" +
                                   standin::shell_quote(test_support::source_path("app/tests/lsan-desktop.supp"));
    return standin::run_command("env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY " + sanitizers + " timeout 120 xvfb-run -a -e " +
                                standin::shell_quote(tmp.path() + "/out/xvfb.err") +
                                " -s '-screen 0 1280x1024x24 -nolisten tcp' " + standin::shell_quote(session_script()) +
                                " " + mode + " " + standin::shell_quote(tmp.path() + "/prog/tamblero-backup") + " " +
                                standin::shell_quote(tmp.path() + "/out"));
}

// The number after "key:" in xwininfo's report; -1 when absent.
int xwininfo_value(const std::string& info, const std::string& key) {
    const std::size_t at = info.find(key + ":");
    if (at == std::string::npos) return -1;
    return std::atoi(info.c_str() + at + key.size() + 1);
}

// The comma-separated values of an xprop line "NAME(TYPE) = a, b, c".
std::vector<std::string> xprop_values(const std::string& props, const std::string& name) {
    std::vector<std::string> values;
    const std::size_t at = props.find(name + "(");
    if (at == std::string::npos) return values;
    std::size_t pos = props.find(" = ", at);
    const std::size_t end = props.find('\n', at);
    if (pos == std::string::npos || pos > end) return values;
    pos += 3;
    while (pos < end) {
        std::size_t comma = std::min(props.find(", ", pos), end);
        values.push_back(props.substr(pos, comma - pos));
        pos = comma == end ? end : comma + 2;
    }
    return values;
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

TEST(BackupForm, LerGravarIniReadsWritesOrLeavesTheValueByMode) {
    core::UnitTable units(app::unit_table());
    units.Startup();
    TFormCopia* form = nullptr;
    Application->CreateForm(form);
    TempDir tmp;
    const std::string ini = tmp.path() + "/KESTROVAN.INI";
    std::string value = "antes";

    form->LerGravarIni(ini, "Kestrovan", "Banco", "padrão", "Ler", value);
    EXPECT_EQ(value, "padrão") << "no file: the default";
    form->LerGravarIni(ini, "Kestrovan", "Banco", "Loja", "gravar", value);
    EXPECT_EQ(value, "") << "writing empties the value";
    form->LerGravarIni(ini, "kestrovan", "BANCO", "x", "LER", value);
    EXPECT_EQ(value, "Loja");
    form->LerGravarIni(ini, "Kestrovan", "Banco", "Outra", "apagar", value);
    EXPECT_EQ(value, "Loja") << "another mode changes nothing";
    form->LerGravarIni(ini, "Kestrovan", "Caminho", "", "Ler", value);
    EXPECT_EQ(value, "") << "a missing key: the default";
    EXPECT_NE(standin::read_file(ini).find("Banco=Loja"), std::string::npos);
}

// The background picture: one 450 x 300 frame over a 256-entry global table
// whose entry 1 is transparent, and a part of the picture uses it, so the
// window's colour shows through there.
TEST(BackupForm, BackgroundPictureHas256ColoursAndTransparentEntryOne) {
    core::UnitTable units(app::unit_table());
    units.Startup();
    TFormCopia* form = nullptr;
    Application->CreateForm(form);
    const std::vector<std::uint8_t>& stored = form->img1->PictureData();
    const std::string name = "TGIFImage";
    ASSERT_GT(stored.size(), 1 + name.size() + 4);
    ASSERT_EQ(std::string(stored.begin() + 1, stored.begin() + 1 + long(name.size())), name);
    TByteReader reader(std::span<const std::uint8_t>(stored).subspan(1 + name.size()));
    TGIFImage gif;
    gif.ReadData(reader);
    EXPECT_EQ(gif.GifVersion, 2);
    EXPECT_EQ(gif.LogicalWidth, 450);
    EXPECT_EQ(gif.LogicalHeight, 300);
    EXPECT_EQ(gif.SharedData->GlobalTable.Count, 256);
    ASSERT_EQ(gif.FrameCount(), 1);
    EXPECT_FALSE(gif.FrameAt(0).UsesLocalTable);
    EXPECT_EQ(gif.FrameAt(0).TransparentIndex, 1);
    TBitmap& pixels = gif.FrameAt(0).EnsureBitmap();
    int cut = 0;
    for (int y = 0; y < pixels.GetHeight(); ++y)
        for (int x = 0; x < pixels.GetWidth(); ++x) cut += pixels.PixelIndex(x, y) == 1;
    EXPECT_GT(cut, 100);
    EXPECT_LT(cut, 450 * 300 / 10);
}

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
    const std::vector<std::string> state = xprop_values(props, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_ABOVE"), state.end()) << props;
    // Motif hints: flags say "decorations given" (bit 1), and the decorations are none.
    const std::vector<std::string> motif = xprop_values(props, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u) << props;
    EXPECT_TRUE(std::stoul(motif[0], nullptr, 16) & 0x2) << props;
    EXPECT_EQ(motif[2], "0x0") << props;

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
