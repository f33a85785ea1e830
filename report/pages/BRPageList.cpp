#include "report/pages/BRPageStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/core/ByteOrder.h"
#include "platform/core/DateUtils.h"
#include "platform/core/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;
using core::get_le32;

constexpr std::int64_t kMaxOffset = std::numeric_limits<int32_t>::max();

[[noreturn]] void damaged() { throw EReadError("Stream read error"); }

// Holds a stream's lock for a scope.
struct StreamGuard {
    explicit StreamGuard(TBRStream& s) : stream(s) { stream.Lock(); }
    ~StreamGuard() { stream.Unlock(); }
    TBRStream& stream;
};

int32_t read_int32(TStream& s) {
    uint8_t b[4];
    s.ReadBuffer(b, 4);
    return int32_t(get_le32(b));
}

int32_t read_int32_at(TStream& s, std::int64_t at) {
    s.SetPosition(at);
    return read_int32(s);
}

// What a header says, in the 128-byte layout's terms.
struct Header {
    int size = 128;
    int32_t count = 0;
    bool compressed = false;
    double created = 0;
};

// Whether a record that starts at `at` looks like the first one: ordinal 1,
// a next offset inside the stream, and a start offset that points back.
bool first_record_at(TStream& s, std::int64_t at, std::int64_t size) {
    if (size < at + 12) return false;
    if (read_int32_at(s, at) != 1) return false;
    std::int64_t next = read_int32(s);
    if (next < at + 12 || next > size) return false;
    return read_int32_at(s, next - 4) == at;
}

// The header's size: 124 when the first page's EMF signature sits where an
// older header puts it, else 128; a stream whose first record (compressed,
// so without a signature) only fits behind 124 bytes is older too.
int detect_header_size(TStream& s) {
    std::int64_t size = s.Size();
    if (size < TBRPageList::kLegacyHeaderSize) damaged();
    if (size >= 177) {
        char text[5] = {};
        s.SetPosition(173);
        s.ReadBuffer(text, 4);
        if (std::strcmp(text, "EMF") == 0) return TBRPageList::kLegacyHeaderSize;
        char sig[5] = {};
        s.SetPosition(176);
        s.ReadBuffer(sig, 4);
        if (std::memcmp(sig, " EMF", 4) == 0) return TBRPageList::kHeaderSize;
    }
    if (size == TBRPageList::kLegacyHeaderSize) return TBRPageList::kLegacyHeaderSize;
    if (size == TBRPageList::kHeaderSize || first_record_at(s, TBRPageList::kHeaderSize, size))
        return TBRPageList::kHeaderSize;
    if (first_record_at(s, TBRPageList::kLegacyHeaderSize, size)) return TBRPageList::kLegacyHeaderSize;
    return TBRPageList::kHeaderSize;
}

Header read_header(TStream& s) {
    std::int64_t saved = s.Position();
    Header h;
    try {
        h.size = detect_header_size(s);
        uint8_t b[128] = {};
        s.SetPosition(0);
        s.ReadBuffer(b, h.size);
        h.count = int32_t(get_le32(&b[8]));
        h.compressed = (h.size == TBRPageList::kHeaderSize ? b[25] : b[21]) != 0;
        uint64_t time = core::get_le64(&b[h.size == TBRPageList::kHeaderSize ? 16 : 12]);
        std::memcpy(&h.created, &time, 8);
    } catch (...) {
        s.SetPosition(saved);
        throw;
    }
    s.SetPosition(saved);
    // Every record takes at least 12 bytes.
    if (h.count < 0 || h.count > (s.Size() - h.size) / 12) damaged();
    return h;
}

void write_header(TStream& s, int32_t count, bool compressed) {
    uint8_t b[128] = {};
    core::put_le16(&b[0], 3);
    core::put_le16(&b[2], 40);
    core::put_le32(&b[8], uint32_t(count));
    double now = Now();
    uint64_t bits;
    std::memcpy(&bits, &now, 8);
    core::put_le64(&b[16], bits);
    b[25] = compressed ? 1 : 0;
    s.SetPosition(0);
    s.WriteBuffer(b, 128);
}

// The walk over records of one stream, every step checked.
class Walker {
public:
    Walker(TStream& s, const Header& h) : s_(s), h_(h), size_(s.Size()) {}

    // The start of the last record (from the stream's last four bytes).
    std::int64_t last() {
        if (h_.count < 1 || size_ < h_.size + 12) damaged();
        std::int64_t at = read_int32_at(s_, size_ - 4);
        if (at < h_.size || at > size_ - 12) damaged();
        return at;
    }

    // Where record n starts, walking from the position (a record's start or the end).
    std::int64_t find(int n) {
        if (n < 1 || n > h_.count) damaged();
        if (n == 1) return h_.size;
        std::int64_t at = s_.Position();
        if (at >= size_) at = last();
        if (at < h_.size || at > size_ - 12) damaged();
        int c = read_int32_at(s_, at);
        // Each step moves one record; a sound chain needs fewer steps than pages.
        for (int steps = 0; c != n; ++steps) {
            if (c < 1 || c > h_.count || steps > h_.count) damaged();
            std::int64_t to;
            if (n > c) {
                to = read_int32_at(s_, at + 4);
                if (to < at + 12 || to > size_ - 12) damaged();
            } else {
                if (at - 4 < h_.size + 8) damaged();
                to = read_int32_at(s_, at - 4);
                if (to < h_.size || to > at - 12) damaged();
            }
            int next = read_int32_at(s_, to);
            if ((n > c && next != c + 1) || (n < c && next != c - 1)) damaged();
            at = to;
            c = next;
        }
        return at;
    }

    // The payload of the record at `at` and the offset after the record.
    std::vector<uint8_t> payload(std::int64_t at, std::int64_t& end) {
        end = read_int32_at(s_, at + 4);
        if (end < at + 12 || end > size_) damaged();
        if (read_int32_at(s_, end - 4) != at) damaged();
        std::vector<uint8_t> bytes(size_t(end - at - 12));
        s_.SetPosition(at + 8);
        s_.ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
        return bytes;
    }

    std::unique_ptr<TMetafile> page(std::int64_t at, bool compressed) {
        std::int64_t end = 0;
        std::vector<uint8_t> bytes = payload(at, end);
        if (compressed) {
            if (bytes.size() < 4) damaged();
            int32_t plain = int32_t(get_le32(bytes.data()));
            if (plain < 0) damaged();
            bytes = TBRCompress::Decode(std::span(bytes).subspan(4), size_t(plain));
        }
        auto page = std::make_unique<TMetafile>();
        TByteReader reader(bytes);
        page->LoadFromStream(reader);
        if (reader.Remaining() != 0) throw EInvalidGraphic("Metafile is not valid");
        s_.SetPosition(end);
        return page;
    }

private:
    TStream& s_;
    const Header& h_;
    std::int64_t size_;
};

}  // namespace

TBRPageList::TBRPageList() = default;
TBRPageList::~TBRPageList() = default;

TBRStream& TBRPageList::stream() const {
    if (!stream_) throw EInvalidOperation("No page stream");
    return *stream_;
}

void TBRPageList::SetPageStream(std::unique_ptr<TBRStream> s) {
    Guard lock(mutex_);
    stream_ = std::move(s);
    header_size_ = kHeaderSize;
}

std::unique_ptr<TBRStream> TBRPageList::ReleasePageStream() {
    Guard lock(mutex_);
    return std::move(stream_);
}

void TBRPageList::WritePageStreamHeader() {
    Guard lock(mutex_);
    TBRStream& s = stream();
    StreamGuard sl(s);
    write_header(s, count_, compression_);
    header_size_ = kHeaderSize;
}

void TBRPageList::FinishPageStreamHeader() {
    Guard lock(mutex_);
    TBRStream& s = stream();
    StreamGuard sl(s);
    WritePageStreamHeader();
    s.Seek(0, soEnd);
}

void TBRPageList::ReadPageStreamHeader() {
    Guard lock(mutex_);
    TBRStream& s = stream();
    StreamGuard sl(s);
    Header h = read_header(s);
    s.SetPosition(h.size);
    header_size_ = h.size;
    count_ = h.count;
    compression_ = h.compressed;
    created_ = h.created;
}

void TBRPageList::PositionAtFirstRecord() {
    Guard lock(mutex_);
    stream().SetPosition(header_size_);
}

void TBRPageList::PositionAtLastRecord() {
    Guard lock(mutex_);
    TBRStream& s = stream();
    StreamGuard sl(s);
    Header h{header_size_, count_, compression_};
    s.SetPosition(Walker(s, h).last());
}

void TBRPageList::SeekToPage(int n) {
    Guard lock(mutex_);
    TBRStream& s = stream();
    StreamGuard sl(s);
    Header h{header_size_, count_, compression_};
    std::int64_t saved = s.Position();
    try {
        s.SetPosition(Walker(s, h).find(n));
    } catch (...) {
        s.SetPosition(saved);
        throw;
    }
}

void TBRPageList::AppendPage(const TMetafile& page) {
    Guard lock(mutex_);
    TBRStream& s = stream();
    StreamGuard sl(s);
    std::vector<uint8_t> blank, coded;
    const std::vector<uint8_t>* payload = &page.RecordedBytes();
    if (payload->empty()) {
        blank = page.Bytes();
        payload = &blank;
    }
    if (compression_) {
        std::vector<uint8_t> code = TBRCompress::Encode(*payload);
        coded.resize(4);
        core::put_le32(coded.data(), uint32_t(payload->size()));
        coded.insert(coded.end(), code.begin(), code.end());
        payload = &coded;
    }
    std::int64_t start = count_ == 0 ? 0 : s.Size();
    std::int64_t end = std::max<std::int64_t>(start, kHeaderSize) + 12 + std::int64_t(payload->size());
    if (end > kMaxOffset) throw EWriteError("Page stream is full");
    std::int64_t position = s.Position();
    int32_t count = count_;
    try {
        ++count_;
        if (count_ == 1) {
            s.SetSize(0);
            WritePageStreamHeader();
        }
        std::int64_t at = s.Seek(0, soEnd);
        // The record in one write: ordinal, next record's offset, payload,
        // this record's offset.
        const std::size_t n = payload->size();
        std::vector<uint8_t> record(n + 12);
        core::put_le32(record.data(), uint32_t(count_));
        core::put_le32(record.data() + 4, uint32_t(int32_t(at + 12 + std::int64_t(n))));
        std::copy(payload->begin(), payload->end(), record.begin() + 8);
        core::put_le32(record.data() + 8 + n, uint32_t(int32_t(at)));
        s.WriteBuffer(record.data(), std::int64_t(record.size()));
    } catch (...) {
        // Take the record back, so the stream ends with its last whole page.
        count_ = count;
        try {
            s.SetSize(start);
            s.SetPosition(std::min(position, start));
        } catch (...) {
        }
        throw;
    }
}

std::unique_ptr<TMetafile> TBRPageList::ReadPage(int n) {
    Guard lock(mutex_);
    if (n < 1 || n > count_) return nullptr;
    TBRStream& s = stream();
    StreamGuard sl(s);
    Header h{header_size_, count_, compression_};
    std::int64_t saved = s.Position();
    try {
        Walker walk(s, h);
        std::int64_t at = walk.find(n);
        return walk.page(at, compression_);
    } catch (...) {
        s.SetPosition(saved);
        throw;
    }
}

void TBRPageList::OpenStoredPages(const std::string& fileName) {
    Guard lock(mutex_);
    auto s = std::make_unique<TBRStream>(fileName);
    Header h = read_header(*s);
    if (h.count >= 1) {
        // The last page must be readable; the stream is then at its end.
        Walker walk(*s, h);
        std::int64_t at = walk.last();
        if (read_int32_at(*s, at) != h.count) damaged();
        walk.page(at, h.compressed);
    } else {
        s->SetPosition(h.size);
    }
    stream_ = std::move(s);
    header_size_ = h.size;
    count_ = h.count;
    compression_ = h.compressed;
    created_ = h.created;
}

void TBRPageList::SaveStoredPages(const std::string& fileName) {
    Guard lock(mutex_);
    TBRStream& s = stream();
    StreamGuard sl(s);
    os::ReplacingFile out(fileName);
    s.CopyToFile(out);
    out.commit();
}
