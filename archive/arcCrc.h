#pragma once
// Running CRC values of the archive writer. The caller starts a CRC-32 at
// 0xFFFFFFFF and applies the final inversion itself; a CRC-16/ARC starts at 0.

#include <cstddef>
#include <cstdint>

namespace archive {

// Updates a running (not inverted) CRC-32 of the ZIP format over Count bytes.
void Crc32Update(const void* Buffer, std::size_t Count, uint32_t& Crc);
// Updates a running CRC-16/ARC over Count bytes.
void Crc16Update(const void* Buffer, std::size_t Count, uint32_t& Crc);

}  // namespace archive
