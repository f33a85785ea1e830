// The GIF file structure on its own: what reading keeps of each block, what
// stays after an error, and writing it back.
#include <gtest/gtest.h>

#include "picture/GifFile.h"
#include "picture/tests/GifBuilder.h"

using giftest::Gif;

namespace {

// The code size byte and sub-blocks of an image of n pixels of two colours.
std::vector<uint8_t> image_data(size_t n) {
    std::vector<uint8_t> pixels(n);
    for (size_t i = 0; i < n; ++i) pixels[i] = uint8_t((i * 7 / 3) & 1);
    std::vector<uint8_t> data{2};
    auto blocks = giftest::sub_blocks(giftest::lzw_literals(pixels, 2));
    data.insert(data.end(), blocks.begin(), blocks.end());
    return data;
}

// A file with a loop block, two images with their own blocks, a plain-text
// block that drops the blocks before it, and a comment after the last image.
Gif sample() {
    Gif g(40, 30, 1);
    g.loop("NETSCAPE2.0", 7).gce(5, 2, 1).comment({"one", "two"});
    g.image_raw(1, 2, 30, 20, 0, image_data(600));
    g.gce(9, 1).plain_text().comment({"kept"});
    g.image_raw(0, 0, 0, 0, 0x40, image_data(1200), 2);
    g.comment({"after"}).trailer();
    return g;
}

}  // namespace

TEST(GifFile, ReadingKeepsEveryPartOfTheFile) {
    picture::GifFile file;
    picture::ReadGifFile(sample().b, file, true);
    EXPECT_EQ(file.Version, 2);
    EXPECT_TRUE(file.HasScreen);
    EXPECT_EQ(file.Width, 40);
    EXPECT_EQ(file.Height, 30);
    EXPECT_EQ(file.GlobalTable.Count, 2);
    ASSERT_EQ(file.Applications.size(), 2u);  // the loop block and the plain text
    EXPECT_EQ(picture::GifLoopCount(file.Applications[0].Label, file.Applications[0].Fixed,
                                    &file.Applications[0].SubBlocks),
              std::optional<uint16_t>(7));
    EXPECT_EQ(file.Applications[1].Label, picture::kGifPlainText);
    ASSERT_EQ(file.Images.size(), 2u);
    auto& a = file.Images[0];
    EXPECT_EQ(a.Left, 1);
    EXPECT_EQ(a.Top, 2);
    EXPECT_EQ(a.Width, 30);
    ASSERT_EQ(a.Extensions.size(), 2u);
    EXPECT_EQ(a.Extensions[0].Label, picture::kGifGraphicControl);
    EXPECT_EQ(a.Extensions[1].SubBlocks, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(a.Data, image_data(600));
    EXPECT_FALSE(a.Truncated);
    auto& b = file.Images[1];
    EXPECT_EQ(b.Width, 0);  // as stored: the screen's size is the adapter's business
    EXPECT_EQ(b.Flags & 0x40, 0x40);
    EXPECT_EQ(b.LocalTable.Count, 4);
    ASSERT_EQ(b.Extensions.size(), 1u);  // the graphic control went with the plain text
    EXPECT_EQ(b.Extensions[0].SubBlocks, (std::vector<std::string>{"kept"}));
    EXPECT_EQ(b.Data, image_data(1200));
    ASSERT_EQ(file.Trailing.size(), 1u);
    EXPECT_EQ(file.Trailing[0].SubBlocks, (std::vector<std::string>{"after"}));
}

TEST(GifFile, WritingGivesBackTheFileRead) {
    // blocks in the places the writer puts them: loop block first, no plain text
    Gif g(40, 30, 1);
    g.loop("NETSCAPE2.0", 0).gce(5, 2, 1).comment({"one"});
    g.image_raw(1, 2, 30, 20, 0, image_data(600));
    g.image_raw(0, 0, 40, 30, 0x40, image_data(1200), 3);
    g.comment({"after", "more"}).trailer();
    picture::GifFile file;
    picture::ReadGifFile(g.b, file, true);
    std::vector<uint8_t> out;
    picture::WriteGifFile(file, out);
    EXPECT_EQ(out, g.b);
}

// Image data end at the terminator, at the end of the file, or before a
// length byte that promises more than is left; the reading position goes on
// from there.
TEST(GifFile, ImageDataAreCopiedUpToWhereTheyEnd) {
    auto data = image_data(1000);  // sub-blocks of 255 bytes and a short last one
    struct Case {
        const char* name;
        size_t keep;      // bytes of the image data kept in the file
        size_t expected;  // bytes of them the image holds
        bool truncated;
    } cases[] = {
        {"whole", data.size(), data.size(), false},
        {"without terminator", data.size() - 1, data.size() - 1, false},
        {"cut in the first sub-block", 100, 1, true},
        {"cut after the first sub-block", 257, 257, false},
        {"cut in the last sub-block", data.size() - 3, 0, true},  // up to the last whole sub-block: below
        {"only the code size", 1, 1, false},
    };
    // where the last whole sub-block ends, for the case cut in the last one
    size_t lastWhole = 1;
    for (size_t at = 1; at < data.size() && data[at] != 0 && at + 1 + data[at] <= data.size() - 3;)
        lastWhole = at += 1 + data[at];
    cases[4].expected = lastWhole;
    for (auto& c : cases) {
        Gif g(40, 25, 1);
        std::vector<uint8_t> part(data.begin(), data.begin() + ptrdiff_t(c.keep));
        g.image_raw(0, 0, 40, 25, 0, part);
        for (bool tolerant : {true, false}) {
            picture::GifFile file;
            bool failed = false;
            try {
                picture::ReadGifFile(g.b, file, tolerant);
            } catch (const EInvalidGraphicOperation& e) {
                failed = true;
                EXPECT_EQ(e.Message(), "Stream read error") << c.name;
            }
            EXPECT_EQ(failed, c.truncated && !tolerant) << c.name;
            if (failed) {
                EXPECT_TRUE(file.Images.empty()) << c.name;
                continue;
            }
            ASSERT_EQ(file.Images.size(), 1u) << c.name;
            EXPECT_EQ(file.Images[0].Truncated, c.truncated) << c.name;
            EXPECT_EQ(file.Images[0].Data, std::vector<uint8_t>(data.begin(), data.begin() + ptrdiff_t(c.expected)))
                << c.name;
        }
    }
}

// Whatever the point where a file is cut, reading stops there with what it
// read whole: every image kept holds a prefix of its data.
TEST(GifFile, ACutFileKeepsWhatWasReadWhole) {
    auto whole = sample().b;
    picture::GifFile full;
    picture::ReadGifFile(whole, full, true);
    for (size_t n = 0; n < whole.size(); ++n) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(n));
        picture::GifFile file;
        try {
            picture::ReadGifFile(cut, file, true);
        } catch (const Exception&) {
        }
        ASSERT_LE(file.Images.size(), full.Images.size()) << n;
        for (size_t i = 0; i < file.Images.size(); ++i) {
            auto& got = file.Images[i].Data;
            auto& all = full.Images[i].Data;
            ASSERT_LE(got.size(), all.size()) << n;
            EXPECT_TRUE(std::equal(got.begin(), got.end(), all.begin())) << n;
        }
        EXPECT_LE(file.Applications.size(), full.Applications.size()) << n;
    }
}
