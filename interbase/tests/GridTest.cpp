#include "interbase/IBL_Grid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace interbase;

TEST(GridBitmaps, AllTwentyThreeArePresentSixteenColourAndMasked) {
    struct Case {
        const char* name;
        int width, height;
    } cases[] = {
        {"IBL_GRID_CHECKED", 13, 13}, {"IBL_GRID_UNCHECKED", 13, 13}, {"IBL_GRID_GRAYED", 13, 13},
        {"IBL_GRID_RO_CHECKED", 13, 13}, {"IBL_GRID_RO_UNCHECKED", 13, 13}, {"IBL_GRID_RO_NULL", 13, 13},
        {"IBL_GRID_RO_GRAYED", 13, 13}, {"IBL_GRID_COMBO", 13, 13},
        {"IBL_GRID_ARROW", 6, 11}, {"IBL_GRID_EDIT", 6, 11}, {"IBL_GRID_INSERT", 6, 11},
        {"IBL_GRID_ARROW_SELECTED", 6, 11}, {"IBL_GRID_DELETE", 6, 11}, {"IBL_GRID_SELECTED", 6, 11},
        {"IBL_GRID_UP_SORTABLE", 8, 11}, {"IBL_GRID_DOWN_SORTABLE", 8, 11}, {"IBL_GRID_BI_SORTABLE", 8, 11},
        {"IBL_GRID_NATURAL_SORTABLE", 8, 11}, {"IBL_GRID_UP", 8, 11}, {"IBL_GRID_DOWN", 8, 11},
        {"IBL_GRID_BI_UP", 8, 11}, {"IBL_GRID_BI_DOWN", 8, 11}, {"IBL_GRID_NATURAL", 8, 11},
    };
    std::size_t count = 0;
    GridBitmaps(count);
    EXPECT_EQ(count, std::size(cases));

    std::set<std::vector<std::uint8_t>> drawings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GridBitmap* b = FindGridBitmap(c.name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->width, c.width);
        EXPECT_EQ(b->height, c.height);
        std::vector<std::uint8_t> pixels(b->pixels, b->pixels + b->width * b->height);
        for (std::uint8_t p : pixels) ASSERT_LT(p, 16);
        EXPECT_TRUE(drawings.insert(pixels).second) << "drawn the same as another glyph";
    }
    EXPECT_EQ(FindGridBitmap("IBL_GRID_NOTHING"), nullptr);
    EXPECT_EQ(GridPalette[11], GridMaskColour);
}

TEST(GridImages, StartUpFillsThreeListsAndADisabledTimer) {
    GridUnitStartup();
    struct Case {
        const GridImageList* list;
        int count, width, height;
    } cases[] = {
        {GridCheckImages(), 6, 13, 13},
        {GridIndicatorImages(), 3, 6, 11},
        {GridSortImages(), 9, 8, 11},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.list, nullptr);
        EXPECT_EQ(c.list->Count(), c.count);
        EXPECT_EQ(c.list->Width(), c.width);
        EXPECT_EQ(c.list->Height(), c.height);
    }
    // The arrow's first column: yellow above and below, black in between.
    const GridImageList::Image& arrow = GridIndicatorImages()->At(0);
    EXPECT_TRUE(arrow.transparent[0]);
    EXPECT_FALSE(arrow.transparent[6]);
    EXPECT_EQ(arrow.pixels[6], 0);
    // The checked box keeps its white (not masked) and the order of loading.
    EXPECT_FALSE(GridCheckImages()->At(0).transparent[2 * 13 + 2]);
    EXPECT_NE(GridCheckImages()->At(0).pixels, GridCheckImages()->At(1).pixels);

    ASSERT_NE(ScrollFixTimer(), nullptr);
    EXPECT_FALSE(ScrollFixTimer()->Enabled());
    EXPECT_EQ(ScrollFixTimer()->Interval(), 20u);
    EXPECT_TRUE(ScrollFixTimer()->Queue().empty());

    GridUnitShutdown();
    EXPECT_EQ(GridCheckImages(), nullptr);
    EXPECT_EQ(GridSortImages(), nullptr);
    EXPECT_EQ(ScrollFixTimer(), nullptr);
}

TEST(GridImages, AddMaskedCutsWideBitmapsAndRefusesWrongSizes) {
    // 4 x 1 strip of two 2 x 1 images: yellow, black | white, yellow.
    const std::uint8_t strip[] = {11, 0, 15, 11};
    GridImageList list(2, 1);
    list.AddMasked(GridBitmap{"strip", 4, 1, strip}, GridMaskColour);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0).transparent, (std::vector<bool>{true, false}));
    EXPECT_EQ(list.At(1).pixels, (std::vector<std::uint8_t>{15, 11}));
    EXPECT_EQ(list.At(1).transparent, (std::vector<bool>{false, true}));

    for (GridBitmap wrong : {GridBitmap{"taller", 2, 2, strip}, GridBitmap{"odd", 3, 1, strip},
                             GridBitmap{"narrow", 1, 1, strip}}) {
        try {
            list.AddMasked(wrong, GridMaskColour);
            ADD_FAILURE() << wrong.name;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid image size");
        }
    }
    EXPECT_EQ(list.Count(), 2);
}

TEST(ScrollFixTimer, ReplayPostsQueuedMessagesInOrderAndDisables) {
    TScrollFixTimer timer;
    std::vector<std::uint32_t> posted;
    timer.SetPostMessage([&](const QueuedMessage& m) { posted.push_back(m.message); });
    timer.Queue().push_back({1, 0x0115, 0, 0});
    timer.Queue().push_back({1, 0x0114, 5, 0});
    timer.SetEnabled(true);
    timer.ReplayQueuedMessages();
    EXPECT_EQ(posted, (std::vector<std::uint32_t>{0x0115, 0x0114}));
    EXPECT_TRUE(timer.Queue().empty());
    EXPECT_FALSE(timer.Enabled());
}
