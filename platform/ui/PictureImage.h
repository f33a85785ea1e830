#pragma once
// A picture read from stored picture data (the class name of its format,
// then the format's own data) and drawn by its format into a bitmap.

#include "platform/graphics/Graphics.h"

#include <cstdint>
#include <memory>
#include <vector>

class TBitmap;
class TPicture;

namespace ui {

class StoredPicture {
public:
    StoredPicture();
    ~StoredPicture();

    // Reads stored data; raises the format's exception for bad data and
    // EInvalidGraphic for a format nobody registered. Empty data clears.
    void read(const std::vector<std::uint8_t>& stored);
    bool empty() const;
    int width() const;
    int height() const;
    // The picture stretched over width x height; where it is transparent
    // `background` shows.
    std::unique_ptr<TBitmap> draw(int width, int height, TColor background) const;

private:
    std::unique_ptr<TPicture> picture_;
};

} // namespace ui
