#include "picture/GifDecode.h"

#include <vector>

#include "picture/PicTexts.h"
#include "platform/graphics/Graphics.h"

namespace picture {

namespace {

constexpr int kEndOfData = -1;

// Concatenates the data sub-blocks that follow the code size byte; reading
// stops at a zero length byte or at the end of the data (a last sub-block cut
// short contributes the bytes that are there).
std::vector<uint8_t> flatten(std::span<const uint8_t> encoded) {
    std::vector<uint8_t> out;
    out.reserve(encoded.size());
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

class BitReader {
public:
    explicit BitReader(const std::vector<uint8_t>& data) : data_(data) {}
    int Read(int width) {
        if (nbits_ < width) {
            while (nbits_ <= 56 && pos_ < data_.size()) {
                buffer_ |= uint64_t(data_[pos_++]) << nbits_;
                nbits_ += 8;
            }
            if (nbits_ < width) return kEndOfData;
        }
        int code = int(buffer_ & ((uint64_t(1) << width) - 1));
        buffer_ >>= width;
        nbits_ -= width;
        return code;
    }
    // Bytes consumed so far (those still in the bit buffer not counted).
    size_t Consumed() const { return pos_ - size_t(nbits_ / 8); }

private:
    const std::vector<uint8_t>& data_;
    size_t pos_ = 0;
    uint64_t buffer_ = 0;
    int nbits_ = 0;
};

[[noreturn]] void corrupt() { throw EInvalidGraphicOperation(GifErrorText(kGifCorrupt)); }

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
    std::vector<uint8_t> data = flatten(encoded);
    BitReader bits(data);

    // prefix and suffix of every code; suffixes hold pixel values already
    // masked to the frame's bits per pixel
    std::vector<uint16_t> prefix(4096, 0);
    std::vector<uint8_t> suffix(4096, 0);
    std::vector<uint8_t> text(4097);  // one decoded string, filled from its end
    const int clear = 1 << s, endCode = clear + 1, firstFree = clear + 2;
    const int mask = (1 << pixelBits) - 1;
    for (int c = 0; c < clear; ++c) suffix[size_t(c)] = uint8_t(c & mask);
    int codeWidth = s + 1, limit = 1 << (s + 1), nextFree = firstFree;
    bool tableFull = false;
    int prev = -1;  // no previous code: the state right after a clear code
    uint8_t first = 0;

    // output position
    int x = 0, y = 0, pass = 0;
    uint8_t* row = pixels;
    static constexpr int kStep[4] = {8, 8, 4, 2};
    static constexpr int kStart[4] = {0, 4, 2, 1};

    size_t total = data.size() ? data.size() : 1;
    size_t nextReport = (total + 99) / 100;
    if (progress) progress(0, 0, {});

    int code = bits.Read(codeWidth);
    while (code != endCode && !damage) {
        if (code == kEndOfData) throw EInvalidGraphicOperation("Stream read error");
        int start = 4097;  // the string to output is text[start, 4097)
        if (code == clear) {
            codeWidth = s + 1;
            limit = 1 << (s + 1);
            nextFree = firstFree;
            tableFull = false;
            prev = -1;
        } else if (prev < 0) {
            if (code > endCode) {  // a string code with nothing defined yet
                if (!tolerant) corrupt();
                damage = true;
                break;
            }
            first = suffix[size_t(code)];
            text[size_t(--start)] = first;
            prev = code;
        } else {
            int c = code;
            if (code >= nextFree) {
                if (code > nextFree || tableFull) {  // not yet defined
                    if (!tolerant) corrupt();
                    damage = true;
                    break;
                }
                text[size_t(--start)] = first;
                c = prev;
            }
            while (c >= clear) {
                if (start <= 1) {
                    if (!tolerant) corrupt();
                    damage = true;
                    break;
                }
                text[size_t(--start)] = suffix[size_t(c)];
                c = prefix[size_t(c)];
            }
            if (damage) break;
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
        // output the string row by row
        const uint8_t* p = text.data() + start;
        int n = 4097 - start;
        while (n > 0 && y < height) {
            int k = std::min(n, width - x);
            if constexpr (Bits == 8) {
                uint8_t* d = row + x;
                for (int i = 0; i < k; ++i) d[i] = p[i];
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
            if (x == width) {
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
            }
        }
        // every row filled: the frame is complete, whatever follows
        if (y >= height) break;
        code = bits.Read(codeWidth);
        if (progress && bits.Consumed() >= nextReport) {
            int percent = int(bits.Consumed() * 100 / total);
            nextReport = (size_t(percent + 1) * total + 99) / 100;
            progress(1, percent, {});
        }
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
