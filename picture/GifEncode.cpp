#include "picture/GifEncode.h"

#include <algorithm>

#include "picture/PicTexts.h"
#include "platform/graphics/Graphics.h"

namespace picture {

namespace {

// The string table: one pool entry per code (the entry of code c at
// position c) and a hash table of slots referring to pool entries.
constexpr int kPoolSize = 4096;
constexpr uint32_t kHashSlots = 17777;
// The table is emptied as soon as this code has been assigned, so no code
// above 4093 is ever written and the code width never passes 12 bits.
constexpr int kLastCode = 4094;
constexpr uint16_t kEmptySlot = 0xFFFF;

struct PoolEntry {
    uint16_t Prefix;
    uint16_t Code;
    uint8_t Suffix;
};

// Packs codes least significant bit first and cuts the bytes into data
// sub-blocks of 255 bytes; the last sub-block holds what is left.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t code, int width) {
        acc_ |= uint64_t(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            Byte(uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    // Writes the bits left, rounded up to a whole byte, and the terminator.
    void Finish() {
        if (bits_ > 0) Byte(uint8_t(acc_));
        acc_ = 0;
        bits_ = 0;
        if (blockLength_ > 0) out_[lengthAt_] = uint8_t(blockLength_);
        out_.push_back(0);
    }

private:
    void Byte(uint8_t b) {
        if (blockLength_ == 0) {
            lengthAt_ = out_.size();
            out_.push_back(0);
        }
        out_.push_back(b);
        if (++blockLength_ == 255) {
            out_[lengthAt_] = 255;
            blockLength_ = 0;
        }
    }
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int bits_ = 0;
    size_t lengthAt_ = 0;
    int blockLength_ = 0;
};

template <int Bits>
inline int pixel_at(const uint8_t* row, int x) {
    if constexpr (Bits == 8) return row[x];
    else if constexpr (Bits == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    else return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

template <int Bits>
void encode(std::vector<uint8_t>& out, int width, int height, const LzwProgress& progress, const uint8_t* firstRow,
            ptrdiff_t stride) {
    const int initialWidth = Bits == 1 ? 3 : Bits + 1;
    const int clear = 1 << (initialWidth - 1), endCode = clear + 1;
    out.push_back(uint8_t(initialWidth - 1));

    std::vector<PoolEntry> pool(kPoolSize, PoolEntry{0, 0, 0});
    std::vector<uint16_t> slots(kHashSlots, kEmptySlot);
    int codeWidth = initialWidth, limit = 1 << initialWidth, next = endCode;
    CodeWriter writer(out);
    writer.Put(uint32_t(clear), codeWidth);

    int current = -1;  // the code of the string built so far; -1 = no string
    uint32_t hash = 0;
    uint32_t length = 0;  // pixels in the string, the new one included
    int reported = -1;
    if (progress) progress(0, 0, {});
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = firstRow + ptrdiff_t(y) * stride;
        for (int x = 0; x < width; ++x) {
            const int p = pixel_at<Bits>(row, x);
            if (current < 0) {
                current = p;
                hash = uint32_t(p + 3) * 301;
                length = 1;
                continue;
            }
            ++length;
            hash = (uint32_t(p) + length + 4) * hash % kHashSlots;
            uint16_t e;
            while ((e = slots[hash]) != kEmptySlot && (pool[e].Prefix != current || pool[e].Suffix != p))
                if (++hash == kHashSlots) hash = 0;
            if (e != kEmptySlot) {
                current = pool[e].Code;
                continue;
            }
            writer.Put(uint32_t(current), codeWidth);
            ++next;
            pool[size_t(next)] = PoolEntry{uint16_t(current), uint16_t(next), uint8_t(p)};
            slots[hash] = uint16_t(next);
            current = p;
            hash = uint32_t(p + 3) * 301;
            length = 1;
            if (next == limit) {
                ++codeWidth;
                limit <<= 1;
            } else if (next == kLastCode) {
                writer.Put(uint32_t(current), codeWidth);
                writer.Put(uint32_t(clear), codeWidth);
                current = -1;
                next = endCode;
                codeWidth = initialWidth;
                limit = 1 << initialWidth;
                std::fill(slots.begin(), slots.end(), kEmptySlot);
            }
        }
        if (progress) {
            int percent = int(int64_t(y + 1) * 100 / height);
            if (percent != reported) {
                reported = percent;
                progress(1, percent, {});
            }
        }
    }
    if (current >= 0) writer.Put(uint32_t(current), codeWidth);
    writer.Put(uint32_t(endCode), codeWidth);
    writer.Finish();
    if (progress) progress(2, 100, {});
}

}  // namespace

void LzwEncode(std::vector<uint8_t>& out, int width, int height, int bmpBits, const LzwProgress& progress,
               const uint8_t* firstRow, ptrdiff_t stride) {
    if (width < 0 || height < 0) throw EInvalidGraphicOperation(GifErrorText(kGifEncodingError));
    if (width == 0) height = 0;
    try {
        switch (bmpBits) {
            case 1: encode<1>(out, width, height, progress, firstRow, stride); return;
            case 4: encode<4>(out, width, height, progress, firstRow, stride); return;
            case 8: encode<8>(out, width, height, progress, firstRow, stride); return;
        }
    } catch (const Exception& e) {
        if (progress) progress(2, 0, e.Message());
        throw;
    }
    throw EInvalidGraphicOperation(GifErrorText(kGifEncodingError));
}

}  // namespace picture
