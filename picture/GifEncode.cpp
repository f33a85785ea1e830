#include "picture/GifEncode.h"

#include <algorithm>

#include "picture/PicTexts.h"
#include "platform/graphics/Graphics.h"

namespace picture {

namespace {

// The string table: a hash table of 17777 slots for the strings of codes up
// to 4093. A slot holds the string's prefix code and suffix pixel (the key)
// and its code, packed as key << 12 | code; the table is emptied as soon as
// code 4094 has been assigned, so no code above 4093 is ever written and the
// code width never passes 12 bits.
constexpr uint32_t kHashSlots = 17777;
constexpr int kLastCode = 4094;
constexpr uint32_t kEmptySlot = 0xFFFFFFFF;  // code 4095 is never assigned

// x % 17777 for any 32-bit x, by multiplying with the rounded-up inverse
// instead of dividing.
constexpr uint64_t kSlotsInverse = UINT64_MAX / kHashSlots + 1;
inline uint32_t mod_slots(uint32_t x) {
    uint64_t low = kSlotsInverse * x;
    return uint32_t((static_cast<unsigned __int128>(low) * kHashSlots) >> 64);
}

// Packs codes least significant bit first into data sub-blocks of 255 bytes;
// the last sub-block holds what is left.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t code, int width) {
        acc_ |= uint64_t(code) << bits_;
        bits_ += width;
        if (bits_ < 32) return;
        if (length_ <= 255 - 4) {
            for (int i = 0; i < 4; ++i) block_[length_ + i] = uint8_t(acc_ >> (8 * i));
            length_ += 4;
            acc_ >>= 32;
            bits_ -= 32;
            if (length_ == 255) flush();
            return;
        }
        while (bits_ >= 8) {
            block_[length_++] = uint8_t(acc_);
            acc_ >>= 8;
            bits_ -= 8;
            if (length_ == 255) flush();
        }
    }
    // Writes the bits left, rounded up to a whole byte, and the terminator.
    void Finish() {
        for (; bits_ >= 8; bits_ -= 8, acc_ >>= 8) {
            block_[length_++] = uint8_t(acc_);
            if (length_ == 255) flush();
        }
        if (bits_ > 0) block_[length_++] = uint8_t(acc_);
        acc_ = 0;
        bits_ = 0;
        if (length_ > 0) flush();
        out_.push_back(0);
    }

private:
    void flush() {
        out_.push_back(uint8_t(length_));
        out_.insert(out_.end(), block_, block_ + length_);
        length_ = 0;
    }
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int bits_ = 0;
    int length_ = 0;
    uint8_t block_[255];
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

    std::vector<uint32_t> slots(kHashSlots, kEmptySlot);
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
            hash = mod_slots((uint32_t(p) + length + 4) * hash);
            const uint32_t key = uint32_t(current) << 8 | uint32_t(p);
            uint32_t e;
            while ((e = slots[hash]) != kEmptySlot && e >> 12 != key)
                if (++hash == kHashSlots) hash = 0;
            if (e != kEmptySlot) {
                current = int(e & 0xFFF);
                continue;
            }
            writer.Put(uint32_t(current), codeWidth);
            ++next;
            slots[hash] = key << 12 | uint32_t(next);
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
