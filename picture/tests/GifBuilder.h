#pragma once
// Builds GIF byte streams for tests, block by block, with a plain LZW
// encoder of its own (literal codes only, a clear code before the table
// would widen the codes), so every decoder path can be reached on purpose.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace giftest {

struct Bits {
    std::vector<uint8_t> bytes;
    uint32_t acc = 0;
    int n = 0;
    void put(int code, int width) {
        acc |= uint32_t(code) << n;
        n += width;
        while (n >= 8) {
            bytes.push_back(uint8_t(acc));
            acc >>= 8;
            n -= 8;
        }
    }
    std::vector<uint8_t> finish() {
        if (n > 0) bytes.push_back(uint8_t(acc));
        n = 0;
        acc = 0;
        return bytes;
    }
};

// Splits data into sub-blocks (at most 255 bytes), with or without the terminator.
inline std::vector<uint8_t> sub_blocks(const std::vector<uint8_t>& data, bool terminator = true) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    if (terminator) out.push_back(0);
    return out;
}

struct LzwOptions {
    bool leadingClear = true;
    bool endCode = true;
};

// Literal-only LZW codes for pixels: each literal adds a table entry like a
// real encoder would, and a clear code is sent before the code width would grow.
inline std::vector<uint8_t> lzw_literals(const std::vector<uint8_t>& pixels, int codeSize, LzwOptions o = {}) {
    Bits bits;
    int clear = 1 << codeSize, width = codeSize + 1;
    int free = clear + 2;
    if (o.leadingClear) bits.put(clear, width);
    bool first = true;
    for (uint8_t p : pixels) {
        bits.put(p, width);
        if (!first) ++free;
        first = false;
        if (free >= (1 << width) - 1) {
            bits.put(clear, width);
            free = clear + 2;
            first = true;
        }
    }
    if (o.endCode) bits.put(clear + 1, width);
    return bits.finish();
}

struct GreedyOptions {
    bool leadingClear = true;
    bool endCode = true;
    bool clearWhenFull = true;  // else the table stays full (a deferred clear)
    int clearEvery = 0;         // a clear code after this many codes (0: never)
};

// Image data (code size byte and sub-blocks) from a greedy LZW encoder with a
// dictionary, its code widths growing as a decoder's do: real string codes up
// to 12 bits, with the table's end and clear codes where the options put them.
inline std::vector<uint8_t> lzw_greedy(const std::vector<uint8_t>& pixels, int s, GreedyOptions o = {}) {
    Bits bits;
    const int clear = 1 << s;
    int width = s + 1, next = clear + 2, codes = 0;
    std::map<std::pair<int, int>, int> dict;
    if (o.leadingClear) bits.put(clear, width);
    if (!pixels.empty()) {
        int cur = pixels[0];
        for (size_t i = 1; i < pixels.size(); ++i) {
            auto it = dict.find({cur, pixels[i]});
            if (it != dict.end()) {
                cur = it->second;
                continue;
            }
            bits.put(cur, width);
            ++codes;
            if (next < 4096) {
                dict[{cur, pixels[i]}] = next++;
                if (next > (1 << width) && width < 12) ++width;
            }
            if ((o.clearWhenFull && next == 4096) || (o.clearEvery > 0 && codes % o.clearEvery == 0)) {
                bits.put(clear, width);
                dict.clear();
                width = s + 1;
                next = clear + 2;
            }
            cur = pixels[i];
        }
        bits.put(cur, width);
    }
    if (o.endCode) bits.put(clear + 1, width);
    std::vector<uint8_t> data{uint8_t(s)};
    auto blocks = sub_blocks(bits.finish());
    data.insert(data.end(), blocks.begin(), blocks.end());
    return data;
}

class Gif {
public:
    std::vector<uint8_t> b;
    explicit Gif(int w, int h, int globalBits = 0, const char* sig = "GIF89a") {
        b.assign(sig, sig + 6);
        le16(w);
        le16(h);
        b.push_back(globalBits ? uint8_t(0x80 | 0x70 | (globalBits - 1)) : 0);
        b.push_back(0);  // background index
        b.push_back(0);  // aspect
        for (int i = 0; i < (globalBits ? 1 << globalBits : 0); ++i) color(i);
    }
    void le16(int v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    }
    // entry i of a generated table: distinct colours
    void color(int i) {
        b.push_back(uint8_t(i * 7 + 1));
        b.push_back(uint8_t(i * 13 + 2));
        b.push_back(uint8_t(255 - i));
    }
    Gif& gce(int delay, int disposal, int transparent = -1) {
        b.insert(b.end(), {0x21, 0xF9, 4, uint8_t((disposal << 2) | (transparent >= 0 ? 1 : 0))});
        le16(delay);
        b.push_back(uint8_t(transparent >= 0 ? transparent : 0));
        b.push_back(0);
        return *this;
    }
    Gif& comment(const std::vector<std::string>& lines) {
        b.insert(b.end(), {0x21, 0xFE});
        for (auto& l : lines) {
            b.push_back(uint8_t(l.size()));
            b.insert(b.end(), l.begin(), l.end());
        }
        b.push_back(0);
        return *this;
    }
    Gif& loop(const char* id, int count) {
        b.insert(b.end(), {0x21, 0xFF, 11});
        b.insert(b.end(), id, id + 11);
        b.insert(b.end(), {3, 1, uint8_t(count), uint8_t(count >> 8), 0});
        return *this;
    }
    Gif& plain_text() {
        b.insert(b.end(), {0x21, 0x01, 12});
        for (int i = 0; i < 12; ++i) b.push_back(0);
        b.insert(b.end(), {2, 'h', 'i', 0});
        return *this;
    }
    // An image with its own code data (code size byte and sub-blocks).
    Gif& image_raw(int x, int y, int w, int h, uint8_t flags, const std::vector<uint8_t>& codeData,
                   int localBits = 0) {
        b.push_back(0x2C);
        le16(x);
        le16(y);
        le16(w);
        le16(h);
        b.push_back(uint8_t(flags | (localBits ? 0x80 | (localBits - 1) : 0)));
        for (int i = 0; i < (localBits ? 1 << localBits : 0); ++i) color(255 - i);
        b.insert(b.end(), codeData.begin(), codeData.end());
        return *this;
    }
    // An image of pixels given in stored order (interlaced order when the flag is set).
    Gif& image(int w, int h, const std::vector<uint8_t>& pixels, int codeSize, bool interlaced = false,
               LzwOptions o = {}, int localBits = 0) {
        std::vector<uint8_t> data{uint8_t(codeSize)};
        auto blocks = sub_blocks(lzw_literals(pixels, codeSize, o));
        data.insert(data.end(), blocks.begin(), blocks.end());
        return image_raw(0, 0, w, h, interlaced ? 0x40 : 0, data, localBits);
    }
    Gif& trailer() {
        b.push_back(0x3B);
        return *this;
    }
};

// A picture of n one-pixel frames: 15 bytes of file a frame.
inline std::vector<uint8_t> tiny_frames(size_t n) {
    Gif g(1, 1, 1);
    Gif one(1, 1, 1);
    one.b.clear();
    one.image(1, 1, {1}, 2);
    g.b.reserve(g.b.size() + n * one.b.size() + 1);
    for (size_t i = 0; i < n; ++i) g.b.insert(g.b.end(), one.b.begin(), one.b.end());
    return g.trailer().b;
}

}  // namespace giftest
