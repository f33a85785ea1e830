#pragma once
// The data grid's shared glyphs and its deferred-message timer.
//
// Start-up loads the grid bitmaps into three image lists (check boxes, row
// indicators, sort markers), yellow being the mask colour, and creates the one
// TScrollFixTimer, disabled, with a 20 ms interval. The image lists hold plain
// 16-colour raster data; drawing them is the graphics layer's business.

#include "interbase/IBL_GridBitmaps.h"
#include "platform/core/SysUtils.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace interbase {

// Mask colour of the grid bitmaps.
inline constexpr Rgb GridMaskColour{255, 255, 0};

// A list of same-sized images, each with its transparency mask.
class GridImageList {
public:
    struct Image {
        std::vector<std::uint8_t> pixels;  // palette indexes, row by row
        std::vector<bool> transparent;     // true where the mask colour was
    };

    GridImageList(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    const Image& At(int index) const { return images_.at(static_cast<std::size_t>(index)); }

    // Adds the bitmap cut into images of the list's width, pixels of the mask
    // colour becoming transparent. Raises Exception("Invalid image size") when
    // the bitmap's height differs or its width is not a whole number of images.
    void AddMasked(const GridBitmap& bitmap, Rgb mask);

private:
    int width_;
    int height_;
    std::vector<Image> images_;
};

// A window message waiting to be posted again.
struct QueuedMessage {
    std::uint32_t window;
    std::uint32_t message;
    std::uint32_t wparam;
    std::uint32_t lparam;
};

// Timer that posts queued window messages again once the grid has finished
// scrolling. The host's message loop calls ReplayQueuedMessages each Interval()
// ms while it is Enabled().
class TScrollFixTimer {
public:
    using PostMessageFn = std::function<void(const QueuedMessage&)>;

    // Created disabled, with a 20 ms interval and an empty queue.
    TScrollFixTimer();

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    unsigned Interval() const { return interval_ms_; }
    void SetInterval(unsigned ms) { interval_ms_ = ms; }

    // Messages waiting, first to be posted first.
    std::deque<QueuedMessage>& Queue() { return queue_; }
    // Where replayed messages go; without one they are dropped.
    void SetPostMessage(PostMessageFn post) { post_ = std::move(post); }

    // The timer event: posts and removes every queued message, first to last,
    // then disables the timer.
    void ReplayQueuedMessages();

private:
    bool enabled_ = true;
    unsigned interval_ms_ = 1000;
    std::deque<QueuedMessage> queue_;
    PostMessageFn post_;
};

// The three image lists and the timer; nullptr before start-up and after shut-down.
const GridImageList* GridCheckImages();
const GridImageList* GridIndicatorImages();
const GridImageList* GridSortImages();
TScrollFixTimer* ScrollFixTimer();

// Loads the three image lists from the grid bitmaps. Raises
// Exception("Resource <name> not found") for a bitmap that is missing.
void LoadGridImages();

// Start-up: LoadGridImages, then create ScrollFixTimer. Shut-down frees the
// image lists, then disables and frees the timer with its queue.
void GridUnitStartup();
void GridUnitShutdown();

}  // namespace interbase
