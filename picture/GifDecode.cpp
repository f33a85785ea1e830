#include "picture/GifDecode.h"

#include <vector>

#include "picture/PicGIF.h"

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

template <int Bits>
class PixelWriter {
public:
    PixelWriter(uint8_t* pixels, ptrdiff_t stride, int width, int height, bool interlaced)
        : pixels_(pixels), stride_(stride), width_(width), height_(height), interlaced_(interlaced) {
        row_ = pixels_;
    }
    bool Done() const { return y_ >= height_; }
    void Put(uint8_t v) {
        if (y_ >= height_) return;
        if constexpr (Bits == 8) {
            row_[x_] = v;
        } else if constexpr (Bits == 4) {
            if (x_ & 1)
                row_[x_ >> 1] |= v;
            else
                row_[x_ >> 1] = uint8_t(v << 4);
        } else {
            if (x_ & 7)
                row_[x_ >> 3] |= uint8_t(v << (7 - (x_ & 7)));
            else
                row_[x_ >> 3] = uint8_t(v << 7);
        }
        if (++x_ == width_) nextRow();
    }

private:
    void nextRow() {
        x_ = 0;
        if (!interlaced_) {
            ++y_;
        } else {
            static constexpr int step[4] = {8, 8, 4, 2};
            static constexpr int start[4] = {0, 4, 2, 1};
            y_ += step[pass_];
            while (y_ >= height_ && pass_ < 3) {
                ++pass_;
                y_ = start[pass_];
            }
        }
        if (y_ < height_) row_ = pixels_ + ptrdiff_t(y_) * stride_;
    }
    uint8_t* pixels_;
    ptrdiff_t stride_;
    int width_, height_;
    bool interlaced_;
    uint8_t* row_;
    int x_ = 0, y_ = 0, pass_ = 0;
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
    PixelWriter<Bits> out(pixels, stride, width, height, interlaced);

    std::vector<uint16_t> prefix(4096, 0);
    std::vector<uint8_t> suffix(4096, 0);
    std::vector<uint8_t> stack(4097);
    const int clear = 1 << s, endCode = clear + 1, firstFree = clear + 2;
    const uint8_t mask = uint8_t((1 << pixelBits) - 1);
    int codeWidth = s + 1, limit = 1 << (s + 1), nextFree = firstFree;
    bool tableFull = false;
    int prev = -1;  // no previous code: the state right after a clear code
    uint8_t first = 0;
    for (int c = 0; c < clear && c < 4096; ++c) suffix[size_t(c)] = uint8_t(c);

    // progress by whole percent of the data consumed
    size_t total = data.size() ? data.size() : 1;
    int percent = 0;
    size_t nextReport = (total + 99) / 100;
    if (progress) progress(0, 0, {});

    int code = bits.Read(codeWidth);
    while (code != endCode && !damage) {
        if (code == kEndOfData) throw EInvalidGraphicOperation("Stream read error");
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
            first = uint8_t(code);
            out.Put(first & mask);
            prev = code;
        } else {
            int top = 0, c = code;
            if (code >= nextFree) {
                if (code > nextFree || tableFull) {  // not yet defined
                    if (!tolerant) corrupt();
                    damage = true;
                    break;
                }
                stack[size_t(top++)] = first;
                c = prev;
            }
            while (c >= clear) {
                if (top >= 4096) {
                    if (!tolerant) corrupt();
                    damage = true;
                    break;
                }
                stack[size_t(top++)] = suffix[size_t(c)];
                c = prefix[size_t(c)];
            }
            if (damage) break;
            first = uint8_t(c);
            out.Put(first & mask);
            while (top > 0) out.Put(stack[size_t(--top)] & mask);
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
        // every row filled: the frame is complete, whatever follows
        if (out.Done()) break;
        code = bits.Read(codeWidth);
        if (progress && bits.Consumed() >= nextReport) {
            percent = int(bits.Consumed() * 100 / total);
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
