// Colour reduction to palette BMP images: the six 8-bit methods, the 1- and
// 4-bit conversion, the errors, and python3-pil reading what we write.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "picture/PicGraph.h"
#include "platform/core/SysUtils.h"
#include "TestCommands.h"
#include "tests/support/ScriptedHost.h"

namespace fs = std::filesystem;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// A BMP file image as written, read field by field.
struct Bmp {
    std::vector<uint8_t> bytes;
    int width = 0, height = 0, bits = 0;
    uint32_t used = 0, offset = 0, imageSize = 0;
    std::vector<Rgb> palette;
    std::vector<uint8_t> reserved;  // fourth byte of each colour table entry
    size_t stride = 0;

    // Index at column x of row y in memory order (row 0 is the bottom row).
    int index(int x, int memoryRow) const {
        const uint8_t* row = &bytes[offset + stride * size_t(memoryRow)];
        if (bits == 8) return row[x];
        if (bits == 4) return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
    // Colour of image pixel (x, y), y counted from the top.
    Rgb colour(int x, int y) const { return palette[size_t(index(x, height - 1 - y))]; }
};

Bmp parse(std::vector<uint8_t> bytes) {
    Bmp b;
    b.bytes = std::move(bytes);
    EXPECT_GE(b.bytes.size(), 54u);
    EXPECT_EQ(b.bytes[0], 'B');
    EXPECT_EQ(b.bytes[1], 'M');
    EXPECT_EQ(le32(b.bytes, 2), b.bytes.size());
    b.offset = le32(b.bytes, 10);
    EXPECT_EQ(le32(b.bytes, 14), 40u);
    b.width = int(le32(b.bytes, 18));
    b.height = int(le32(b.bytes, 22));
    EXPECT_EQ(b.bytes[26] | b.bytes[27] << 8, 1);
    b.bits = b.bytes[28] | b.bytes[29] << 8;
    b.imageSize = le32(b.bytes, 34);
    b.used = le32(b.bytes, 46);
    b.stride = (size_t(b.bits) * size_t(b.width) + 31) / 32 * 4;
    EXPECT_EQ(b.imageSize, b.stride * size_t(b.height));
    size_t entries = b.bits <= 8 ? size_t(1) << b.bits : 0;
    EXPECT_EQ(b.offset, 54 + 4 * entries);
    EXPECT_EQ(b.bytes.size(), b.offset + b.imageSize);
    for (size_t i = 0; i < entries; ++i) {
        b.palette.push_back({b.bytes[56 + 4 * i], b.bytes[55 + 4 * i], b.bytes[54 + 4 * i]});
        b.reserved.push_back(b.bytes[57 + 4 * i]);
    }
    return b;
}

Bmp reduce(TBitmap& bitmap, TPixelFormat target, int method) {
    auto stream = ReduceBitmap(&bitmap, target, method);
    EXPECT_EQ(stream->Position(), 0);
    return parse(stream->Bytes());
}

// A 24-bit bitmap of random colours; odd width so that rows are padded.
std::unique_ptr<TBitmap> random_bitmap(int w, int h, unsigned seed, TPixelFormat format = pf24bit) {
    auto b = std::make_unique<TBitmap>(w, h, format);
    std::mt19937 rng(seed);
    if (format == pf8bit) {  // a palette of random colours, random indices
        TPalette pal;
        for (int i = 0; i < 256; ++i) pal.push_back({uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
        b->SetPalette(pal);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (format == pf8bit)
                b->SetPixelIndex(x, y, int(rng() & 255));
            else
                b->SetPixel(x, y, TColor(rng() & 0xFFFFFF));
        }
    return b;
}

std::unique_ptr<TBitmap> uniform_bitmap(int w, int h, Rgb c) {
    auto b = std::make_unique<TBitmap>(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->SetPixel(x, y, RGBColor(uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)));
    return b;
}

Rgb rgb_of(TColor c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

std::string scratch_dir() {
    fs::path dir = fs::path(TAMBLERO_BINARY_DIR) / ("reduce-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir.string();
}

using picture_test::capture;

// What python3-pil sees in a BMP file: mode, size, palette, RGB pixels from the top.
struct PilView {
    std::string mode;
    int width = 0, height = 0;
    std::vector<int> palette;
    std::vector<Rgb> pixels;
};

PilView pil_view(const std::vector<uint8_t>& bytes, const std::string& name) {
    std::string path = scratch_dir() + "/" + name;
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    int status = 0;
    std::string out = capture(test_support::oracle_command("bmp_indexed.py") + " " + path, status);
    EXPECT_EQ(status, 0) << out;
    std::istringstream in(out);
    PilView v;
    std::string line;
    std::getline(in, line);
    std::istringstream(line) >> v.mode >> v.width >> v.height;
    std::getline(in, line);
    std::istringstream pal(line);
    for (int x; pal >> x;) v.palette.push_back(x);
    std::getline(in, line);
    for (size_t i = 0; i + 6 <= line.size(); i += 6) {
        unsigned c = unsigned(std::stoul(line.substr(i, 6), nullptr, 16));
        v.pixels.push_back({int(c >> 16), int((c >> 8) & 255), int(c & 255)});
    }
    fs::remove(path);
    return v;
}

// Every pixel as the independent reader sees it equals palette[index] as we wrote it.
void expect_pil_agrees(const Bmp& bmp, const std::string& name) {
    PilView v = pil_view(bmp.bytes, name);
    ASSERT_EQ(v.width, bmp.width);
    ASSERT_EQ(v.height, bmp.height);
    ASSERT_EQ(v.pixels.size(), size_t(bmp.width) * size_t(bmp.height));
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x)
            ASSERT_EQ(v.pixels[size_t(y) * size_t(bmp.width) + size_t(x)], bmp.colour(x, y))
                << name << " pixel " << x << "," << y;
}


}  // namespace

TEST(Reduce, GrayscaleIndexIsWeightedSumOfEveryPixel) {
    // 24- and 32-bit sources, and an 8-bit one: method 5 reduces even a
    // bitmap that is already 8 bits
    std::unique_ptr<TBitmap> sources[] = {random_bitmap(61, 17, 1), random_bitmap(20, 9, 2, pf32bit),
                                          random_bitmap(13, 7, 3, pf8bit)};
    for (auto& source : sources) {
        TBitmap& src = *source;
        Bmp out = reduce(src, pf8bit, 5);
        ASSERT_EQ(out.bits, 8);
        ASSERT_EQ(out.width, src.PixelWidth());
        ASSERT_EQ(out.height, src.PixelHeight());
        EXPECT_EQ(out.used, 0u);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(out.palette[size_t(i)], (Rgb{i, i, i}));
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                Rgb c = rgb_of(src.Pixel(x, y));
                ASSERT_EQ(out.index(x, out.height - 1 - y), (77 * c.r + 150 * c.g + 29 * c.b) >> 8)
                    << "pixel " << x << "," << y << " of a " << src.BitsPerPixel() << "-bit source";
            }
    }
}

// Rows are reduced 16 pixels at a time where the processor allows: every
// width up to three such steps and beyond, extreme channel values included.
TEST(Reduce, GrayscaleOfEveryRowWidth) {
    for (int w = 1; w <= 50; ++w) {
        auto src = random_bitmap(w, 3, unsigned(100 + w));
        // white, black and single-channel extremes along the middle row
        const TColor extremes[] = {RGBColor(255, 255, 255), RGBColor(0, 0, 0), RGBColor(255, 0, 0),
                                   RGBColor(0, 255, 0), RGBColor(0, 0, 255), RGBColor(255, 255, 0)};
        for (int x = 0; x < w; ++x) src->SetPixel(x, 1, extremes[size_t(x) % std::size(extremes)]);
        Bmp out = reduce(*src, pf8bit, 5);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                Rgb c = rgb_of(src->Pixel(x, y));
                ASSERT_EQ(out.index(x, out.height - 1 - y), (77 * c.r + 150 * c.g + 29 * c.b) >> 8)
                    << "pixel " << x << "," << y << " of width " << w;
            }
        // row padding stays zero
        for (int y = 0; y < out.height; ++y)
            for (size_t i = size_t(w); i < out.stride; ++i) ASSERT_EQ(out.bytes[out.offset + out.stride * size_t(y) + i], 0);
    }
}

TEST(Reduce, ColoursUsedAndGrayFillPerMethod) {
    // ten colours: method 0 keeps them and fills the rest with gray
    TBitmap ten(10, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x) ten.SetPixel(x, y, RGBColor(uint8_t(x * 20 + 1), uint8_t(255 - x * 20), 7));
    struct Case {
        int method;
        uint32_t used;
        int firstGray;  // entries from here on are gray 128 (-1: none)
        uint8_t grayReserved;
    } cases[] = {
        {0, 0, 10, 0}, {1, 10, -1, 0}, {2, 224, 224, 128}, {3, 216, 216, 128}, {4, 0, -1, 0}, {5, 0, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("method " + std::to_string(c.method));
        Bmp out = reduce(ten, pf8bit, c.method);
        EXPECT_EQ(out.bits, 8);
        EXPECT_EQ(out.used, c.used);
        ASSERT_EQ(out.palette.size(), 256u);
        if (c.firstGray >= 0)
            for (int i = c.firstGray; i < 256; ++i) {
                EXPECT_EQ(out.palette[size_t(i)], (Rgb{128, 128, 128})) << "entry " << i;
                EXPECT_EQ(out.reserved[size_t(i)], c.grayReserved) << "entry " << i;
            }
        if (c.method == 1) {
            for (int i = 10; i < 256; ++i) EXPECT_EQ(out.palette[size_t(i)], (Rgb{0, 0, 0})) << "entry " << i;
        }
    }
}

TEST(Reduce, FixedPalettesAndGrayscaleMapKnownColours) {
    struct Case {
        int method;
        Rgb colour;
        int index;
        Rgb entry;
    } cases[] = {
        {2, {0, 0, 0}, 0, {0, 0, 0}},
        {3, {0, 0, 0}, 0, {0, 0, 0}},
        {5, {0, 0, 0}, 0, {0, 0, 0}},
        {2, {255, 255, 255}, 223, {255, 255, 255}},
        {3, {255, 255, 255}, 215, {255, 255, 255}},
        {5, {255, 255, 255}, 255, {255, 255, 255}},
        // red 64 lies half-way between levels 0x2B and 0x55: the lower wins
        {2, {64, 0, 0}, 32, {0x2B, 0, 0}},
        {2, {200, 100, 30}, 5 * 32 + 3 * 4 + 0, {0xD5, 0x6D, 0x00}},
        // 128 is nearer 0x99 (25) than 0x66 (26)
        {3, {128, 128, 128}, 3 * 36 + 3 * 6 + 3, {0x99, 0x99, 0x99}},
        {3, {10, 60, 240}, 0 * 36 + 1 * 6 + 5, {0, 0x33, 0xFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("method " + std::to_string(c.method));
        auto src_ptr = uniform_bitmap(3, 2, c.colour);
        TBitmap& src = *src_ptr;
        Bmp out = reduce(src, pf8bit, c.method);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) ASSERT_EQ(out.index(x, y), c.index);
        EXPECT_EQ(out.palette[size_t(c.index)], c.entry);
    }
}

TEST(Reduce, HistogramIsExactForFewColoursAndOrdersByCount) {
    // one colour: a single non-gray entry
    auto one_ptr = uniform_bitmap(5, 4, {12, 34, 56});
    TBitmap& one = *one_ptr;
    Bmp out = reduce(one, pf8bit, 0);
    EXPECT_EQ(out.palette[0], (Rgb{12, 34, 56}));
    for (int i = 1; i < 256; ++i) ASSERT_EQ(out.palette[size_t(i)], (Rgb{128, 128, 128}));

    // counts 1, 3, 3, 5: the most frequent first, equal counts in the order
    // the colours were first met (rows from the bottom)
    TBitmap counts(4, 3, pf24bit);
    const TColor a = RGBColor(1, 2, 3), b = RGBColor(40, 50, 60), c = RGBColor(200, 0, 9), d = RGBColor(9, 9, 9);
    const TColor rows[3][4] = {{d, d, d, d}, {c, c, c, d}, {a, b, b, b}};  // top row first
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) counts.SetPixel(x, y, rows[y][x]);
    out = reduce(counts, pf8bit, 0);
    EXPECT_EQ(out.palette[0], rgb_of(d));
    EXPECT_EQ(out.palette[1], rgb_of(b));  // met in the bottom row, before c
    EXPECT_EQ(out.palette[2], rgb_of(c));
    EXPECT_EQ(out.palette[3], rgb_of(a));

    // up to 256 colours come through unchanged
    TBitmap many(16, 16, pf24bit);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) many.SetPixel(x, y, RGBColor(uint8_t(x * 17), uint8_t(y * 13 + 1), uint8_t(x ^ y)));
    out = reduce(many, pf8bit, 0);
    std::set<int> seen;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(out.colour(x, y), rgb_of(many.Pixel(x, y))) << x << "," << y;
            seen.insert(out.index(x, out.height - 1 - y));
        }
    EXPECT_EQ(seen.size(), 256u);
    expect_pil_agrees(out, "exact.bmp");
}

TEST(Reduce, HistogramDropsMaskBitsBlueRedGreen) {
    // A grid of 256 blues x reds x greens, plus a bottom row of white that
    // outnumbers every other colour: entry 0 is white under the masks in force.
    struct Case {
        int reds, greens;
        Rgb masks;
    } cases[] = {
        {1, 8, {0xFF, 0xFF, 0xFF}},   // 2048 + white = 2049 colours: all kept
        {1, 9, {0xFF, 0xFF, 0xFE}},   // blue loses a bit
        {6, 3, {0xFE, 0xFF, 0xFE}},   // then red
        {6, 6, {0xFE, 0xFE, 0xFE}},   // then green
        {10, 8, {0xFE, 0xFE, 0xFC}},  // then blue again
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.reds) + " reds, " + std::to_string(c.greens) + " greens");
        int rows = c.reds * c.greens;
        TBitmap src(256, rows + 1, pf24bit);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 256; ++x) src.SetPixel(x, y, RGBColor(uint8_t(y % c.reds), uint8_t(y / c.reds), uint8_t(x)));
        for (int x = 0; x < 256; ++x) src.SetPixel(x, rows, clWhite);
        Bmp out = reduce(src, pf8bit, 0);
        EXPECT_EQ(out.palette[0], c.masks);
        for (int i = 0; i < 256; ++i) {
            const Rgb& e = out.palette[size_t(i)];
            ASSERT_EQ(e.r & ~c.masks.r, 0) << "entry " << i;
            ASSERT_EQ(e.g & ~c.masks.g, 0) << "entry " << i;
            ASSERT_EQ(e.b & ~c.masks.b, 0) << "entry " << i;
        }
        // a pixel whose masked colour made the palette shows that colour
        for (int y = 0; y <= rows; ++y)
            for (int x = 0; x < 256; ++x) {
                Rgb p = rgb_of(src.Pixel(x, y)), masked{p.r & c.masks.r, p.g & c.masks.g, p.b & c.masks.b};
                Rgb shown = out.colour(x, y);
                if (shown == masked) continue;
                for (int i = 0; i < 256; ++i) ASSERT_NE(out.palette[size_t(i)], masked) << x << "," << y;
            }
    }
}

TEST(Reduce, MedianCutBoxes) {
    // one colour: one box, its colour from the cell's nibbles
    auto one_ptr = uniform_bitmap(4, 4, {200, 100, 50});
    TBitmap& one = *one_ptr;
    Bmp out = reduce(one, pf8bit, 1);
    EXPECT_EQ(out.used, 1u);
    EXPECT_EQ(out.palette[0], (Rgb{12 * 16 + 15, 6 * 16 + 15, 3 * 16 + 15}));
    for (int i = 1; i < 256; ++i) ASSERT_EQ(out.palette[size_t(i)], (Rgb{0, 0, 0}));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_EQ(out.index(x, y), 0);

    // a box whose channels come out at most 16 is black
    auto dark_ptr = uniform_bitmap(2, 2, {10, 15, 3});
    TBitmap& dark = *dark_ptr;
    out = reduce(dark, pf8bit, 1);
    EXPECT_EQ(out.used, 1u);
    EXPECT_EQ(out.palette[0], (Rgb{0, 0, 0}));

    // Four cells: A (black) x10, B (128,0,0) x3, C (128,128,0) x3, D (128,240,0) x6.
    // The first cut (red) leaves A alone and puts D, C, B in a new box of 12
    // pixels; that box is cut on green at half of its own 12 pixels, so B and C
    // stay together (B + C = 6) and D goes to box 2; then B and C part on blue.
    TBitmap cells(22, 1, pf24bit);
    const Rgb colours[] = {{0, 0, 0}, {128, 0, 0}, {128, 128, 0}, {128, 240, 0}};
    const int counts[] = {10, 3, 3, 6};
    int x = 0;
    for (int i = 0; i < 4; ++i)
        for (int n = 0; n < counts[i]; ++n, ++x)
            cells.SetPixel(x, 0, RGBColor(uint8_t(colours[i].r), uint8_t(colours[i].g), uint8_t(colours[i].b)));
    out = reduce(cells, pf8bit, 1);
    EXPECT_EQ(out.used, 4u);
    const int box[] = {0, 3, 1, 2};  // box of A, B, C, D
    const Rgb boxColour[] = {{0, 0, 0}, {143, 15, 15}, {143, 143, 15}, {143, 255, 15}};
    x = 0;
    for (int i = 0; i < 4; ++i)
        for (int n = 0; n < counts[i]; ++n, ++x) ASSERT_EQ(out.index(x, 0), box[i]) << "cell " << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out.palette[size_t(box[i])], boxColour[i]) << "cell " << i;

    // many colours: at most 256 boxes, every pixel in a box of its own cell
    auto many_ptr = random_bitmap(64, 64, 9);
    TBitmap& many = *many_ptr;
    out = reduce(many, pf8bit, 1);
    EXPECT_EQ(out.used, 256u);
    expect_pil_agrees(out, "median.bmp");
}

TEST(Reduce, RampsMakeDiagonalPatternOnGray) {
    auto gray_ptr = uniform_bitmap(7, 5, {100, 100, 100});
    TBitmap& gray = *gray_ptr;
    Bmp out = reduce(gray, pf8bit, 4);
    EXPECT_EQ(out.used, 0u);
    const int expected[3] = {25, 64 + 25, 128 + 25};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(out.index(x, y), expected[(x + y) % 3]) << x << "," << y;
    EXPECT_EQ(out.palette[25], (Rgb{100, 0, 0}));
    EXPECT_EQ(out.palette[89], (Rgb{0, 100, 0}));
    EXPECT_EQ(out.palette[153], (Rgb{0, 0, 100}));
    EXPECT_EQ(out.palette[63], (Rgb{252, 0, 0}));
    for (int i = 192; i < 256; ++i) ASSERT_EQ(out.palette[size_t(i)], (Rgb{0, 0, 0}));
}

TEST(Reduce, EveryMethodReadsBackInPil) {
    auto src_ptr = random_bitmap(37, 23, 4);
    TBitmap& src = *src_ptr;
    for (int method = 0; method <= 5; ++method) {
        SCOPED_TRACE("method " + std::to_string(method));
        expect_pil_agrees(reduce(src, pf8bit, method), "method" + std::to_string(method) + ".bmp");
    }
}

TEST(Reduce, BitmapOfTargetFormatIsSavedUnlessGrayscale) {
    auto b8_ptr = random_bitmap(9, 5, 5, pf8bit);
    TBitmap& b8 = *b8_ptr;
    auto b1_ptr = random_bitmap(9, 5, 6, pf1bit);
    TBitmap& b1 = *b1_ptr;
    auto b4_ptr = random_bitmap(9, 5, 7, pf4bit);
    TBitmap& b4 = *b4_ptr;
    for (int method = 0; method <= 4; ++method) {
        EXPECT_EQ(ReduceBitmap(&b8, pf8bit, method)->Bytes(), b8.SaveToBmp()) << method;
        EXPECT_EQ(ReduceBitmap(&b1, pf1bit, method)->Bytes(), b1.SaveToBmp()) << method;
        EXPECT_EQ(ReduceBitmap(&b4, pf4bit, method)->Bytes(), b4.SaveToBmp()) << method;
    }
    EXPECT_NE(ReduceBitmap(&b8, pf8bit, 5)->Bytes(), b8.SaveToBmp());
}

TEST(Reduce, OneAndFourBitConversionTakesNearestColour) {
    const Rgb vga[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
                         {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                         {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    auto nearest = [](const std::vector<Rgb>& pal, Rgb c) {
        int best = 0;
        long bestD = -1;
        for (size_t i = 0; i < pal.size(); ++i) {
            long d = long(pal[i].r - c.r) * (pal[i].r - c.r) + long(pal[i].g - c.g) * (pal[i].g - c.g) +
                     long(pal[i].b - c.b) * (pal[i].b - c.b);
            if (bestD < 0 || d < bestD) best = int(i), bestD = d;
        }
        return best;
    };
    auto colourful_ptr = random_bitmap(29, 11, 8);
    TBitmap& colourful = *colourful_ptr;
    // a two-colour bitmap keeps its own palette in 4 bits
    TBitmap two(29, 11, pf1bit);
    two.SetPalette({{250, 10, 20}, {30, 40, 200}});
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 29; ++x) two.SetPixelIndex(x, y, (x * y) % 3 == 0);
    struct Case {
        TBitmap* source;
        TPixelFormat target;
        std::vector<Rgb> palette;
        std::string pilMode;
    } cases[] = {
        {&colourful, pf4bit, std::vector<Rgb>(vga, vga + 16), "P"},
        {&colourful, pf1bit, {{0, 0, 0}, {255, 255, 255}}, "1"},
        {&two, pf4bit, {{250, 10, 20}, {30, 40, 200}}, "P"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.source->BitsPerPixel()) + " bits to " + (c.target == pf1bit ? "1" : "4"));
        Bmp out = reduce(*c.source, c.target, 0);
        ASSERT_EQ(out.bits, c.target == pf1bit ? 1 : 4);
        EXPECT_EQ(out.used, 0u);
        for (size_t i = 0; i < c.palette.size(); ++i) EXPECT_EQ(out.palette[i], c.palette[i]) << "entry " << i;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                ASSERT_EQ(out.index(x, out.height - 1 - y), nearest(c.palette, rgb_of(c.source->Pixel(x, y))))
                    << x << "," << y;
        PilView v = pil_view(out.bytes, "conv.bmp");
        EXPECT_EQ(v.mode, c.pilMode);
        if (c.pilMode == "P") {
            ASSERT_GE(v.palette.size(), 3 * c.palette.size());
            for (size_t i = 0; i < c.palette.size(); ++i)
                EXPECT_EQ((Rgb{v.palette[3 * i], v.palette[3 * i + 1], v.palette[3 * i + 2]}), c.palette[i])
                    << "entry " << i << " as PIL reads it";
        }
        expect_pil_agrees(out, "conv.bmp");
    }
}

TEST(Reduce, InvalidBitmapAndUnsupportedRequests) {
    TBitmap empty;
    for (TBitmap* b : {static_cast<TBitmap*>(nullptr), &empty}) {
        try {
            ReduceBitmap(b, pf8bit, 0);
            FAIL() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), "Bitmap image is not valid");
        }
    }

    test_support::ScriptedHost host;
    std::optional<core::ScopedService<core::HostServices*>> installed(std::in_place, core::host_slot, &host);
    std::vector<std::string>& shown = host.information;
    auto b8_ptr = random_bitmap(4, 4, 10, pf8bit);
    TBitmap& b8 = *b8_ptr;
    auto b24_ptr = random_bitmap(4, 4, 11);
    TBitmap& b24 = *b24_ptr;
    struct Case {
        TBitmap* bitmap;
        TPixelFormat target;
        int method;
    } cases[] = {
        {&b8, pf24bit, 0}, {&b24, pf24bit, 5}, {&b24, pf32bit, 0}, {&b24, pfDevice, 0},
        {&b24, pf8bit, 6}, {&b24, pf8bit, -1},
    };
    for (const auto& c : cases) {
        shown.clear();
        EXPECT_THROW(ReduceBitmap(c.bitmap, c.target, c.method), EAbort) << c.target << " " << c.method;
        EXPECT_EQ(shown, std::vector<std::string>{"Function not yet implemented"});
    }
    installed.reset();  // the console host: a line on stderr
    EXPECT_THROW(ShowNotImplemented(), EAbort);
}

TEST(Reduce, ToolReducesPpmAndBmpFiles) {
    const std::string tool = test_support::tool_path("picture-tool");
    const std::string dir = scratch_dir();
    auto src_ptr = random_bitmap(15, 6, 12);
    TBitmap& src = *src_ptr;
    {
        std::ofstream ppm(dir + "/in.ppm", std::ios::binary);
        ppm << "P6\n# made by the test\n15 6\n255\n";
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 15; ++x) {
                TColor c = src.Pixel(x, y);
                ppm << char(GetRValue(c)) << char(GetGValue(c)) << char(GetBValue(c));
            }
        auto bmp = src.SaveToBmp();
        std::ofstream(dir + "/in.bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
    }
    auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    };
    int status = 0;
    for (std::string in : {"in.ppm", "in.bmp"}) {
        for (int method : {0, 1, 5}) {
            std::string out = dir + "/out.bmp";
            capture(tool + " reduce " + dir + "/" + in + " " + out + " --method " + std::to_string(method) + " 2>&1",
                    status);
            EXPECT_EQ(status, 0) << in;
            EXPECT_EQ(read(out), ReduceBitmap(&src, pf8bit, method)->Bytes()) << in << " method " << method;
        }
    }
    // From a named pipe (read once, to its end) as from the file.
    for (std::string in : {"in.ppm", "in.bmp"}) {
        const std::string fifo = dir + "/pipe" + in.substr(2);
        ::unlink(fifo.c_str());
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::string out = dir + "/out.bmp";
        std::string text = capture("(cat " + dir + "/" + in + " > " + fifo + " &); " + tool + " reduce " + fifo + " " +
                                       out + " --method 1 2>&1",
                                   status);
        EXPECT_EQ(status, 0) << in << ": " << text;
        EXPECT_EQ(read(out), ReduceBitmap(&src, pf8bit, 1)->Bytes()) << in << " from a pipe";
        ::unlink(fifo.c_str());
    }
    // a cut-off PPM and an unknown method fail and leave the old output alone
    std::vector<uint8_t> before = read(dir + "/out.bmp");
    std::ofstream(dir + "/short.ppm", std::ios::binary) << "P6\n15 6\n255\nabc";
    std::string text = capture(tool + " reduce " + dir + "/short.ppm " + dir + "/out.bmp --method 0 2>&1", status);
    EXPECT_NE(status, 0);
    EXPECT_NE(text.find("Bitmap image is not valid"), std::string::npos) << text;
    text = capture(tool + " reduce " + dir + "/in.ppm " + dir + "/out.bmp --method 9 2>&1", status);
    EXPECT_NE(status, 0);
    EXPECT_NE(text.find("Function not yet implemented"), std::string::npos) << text;
    EXPECT_EQ(read(dir + "/out.bmp"), before);
    fs::remove_all(dir);
}
