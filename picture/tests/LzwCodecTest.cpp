// The LZW decoder and encoder against the plain reference ones
// (LzwReference.h) on generated pictures and code streams: odd widths,
// interlacing, padded and bottom-up rows, every BMP bit count, code sizes
// above the pixel depth, table-full and clear boundaries, data cut short or
// damaged. Pixels, flags, errors, progress and encoded bytes must be equal.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "picture/GifDecode.h"
#include "picture/GifEncode.h"
#include "picture/tests/GifBuilder.h"
#include "picture/tests/LzwReference.h"

namespace {

// ---- pictures

enum class Content { Noise, Runs, Stripes, Flat, Mixed };

std::vector<uint8_t> picture_of(Content c, int w, int h, int colours, unsigned seed) {
    std::mt19937 rnd(seed);
    std::vector<uint8_t> p(size_t(w) * size_t(h));
    uint8_t colour = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        switch (c) {
            case Content::Noise: p[i] = uint8_t(rnd() % unsigned(colours)); break;
            case Content::Runs:
                if (rnd() % 23 == 0) colour = uint8_t(rnd() % unsigned(colours));
                p[i] = colour;
                break;
            case Content::Stripes: p[i] = uint8_t((i / 3 + i % size_t(w) / 5) % size_t(colours)); break;
            case Content::Flat: p[i] = uint8_t(colours - 1); break;
            case Content::Mixed:
                p[i] = (i / size_t(w)) % 3 == 0 ? uint8_t(rnd() % unsigned(colours)) : uint8_t((i / 40) % size_t(colours));
                break;
        }
    }
    return p;
}

int bmp_bits_of(int pixelBits) { return pixelBits == 1 ? 1 : pixelBits <= 4 ? 4 : 8; }

// ---- running both decoders

struct Outcome {
    std::optional<bool> damage;  // none when an exception left
    std::string error;
    std::vector<uint8_t> buffer;  // the whole buffer, padding included
    std::vector<std::tuple<int, int, std::string>> progress;
};

struct Layout {
    int width, height, bmpBits;
    bool bottomUp;
    ptrdiff_t stride() const { return ((ptrdiff_t(width) * bmpBits + 31) / 32) * 4; }
};

template <typename Decoder>
Outcome run(Decoder decoder, const std::vector<uint8_t>& encoded, const Layout& l, bool interlaced, int pixelBits,
            bool tolerant, bool withProgress) {
    Outcome o;
    ptrdiff_t stride = l.stride();
    // the pixels zero (as a new bitmap's), the padding marked
    o.buffer.assign(size_t(stride) * size_t(l.height), 0);
    const size_t rowBytes = (size_t(l.width) * size_t(l.bmpBits) + 7) / 8;
    for (int y = 0; y < l.height; ++y)
        std::fill(o.buffer.begin() + ptrdiff_t(size_t(y) * size_t(stride) + rowBytes),
                  o.buffer.begin() + ptrdiff_t(size_t(y + 1) * size_t(stride)), uint8_t(0xEE));
    uint8_t* first = l.bottomUp ? o.buffer.data() + (l.height - 1) * stride : o.buffer.data();
    picture::LzwProgress progress;
    if (withProgress)
        progress = [&](int stage, int percent, const std::string& message) {
            o.progress.emplace_back(stage, percent, message);
        };
    try {
        o.damage = decoder(std::span<const uint8_t>(encoded), l.width, l.height, l.bmpBits, interlaced, progress,
                           first, l.bottomUp ? -stride : stride, pixelBits, tolerant);
    } catch (const Exception& e) {
        o.error = e.Message();
        o.buffer.clear();  // a frame whose decoding failed keeps no pixels
    }
    return o;
}

void expect_same_decoding(const std::vector<uint8_t>& encoded, const Layout& l, bool interlaced, int pixelBits,
                          bool tolerant, const std::string& what) {
    for (bool withProgress : {false, true}) {
        Outcome ref = run(lzwref::decode, encoded, l, interlaced, pixelBits, tolerant, withProgress);
        Outcome got = run(picture::LzwDecode, encoded, l, interlaced, pixelBits, tolerant, withProgress);
        ASSERT_EQ(got.error, ref.error) << what;
        ASSERT_EQ(got.damage, ref.damage) << what;
        ASSERT_EQ(got.progress, ref.progress) << what;
        ASSERT_TRUE(got.buffer == ref.buffer) << what;
    }
}

std::string describe(const Layout& l, bool interlaced, int pixelBits, int s, const char* more = "") {
    return std::to_string(l.width) + "x" + std::to_string(l.height) + " bmp " + std::to_string(l.bmpBits) +
           " pixel bits " + std::to_string(pixelBits) + " code size " + std::to_string(s) +
           (interlaced ? " interlaced" : "") + (l.bottomUp ? " bottom-up" : "") + " " + more;
}

}  // namespace

TEST(LzwDecoder, EqualsTheReferenceOnWholeStreams) {
    struct Size {
        int w, h;
    } sizes[] = {{1, 1}, {1, 9}, {2, 3}, {3, 5}, {5, 2}, {7, 17}, {8, 8}, {13, 11}, {64, 9}, {97, 60}, {255, 3},
                 {300, 41}};
    const Content contents[] = {Content::Noise, Content::Runs, Content::Stripes, Content::Flat, Content::Mixed};
    unsigned seed = 1;
    for (auto size : sizes)
        for (int pixelBits : {1, 2, 3, 4, 5, 8})
            for (Content content : contents)
                for (bool interlaced : {false, true}) {
                    auto pixels = picture_of(content, size.w, size.h, 1 << pixelBits, seed++);
                    const int s = std::max(2, pixelBits);
                    Layout l{size.w, size.h, bmp_bits_of(pixelBits), (seed & 1) != 0};
                    auto stream = giftest::lzw_greedy(pixels, s);
                    expect_same_decoding(stream, l, interlaced, pixelBits, true, describe(l, interlaced, pixelBits, s));
                    if (HasFatalFailure()) return;
                }
}

// Table-full and clear boundaries, code sizes above the pixel depth, streams
// without their leading clear or end code, and more pixels than the frame holds.
TEST(LzwDecoder, EqualsTheReferenceAtTableBoundaries) {
    struct Case {
        const char* name;
        giftest::GreedyOptions options;
        int s, pixelBits, w, h;
        Content content;
    } cases[] = {
        {"deferred clear, noise", {true, true, false, 0}, 8, 8, 200, 120, Content::Noise},
        {"deferred clear, runs", {true, true, false, 0}, 8, 8, 300, 200, Content::Runs},
        {"clear when full, 2 bits", {true, true, true, 0}, 2, 2, 400, 300, Content::Noise},
        {"clear every code", {true, true, true, 1}, 4, 4, 50, 20, Content::Stripes},
        {"clear every 7 codes", {true, true, true, 7}, 8, 8, 70, 40, Content::Mixed},
        {"clear every 510 codes", {true, true, true, 510}, 8, 8, 150, 90, Content::Noise},
        {"code size above the depth", {true, true, true, 0}, 8, 3, 90, 50, Content::Noise},
        {"code size 9 for 8 bits", {true, true, true, 0}, 9, 8, 90, 50, Content::Mixed},
        {"no leading clear", {false, true, true, 0}, 4, 4, 33, 33, Content::Runs},
        {"no end code", {true, false, true, 0}, 5, 5, 33, 33, Content::Noise},
        {"neither", {false, false, true, 0}, 3, 3, 17, 5, Content::Stripes},
        {"one colour, long strings", {true, true, false, 0}, 2, 1, 1000, 300, Content::Flat},
    };
    unsigned seed = 100;
    for (auto& c : cases)
        for (bool interlaced : {false, true})
            for (bool bottomUp : {false, true}) {
                auto pixels = picture_of(c.content, c.w, c.h, 1 << c.pixelBits, seed++);
                Layout l{c.w, c.h, bmp_bits_of(c.pixelBits), bottomUp};
                auto stream = giftest::lzw_greedy(pixels, c.s, c.options);
                expect_same_decoding(stream, l, interlaced, c.pixelBits, true,
                                     describe(l, interlaced, c.pixelBits, c.s, c.name));
                if (HasFatalFailure()) return;
                // the same codes for a frame of fewer rows: pixels past the last row are dropped
                Layout shorter{c.w, std::max(1, c.h / 3), l.bmpBits, bottomUp};
                expect_same_decoding(stream, shorter, interlaced, c.pixelBits, true,
                                     describe(shorter, interlaced, c.pixelBits, c.s, c.name));
                if (HasFatalFailure()) return;
                // and for a frame of more rows than the codes fill
                Layout taller{c.w, c.h * 2 + 1, l.bmpBits, bottomUp};
                expect_same_decoding(stream, taller, interlaced, c.pixelBits, true,
                                     describe(taller, interlaced, c.pixelBits, c.s, c.name));
                if (HasFatalFailure()) return;
            }
}

// Data cut at every length, sub-blocks cut short or ended early, damaged
// codes and code size bytes; tolerant and strict.
TEST(LzwDecoder, EqualsTheReferenceOnDamagedData) {
    const Layout layouts[] = {{37, 23, 8, false}, {37, 23, 8, true}, {18, 9, 4, false}, {21, 6, 1, true}};
    unsigned seed = 7;
    for (auto& l : layouts) {
        const int pixelBits = l.bmpBits == 8 ? 8 : l.bmpBits == 4 ? 3 : 1, s = std::max(2, pixelBits);
        auto pixels = picture_of(Content::Mixed, l.width, l.height, 1 << pixelBits, seed++);
        auto stream = giftest::lzw_greedy(pixels, s, {true, true, true, 300});
        for (bool tolerant : {true, false})
            for (bool interlaced : {false, true}) {
                for (size_t n = 0; n <= stream.size(); ++n) {
                    std::vector<uint8_t> cut(stream.begin(), stream.begin() + ptrdiff_t(n));
                    expect_same_decoding(cut, l, interlaced, pixelBits, tolerant,
                                         describe(l, interlaced, pixelBits, s, "cut") + " at " + std::to_string(n));
                    if (HasFatalFailure()) return;
                }
                std::mt19937 rnd(seed++);
                for (int k = 0; k < 200; ++k) {
                    auto bad = stream;
                    size_t at = 1 + rnd() % (bad.size() - 1);
                    switch (k % 4) {
                        case 0: bad[at] = uint8_t(bad[at] ^ (1u << (rnd() % 8))); break;  // a flipped bit
                        case 1: bad[at] = uint8_t(rnd()); break;                          // any byte
                        case 2: bad[at] = 0; break;  // perhaps a length byte of 0
                        default: bad[0] = uint8_t(rnd() % 12); break;  // any code size
                    }
                    expect_same_decoding(bad, l, interlaced, pixelBits, tolerant,
                                         describe(l, interlaced, pixelBits, s, "damaged") + " case " + std::to_string(k));
                    if (HasFatalFailure()) return;
                }
            }
    }
}

TEST(LzwEncoder, EqualsTheReference) {
    struct Size {
        int w, h;
    } sizes[] = {{1, 1}, {2, 1}, {3, 7}, {7, 3}, {31, 17}, {64, 64}, {257, 90}, {600, 400}};
    const Content contents[] = {Content::Noise, Content::Runs, Content::Stripes, Content::Flat, Content::Mixed};
    unsigned seed = 3;
    for (auto size : sizes)
        for (int bits : {1, 4, 8})
            for (Content content : contents) {
                auto pixels = picture_of(content, size.w, size.h, 1 << bits, seed++);
                // rows as a BMP holds them, packed most significant bits first
                ptrdiff_t stride = ((ptrdiff_t(size.w) * bits + 31) / 32) * 4;
                std::vector<uint8_t> rows(size_t(stride) * size_t(size.h), 0);
                for (int y = 0; y < size.h; ++y)
                    for (int x = 0; x < size.w; ++x) {
                        uint8_t p = pixels[size_t(y) * size_t(size.w) + size_t(x)];
                        uint8_t* r = rows.data() + size_t(y) * size_t(stride);
                        if (bits == 8) r[x] = p;
                        else if (bits == 4) r[x / 2] = uint8_t(r[x / 2] | p << ((x & 1) ? 0 : 4));
                        else r[x / 8] = uint8_t(r[x / 8] | p << (7 - x % 8));
                    }
                for (bool bottomUp : {false, true}) {
                    const uint8_t* first = bottomUp ? rows.data() + (size.h - 1) * stride : rows.data();
                    ptrdiff_t step = bottomUp ? -stride : stride;
                    std::vector<uint8_t> ref, got;
                    lzwref::encode(ref, size.w, size.h, bits, first, step);
                    picture::LzwEncode(got, size.w, size.h, bits, {}, first, step);
                    ASSERT_TRUE(got == ref) << size.w << "x" << size.h << " bits " << bits << " content "
                                            << int(content) << (bottomUp ? " bottom-up" : "");
                }
            }
}
