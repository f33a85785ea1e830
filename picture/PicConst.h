#pragma once
// The picture cursors: a pointing hand and a grabbing hand, installed in the
// screen's cursor table at start-up.

constexpr int crHandPoint = 14000;  // "PIC_HANDCUR", hot spot at the fingertip (6, 16)
constexpr int crDragHand = 14001;   // "PIC_DRAGCUR", hot spot at (15, 16)

namespace picture {
void PicConst_startup();
void PicConst_shutdown();
}  // namespace picture
