// The Qt adapter: a raster painted on a device shows exactly its pixels.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/graphics/qt/QtCanvas.h"
#include "platform/graphics/qt/QtGraphics.h"

namespace {
QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "graphics-qt-tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication a(argc, argv);
    return a;
}

void sample(TBitmap& b) {
    b.SetPixelFormat(pf8bit);
    b.SetSize(23, 9);
    TPalette p;
    for (int i = 0; i < 256; ++i) p.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
    b.SetPalette(p);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 23; ++x) b.SetPixelIndex(x, y, (x * 11 + y * 29) % 256);
}
}  // namespace

TEST(QtGraphics, PaintRasterAtAnOffset) {
    app();
    TBitmap b;
    sample(b);
    QImage target(40, 20, QImage::Format_RGB32);
    target.fill(Qt::black);
    QPainter p(&target);
    graphics::qt::paint_raster(p, b, 5, 3);
    p.end();
    EXPECT_EQ(target.pixel(4, 3), qRgb(0, 0, 0));
    TColor c = b.Pixel(0, 0);
    EXPECT_EQ(target.pixel(5, 3), qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    c = b.Pixel(22, 8);
    EXPECT_EQ(target.pixel(27, 11), qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
}

TEST(QtGraphics, ClipboardAndCursors) {
    app();
    graphics::qt::QtClipboard board;
    unsigned f = board.RegisterFormat("GIF Image");
    EXPECT_EQ(board.RegisterFormat("GIF Image"), f);
    board.SetData(f, {1, 2, 3});
    TBitmap b;
    sample(b);
    board.SetData(graphics::CF_BITMAP, b.SaveToBmp());
    ASSERT_TRUE(board.HasFormat(f));
    EXPECT_EQ(*board.Data(f), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(board.HasFormat(graphics::CF_BITMAP));
    graphics::qt::QtCursorTable cursors;
    graphics::CursorImage hand;
    hand.AndMask.assign(128, 0xFF);
    hand.XorMask.assign(128, 0);
    hand.AndMask[0] = 0x7F;
    hand.HotSpot = TPoint{6, 16};
    cursors.SetCursor(14000, hand);
    EXPECT_EQ(cursors.QtCursor(14000).hotSpot(), QPoint(6, 16));
    EXPECT_EQ(cursors.QtCursor(99).shape(), Qt::ArrowCursor);
}

// The Qt layer's start-up puts the process's clipboard and cursors on Qt:
// what a unit copies through graphics::clipboard() is on the application's
// clipboard, and shut-down gives the in-memory ones back.
TEST(QtGraphics, StartUpInstallsTheQtClipboardAndCursors) {
    app();
    graphics::Clipboard& memory_board = graphics::clipboard();
    graphics::CursorTable& memory_cursors = graphics::cursors();
    unsigned f = 0;
    {
        graphics::qt::GraphicsScope qt;
        ASSERT_NE(dynamic_cast<graphics::qt::QtClipboard*>(&graphics::clipboard()), nullptr);
        auto* table = dynamic_cast<graphics::qt::QtCursorTable*>(&graphics::cursors());
        ASSERT_NE(table, nullptr);

        f = graphics::clipboard().RegisterFormat("Slot Check");
        graphics::clipboard().SetData(f, {7, 8});
        const QMimeData* m = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->data("application/x-tamblero-clip;name=Slot Check"), QByteArray("\x07\x08", 2));

        graphics::CursorImage hand;
        hand.AndMask.assign(128, 0xFF);
        hand.XorMask.assign(128, 0);
        hand.HotSpot = TPoint{3, 4};
        graphics::cursors().SetCursor(14001, hand);
        EXPECT_EQ(table->QtCursor(14001).hotSpot(), QPoint(3, 4));
    }
    EXPECT_EQ(&graphics::clipboard(), &memory_board);
    EXPECT_EQ(&graphics::cursors(), &memory_cursors);
    EXPECT_FALSE(memory_board.HasFormat(f));
    EXPECT_EQ(memory_cursors.Cursor(14001), nullptr);
}
