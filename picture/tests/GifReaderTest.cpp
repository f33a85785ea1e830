// Reading GIF streams into the picture object: header, blocks, extensions,
// frames, and decoding of the LZW data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

#include "picture/tests/GifBuilder.h"
#include "picture/tests/TestCommands.h"
#include "picture/PicGIF.h"
#include "picture/Startup.h"

using giftest::Gif;

namespace {

void load(TGIFImage& gif, const std::vector<uint8_t>& bytes, bool decodeFirst = true) {
    TByteReader r(bytes);
    gif.ReadGifStream(int64_t(bytes.size()), r, decodeFirst);
}

std::string error_of(const std::vector<uint8_t>& bytes, bool decodeFirst = true) {
    TGIFImage gif;
    try {
        load(gif, bytes, decodeFirst);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

std::vector<uint8_t> ramp(int n, int mod) {
    std::vector<uint8_t> p(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) p[size_t(i)] = uint8_t((i * 7 + i / 3) % mod);
    return p;
}

std::vector<int> indices(TBitmap& b) {
    std::vector<int> r;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) r.push_back(b.PixelIndex(x, y));
    return r;
}

std::vector<int> as_ints(const std::vector<uint8_t>& v) { return std::vector<int>(v.begin(), v.end()); }

struct ToleranceOff {
    ToleranceOff() { picture::TolerantReading = false; }
    ~ToleranceOff() { picture::TolerantReading = true; }
};

}  // namespace

TEST(GifReader, EmptyStreamGivesNoFramesAndNoError) {
    TGIFImage gif;
    load(gif, {});
    EXPECT_EQ(gif.FrameCount(), 0);
    EXPECT_TRUE(gif.Empty());
    EXPECT_EQ(gif.Width(), 0);
}

TEST(GifReader, SignatureAndVersion) {
    struct Case {
        const char* sig;
        const char* error;
        int version;
    } cases[] = {
        {"GIF89a", "", 2}, {"GIF87a", "", 1}, {"gif89A", "", 2}, {"Gif87A", "", 1},
        {"GIF88a", "Unknown GIF version", 0}, {"PNG89a", "Unknown GIF version", 0},
    };
    for (auto& c : cases) {
        Gif g(2, 1, 1, c.sig);
        g.image(2, 1, {0, 1}, 2).trailer();
        TGIFImage gif;
        std::string err;
        try {
            load(gif, g.b);
        } catch (const EInvalidGraphicOperation& e) {
            err = e.Message();
        }
        EXPECT_EQ(err, c.error) << c.sig;
        if (!*c.error) {
            EXPECT_EQ(gif.GifVersion, c.version) << c.sig;
        }
    }
}

TEST(GifReader, ShortInputGivesStreamReadError) {
    for (size_t n : {3u, 8u, 12u}) {
        Gif g(2, 1, 1);
        g.b.resize(n);
        TGIFImage gif;
        TByteReader r(g.b);
        EXPECT_THROW(gif.ReadGifStream(int64_t(g.b.size()), r, true), EReadError) << n;
    }
    // a count larger than the data is refused before anything is read
    std::vector<uint8_t> data{'G', 'I', 'F'};
    TGIFImage gif;
    TByteReader r(data);
    EXPECT_THROW(gif.ReadGifStream(1000000000, r, true), EReadError);
}

TEST(GifReader, HugeSizesFailBeforeAllocating) {
    Gif screen(65535, 65535, 1);
    screen.image(2, 1, {0, 1}, 2).trailer();
    EXPECT_EQ(error_of(screen.b), "GIF encoded data is corrupt");
    // a frame whose zero size takes a huge screen, or is huge itself
    Gif frame(100, 100, 1);
    frame.image_raw(0, 0, 65535, 65535, 0, {2, 0}).trailer();
    EXPECT_EQ(error_of(frame.b), "GIF encoded data is corrupt");
}

// Frames cost memory before they are decoded, so their number is bounded as
// their pixels are; reading and drawing a picture agree on it.
TEST(GifReader, FrameCountIsBounded) {
    TGIFImage gif;
    load(gif, giftest::tiny_frames(65536), false);
    EXPECT_EQ(gif.FrameCount(), 65536);
    EXPECT_EQ(gif.FrameAt(65535).EnsureBitmap().PixelIndex(0, 0), 1);

    const auto over = giftest::tiny_frames(65537);
    for (bool decodeFirst : {false, true})
        EXPECT_EQ(error_of(over, decodeFirst), "GIF image has more than 65536 frames") << decodeFirst;

    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("gif-frames-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "over.gif";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(over.data()), std::streamsize(over.size()));
    const std::string tool = test_support::tool_path("picture-tool");
    const std::string commands[] = {"info " + file.string(),
                                    "draw " + file.string() + " 4 4 000000 " + (dir / "o.ppm").string()};
    for (const std::string& args : commands) {
        int status = 0;
        std::string said = picture_test::capture(tool + " " + args + " 2>&1", status);
        EXPECT_NE(status, 0) << args;
        EXPECT_EQ(said, "picture-tool: GIF image has more than 65536 frames\n") << args;
    }
    EXPECT_FALSE(fs::exists(dir / "o.ppm"));
    fs::remove_all(dir);
}

// The label in two hexadecimal digits, in the upper case of the platform's
// formatting.
TEST(GifReader, UnknownExtensionLabel) {
    for (auto [label, text] : {std::pair{0x3A, "3A"}, {0xFA, "FA"}, {0x00, "00"}, {0x0B, "0B"}}) {
        Gif g(2, 1, 1);
        g.b.insert(g.b.end(), {0x21, uint8_t(label), 0});
        EXPECT_EQ(error_of(g.b), std::string("Unrecognized extension block: ") + text);
    }
}

TEST(GifReader, LoopBlocks) {
    struct Case {
        const char* id;
        int count;
        bool enabled;
        int stored;
    } cases[] = {
        {"NETSCAPE2.0", 0, true, 0},
        {"NETSCAPE2.0", 5, true, 5},
        {"NETSCAPE2.0", 40000, true, 30000},
        {"ANIMEXTS1.0", 7, true, 7},
        {"XMPDataXMP\0", 7, false, 1},
    };
    for (auto& c : cases) {
        Gif g(2, 1, 1);
        g.loop(c.id, c.count).image(2, 1, {0, 1}, 2).trailer();
        TGIFImage gif;
        load(gif, g.b);
        EXPECT_EQ(gif.LoopEnabled, c.enabled) << c.id << c.count;
        EXPECT_EQ(gif.LoopCount, c.stored) << c.id << c.count;
        EXPECT_EQ(gif.FrameAt(0).ExtensionList, nullptr);  // application blocks are not kept
    }
}

TEST(GifReader, GraphicControl) {
    // transparent index within the table
    {
        Gif g(2, 1, 2);
        g.gce(7, 2, 3).image(2, 1, {0, 3}, 2).trailer();
        TGIFImage gif;
        load(gif, g.b);
        auto& f = gif.FrameAt(0);
        EXPECT_EQ(f.DelayMs, 70);
        EXPECT_EQ(f.Disposal, 2);
        EXPECT_EQ(f.TransparentIndex, 3);
        EXPECT_EQ(f.TransparentKey, f.FrameData->LocalTable.Color(3));
        EXPECT_TRUE(gif.Transparent());
    }
    // an index at or beyond the colour count leaves the frame opaque
    {
        Gif g(2, 1, 1);
        g.gce(0, 0, 2).image(2, 1, {0, 1}, 2).trailer();
        TGIFImage gif;
        load(gif, g.b);
        EXPECT_EQ(gif.FrameAt(0).TransparentKey, clNone);
        EXPECT_FALSE(gif.Transparent());
    }
    // two blocks: the larger delay, the last transparency and disposal
    {
        Gif g(2, 1, 2);
        g.gce(50, 1, 2).gce(10, 3, -1).image(2, 1, {0, 1}, 2).trailer();
        TGIFImage gif;
        load(gif, g.b);
        auto& f = gif.FrameAt(0);
        EXPECT_EQ(f.DelayMs, 500);
        EXPECT_EQ(f.Disposal, 3);
        EXPECT_EQ(f.TransparentKey, clNone);
    }
    // a plain-text block drops the graphic control collected before it
    {
        Gif g(2, 1, 2);
        g.gce(50, 1, 2).plain_text().image(2, 1, {0, 1}, 2).trailer();
        TGIFImage gif;
        load(gif, g.b);
        EXPECT_EQ(gif.FrameAt(0).DelayMs, 0);
        EXPECT_EQ(gif.FrameAt(0).TransparentKey, clNone);
    }
}

TEST(GifReader, Comments) {
    // before an image: kept with the frame
    {
        Gif g(2, 1, 1);
        g.comment({"made here", "line two"}).image(2, 1, {0, 1}, 2).trailer();
        TGIFImage gif;
        load(gif, g.b);
        auto* lines = gif.FrameAt(0).FindCommentLines(false);
        ASSERT_NE(lines, nullptr);
        EXPECT_EQ(*lines, (std::vector<std::string>{"made here", "line two"}));
        EXPECT_TRUE(gif.SharedData->CommentLines.empty());
    }
    // after the last image: the image's comment lines, with a blank-line pair
    // between comments; a second run is discarded
    {
        Gif g(2, 1, 1);
        g.image(2, 1, {0, 1}, 2).comment({"a"}).comment({"b", "c"});
        g.b.push_back(0x3B);
        TGIFImage gif;
        load(gif, g.b);
        EXPECT_EQ(gif.SharedData->CommentLines, (std::vector<std::string>{"a", "\r\n\r\n", "b", "c"}));
    }
    {
        Gif g(2, 1, 1);
        g.comment({"x"});
        g.b.push_back(0x3B);  // a run of extensions ended by the trailer
        TGIFImage gif;
        load(gif, g.b);
        EXPECT_EQ(gif.SharedData->CommentLines, (std::vector<std::string>{"x"}));
        EXPECT_EQ(gif.FrameCount(), 0);
    }
}

TEST(GifReader, UnexpectedBytes) {
    // after extensions with nothing collected: an error
    Gif a(2, 1, 1);
    a.b.insert(a.b.end(), {'X', 0x3B});
    EXPECT_EQ(error_of(a.b), "Stream read error");
    // after an image: reading ends quietly, keeping the image
    Gif b(2, 1, 1);
    b.image(2, 1, {0, 1}, 2).b.push_back('X');
    b.image(2, 1, {1, 0}, 2);
    TGIFImage gif;
    load(gif, b.b);
    EXPECT_EQ(gif.FrameCount(), 1);
}

TEST(GifReader, BitDepthChoosesBmpFormat) {
    struct Case {
        int bits;
        TPixelFormat format;
    } cases[] = {{1, pf1bit}, {2, pf4bit}, {3, pf4bit}, {4, pf4bit}, {5, pf8bit}, {6, pf8bit}, {8, pf8bit}};
    for (auto& c : cases) {
        int colors = 1 << c.bits;
        int w = 13, h = 3;
        auto pixels = ramp(w * h, colors);
        Gif g(w, h, c.bits);
        g.image(w, h, pixels, std::max(2, c.bits)).trailer();
        TGIFImage gif;
        load(gif, g.b);
        auto& bmp = gif.CurrentBitmap();
        EXPECT_EQ(bmp.PixelFormat(), c.format) << c.bits;
        EXPECT_EQ(indices(bmp), as_ints(pixels)) << c.bits;
        EXPECT_EQ(bmp.Palette()[1], (TRGBEntry{8, 15, 254})) << c.bits;
        EXPECT_FALSE(gif.FrameAt(0).DamageFound);
    }
}

TEST(GifReader, LocalTableAndGrayPadding) {
    // a 3-bit local table in a 4-bit BMP: entries beyond the table are grey 128
    Gif g(4, 1, 1);
    g.image(4, 1, {0, 1, 6, 7}, 3, false, {}, 3).trailer();
    TGIFImage gif;
    load(gif, g.b);
    auto& f = gif.FrameAt(0);
    EXPECT_TRUE(f.UsesLocalTable);
    auto& bmp = f.EnsureBitmap();
    EXPECT_EQ(bmp.Palette().size(), 16u);
    EXPECT_EQ(bmp.Palette()[0], (TRGBEntry{uint8_t(255 * 7 + 1), uint8_t(255 * 13 + 2), 0}));
    EXPECT_EQ(bmp.Palette()[8], (TRGBEntry{128, 128, 128}));
    EXPECT_EQ(indices(bmp), (std::vector<int>{0, 1, 6, 7}));
}

TEST(GifReader, InterlacedSmallHeightsDecodeEveryRowOnce) {
    for (int h : {1, 2, 3, 5, 8, 9, 17}) {
        // rows stored in interlace order: pass 1 rows 0, 8..; pass 2 rows 4, 12..; pass 3 rows 2, 6..; pass 4 odd rows
        std::vector<int> order;
        for (int y = 0; y < h; y += 8) order.push_back(y);
        for (int y = 4; y < h; y += 8) order.push_back(y);
        for (int y = 2; y < h; y += 4) order.push_back(y);
        for (int y = 1; y < h; y += 2) order.push_back(y);
        ASSERT_EQ(int(order.size()), h);
        int w = 3;
        std::vector<uint8_t> stored;
        for (int y : order)
            for (int x = 0; x < w; ++x) stored.push_back(uint8_t(y * 3 + x));
        Gif g(w, h, 8);
        g.image(w, h, stored, 8, true).trailer();
        TGIFImage gif;
        load(gif, g.b);
        std::vector<int> expected;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) expected.push_back(y * 3 + x);
        EXPECT_EQ(indices(gif.CurrentBitmap()), expected) << h;
    }
}

TEST(GifReader, LzwStringCodesAndCodeWidthGrowth) {
    // A real encoder's output with string codes up to 12 bits and a full
    // table (no clear): 0,1,0,1,... then all 2s; made by a hand-run encoder below.
    const int w = 97, h = 60;
    std::vector<uint8_t> pixels(size_t(w * h));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i < 3000 ? (i * i / 7) % 5 : 2);
    // greedy LZW encoder with a dictionary, widths growing like the decoder's
    auto data = giftest::lzw_greedy(pixels, 3, {.clearWhenFull = false});
    Gif g(w, h, 3);
    g.image_raw(0, 0, w, h, 0, data).trailer();
    TGIFImage gif;
    load(gif, g.b);
    EXPECT_EQ(indices(gif.CurrentBitmap()), as_ints(pixels));
    EXPECT_FALSE(gif.FrameAt(0).DamageFound);
}

TEST(GifReader, SinglePixelCodesAreThoseBelowTheClearCode) {
    // 8-bit table, code size 2: codes 6 and up are strings although below 256
    Gif g(8, 1, 8);
    giftest::Bits bits;
    bits.put(4, 3);  // clear
    bits.put(1, 3);  // 1
    bits.put(2, 3);  // 2        (adds 6 = "1 2")
    bits.put(6, 3);  // "1 2"    (adds 7 = "2 1"; width grows to 4)
    bits.put(7, 4);  // "2 1"
    bits.put(5, 4);  // end
    std::vector<uint8_t> data{2};
    auto blocks = giftest::sub_blocks(bits.finish());
    data.insert(data.end(), blocks.begin(), blocks.end());
    g.image_raw(0, 0, 6, 1, 0, data).trailer();
    TGIFImage gif;
    load(gif, g.b);
    EXPECT_EQ(indices(gif.CurrentBitmap()), (std::vector<int>{1, 2, 1, 2, 2, 1}));
}

TEST(GifReader, CompleteFrameWithoutEndCodeOrLeadingClear) {
    auto pixels = ramp(40, 4);
    for (auto opts : {giftest::LzwOptions{true, false}, giftest::LzwOptions{false, true},
                      giftest::LzwOptions{false, false}}) {
        Gif g(8, 5, 2);
        g.image(8, 5, pixels, 2, false, opts).trailer();
        TGIFImage gif;
        load(gif, g.b);
        EXPECT_EQ(indices(gif.CurrentBitmap()), as_ints(pixels));
        EXPECT_FALSE(gif.FrameAt(0).DamageFound);
    }
}

TEST(GifReader, TruncatedImageData) {
    auto pixels = ramp(400, 4);
    Gif g(20, 20, 2);
    g.image(20, 20, pixels, 2);
    // cut inside the last sub-block: the frame is kept, marked damaged, and fails when decoded
    auto cut = g.b;
    cut.resize(cut.size() - 20);
    TGIFImage gif;
    load(gif, cut, false);
    ASSERT_EQ(gif.FrameCount(), 1);
    EXPECT_TRUE(gif.FrameAt(0).DamageFound);
    try {
        gif.FrameAt(0).EnsureBitmap();
        FAIL() << "decoded a truncated frame";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
    EXPECT_TRUE(gif.FrameAt(0).FrameBitmap->Empty());
    // with the decode-first flag, the failing frame 0 is removed
    TGIFImage first;
    EXPECT_THROW(load(first, cut, true), EInvalidGraphicOperation);
    EXPECT_EQ(first.FrameCount(), 0);
    // tolerance off: the reader itself refuses the cut sub-block
    ToleranceOff off;
    EXPECT_EQ(error_of(cut, false), "Stream read error");
}

TEST(GifReader, CodeSizeOutOfRange) {
    for (int size : {0, 1, 10, 12}) {
        Gif g(2, 1, 1);
        g.image_raw(0, 0, 2, 1, 0, {uint8_t(size), 2, 0x44, 0x01, 0}).trailer();
        TGIFImage gif;
        load(gif, g.b);
        EXPECT_TRUE(gif.FrameAt(0).DamageFound) << size;
        ToleranceOff off;
        EXPECT_EQ(error_of(g.b), "GIF code size not in range 2 to 9") << size;
    }
}

TEST(GifReader, UndefinedCodesAreCorrupt) {
    // after a clear, a string code that is not yet defined
    Gif g(4, 1, 1);
    giftest::Bits bits;
    bits.put(4, 3);
    bits.put(0, 3);
    bits.put(7, 3);  // next free is 6
    bits.put(5, 3);
    std::vector<uint8_t> data{2};
    auto blocks = giftest::sub_blocks(bits.finish());
    data.insert(data.end(), blocks.begin(), blocks.end());
    g.image_raw(0, 0, 4, 1, 0, data).trailer();
    TGIFImage gif;
    load(gif, g.b);
    EXPECT_TRUE(gif.FrameAt(0).DamageFound);
    ToleranceOff off;
    EXPECT_EQ(error_of(g.b), "GIF encoded data is corrupt");
}

TEST(GifReader, NoColourTableIsRefusedAtDecoding) {
    Gif g(2, 1, 0);
    g.image(2, 1, {0, 1}, 2).trailer();
    EXPECT_EQ(error_of(g.b), "Wrong number of colors; must be a power of 2");
    TGIFImage gif;
    load(gif, g.b, false);
    EXPECT_EQ(gif.FrameCount(), 1);
}

TEST(GifReader, ZeroFrameSizeTakesTheScreen) {
    auto pixels = ramp(12, 2);
    Gif g(4, 3, 1);
    std::vector<uint8_t> data{2};
    auto blocks = giftest::sub_blocks(giftest::lzw_literals(pixels, 2));
    data.insert(data.end(), blocks.begin(), blocks.end());
    g.image_raw(0, 0, 0, 0, 0, data).trailer();
    TGIFImage gif;
    load(gif, g.b);
    EXPECT_EQ(gif.Width(), 4);
    EXPECT_EQ(gif.Height(), 3);
}

TEST(GifReader, ProgressReportsStartRunningAndEnd) {
    auto pixels = ramp(300 * 200, 256);
    Gif g(300, 200, 8);
    g.image(300, 200, pixels, 8).trailer();
    TGIFImage gif;
    std::vector<std::pair<TProgressStage, int>> seen;
    gif.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool redraw, const TRect& rect,
                         const std::string&) {
        EXPECT_FALSE(redraw);
        EXPECT_EQ(rect, TRect{});
        seen.emplace_back(stage, percent);
    };
    load(gif, g.b);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), std::make_pair(TProgressStage::psStarting, 0));
    EXPECT_EQ(seen.back(), std::make_pair(TProgressStage::psEnding, 100));
    int last = 0;
    for (size_t i = 1; i + 1 < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first, TProgressStage::psRunning);
        EXPECT_GE(seen[i].second, last);
        last = seen[i].second;
    }
    EXPECT_GE(last, 90);
}

TEST(GifReader, ReadDataChecksItsCount) {
    Gif g(2, 1, 1);
    g.image(2, 1, {0, 1}, 2).trailer();
    auto with = [&](int32_t count) {
        std::vector<uint8_t> v;
        for (int i = 0; i < 4; ++i) v.push_back(uint8_t(uint32_t(count) >> (8 * i)));
        v.insert(v.end(), g.b.begin(), g.b.end());
        return v;
    };
    TGIFImage gif;
    auto ok = with(int32_t(g.b.size()));
    TByteReader r(ok);
    gif.ReadData(r);
    EXPECT_EQ(gif.FrameCount(), 1);
    EXPECT_EQ(r.Remaining(), 0u);
    auto big = with(int32_t(g.b.size() + 1));
    TByteReader r2(big);
    EXPECT_THROW(gif.ReadData(r2), EReadError);
    auto negative = with(-5);
    TByteReader r3(negative);
    gif.ReadData(r3);
    EXPECT_EQ(gif.FrameCount(), 0);
}
