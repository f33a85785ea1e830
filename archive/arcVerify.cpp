#include "archive/arcVerify.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "archive/arcCrc.h"
#include "platform/core/ByteOrder.h"
#include "platform/core/Streams.h"

namespace archive {

namespace {

using core::get_le16;
using core::get_le32;

constexpr std::size_t kChunk = 1 << 16;
constexpr uint32_t kLocalSig = 0x04034B50, kCentralSig = 0x02014B50, kEndSig = 0x06054B50;
constexpr std::size_t kEndSize = 22, kCentralSize = 46, kLocalSize = 30;

bool read_exact(TFileStream& file, void* buffer, std::size_t count, int64_t offset) {
    return file.ReadAt(offset, buffer, static_cast<int64_t>(count)) == static_cast<int64_t>(count);
}

// Inflates (method 8) or copies (method 0) `compressed` bytes at offset and
// measures what comes out.
VerifyFault read_entry_data(TFileStream& file, int64_t offset, int64_t compressed, uint32_t method,
                            FileDigest& out) {
    std::vector<uint8_t> in(kChunk), inflated(kChunk);
    uint32_t crc = 0xFFFFFFFFu;
    out = FileDigest{};
    if (method == 0) {
        for (int64_t left = compressed; left > 0;) {
            const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(left, kChunk));
            if (!read_exact(file, in.data(), want, offset)) return VerifyFault::DataTruncated;
            Crc32Update(in.data(), want, crc);
            offset += static_cast<int64_t>(want);
            left -= static_cast<int64_t>(want);
            out.size += static_cast<int64_t>(want);
        }
        out.crc = ~crc;
        return VerifyFault::None;
    }
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return VerifyFault::InflateInit;
    struct End {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end{z};
    int64_t left = compressed;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (left == 0) return VerifyFault::DataTruncated;
            const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(left, kChunk));
            if (!read_exact(file, in.data(), want, offset)) return VerifyFault::DataTruncated;
            offset += static_cast<int64_t>(want);
            left -= static_cast<int64_t>(want);
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(want);
        }
        z.next_out = inflated.data();
        z.avail_out = static_cast<uInt>(inflated.size());
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return VerifyFault::DataCorrupt;
        const std::size_t produced = inflated.size() - z.avail_out;
        Crc32Update(inflated.data(), produced, crc);
        out.size += static_cast<int64_t>(produced);
        if (status == Z_BUF_ERROR && z.avail_in != 0 && produced == 0) return VerifyFault::DataCorrupt;
    }
    if (left != 0 || z.avail_in != 0) return VerifyFault::DataLength;
    out.crc = ~crc;
    return VerifyFault::None;
}

VerifyResult fault(VerifyFault f) {
    VerifyResult r;
    r.Fault = f;
    return r;
}

}  // namespace

std::optional<FileDigest> DigestFile(const std::string& Path) {
    auto file = TFileStream::TryOpen(Path, fmOpenRead, nullptr, true);
    if (!file) return std::nullopt;
    return DigestHandle(file->Handle());
}

std::optional<FileDigest> DigestHandle(int Handle) {
    if (Handle < 0) return std::nullopt;
    THandleStream file(Handle);
    std::vector<uint8_t> buffer(kChunk);
    FileDigest digest;
    uint32_t crc = 0xFFFFFFFFu;
    for (;;) {
        const int64_t n = file.ReadAt(digest.size, buffer.data(), static_cast<int64_t>(buffer.size()));
        if (n < 0 || (n < static_cast<int64_t>(buffer.size()) && file.LastError() != 0)) return std::nullopt;
        if (n == 0) break;
        Crc32Update(buffer.data(), static_cast<std::size_t>(n), crc);
        digest.size += n;
    }
    digest.crc = ~crc;
    return digest;
}

VerifyResult VerifySingleEntryArchive(const std::string& ZipPath, const FileDigest& Expected) {
    auto file = TFileStream::TryOpen(ZipPath, fmOpenRead, nullptr, true);
    const int64_t size = file ? file->Size() : -1;
    if (size < 0) return fault(VerifyFault::Unreadable);
    if (size < static_cast<int64_t>(kEndSize)) return fault(VerifyFault::NotZip);

    // The end record: the last signature whose comment reaches the end of the file.
    const int64_t tail_size = std::min<int64_t>(size, kEndSize + 0xFFFF);
    std::vector<uint8_t> tail(static_cast<std::size_t>(tail_size));
    if (!read_exact(*file, tail.data(), tail.size(), size - tail_size)) return fault(VerifyFault::Unreadable);
    int64_t end_at = -1;
    for (int64_t i = tail_size - static_cast<int64_t>(kEndSize); i >= 0; --i) {
        const uint8_t* p = tail.data() + i;
        if (get_le32(p) == kEndSig && i + static_cast<int64_t>(kEndSize) + get_le16(p + 20) == tail_size) {
            end_at = i;
            break;
        }
    }
    if (end_at < 0) return fault(VerifyFault::NoEndRecord);
    const uint8_t* end = tail.data() + end_at;
    const int64_t end_offset = size - tail_size + end_at;
    const uint32_t entries_here = get_le16(end + 8), entries = get_le16(end + 10);
    const int64_t cd_size = get_le32(end + 12), cd_offset = get_le32(end + 16);
    if (get_le16(end + 4) != 0 || get_le16(end + 6) != 0) return fault(VerifyFault::Spanned);
    if (entries != 1 || entries_here != 1) {
        VerifyResult r = fault(VerifyFault::EntryCount);
        r.Entries = entries;
        return r;
    }
    if (cd_offset + cd_size != end_offset || cd_size < static_cast<int64_t>(kCentralSize))
        return fault(VerifyFault::DirectoryMisplaced);

    std::array<uint8_t, kCentralSize> central{};
    if (!read_exact(*file, central.data(), central.size(), cd_offset) || get_le32(central.data()) != kCentralSig)
        return fault(VerifyFault::DirectoryDamaged);
    const uint32_t flags = get_le16(central.data() + 8), method = get_le16(central.data() + 10);
    const uint32_t crc = get_le32(central.data() + 16);
    const int64_t compressed = get_le32(central.data() + 20), uncompressed = get_le32(central.data() + 24);
    const int64_t central_size = static_cast<int64_t>(kCentralSize) + get_le16(central.data() + 28) +
                                 get_le16(central.data() + 30) + get_le16(central.data() + 32);
    const int64_t local_offset = get_le32(central.data() + 42);
    if (central_size != cd_size) return fault(VerifyFault::DirectoryDamaged);
    if (flags & 1) return fault(VerifyFault::Encrypted);
    if (method != 0 && method != 8) {
        VerifyResult r = fault(VerifyFault::Method);
        r.Method = method;
        return r;
    }

    std::array<uint8_t, kLocalSize> local{};
    if (!read_exact(*file, local.data(), local.size(), local_offset) || get_le32(local.data()) != kLocalSig)
        return fault(VerifyFault::LocalHeaderDamaged);
    const int64_t data_offset =
        local_offset + static_cast<int64_t>(kLocalSize) + get_le16(local.data() + 26) + get_le16(local.data() + 28);
    if (data_offset + compressed > cd_offset) return fault(VerifyFault::DataOverlapsDirectory);

    VerifyResult r;
    r.Method = method;
    r.Entries = entries;
    r.Fault = read_entry_data(*file, data_offset, compressed, method, r.Found);
    if (!r.Ok()) return r;
    if (r.Found.size != uncompressed || r.Found.crc != crc) r.Fault = VerifyFault::RecordMismatch;
    else if (r.Found.size != Expected.size) r.Fault = VerifyFault::SizeMismatch;
    else if (r.Found.crc != Expected.crc) r.Fault = VerifyFault::CrcMismatch;
    return r;
}

}  // namespace archive
