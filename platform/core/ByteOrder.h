#pragma once
// Little-endian numbers in byte buffers: fixed-width loads and stores, an
// appending writer and a bounded reader. File formats (ZIP records, BMP and
// GIF headers, page streams) read and write their fields through these, never
// by copying structs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Loads of 2, 4 and 8 bytes at p.
constexpr std::uint16_t get_le16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
constexpr std::uint32_t get_le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
constexpr std::uint64_t get_le64(const std::uint8_t* p) { return get_le32(p) | std::uint64_t(get_le32(p + 4)) << 32; }
inline std::uint16_t get_le16(const void* p) { return get_le16(static_cast<const std::uint8_t*>(p)); }
inline std::uint32_t get_le32(const void* p) { return get_le32(static_cast<const std::uint8_t*>(p)); }
inline std::uint64_t get_le64(const void* p) { return get_le64(static_cast<const std::uint8_t*>(p)); }

// Stores of the low 2, 4 and 8 bytes of v at p.
constexpr void put_le16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
constexpr void put_le32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
constexpr void put_le64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

// Appends little-endian fields to a byte vector.
class ByteWriter {
public:
    // A writer on a vector without storage gives it a first block, so a
    // record built field by field is not moved at every doubling.
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {
        if (out_.capacity() == 0) out_.reserve(kFirstBlock);
    }
    static constexpr std::size_t kFirstBlock = 256;
    ByteWriter& u8(std::uint32_t v) {
        out_.push_back(std::uint8_t(v));
        return *this;
    }
    ByteWriter& le16(std::uint32_t v) { return put(v, 2); }
    ByteWriter& le32(std::uint32_t v) { return put(v, 4); }
    ByteWriter& le64(std::uint64_t v) { return put(v, 8); }
    ByteWriter& bytes(std::span<const std::uint8_t> b) {
        out_.insert(out_.end(), b.begin(), b.end());
        return *this;
    }
    ByteWriter& bytes(std::string_view b) {
        out_.insert(out_.end(), b.begin(), b.end());
        return *this;
    }

private:
    ByteWriter& put(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out_.push_back(std::uint8_t(v >> (8 * i)));
        return *this;
    }
    std::vector<std::uint8_t>& out_;
};

// A read position over bytes. Every read past the end raises EReadError
// "Stream read error" and leaves the position where it was.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return data_.size() - pos_; }
    std::span<const std::uint8_t> Rest() const { return data_.subspan(pos_); }
    // The next n bytes.
    std::span<const std::uint8_t> Read(std::size_t n);
    std::uint8_t ReadByte() { return Read(1)[0]; }
    std::uint16_t ReadLE16() { return get_le16(Read(2).data()); }
    std::uint32_t ReadLE32() { return get_le32(Read(4).data()); }
    std::uint64_t ReadLE64() { return get_le64(Read(8).data()); }
    std::int32_t ReadInt32() { return std::int32_t(ReadLE32()); }
    void Skip(std::size_t n) { Read(n); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

}  // namespace core
