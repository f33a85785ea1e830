#include "archive/arcCrc.h"

#include <array>
#include <zlib.h>

namespace archive {

namespace {

constexpr std::array<uint16_t, 256> make_crc16_table() {
    std::array<uint16_t, 256> t{};
    for (unsigned n = 0; n < 256; ++n) {
        unsigned c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
        t[n] = static_cast<uint16_t>(c);
    }
    return t;
}

constexpr auto kCrc16Table = make_crc16_table();

}  // namespace

void Crc32Update(const void* Buffer, std::size_t Count, uint32_t& Crc) {
    // zlib works on the inverted value; it gives the same result as the
    // byte-at-a-time table routine, many times faster.
    uLong c = Crc ^ 0xFFFFFFFFu;
    auto p = static_cast<const Bytef*>(Buffer);
    while (Count > 0) {
        const auto n = static_cast<uInt>(Count > 0x40000000u ? 0x40000000u : Count);
        c = ::crc32(c, p, n);
        p += n;
        Count -= n;
    }
    Crc = static_cast<uint32_t>(c) ^ 0xFFFFFFFFu;
}

void Crc16Update(const void* Buffer, std::size_t Count, uint32_t& Crc) {
    auto p = static_cast<const uint8_t*>(Buffer);
    uint32_t c = Crc & 0xFFFFu;
    for (std::size_t i = 0; i < Count; ++i) c = (c >> 8) ^ kCrc16Table[(c ^ p[i]) & 0xFFu];
    Crc = c;
}

}  // namespace archive
