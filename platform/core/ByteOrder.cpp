#include "platform/core/ByteOrder.h"

#include "platform/core/SysUtils.h"

namespace core {

std::span<const std::uint8_t> ByteReader::Read(std::size_t n) {
    if (n > Remaining()) throw EReadError("Stream read error");
    auto r = data_.subspan(pos_, n);
    pos_ += n;
    return r;
}

}  // namespace core
