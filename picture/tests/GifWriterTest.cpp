// Writing GIF streams: the LZW encoder (checked with a little decoder of the
// test's own), the blocks of the stream, graphic control, tables, versions,
// and round trips through the reader.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "picture/GifEncode.h"
#include "picture/PicGIF.h"
#include "picture/Startup.h"
#include "picture/tests/GifBuilder.h"
#include "platform/graphics/Clipboard.h"

using giftest::Gif;

namespace {

// ---- an independent reading of what the writer produced

struct Decoded {
    int codeSize = 0;
    std::vector<int> codes;          // every code, in order
    std::vector<int> widths;         // the width each code was read with
    std::vector<uint8_t> pixels;     // the decoded pixels
    std::vector<size_t> blockSizes;  // the data sub-block lengths (terminator excluded)
};

// Decodes image data (code size byte, sub-blocks, terminator) with a plain
// string-table decoder; fails the test on anything a decoder must refuse.
Decoded decode_image_data(const std::vector<uint8_t>& data) {
    Decoded d;
    EXPECT_FALSE(data.empty());
    if (data.empty()) return d;
    d.codeSize = data[0];
    std::vector<uint8_t> bytes;
    size_t at = 1;
    bool terminated = false;
    while (at < data.size()) {
        size_t n = data[at++];
        if (n == 0) {
            terminated = true;
            break;
        }
        d.blockSizes.push_back(n);
        EXPECT_LE(at + n, data.size());
        bytes.insert(bytes.end(), data.begin() + long(at), data.begin() + long(std::min(at + n, data.size())));
        at += n;
    }
    EXPECT_TRUE(terminated);
    EXPECT_EQ(at, data.size()) << "bytes after the terminator";
    const int clear = 1 << d.codeSize, end = clear + 1;
    std::vector<std::vector<uint8_t>> table;
    auto reset = [&] {
        table.clear();
        for (int i = 0; i < clear + 2; ++i) table.push_back({uint8_t(i)});
    };
    reset();
    int width = d.codeSize + 1;
    size_t bit = 0;
    int prev = -1;
    while (true) {
        if (bit + size_t(width) > bytes.size() * 8) {
            ADD_FAILURE() << "codes end without the end code";
            break;
        }
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            if (bytes[bit / 8] >> (bit % 8) & 1) code |= 1 << i;
        d.codes.push_back(code);
        d.widths.push_back(width);
        if (code == end) break;
        if (code == clear) {
            reset();
            width = d.codeSize + 1;
            prev = -1;
            continue;
        }
        std::vector<uint8_t> s;
        if (code < int(table.size())) {
            s = table[size_t(code)];
        } else if (code == int(table.size()) && prev >= 0) {
            s = table[size_t(prev)];
            s.push_back(s[0]);
        } else {
            ADD_FAILURE() << "undefined code " << code << " with " << table.size() << " entries";
            break;
        }
        d.pixels.insert(d.pixels.end(), s.begin(), s.end());
        if (prev >= 0 && table.size() < 4096) {
            auto entry = table[size_t(prev)];
            entry.push_back(s[0]);
            table.push_back(entry);
        }
        if (int(table.size()) == 1 << width && width < 12) ++width;
        prev = code;
    }
    EXPECT_EQ((bit + 7) / 8, bytes.size()) << "whole bytes of padding after the end code";
    return d;
}

std::vector<uint8_t> encode(const std::vector<uint8_t>& pixels, int width, int height, int bits) {
    // pack the pixels into rows as a BMP holds them, top row first
    int stride = ((width * bits + 31) / 32) * 4;
    std::vector<uint8_t> rows(size_t(stride) * size_t(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t p = pixels[size_t(y * width + x)];
            uint8_t* r = rows.data() + size_t(y) * size_t(stride);
            if (bits == 8) r[x] = p;
            else if (bits == 4) r[x / 2] |= uint8_t(p << ((x & 1) ? 0 : 4));
            else r[x / 8] |= uint8_t(p << (7 - x % 8));
        }
    std::vector<uint8_t> out;
    picture::LzwEncode(out, width, height, bits, {}, rows.data(), stride);
    return out;
}

std::vector<uint8_t> noise(size_t n, int colors, unsigned seed) {
    std::mt19937 rnd(seed);
    std::vector<uint8_t> p(n);
    for (size_t i = 0; i < n; ++i) p[i] = uint8_t(rnd() % unsigned(colors));
    return p;
}

// ---- the blocks of a written stream

struct Block {
    uint8_t kind = 0;    // '!' extension, ',' image
    uint8_t label = 0;   // extension label
    std::vector<uint8_t> fixed;   // extension fixed part or image descriptor
    std::vector<std::string> lines;  // extension data sub-blocks
    std::vector<uint8_t> table;   // local colour table
    std::vector<uint8_t> data;    // image data, code size byte to terminator
};

struct Stream {
    std::string version;
    int width = 0, height = 0;
    uint8_t flags = 0, background = 0, aspect = 0;
    std::vector<uint8_t> global;
    std::vector<Block> blocks;
    std::vector<const Block*> of(uint8_t kind, uint8_t label = 0) const {
        std::vector<const Block*> r;
        for (auto& b : blocks)
            if (b.kind == kind && (kind == ',' || b.label == label)) r.push_back(&b);
        return r;
    }
};

Stream parse(const std::vector<uint8_t>& s) {
    Stream st;
    size_t at = 0;
    auto byte = [&]() -> uint8_t {
        if (at >= s.size()) throw std::runtime_error("stream ends early");
        return s[at++];
    };
    auto take = [&](size_t n) {
        if (at + n > s.size()) throw std::runtime_error("stream ends early");
        std::vector<uint8_t> v(s.begin() + long(at), s.begin() + long(at + n));
        at += n;
        return v;
    };
    auto head = take(6);
    st.version.assign(head.begin() + 3, head.end());
    auto sd = take(7);
    st.width = sd[0] | sd[1] << 8;
    st.height = sd[2] | sd[3] << 8;
    st.flags = sd[4];
    st.background = sd[5];
    st.aspect = sd[6];
    if (st.flags & 0x80) st.global = take(size_t(3) << ((st.flags & 7) + 1));
    while (true) {
        uint8_t sep = byte();
        if (sep == ';') break;
        Block b;
        b.kind = sep;
        if (sep == '!') {
            b.label = byte();
            if (b.label == 0xF9) b.fixed = take(6);
            else if (b.label == 0x01) b.fixed = take(13);
            else if (b.label == 0xFF) b.fixed = take(12);
            if (b.label != 0xF9)
                for (size_t n; (n = byte()) != 0;) {
                    auto v = take(n);
                    b.lines.emplace_back(v.begin(), v.end());
                }
        } else if (sep == ',') {
            b.fixed = take(9);
            if (b.fixed[8] & 0x80) b.table = take(size_t(3) << ((b.fixed[8] & 7) + 1));
            b.data.push_back(byte());
            for (size_t n; (n = byte()) != 0;) {
                b.data.push_back(uint8_t(n));
                auto v = take(n);
                b.data.insert(b.data.end(), v.begin(), v.end());
            }
            b.data.push_back(0);
        } else {
            throw std::runtime_error("unexpected separator " + std::to_string(sep));
        }
        st.blocks.push_back(std::move(b));
    }
    if (at != s.size()) throw std::runtime_error("bytes after the trailer");
    return st;
}

std::vector<uint8_t> save(TGIFImage& gif) {
    std::vector<uint8_t> out;
    gif.SaveToStream(out);
    return out;
}

void load(TGIFImage& gif, const std::vector<uint8_t>& bytes) {
    TByteReader r(bytes);
    gif.ReadGifStream(int64_t(bytes.size()), r, false);
}

// A palette bitmap of the given format filled from pixels.
std::unique_ptr<TBitmap> palette_bitmap(int w, int h, TPixelFormat format, const std::vector<uint8_t>& pixels) {
    auto b = std::make_unique<TBitmap>(w, h, format);
    int n = format == pf1bit ? 2 : format == pf4bit ? 16 : 256;
    TPalette pal;
    for (int i = 0; i < n; ++i) pal.push_back({uint8_t(i * 37 + 5), uint8_t(255 - i), uint8_t(i * 11)});
    b->SetPalette(pal);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->SetPixelIndex(x, y, pixels[size_t(y * w + x)]);
    return b;
}

std::vector<uint8_t> indices(TBitmap& b) {
    std::vector<uint8_t> r;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) r.push_back(uint8_t(b.PixelIndex(x, y)));
    return r;
}

std::string error_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const EInvalidGraphicOperation& e) {
        return e.Message();
    }
    return "";
}

}  // namespace

// ---- the encoder

TEST(GifEncoder, CodeStreamsDecodeToTheirPixels) {
    struct Case {
        const char* name;
        int width, height, bits, colors;
        std::vector<uint8_t> pixels;
    };
    std::vector<uint8_t> runs;
    for (int i = 0; i < 97 * 61; ++i) runs.push_back(uint8_t((i / 13 + i / 97) % 16));
    std::vector<Case> cases = {
        {"1-bit noise", 53, 29, 1, 2, noise(53 * 29, 2, 1)},
        {"4-bit runs", 97, 61, 4, 16, runs},
        {"8-bit noise, table emptied often", 211, 167, 8, 256, noise(211 * 167, 256, 2)},
        {"8-bit single colour, long strings", 400, 300, 8, 1, std::vector<uint8_t>(400 * 300, 200)},
        {"odd width 1-bit", 9, 3, 1, 2, noise(27, 2, 3)},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto data = encode(c.pixels, c.width, c.height, c.bits);
        auto d = decode_image_data(data);
        EXPECT_EQ(d.codeSize, c.bits == 1 ? 2 : c.bits);
        EXPECT_EQ(d.pixels, c.pixels);
        ASSERT_FALSE(d.codes.empty());
        EXPECT_EQ(d.codes.front(), 1 << d.codeSize) << "starts with the clear code";
        for (size_t i = 0; i + 1 < d.blockSizes.size(); ++i) EXPECT_EQ(d.blockSizes[i], 255u);
        int clear = 1 << d.codeSize;
        for (size_t i = 0; i < d.codes.size(); ++i) {
            EXPECT_LE(d.codes[i], 4093);
            EXPECT_LE(d.widths[i], 12);
            if (i > 0 && d.codes[i] == clear) {
                // the table is emptied right after code 4094 was assigned:
                // the codes that assigned clear + 2 to 4094, and the pixel after
                size_t last = i - 1;
                while (last > 0 && d.codes[last] != clear) --last;
                EXPECT_EQ(i - last - 1, size_t(4094 - clear)) << "at code " << i;
            }
        }
    }
}

TEST(GifEncoder, SinglePixelFrames) {
    // clear code, the pixel, the end code: 9 bits for 1 bit per pixel, 27 for 8
    EXPECT_EQ(encode({1}, 1, 1, 1), (std::vector<uint8_t>{2, 2, 0x4C, 0x01, 0}));
    auto eight = encode({0x12}, 1, 1, 8);
    ASSERT_EQ(eight.size(), 7u);
    EXPECT_EQ(eight[0], 8);
    EXPECT_EQ(eight[1], 4);
    auto d = decode_image_data(eight);
    EXPECT_EQ(d.codes, (std::vector<int>{256, 0x12, 257}));
    auto four = decode_image_data(encode({9}, 1, 1, 4));
    EXPECT_EQ(four.codes, (std::vector<int>{16, 9, 17}));
    EXPECT_EQ(four.widths, (std::vector<int>{5, 5, 5}));
}

TEST(GifEncoder, ProgressByRowsAndEndWithTheErrorMessage) {
    std::vector<int> stages, percents;
    picture::LzwProgress progress = [&](int stage, int percent, const std::string&) {
        stages.push_back(stage);
        percents.push_back(percent);
    };
    std::vector<uint8_t> rows(8 * 4, 1), out;
    picture::LzwEncode(out, 8, 4, 8, progress, rows.data(), 8);
    EXPECT_EQ(stages, (std::vector<int>{0, 1, 1, 1, 1, 2}));
    EXPECT_EQ(percents, (std::vector<int>{0, 25, 50, 75, 100, 100}));

    std::string endMessage = "none";
    progress = [&](int stage, int, const std::string& message) {
        if (stage == 1) Abort();
        if (stage == 2) endMessage = message;
    };
    EXPECT_THROW(picture::LzwEncode(out, 8, 4, 8, progress, rows.data(), 8), EAbort);
    EXPECT_EQ(endMessage, "Operation aborted");
}

// ---- the stream

TEST(GifWriter, NothingToWrite) {
    TGIFImage empty;
    std::vector<uint8_t> out{7};
    EXPECT_EQ(error_of([&] { empty.SaveToStream(out); }), "No GIF Data to write");
    EXPECT_EQ(out, std::vector<uint8_t>{7});
    // a frame with neither bitmap nor data
    TGIFImage blank;
    blank.FrameList.push_back(std::make_unique<TGIFFrame>(&blank));
    EXPECT_EQ(error_of([&] { blank.SaveToStream(out); }), "No GIF Data to write");
    EXPECT_EQ(out, std::vector<uint8_t>{7});
}

TEST(GifWriter, BitmapFramesByPixelFormat) {
    struct Case {
        TPixelFormat format;
        int colors, codeSize, depth;
    };
    for (auto c : {Case{pf1bit, 2, 2, 1}, Case{pf4bit, 16, 4, 4}, Case{pf8bit, 256, 8, 8}}) {
        SCOPED_TRACE(c.colors);
        auto pixels = noise(23 * 7, c.colors, unsigned(c.colors));
        auto bmp = palette_bitmap(23, 7, c.format, pixels);
        TGIFImage gif;
        gif.Assign(bmp.get());
        auto bytes = save(gif);
        auto st = parse(bytes);
        EXPECT_EQ(st.version, "87a");
        EXPECT_EQ(st.width, 23);
        EXPECT_EQ(st.height, 7);
        // the first frame's own table becomes the global table
        ASSERT_EQ(st.global.size(), size_t(3 * c.colors));
        EXPECT_EQ(st.flags, 0x80 | (c.depth - 1) << 4 | (c.depth - 1));
        EXPECT_EQ(st.global[3], 42);
        EXPECT_EQ(st.global[4], 254);
        ASSERT_EQ(st.blocks.size(), 1u);
        EXPECT_TRUE(st.blocks[0].table.empty());
        EXPECT_EQ(st.blocks[0].fixed[8], 0);
        auto d = decode_image_data(st.blocks[0].data);
        EXPECT_EQ(d.codeSize, c.codeSize);
        EXPECT_EQ(d.pixels, pixels);
        // and the reader takes it back
        TGIFImage back;
        load(back, bytes);
        EXPECT_EQ(indices(back.FrameAt(0).EnsureBitmap()), pixels);
        EXPECT_EQ(back.FrameAt(0).EnsureBitmap().Pixel(1, 0), bmp->Pixel(1, 0));
    }
}

TEST(GifWriter, LaterFramesWithTheirOwnTables) {
    auto a = palette_bitmap(5, 4, pf8bit, noise(20, 256, 1));
    auto b = palette_bitmap(3, 6, pf4bit, noise(18, 16, 2));
    b->SetPalette(TPalette(16, TRGBEntry{1, 2, 3}));
    TGIFImage gif;
    gif.Assign(a.get());
    gif.AppendFrame(b.get());
    gif.FrameAt(1).OffsetX = 4;
    auto st = parse(save(gif));
    EXPECT_EQ(st.version, "89a");
    EXPECT_EQ(st.width, 7);  // the screen covers the frame at its offset
    EXPECT_EQ(st.height, 6);
    auto images = st.of(',');
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[1]->fixed[0], 4);
    EXPECT_EQ(images[1]->fixed[8], 0x83);  // a local table of 16 entries
    ASSERT_EQ(images[1]->table.size(), 48u);
    EXPECT_EQ(images[1]->table[0], 1);
    EXPECT_EQ(decode_image_data(images[1]->data).codeSize, 4);
}

TEST(GifWriter, GraphicControlFromDelayTransparencyAndDisposal) {
    struct Case {
        const char* name;
        uint16_t delayMs;
        bool transparent;
        uint8_t disposal;
        bool block;
        std::vector<uint8_t> fixed;
    };
    auto bmp = palette_bitmap(4, 4, pf8bit, noise(16, 4, 3));
    TColor entry2 = bmp->Pixel(0, 0);
    int index2 = bmp->PixelIndex(0, 0);
    std::vector<Case> cases = {
        {"nothing set", 0, false, 0, false, {}},
        {"delay 150 ms", 150, false, 0, true, {4, 0x00, 15, 0, 0, 0}},
        {"delay 2559 ms", 2559, false, 0, true, {4, 0x00, 0xFF, 0, 0, 0}},
        {"disposal 2", 0, false, 2, true, {4, 0x08, 0, 0, 0, 0}},
        {"transparent", 0, true, 0, true, {4, 0x01, 0, 0, uint8_t(index2), 0}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFImage gif;
        gif.Assign(bmp.get());
        auto& f = gif.FrameAt(0);
        f.DelayMs = c.delayMs;
        f.Disposal = c.disposal;
        if (c.transparent) f.TransparentKey = entry2;
        auto st = parse(save(gif));
        auto gce = st.of('!', 0xF9);
        ASSERT_EQ(gce.size(), c.block ? 1u : 0u);
        EXPECT_EQ(st.version, c.block ? "89a" : "87a");
        if (c.block) {
            EXPECT_EQ(gce[0]->fixed, c.fixed);
        }
    }
}

TEST(GifWriter, TransparentIndexKeptWhileItsEntryHoldsTheColour) {
    // entries 1 and 3 of the table hold the same colour; the file makes 3 transparent
    Gif g(4, 1, 2);
    g.b[13 + 9] = g.b[13 + 3];
    g.b[13 + 10] = g.b[13 + 4];
    g.b[13 + 11] = g.b[13 + 5];
    g.gce(0, 0, 3).image(4, 1, {0, 1, 2, 3}, 2).trailer();
    TGIFImage gif;
    load(gif, g.b);
    ASSERT_EQ(gif.FrameAt(0).TransparentIndex, 3);
    auto st = parse(save(gif));
    ASSERT_EQ(st.of('!', 0xF9).size(), 1u);
    EXPECT_EQ(st.of('!', 0xF9)[0]->fixed[4], 3);
    EXPECT_EQ(st.of('!', 0xF9)[0]->fixed[1] & 1, 1);

    // another colour of the table: its first entry
    gif.FrameAt(0).TransparentKey = gif.FrameAt(0).FrameData->LocalTable.Color(2);
    st = parse(save(gif));
    EXPECT_EQ(st.of('!', 0xF9)[0]->fixed[4], 2);
    EXPECT_EQ(gif.FrameAt(0).TransparentIndex, 2);
    // a colour the table does not hold: the flag goes, the index byte stays
    gif.FrameAt(0).TransparentKey = RGBColor(1, 1, 1);
    st = parse(save(gif));
    EXPECT_EQ(st.of('!', 0xF9)[0]->fixed[1] & 1, 0);
    EXPECT_EQ(st.of('!', 0xF9)[0]->fixed[4], 2);
}

TEST(GifWriter, ReadAndWrittenBackKeepsTheCodedData) {
    // literal-only codes that this encoder would never write, an interlaced
    // frame, a local table, comments, a loop block and a plain graphic control
    Gif g(12, 6, 2);
    g.loop("NETSCAPE2.0", 4);
    g.gce(7, 1, 2).image(12, 6, noise(72, 4, 9), 2, true);
    g.comment({"frame", "note"});
    g.image(5, 2, noise(10, 8, 8), 3, false, {}, 3);
    g.comment({"image comment"});
    g.trailer();
    TGIFImage gif;
    load(gif, g.b);
    auto written = save(gif);
    auto in = parse(g.b), out = parse(written);
    EXPECT_EQ(out.version, "89a");
    EXPECT_EQ(out.global, in.global);
    auto inImages = in.of(','), outImages = out.of(',');
    ASSERT_EQ(outImages.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(outImages[i]->data, inImages[i]->data) << i;
        EXPECT_EQ(outImages[i]->fixed, inImages[i]->fixed) << i;
        EXPECT_EQ(outImages[i]->table, inImages[i]->table) << i;
    }
    auto loop = out.of('!', 0xFF);
    ASSERT_EQ(loop.size(), 1u);
    EXPECT_EQ(std::string(loop[0]->fixed.begin() + 1, loop[0]->fixed.end()), "NETSCAPE2.0");
    EXPECT_EQ(loop[0]->lines, (std::vector<std::string>{std::string("\x01\x04\x00", 3)}));
    EXPECT_EQ(out.of('!', 0xF9)[0]->fixed, in.of('!', 0xF9)[0]->fixed);
    auto comments = out.of('!', 0xFE);
    ASSERT_EQ(comments.size(), 2u);
    EXPECT_EQ(comments[0]->lines, (std::vector<std::string>{"frame", "note"}));
    EXPECT_EQ(comments[1]->lines, (std::vector<std::string>{"image comment"}));
    // and once more: a second round changes nothing
    TGIFImage again;
    load(again, written);
    EXPECT_EQ(save(again), written);
}

TEST(GifWriter, VersionLoopBlockAndComments) {
    auto bmp = palette_bitmap(3, 2, pf8bit, noise(6, 256, 4));
    struct Case {
        const char* name;
        int frames;
        bool loop;
        std::vector<std::string> comments;
        const char* version;
        size_t loopBlocks;
    };
    std::vector<Case> cases = {
        {"one plain frame", 1, false, {}, "87a", 0},
        {"one frame that loops: no loop block", 1, true, {}, "87a", 0},
        {"two frames that loop", 2, true, {}, "89a", 1},
        {"two frames without loop", 2, false, {}, "89a", 0},
        {"a comment", 1, false, {"made here"}, "89a", 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFImage gif;
        gif.Assign(bmp.get());
        if (c.frames == 2) gif.AppendFrame(bmp.get());
        gif.LoopEnabled = c.loop;
        gif.LoopCount = 0;
        gif.SharedData->CommentLines = c.comments;
        auto st = parse(save(gif));
        EXPECT_EQ(st.version, c.version);
        EXPECT_EQ(st.of('!', 0xFF).size(), c.loopBlocks);
        auto comments = st.of('!', 0xFE);
        EXPECT_EQ(comments.size(), c.comments.empty() ? 0u : 1u);
        if (!comments.empty()) {
            EXPECT_EQ(comments[0]->lines, c.comments);
            EXPECT_EQ(&st.blocks.back(), comments[0]) << "the image comment comes last";
        }
    }
}

TEST(GifWriter, LongCommentsGoOnInFurtherSubBlocks) {
    auto bmp = palette_bitmap(2, 2, pf1bit, {0, 1, 1, 0});
    TGIFImage gif;
    gif.Assign(bmp.get());
    std::string longLine(600, 'x');
    longLine[300] = 'y';
    gif.SharedData->CommentLines = {longLine, "", "end"};
    gif.FrameAt(0).SetFrameComment({});  // a comment without text is dropped
    auto st = parse(save(gif));
    auto comments = st.of('!', 0xFE);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0]->lines, (std::vector<std::string>{longLine.substr(0, 255), longLine.substr(255, 255),
                                                            longLine.substr(510), "end"}));
    EXPECT_EQ(gif.FrameAt(0).ExtensionList->size(), 0u);
}

TEST(GifWriter, LocalTableAtTheLengthItsFlagsDeclare) {
    auto bmp = palette_bitmap(4, 1, pf8bit, {0, 1, 2, 2});
    TGIFImage gif;
    gif.Assign(bmp.get());
    gif.AppendFrame(bmp.get());
    // a frame whose table holds 3 colours
    auto& f = gif.FrameAt(1);
    gif.EncodeFrames();
    f.FrameData->LocalTable.Count = 3;
    auto bytes = save(gif);
    auto st = parse(bytes);  // a short table would throw the parse off
    auto images = st.of(',');
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[1]->fixed[8], 0x81);
    ASSERT_EQ(images[1]->table.size(), 12u);
    EXPECT_EQ(std::vector<uint8_t>(images[1]->table.begin() + 9, images[1]->table.end()),
              (std::vector<uint8_t>{0, 0, 0}));
    TGIFImage back;
    load(back, bytes);
    EXPECT_EQ(back.FrameAt(1).FrameData->LocalTable.Count, 4);
}

TEST(GifWriter, DamagedFrameStillEndsItsData) {
    Gif g(6, 2, 2);
    std::vector<uint8_t> data{2};
    auto blocks = giftest::sub_blocks(giftest::lzw_literals(noise(12, 4, 5), 2), false);
    data.insert(data.end(), blocks.begin(), blocks.end());
    g.image_raw(0, 0, 6, 2, 0, data);
    TGIFImage gif;
    load(gif, g.b);  // the stream ends inside the image data
    ASSERT_EQ(gif.FrameCount(), 1);
    gif.SharedData->CommentLines = {"after"};
    auto st = parse(save(gif));
    EXPECT_EQ(st.of(',').size(), 1u);
    EXPECT_EQ(st.of('!', 0xFE).size(), 1u);
    // data whose last sub-block runs past their end keep the whole sub-blocks
    auto& stored = *gif.FrameAt(0).FrameData->EncodedData;
    auto whole = stored;
    stored.insert(stored.end(), {200, 1, 2, 3});
    st = parse(save(gif));
    ASSERT_EQ(st.of(',').size(), 1u);
    whole.push_back(0);
    EXPECT_EQ(st.of(',')[0]->data, whole);
    EXPECT_EQ(st.of('!', 0xFE).size(), 1u);
}

TEST(GifWriter, SizesTheFormatCannotHoldAreRefused) {
    TGIFImage gif;
    auto wide = palette_bitmap(70000, 1, pf1bit, std::vector<uint8_t>(70000, 1));
    gif.Assign(wide.get());
    std::vector<uint8_t> out;
    EXPECT_EQ(error_of([&] { gif.SaveToStream(out); }), "GIF image encoding error");
    auto small = palette_bitmap(2, 2, pf1bit, {0, 1, 1, 0});
    TGIFImage placed;
    placed.Assign(small.get());
    placed.FrameAt(0).OffsetX = 65535;
    EXPECT_EQ(error_of([&] { placed.SaveToStream(out); }), "GIF image encoding error");
    EXPECT_TRUE(out.empty());
}

// The writer never makes a picture that the reader would refuse.
TEST(GifWriter, NoMoreFramesThanTheReaderTakes) {
    const auto most = giftest::tiny_frames(65536);
    TGIFImage many;
    {
        TByteReader r(most);
        many.ReadGifStream(int64_t(most.size()), r, false);
    }
    ASSERT_EQ(many.FrameCount(), 65536);
    std::vector<uint8_t> out;
    many.SaveToStream(out);
    TGIFImage back;
    TByteReader r(out);
    back.ReadGifStream(int64_t(out.size()), r, false);
    EXPECT_EQ(back.FrameCount(), 65536);

    // one frame more, sharing the first one's data
    many.FrameList.push_back(std::make_unique<TGIFFrame>(&many));
    many.FrameList.back()->FrameData = many.FrameAt(0).FrameData;
    out.clear();
    EXPECT_EQ(error_of([&] { many.SaveToStream(out); }), "GIF image encoding error");
    EXPECT_TRUE(out.empty());
}

TEST(GifWriter, UnsupportedBmpIsAnEncodingError) {
    TBitmap rgb(2, 2, pf24bit);
    TGIFFrame frame(nullptr);
    EXPECT_EQ(error_of([&] { frame.EncodeFrameFromBmp(rgb.SaveToBmp()); }), "GIF image encoding error");
    auto bmp = palette_bitmap(4, 4, pf8bit, noise(16, 256, 1)).get()->SaveToBmp();
    bmp.pop_back();  // pixel rows cut short
    EXPECT_EQ(error_of([&] { frame.EncodeFrameFromBmp(bmp); }), "GIF image encoding error");
}

TEST(GifWriter, ShortBmpColourTableIsPaddedWithBlack) {
    // an 8-bit BMP that holds only 2 colour entries
    auto full = palette_bitmap(2, 1, pf8bit, {0, 1})->SaveToBmp();
    std::vector<uint8_t> bmp(full.begin(), full.begin() + 54 + 8);
    uint32_t offset = 54 + 8;
    for (int i = 0; i < 4; ++i) bmp[10 + size_t(i)] = uint8_t(offset >> (8 * i));
    bmp.insert(bmp.end(), full.end() - 4, full.end());
    TGIFImage gif;
    gif.FrameList.push_back(std::make_unique<TGIFFrame>(&gif));
    gif.FrameAt(0).EncodeFrameFromBmp(bmp);
    auto& table = gif.FrameAt(0).FrameData->LocalTable;
    EXPECT_EQ(table.Count, 256);
    EXPECT_EQ(table.Color(1), RGBColor(42, 254, 11));
    EXPECT_EQ(table.Color(2), RGBColor(0, 0, 0));
    EXPECT_EQ(gif.SharedData->GlobalTable.Count, 256);
}

TEST(GifWriter, AbortedEncodingGivesTheFrameFreshData) {
    auto bmp = palette_bitmap(4, 4, pf8bit, noise(16, 256, 1));
    TGIFImage gif;
    gif.Assign(bmp.get());
    gif.FrameAt(0).DelayMs = 50;
    std::vector<std::pair<TProgressStage, std::string>> seen;
    gif.OnProgress = [&](TGraphic&, TProgressStage stage, int, bool, const TRect&, const std::string& message) {
        seen.emplace_back(stage, message);
        if (stage == TProgressStage::psRunning) Abort();
    };
    std::vector<uint8_t> out;
    EXPECT_THROW(gif.SaveToStream(out), EAbort);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(gif.FrameAt(0).DelayMs, 0);
    EXPECT_FALSE(gif.FrameAt(0).FrameData->EncodedData.has_value());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().first, TProgressStage::psEnding);
    EXPECT_EQ(seen.back().second, "Operation aborted");
}

TEST(GifWriter, WriteDataAndClipboardCarryTheByteCount) {
    picture::unit_startup();
    auto bmp = palette_bitmap(6, 3, pf4bit, noise(18, 16, 6));
    TGIFImage gif;
    gif.Assign(bmp.get());
    std::vector<uint8_t> data;
    gif.WriteData(data);
    auto plain = save(gif);
    ASSERT_EQ(data.size(), plain.size() + 4);
    EXPECT_EQ(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24, int(plain.size()));
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), data.begin() + 4));
    TGIFImage back;
    TByteReader r(data);
    back.ReadData(r);
    EXPECT_EQ(indices(back.FrameAt(0).EnsureBitmap()), indices(*bmp));

    auto& board = graphics::clipboard();
    board.Clear();
    unsigned format = 0;
    TClipboardData clip;
    TPalette pal;
    back.SaveToClipboardFormat(format, clip, pal);
    ASSERT_TRUE(board.HasFormat(picture::GifClipboardFormat()));
    EXPECT_EQ(*board.Data(picture::GifClipboardFormat()), data);
    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(picture::GifClipboardFormat(), {}, {});
    EXPECT_EQ(indices(pasted.FrameAt(0).EnsureBitmap()), indices(*bmp));
    board.Clear();
}

TEST(GifWriter, DeepBitmapsGoThroughThePaletteReduction) {
    // a 24-bit picture of four colours
    TBitmap rgb(8, 4, pf24bit);
    const TColor colours[4] = {RGBColor(200, 10, 10), RGBColor(10, 200, 10), RGBColor(10, 10, 200),
                               RGBColor(250, 250, 250)};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) rgb.SetPixel(x, y, colours[(x / 2 + y) % 4]);
    struct Case {
        const char* name;
        bool gray;
        int method;
        bool grayAfter;
    };
    for (auto c : {Case{"histogram", false, 0, false}, Case{"fixed 216", false, 3, false},
                   Case{"marked gray", true, 0, true}, Case{"grayscale method", false, 5, true}}) {
        SCOPED_TRACE(c.name);
        picture::ReduceMethod = c.method;
        TGIFImage gif;
        gif.Assign(&rgb);
        gif.FrameAt(0).IsGray = c.gray;
        auto bytes = save(gif);
        picture::ReduceMethod = 0;
        EXPECT_EQ(gif.FrameAt(0).IsGray, c.grayAfter);
        auto st = parse(bytes);
        EXPECT_EQ(st.global.size(), 768u);
        EXPECT_EQ(decode_image_data(st.of(',')[0]->data).codeSize, 8);
        TGIFImage back;
        load(back, bytes);
        auto& b = back.FrameAt(0).EnsureBitmap();
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) {
                TColor want = colours[(x / 2 + y) % 4];
                if (c.grayAfter) {
                    int level = (77 * GetRValue(want) + 150 * GetGValue(want) + 29 * GetBValue(want)) >> 8;
                    want = RGBColor(uint8_t(level), uint8_t(level), uint8_t(level));
                }
                if (c.method == 3) {  // six levels per channel: 0x00 0x33 0x66 0x99 0xCC 0xFF
                    auto near = [](int v) { return uint8_t((v + 25) / 51 * 51); };
                    want = RGBColor(near(GetRValue(want)), near(GetGValue(want)), near(GetBValue(want)));
                }
                EXPECT_EQ(b.Pixel(x, y), want) << x << "," << y;
            }
    }
}
