#include "interbase/IBL_Grid.h"

#include <array>
#include <string>

namespace interbase {
namespace {

struct GridState {
    std::unique_ptr<GridImageList> check, indicator, sort;
    std::unique_ptr<TScrollFixTimer> timer;
};
GridState& state() {
    static GridState s;
    return s;
}

const GridBitmap& resource(std::string_view name) {
    const GridBitmap* b = FindGridBitmap(name);
    if (b == nullptr) throw Exception("Resource " + std::string(name) + " not found");
    return *b;
}

// A list sized by its first bitmap, holding every named bitmap in order.
template <std::size_t N>
std::unique_ptr<GridImageList> load_list(const std::array<std::string_view, N>& names) {
    const GridBitmap& first = resource(names[0]);
    auto list = std::make_unique<GridImageList>(first.width, first.height);
    for (std::string_view name : names) list->AddMasked(resource(name), GridMaskColour);
    return list;
}

constexpr std::array<std::string_view, 6> kCheckBitmaps = {
    "IBL_GRID_CHECKED", "IBL_GRID_UNCHECKED", "IBL_GRID_GRAYED",
    "IBL_GRID_RO_CHECKED", "IBL_GRID_RO_UNCHECKED", "IBL_GRID_RO_NULL",
};
constexpr std::array<std::string_view, 3> kIndicatorBitmaps = {
    "IBL_GRID_ARROW", "IBL_GRID_EDIT", "IBL_GRID_INSERT",
};
constexpr std::array<std::string_view, 9> kSortBitmaps = {
    "IBL_GRID_UP_SORTABLE", "IBL_GRID_DOWN_SORTABLE", "IBL_GRID_BI_SORTABLE",
    "IBL_GRID_NATURAL_SORTABLE", "IBL_GRID_UP", "IBL_GRID_DOWN",
    "IBL_GRID_BI_UP", "IBL_GRID_BI_DOWN", "IBL_GRID_NATURAL",
};

}  // namespace

GridImageList::GridImageList(int width, int height) : width_(width), height_(height) {}

void GridImageList::AddMasked(const GridBitmap& bitmap, Rgb mask) {
    if (bitmap.height != height_ || width_ <= 0 || bitmap.width < width_ || bitmap.width % width_ != 0)
        throw Exception("Invalid image size");
    for (int left = 0; left < bitmap.width; left += width_) {
        Image image;
        image.pixels.reserve(static_cast<std::size_t>(width_ * height_));
        image.transparent.reserve(static_cast<std::size_t>(width_ * height_));
        for (int y = 0; y < height_; ++y) {
            for (int x = left; x < left + width_; ++x) {
                const std::uint8_t index = bitmap.At(x, y);
                image.pixels.push_back(index);
                image.transparent.push_back(GridPalette[index & 15] == mask);
            }
        }
        images_.push_back(std::move(image));
    }
}

TScrollFixTimer::TScrollFixTimer() {
    SetEnabled(false);
    SetInterval(20);
}

void TScrollFixTimer::ReplayQueuedMessages() {
    while (!queue_.empty()) {
        QueuedMessage message = queue_.front();
        queue_.pop_front();
        if (post_) post_(message);
    }
    if (enabled_) SetEnabled(false);
}

const GridImageList* GridCheckImages() { return state().check.get(); }
const GridImageList* GridIndicatorImages() { return state().indicator.get(); }
const GridImageList* GridSortImages() { return state().sort.get(); }
TScrollFixTimer* ScrollFixTimer() { return state().timer.get(); }

void LoadGridImages() {
    auto check = load_list(kCheckBitmaps);
    auto indicator = load_list(kIndicatorBitmaps);
    auto sort = load_list(kSortBitmaps);
    state().check = std::move(check);
    state().indicator = std::move(indicator);
    state().sort = std::move(sort);
}

void GridUnitStartup() {
    LoadGridImages();
    state().timer = std::make_unique<TScrollFixTimer>();
}

void GridUnitShutdown() {
    state().check.reset();
    state().indicator.reset();
    state().sort.reset();
    if (state().timer) state().timer->SetEnabled(false);
    state().timer.reset();
}

}  // namespace interbase
