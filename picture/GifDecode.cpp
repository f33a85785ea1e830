#include "picture/GifDecode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "picture/PicTexts.h"
#include "platform/graphics/Graphics.h"

namespace picture {

namespace {

constexpr int kEndOfData = -1;

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// Reads codes, least significant bit first, straight from the data sub-blocks
// that follow the code size byte. The data end at a zero length byte or at
// the end of the bytes; a last sub-block cut short gives the bytes that are
// there.
class CodeReader {
public:
    explicit CodeReader(std::span<const uint8_t> encoded)
        : next_(encoded.data() + std::min<size_t>(1, encoded.size())), end_(encoded.data() + encoded.size()) {}

    int Read(int width) {
        if (nbits_ < width) {
            refill();
            if (nbits_ < width) return kEndOfData;
        }
        int code = int(buffer_ & ((uint64_t(1) << width) - 1));
        buffer_ >>= width;
        nbits_ -= width;
        return code;
    }
    // Data bytes consumed so far, a byte partly consumed counted whole.
    size_t Consumed() const { return loaded_ - size_t(nbits_ / 8); }

    // The data bytes of encoded in all: the sub-blocks' lengths added up.
    static size_t DataSize(std::span<const uint8_t> encoded) {
        CodeReader r(encoded);
        size_t total = 0;
        while (r.nextBlock()) total += size_t(r.blockEnd_ - r.at_);
        return total;
    }

private:
    // Bits above nbits_ in the buffer are zero or the data that follow, so
    // loading the same byte again at its place changes nothing.
    void refill() {
        for (;;) {
            size_t left = size_t(blockEnd_ - at_);
            if (left >= 8) {
                buffer_ |= load64(at_) << nbits_;
                int n = (63 - nbits_) >> 3;
                at_ += n;
                loaded_ += size_t(n);
                nbits_ += 8 * n;
                return;
            }
            while (at_ < blockEnd_ && nbits_ <= 56) {
                buffer_ |= uint64_t(*at_++) << nbits_;
                nbits_ += 8;
                ++loaded_;
            }
            if (nbits_ > 56 || !nextBlock()) return;
        }
    }
    bool nextBlock() {
        while (next_ < end_) {
            size_t n = *next_++;
            if (n == 0) {
                next_ = end_;
                return false;
            }
            n = std::min(n, size_t(end_ - next_));
            at_ = next_;
            blockEnd_ = next_ + n;
            next_ += n;
            if (n > 0) return true;
        }
        return false;
    }

    const uint8_t* next_;  // the next length byte
    const uint8_t* end_;
    const uint8_t* at_ = nullptr;  // the rest of the current sub-block
    const uint8_t* blockEnd_ = nullptr;
    uint64_t buffer_ = 0;
    int nbits_ = 0;
    size_t loaded_ = 0;
};

[[noreturn]] void corrupt() { throw EInvalidGraphicOperation(GifErrorText(kGifCorrupt)); }

// The string table. Every code's string is its prefix's string and its
// suffix; `length` and `first` (its first pixel) save walking the chain, and
// `where` points to pixels already written that spell the string, when one
// stretch of the output holds them (8-bit output only), so the string is
// copied from there instead of being spelt out again.
struct Table {
    uint16_t prefix[4096];
    uint16_t length[4096];
    uint8_t suffix[4096];
    uint8_t first[4096];
    const uint8_t* where[4096];
};

// Writes the string of code (n pixels) backwards from dst + n - 1.
inline void spell(const Table& t, int code, int clear, uint8_t* dst, int n) {
    uint8_t* p = dst + n - 1;
    while (code >= clear) {
        *p-- = t.suffix[code];
        code = t.prefix[code];
    }
    *p = t.suffix[code];
}

// Copies n pixels written before. A copy may write up to 7 bytes past the
// string while they stay before rowEnd: those pixels are written again later.
inline void copy_pixels(uint8_t* dst, const uint8_t* src, int n, const uint8_t* rowEnd, const uint8_t* limit) {
    if (dst + n + 7 < rowEnd && src + n + 7 < limit) {
        do {
            uint64_t v;
            std::memcpy(&v, src, 8);
            std::memcpy(dst, &v, 8);
            dst += 8;
            src += 8;
            n -= 8;
        } while (n > 0);
        return;
    }
    std::memcpy(dst, src, size_t(n));
}

template <int Bits>
bool decode(std::span<const uint8_t> encoded, int width, int height, bool interlaced, const LzwProgress& progress,
            uint8_t* pixels, ptrdiff_t stride, int pixelBits, bool tolerant) {
    bool damage = false;
    int s = encoded.empty() ? -1 : encoded[0];
    if (s < 0) throw EInvalidGraphicOperation("Stream read error");
    if (s < 2 || s > 9) {
        if (!tolerant) throw EInvalidGraphicOperation(GifErrorText(kGifCodeSize));
        damage = true;
        s = s < 2 ? 2 : 9;
    }
    CodeReader bits(encoded);

    auto table = std::make_unique_for_overwrite<Table>();
    Table& t = *table;
    const int clear = 1 << s, endCode = clear + 1, firstFree = clear + 2;
    const int mask = (1 << pixelBits) - 1;
    for (int c = 0; c < clear; ++c) {
        t.suffix[c] = t.first[c] = uint8_t(c & mask);
        t.length[c] = 1;
    }
    int codeWidth = s + 1, limit = 1 << (s + 1), nextFree = firstFree;
    bool tableFull = false;
    int prev = -1;  // no previous code: the state right after a clear code
    uint8_t first = 0;
    const uint8_t* prevAt = nullptr;  // where the previous string was written, when in one row

    // output position
    int x = 0, y = 0, pass = 0;
    uint8_t* row = pixels;
    static constexpr int kStep[4] = {8, 8, 4, 2};
    static constexpr int kStart[4] = {0, 4, 2, 1};
    // the end of the rows in memory, for copies that read a little further
    const uint8_t* pixelsEnd = pixels + std::max<ptrdiff_t>(0, ptrdiff_t(height - 1) * stride) + width;
    auto nextRow = [&] {
        x = 0;
        if (!interlaced) {
            ++y;
        } else {
            y += kStep[pass];
            while (y >= height && pass < 3) {
                ++pass;
                y = kStart[pass];
            }
        }
        if (y < height) row = pixels + ptrdiff_t(y) * stride;
    };

    size_t total = 1, nextReport = SIZE_MAX;
    if (progress) {
        total = std::max<size_t>(CodeReader::DataSize(encoded), 1);
        nextReport = (total + 99) / 100;
        progress(0, 0, {});
    }

    uint8_t text[4097];  // a string that spans rows, filled from its end
    int code = bits.Read(codeWidth);
    while (code != endCode && !damage) {
        if (code == kEndOfData) throw EInvalidGraphicOperation("Stream read error");
        if (code == clear) {
            codeWidth = s + 1;
            limit = 1 << (s + 1);
            nextFree = firstFree;
            tableFull = false;
            prev = -1;
        } else {
            // the string to write: code's own, or for the code being defined
            // (KwKwK) the previous string and its first pixel
            int n;
            bool repeat = false;
            if (prev < 0) {
                if (code > endCode) {  // a string code with nothing defined yet
                    if (!tolerant) corrupt();
                    damage = true;
                    break;
                }
                n = 1;
                first = t.suffix[code];
            } else {
                if (code >= nextFree) {
                    if (code > nextFree || tableFull) {  // not yet defined
                        if (!tolerant) corrupt();
                        damage = true;
                        break;
                    }
                    repeat = true;
                    n = t.length[prev] + 1;  // first stays the previous string's
                } else {
                    n = t.length[code];
                    first = t.first[code];
                }
                // chains only lead to smaller codes, so n stays below 4097
                if (!tableFull) {
                    t.prefix[nextFree] = uint16_t(prev);
                    t.suffix[nextFree] = first;
                    t.length[nextFree] = uint16_t(t.length[prev] + 1);
                    t.first[nextFree] = t.first[prev];
                    if constexpr (Bits == 8)
                        t.where[nextFree] = prevAt && prevAt + t.length[prev] == row + x ? prevAt : nullptr;
                    if (++nextFree >= limit) {
                        if (codeWidth < 12) {
                            ++codeWidth;
                            limit <<= 1;
                        } else {
                            tableFull = true;
                        }
                    }
                }
            }
            const int from = repeat ? prev : code;
            prev = code;
            if (Bits == 8 && x + n <= width) {
                // the whole string in the current row
                uint8_t* dst = row + x;
                int m = repeat ? n - 1 : n;
                const uint8_t* src = nullptr;
                if constexpr (Bits == 8)
                    if (from >= firstFree) src = repeat && prevAt ? prevAt : t.where[from];
                if (src)
                    copy_pixels(dst, src, m, row + width, pixelsEnd);
                else
                    spell(t, from, clear, dst, m);
                if (repeat) dst[m] = first;
                prevAt = dst;
                x += n;
                if (x == width) {
                    nextRow();
                    if (y >= height) break;  // every row filled: the frame is complete
                }
            } else {
                int start = 4097;  // the string is text[start, 4097)
                if (repeat) text[--start] = first;
                int c = from;
                while (c >= clear) {
                    text[--start] = t.suffix[c];
                    c = t.prefix[c];
                }
                text[--start] = t.suffix[c];
                prevAt = nullptr;
                // output the string row by row
                const uint8_t* p = text + start;
                while (n > 0 && y < height) {
                    int k = std::min(n, width - x);
                    if constexpr (Bits == 8) {
                        std::memcpy(row + x, p, size_t(k));
                    } else {
                        for (int i = 0; i < k; ++i) {
                            int xx = x + i;
                            if constexpr (Bits == 4) {
                                if (xx & 1)
                                    row[xx >> 1] = uint8_t(row[xx >> 1] | p[i]);
                                else
                                    row[xx >> 1] = uint8_t(p[i] << 4);
                            } else {
                                if (xx & 7)
                                    row[xx >> 3] = uint8_t(row[xx >> 3] | (p[i] << (7 - (xx & 7))));
                                else
                                    row[xx >> 3] = uint8_t(p[i] << 7);
                            }
                        }
                    }
                    x += k;
                    p += k;
                    n -= k;
                    if (x == width) nextRow();
                }
                // every row filled: the frame is complete, whatever follows
                if (y >= height) break;
            }
        }
        code = bits.Read(codeWidth);
        if (bits.Consumed() >= nextReport) {
            int percent = int(bits.Consumed() * 100 / total);
            nextReport = (size_t(percent + 1) * total + 99) / 100;
            progress(1, percent, {});
        }
    }
    // pixels not decoded are 0 (copies may have written ahead in the current row)
    if (y < height) {
        const size_t rowBytes = (size_t(width) * Bits + 7) / 8, done = (size_t(x) * Bits + 7) / 8;
        std::memset(row + done, 0, rowBytes - done);
        for (nextRow(); y < height; nextRow()) std::memset(row, 0, rowBytes);
    }
    if (progress) progress(2, 100, {});
    return damage;
}

}  // namespace

bool LzwDecode(std::span<const uint8_t> encoded, int width, int height, int bmpBits, bool interlaced,
               const LzwProgress& progress, uint8_t* pixels, ptrdiff_t stride, int pixelBits, bool tolerant) {
    if (width <= 0 || height <= 0) return false;
    if (int64_t(width) * height > kMaxGifPixels) throw EInvalidGraphicOperation(GifErrorText(kGifCorrupt));
    if (pixelBits < 1 || pixelBits > 8) throw EInvalidGraphicOperation(GifErrorText(kGifColorCount));
    try {
        switch (bmpBits) {
            case 1: return decode<1>(encoded, width, height, interlaced, progress, pixels, stride, pixelBits, tolerant);
            case 4: return decode<4>(encoded, width, height, interlaced, progress, pixels, stride, pixelBits, tolerant);
            case 8: return decode<8>(encoded, width, height, interlaced, progress, pixels, stride, pixelBits, tolerant);
        }
    } catch (const Exception& e) {
        if (progress) progress(2, 0, e.Message());
        throw;
    }
    throw EInvalidGraphicOperation(GifErrorText(kGifColorCount));
}

}  // namespace picture
