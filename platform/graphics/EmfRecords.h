#pragma once
// Record types and constants of the EMF format that the metafile recorder
// writes and the player reads (private to platform/graphics and its Qt part).

#include <cstdint>

namespace graphics::emf {

enum RecordType : uint32_t {
    HEADER = 1,
    EOF_ = 14,
    SETPIXELV = 15,
    SETBKMODE = 18,
    SETTEXTALIGN = 22,
    SETTEXTCOLOR = 24,
    SETBKCOLOR = 25,
    MOVETOEX = 27,
    INTERSECTCLIPRECT = 30,
    SAVEDC = 33,
    RESTOREDC = 34,
    SELECTOBJECT = 37,
    CREATEPEN = 38,
    CREATEBRUSHINDIRECT = 39,
    DELETEOBJECT = 40,
    ELLIPSE = 42,
    RECTANGLE = 43,
    ROUNDRECT = 44,
    LINETO = 54,
    EXTSELECTCLIPRGN = 75,
    STRETCHDIBITS = 81,
    EXTCREATEFONTINDIRECTW = 82,
    EXTTEXTOUTW = 84,
};

constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kVersion = 0x10000;
constexpr uint32_t kHeaderSize = 108;        // with the pixel-format and micrometre extensions
constexpr uint32_t kMinHeaderSize = 88;
// Stock objects (the high bit marks them).
constexpr uint32_t kStockObject = 0x80000000;
constexpr uint32_t NULL_BRUSH = kStockObject | 5;
constexpr uint32_t NULL_PEN = kStockObject | 8;
// Object slots the recorder uses.
constexpr uint32_t kPenSlot = 1, kBrushSlot = 2, kFontSlot = 3, kHandleCount = 4;
// Background modes, brush styles, text options, clip mode.
constexpr uint32_t TRANSPARENT = 1, OPAQUE = 2;
constexpr uint32_t BS_SOLID = 0, BS_NULL = 1;
constexpr uint32_t ETO_OPAQUE = 2, ETO_CLIPPED = 4;
constexpr uint32_t RGN_COPY = 5;
constexpr uint32_t GM_COMPATIBLE = 1;
// Raster operations of the copy modes.
constexpr uint32_t SRCCOPY = 0x00CC0020, SRCAND = 0x008800C6, SRCPAINT = 0x00EE0086, SRCINVERT = 0x00660046;
// The reference device: a 96-dpi screen of 960 x 960 pixels, 254 mm square.
constexpr int kDevicePixels = 960, kDeviceMillimeters = 254;
// Size of the font record's LOGFONTW and of the whole LogFontPanose it sits in.
constexpr uint32_t kLogFontSize = 92, kLogFontPanoseSize = 320;

// 0.01 mm of a length in 96-dpi pixels and back, rounded.
constexpr int32_t pixels_to_frame(int px) { return int32_t((int64_t(px) * 2540 + (px >= 0 ? 48 : -48)) / 96); }
constexpr int frame_to_pixels(int64_t f) { return int((f * 96 + (f >= 0 ? 1270 : -1270)) / 2540); }

}  // namespace graphics::emf
