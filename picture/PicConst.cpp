#include "picture/PicConst.h"

#include <string>

#include "platform/graphics/Cursors.h"

namespace {

// 32 x 32 pictures: 'X' black, '.' white, ' ' transparent.
// A hand pointing left; the tip of its finger is the hot spot (6, 16).
constexpr const char* kHand[32] = {
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "               XXXX             ", "              X....XXX          ", "             X........XXX       ",
    "             XXX........X       ", "            X...........X       ", "            X...........X       ",
    "            XXX.........X       ", "           X............X       ", "           X............X       ",
    "       XXXXXXXX.........X       ", "      X.................X       ", "      X.................X       ",
    "       XXXXXXXXXX.....XXX       ", "               X....XX          ", "              X...XX            ",
    "              X..X              ", "               XX               ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ",
};
constexpr const char* kGrab[32] = {
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "            XX XX XX            ", "           X..X..X..XX          ", "           X........X.X         ",
    "          XX..........X         ", "         X.X..........X         ", "         X............X         ",
    "          X...........X         ", "          X..........X          ", "           X.........X          ",
    "           X........X           ", "            X.......X           ", "            X.......X           ",
    "            XXXXXXXXX           ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ",
};

graphics::CursorImage make_cursor(const char* const rows[32], int hx, int hy) {
    graphics::CursorImage c;
    c.AndMask.assign(32 * 4, 0xFF);
    c.XorMask.assign(32 * 4, 0x00);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            char p = rows[y][x];
            auto bit = uint8_t(0x80 >> (x & 7));
            size_t at = size_t(y * 4 + x / 8);
            if (p == ' ') continue;
            c.AndMask[at] = uint8_t(c.AndMask[at] & ~bit);
            if (p == '.') c.XorMask[at] |= bit;
        }
    c.HotSpot = TPoint{hx, hy};
    return c;
}

}  // namespace

namespace picture {
void PicConst_startup() {
    graphics::cursors().SetCursor(crHandPoint, make_cursor(kHand, 6, 16));
    graphics::cursors().SetCursor(crDragHand, make_cursor(kGrab, 15, 16));
}
void PicConst_shutdown() {
    graphics::cursors().RemoveCursor(crHandPoint);
    graphics::cursors().RemoveCursor(crDragHand);
}
}  // namespace picture
