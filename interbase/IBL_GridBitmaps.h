#pragma once
// The grid's glyph bitmaps, kept in the program as 16-colour raster data and
// found by resource name ("IBL_GRID_CHECKED", ...).

#include <array>
#include <cstdint>
#include <string_view>

namespace interbase {

struct Rgb {
    std::uint8_t red, green, blue;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

// The 16-colour palette every grid bitmap indexes.
extern const std::array<Rgb, 16> GridPalette;

// One bitmap: size and one palette index (0..15) per pixel, row by row from the top.
struct GridBitmap {
    std::string_view name;
    int width;
    int height;
    const std::uint8_t* pixels;

    // Palette index of the pixel at column x, row y.
    std::uint8_t At(int x, int y) const { return pixels[y * width + x]; }
};

// The bitmap of that name; nullptr when there is none.
const GridBitmap* FindGridBitmap(std::string_view name);

// Every grid bitmap, in resource-name order.
const GridBitmap* GridBitmaps(std::size_t& count);

}  // namespace interbase
