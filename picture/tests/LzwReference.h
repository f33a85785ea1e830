#pragma once
// Plain LZW decoding and encoding for GIF, written for clarity rather than
// speed: the data sub-blocks joined first, every string spelt backwards into
// a stack and written pixel by pixel, the hash slot taken with `%`. The
// library's codec must give the same pixels, flags, errors, progress and
// bytes on every input; these are what it is checked against.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "picture/GifDecode.h"
#include "picture/PicTexts.h"
#include "platform/graphics/Graphics.h"

namespace lzwref {

inline std::vector<uint8_t> join_sub_blocks(std::span<const uint8_t> encoded) {
    std::vector<uint8_t> out;
    size_t pos = 1;
    while (pos < encoded.size()) {
        size_t n = encoded[pos++];
        if (n == 0) break;
        n = std::min(n, encoded.size() - pos);
        out.insert(out.end(), encoded.begin() + ptrdiff_t(pos), encoded.begin() + ptrdiff_t(pos + n));
        pos += n;
    }
    return out;
}

// Same contract as picture::LzwDecode on a zero-filled buffer.
inline bool decode(std::span<const uint8_t> encoded, int width, int height, int bmpBits, bool interlaced,
                   const picture::LzwProgress& progress, uint8_t* pixels, ptrdiff_t stride, int pixelBits,
                   bool tolerant) {
    if (width <= 0 || height <= 0) return false;
    if (pixelBits < 1 || pixelBits > 8 || (bmpBits != 1 && bmpBits != 4 && bmpBits != 8))
        throw EInvalidGraphicOperation(GifErrorText(kGifColorCount));
    auto fail = [&](const std::string& text) {
        if (progress) progress(2, 0, text);
        throw EInvalidGraphicOperation(text);
    };
    bool damage = false;
    int s = encoded.empty() ? -1 : encoded[0];
    if (s < 0) fail("Stream read error");
    if (s < 2 || s > 9) {
        if (!tolerant) fail(GifErrorText(kGifCodeSize));
        damage = true;
        s = s < 2 ? 2 : 9;
    }
    std::vector<uint8_t> data = join_sub_blocks(encoded);
    size_t pos = 0;
    uint64_t buffer = 0;
    int nbits = 0;
    auto read = [&](int w) {
        if (nbits < w) {
            while (nbits <= 56 && pos < data.size()) {
                buffer |= uint64_t(data[pos++]) << nbits;
                nbits += 8;
            }
            if (nbits < w) return -1;
        }
        int code = int(buffer & ((uint64_t(1) << w) - 1));
        buffer >>= w;
        nbits -= w;
        return code;
    };
    auto consumed = [&] { return pos - size_t(nbits / 8); };

    std::vector<uint16_t> prefix(4096, 0);
    std::vector<uint8_t> suffix(4096, 0), text(4097);
    const int clear = 1 << s, endCode = clear + 1, firstFree = clear + 2, mask = (1 << pixelBits) - 1;
    for (int c = 0; c < clear; ++c) suffix[size_t(c)] = uint8_t(c & mask);
    int codeWidth = s + 1, limit = 1 << (s + 1), nextFree = firstFree, prev = -1;
    bool tableFull = false;
    uint8_t first = 0;
    int x = 0, y = 0, pass = 0;
    uint8_t* row = pixels;
    const int step[4] = {8, 8, 4, 2}, begin[4] = {0, 4, 2, 1};
    size_t total = data.size() ? data.size() : 1, nextReport = (total + 99) / 100;
    if (progress) progress(0, 0, {});
    int code = read(codeWidth);
    while (code != endCode && !damage) {
        if (code < 0) fail("Stream read error");
        int start = 4097;
        if (code == clear) {
            codeWidth = s + 1;
            limit = 1 << (s + 1);
            nextFree = firstFree;
            tableFull = false;
            prev = -1;
        } else if (prev < 0) {
            if (code > endCode) {
                if (!tolerant) fail(GifErrorText(kGifCorrupt));
                damage = true;
                break;
            }
            first = suffix[size_t(code)];
            text[size_t(--start)] = first;
            prev = code;
        } else {
            int c = code;
            if (code >= nextFree) {
                if (code > nextFree || tableFull) {
                    if (!tolerant) fail(GifErrorText(kGifCorrupt));
                    damage = true;
                    break;
                }
                text[size_t(--start)] = first;
                c = prev;
            }
            while (c >= clear) {
                text[size_t(--start)] = suffix[size_t(c)];
                c = prefix[size_t(c)];
            }
            first = suffix[size_t(c)];
            text[size_t(--start)] = first;
            if (!tableFull) {
                prefix[size_t(nextFree)] = uint16_t(prev);
                suffix[size_t(nextFree)] = first;
                if (++nextFree >= limit) {
                    if (codeWidth < 12) {
                        ++codeWidth;
                        limit <<= 1;
                    } else {
                        tableFull = true;
                    }
                }
            }
            prev = code;
        }
        for (int i = start; i < 4097 && y < height; ++i) {
            uint8_t p = text[size_t(i)];
            if (bmpBits == 8) {
                row[x] = p;
            } else if (bmpBits == 4) {
                row[x >> 1] = (x & 1) ? uint8_t(row[x >> 1] | p) : uint8_t(p << 4);
            } else {
                row[x >> 3] = (x & 7) ? uint8_t(row[x >> 3] | (p << (7 - (x & 7)))) : uint8_t(p << 7);
            }
            if (++x == width) {
                x = 0;
                if (!interlaced) {
                    ++y;
                } else {
                    y += step[pass];
                    while (y >= height && pass < 3) y = begin[++pass];
                }
                if (y < height) row = pixels + ptrdiff_t(y) * stride;
            }
        }
        if (y >= height) break;
        code = read(codeWidth);
        if (progress && consumed() >= nextReport) {
            int percent = int(consumed() * 100 / total);
            nextReport = (size_t(percent + 1) * total + 99) / 100;
            progress(1, percent, {});
        }
    }
    if (progress) progress(2, 100, {});
    return damage;
}

// Same contract as picture::LzwEncode.
inline void encode(std::vector<uint8_t>& out, int width, int height, int bmpBits, const uint8_t* firstRow,
                   ptrdiff_t stride) {
    if (width == 0) height = 0;
    const int initialWidth = bmpBits == 1 ? 3 : bmpBits + 1;
    const int clear = 1 << (initialWidth - 1), endCode = clear + 1;
    out.push_back(uint8_t(initialWidth - 1));
    struct Entry {
        uint16_t prefix, code;
        uint8_t suffix;
    };
    std::vector<Entry> pool(4096, Entry{0, 0, 0});
    std::vector<uint16_t> slots(17777, 0xFFFF);
    std::vector<uint8_t> bytes;
    uint64_t acc = 0;
    int nacc = 0;
    auto put = [&](uint32_t code, int w) {
        acc |= uint64_t(code) << nacc;
        nacc += w;
        while (nacc >= 8) {
            bytes.push_back(uint8_t(acc));
            acc >>= 8;
            nacc -= 8;
        }
    };
    int codeWidth = initialWidth, limit = 1 << initialWidth, next = endCode;
    put(uint32_t(clear), codeWidth);
    int current = -1;
    uint32_t hash = 0, length = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = firstRow + ptrdiff_t(y) * stride;
        for (int x = 0; x < width; ++x) {
            int p = bmpBits == 8   ? row[x]
                    : bmpBits == 4 ? (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F
                                   : (row[x >> 3] >> (7 - (x & 7))) & 1;
            if (current < 0) {
                current = p;
                hash = uint32_t(p + 3) * 301;
                length = 1;
                continue;
            }
            ++length;
            hash = (uint32_t(p) + length + 4) * hash % 17777;
            uint16_t e;
            while ((e = slots[hash]) != 0xFFFF && (pool[e].prefix != current || pool[e].suffix != p))
                if (++hash == 17777) hash = 0;
            if (e != 0xFFFF) {
                current = pool[e].code;
                continue;
            }
            put(uint32_t(current), codeWidth);
            ++next;
            pool[size_t(next)] = Entry{uint16_t(current), uint16_t(next), uint8_t(p)};
            slots[hash] = uint16_t(next);
            current = p;
            hash = uint32_t(p + 3) * 301;
            length = 1;
            if (next == limit) {
                ++codeWidth;
                limit <<= 1;
            } else if (next == 4094) {
                put(uint32_t(current), codeWidth);
                put(uint32_t(clear), codeWidth);
                current = -1;
                next = endCode;
                codeWidth = initialWidth;
                limit = 1 << initialWidth;
                std::fill(slots.begin(), slots.end(), uint16_t(0xFFFF));
            }
        }
    }
    if (current >= 0) put(uint32_t(current), codeWidth);
    put(uint32_t(endCode), codeWidth);
    if (nacc > 0) bytes.push_back(uint8_t(acc));
    for (size_t i = 0; i < bytes.size(); i += 255) {
        size_t n = std::min<size_t>(255, bytes.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), bytes.begin() + ptrdiff_t(i), bytes.begin() + ptrdiff_t(i + n));
    }
    out.push_back(0);
}

}  // namespace lzwref
