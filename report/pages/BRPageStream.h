#pragma once
// The BRP page stream: the pages of a report run, each an EMF page
// (TMetafile), behind a 128-byte header, optionally splay-coded.
//
// Layout (all integers little-endian, int32 signed, offsets absolute):
//   header, 128 bytes: int16 3, int16 40, zeros to 8, int32 page count at 8,
//     double creation time (days since 1899-12-30, local) at 16, byte
//     Compressed at 25, zeros to 128. Older streams have a 124-byte header
//     (count at 8, time at 12, Compressed at 21), read and never written.
//   one record a page, in page order: int32 ordinal (1, 2, ...), int32
//     offset of the next record (or of the stream's end), the payload,
//     int32 offset of this record's ordinal. The payload is the page's EMF
//     bytes, or, in a compressed stream, int32 plain size followed by the
//     splay code of the EMF bytes (TBRCompress), padded to a whole byte.
//
// Readers trust nothing: every offset and size is checked against the
// stream before use, link walks are bounded by the page count, and a
// damaged stream raises EReadError "Stream read error".

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/graphics/Metafile.h"
#include "platform/os/ReplacingFile.h"
#include "platform/os/SignalCleanup.h"

// The page stream's storage: in memory until it grows past a limit, then
// in a temporary file "BRP<random>.tmp" in the temporary folder (deleted
// with the stream); or an existing file opened for reading. Every call
// holds the stream's own lock.
class TBRStream : public TStream {
public:
    // An empty stream in memory that spills past memoryLimit bytes.
    explicit TBRStream(int32_t memoryLimit);
    // An existing file, read-only, never deleted by the stream; EFOpenError
    // "Cannot open file ..." when it cannot be opened.
    explicit TBRStream(const std::string& fileName);
    ~TBRStream() override;
    TBRStream(const TBRStream&) = delete;
    TBRStream& operator=(const TBRStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Writes; a write that takes the memory stream past the limit moves
    // the whole stream to the spill file. When the file cannot be made the
    // write raises EFCreateError and the stream stays in memory, whole.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override;
    void SetSize(std::int64_t size) override;

    // Copies the whole stream to target in chunks of 10240 bytes, whatever
    // the position; leaves the position at the end.
    void CopyToStream(TStream& target);
    // The whole stream as the new contents of a file being replaced: a stream
    // kept in a file is copied by the kernel where it can be, anything else
    // through CopyToStream. Leaves the position at the end.
    void CopyToFile(os::ReplacingFile& target);

    bool InMemory() const { return memory_ != nullptr; }
    // The spill file's path ("" while in memory or when opened on a file).
    const std::string& SpillFileName() const { return spill_; }
    // The file opened by the second constructor ("" otherwise).
    const std::string& OpenedFileName() const { return opened_; }
    int32_t MemoryLimit() const { return limit_; }

    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

private:
    void spill();
    std::recursive_mutex mutex_;
    std::unique_ptr<TMemoryStream> memory_;
    std::string spill_;
    os::SignalCleanupPath spill_cleanup_;  // a signal that ends the program removes the spill file
    std::string opened_;
    std::unique_ptr<TFileStream> file_;
    int32_t limit_ = 0;
};

// The splay-tree coder of page payloads. A tree of 513 nodes (inner nodes
// 0..255 with 0 the root, the leaf of byte v is node v + 256) starts as the
// complete tree in heap order; a byte is coded as the path from the root to
// its leaf (0 left, 1 right), bits filled into bytes from the least
// significant bit, and then its leaf is semi-splayed towards the root. Each
// page starts a fresh tree on a byte boundary.
class TBRCompress {
public:
    // A coder (coding true) that writes code to stream, or a decoder that
    // reads it. Stream I/O is buffered: a coder writes its code when it is
    // destroyed (partial last byte included) or flushed; a decoder reads
    // ahead and, when destroyed, puts the stream back after the last code
    // byte it used.
    TBRCompress(TStream& stream, bool coding);
    ~TBRCompress();
    TBRCompress(const TBRCompress&) = delete;
    TBRCompress& operator=(const TBRCompress&) = delete;

    void EncodeSymbol(uint8_t value);
    // EncodeSymbol of every byte of plain, in order.
    void EncodeSymbols(std::span<const uint8_t> plain);
    // The next byte; EReadError "Stream read error" when the code ends.
    uint8_t DecodeSymbol();
    // DecodeSymbol for every byte of out, in order.
    void DecodeSymbols(std::span<uint8_t> out);
    // Writes the buffered code so far (whole bytes) to the stream.
    void Flush();
    void SplayAtSymbol(uint8_t value);
    void ResetSplayTree();

    // Whole payloads: the code of plain, and plainSize bytes decoded from
    // code (EReadError "Stream read error" when the code ends first).
    static std::vector<uint8_t> Encode(std::span<const uint8_t> plain);
    static std::vector<uint8_t> Decode(std::span<const uint8_t> code, size_t plainSize);

    struct Tree;

private:
    // The next code byte, from the read-ahead buffer.
    uint8_t ReadCodeByte();
    void refill();
    // The next 64 code bits (8 near the end) and how many they are.
    std::pair<uint64_t, int> more_bits();
    std::unique_ptr<Tree> tree_;
    TStream& stream_;
    bool coding_;
    uint64_t bits_ = 0;  // pending bits, next one lowest
    int count_ = 0;      // how many
    std::vector<uint8_t> buffer_;
    size_t at_ = 0;      // decoder: next byte of buffer_
};

// A node collection that shows an outline (a tree view's, in a window).
class TBROutlineNodes {
public:
    virtual ~TBROutlineNodes() = default;
    virtual void Clear() = 0;
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
    // Adds a node with caption under parent (0: at the top); answers its key (never 0).
    virtual int AddChild(int parent, const std::string& caption) = 0;
};

// One outline entry: a caption, its level (1 = top, at most 31), an area of
// a page and the node that shows it.
struct TBROutlineEntry {
    std::string Caption;  // at most 51 characters
    int Level = 1;
    TRect Area;
    int Page = 0;
    int NodeKey = 0;
};

// The outline a page list carries.
class TBROutline {
public:
    static constexpr int kMaxLevel = 31;
    std::vector<TBROutlineEntry>& Entries() { return entries_; }
    void ClearOutline() { entries_.clear(); }
    // Stores the nodes (not owned; null for none) and, when given, rebuilds them.
    void SetOutlineTreeNodes(TBROutlineNodes* nodes);
    // Clears the nodes and adds one a entry, under the last node of the level above.
    void RebuildOutlineTree();
    // The area and page of the first entry shown by node key; zeros when none.
    void FindOutlineEntry(int nodeKey, TRect& area, int& page) const;

private:
    std::vector<TBROutlineEntry> entries_;
    TBROutlineNodes* nodes_ = nullptr;
};

// The pages of a run in a page stream: appends, finds and reads pages,
// loads and saves stored streams. Append and read hold the list's lock,
// and the stream's inside it.
class TBRPageList {
public:
    static constexpr int kHeaderSize = 128;
    static constexpr int kLegacyHeaderSize = 124;

    TBRPageList();
    ~TBRPageList();
    TBRPageList(const TBRPageList&) = delete;
    TBRPageList& operator=(const TBRPageList&) = delete;

    // Whether payloads are splay-coded: set by the owner before pages are
    // added; reading a stored stream's header sets it from the header.
    bool Compression() const { return compression_; }
    void SetCompression(bool value) { compression_ = value; }
    int PageCount() const { return count_; }
    // The header size of the stream (128, or 124 for an older stream read back).
    int HeaderSize() const { return header_size_; }
    // The header's time of the stream read back (0 before one is read).
    double CreatedAt() const { return created_; }

    // The page stream, owned by the list. The owner hands a new stream over
    // before a run and reads it back after OpenStoredPages.
    TBRStream* PageStream() const { return stream_.get(); }
    void SetPageStream(std::unique_ptr<TBRStream> stream);
    std::unique_ptr<TBRStream> ReleasePageStream();
    TBROutline& Outline() { return outline_; }

    // Adds a page at the end. A page that would take an offset past 2 GiB
    // is refused (EWriteError "Page stream is full"); a failed append takes
    // back what it wrote, so the stream keeps its earlier pages.
    void AppendPage(const TMetafile& page);
    // Page n (1-based) as a new metafile; null when n is outside 1..page count.
    std::unique_ptr<TMetafile> ReadPage(int n);
    // Moves to the first byte of record n (1 <= n <= page count).
    void SeekToPage(int n);
    void PositionAtFirstRecord();
    void PositionAtLastRecord();

    // Reads the header at position 0: detects its size, takes the page
    // count and the Compressed byte. EReadError for a stream that has no
    // whole header or whose count cannot fit it.
    void ReadPageStreamHeader();
    // Writes the 128-byte header (page count, now, Compression) at 0.
    void WritePageStreamHeader();
    // Writes the header again at the end of a run; leaves the position at the end.
    void FinishPageStreamHeader();
    // Replaces the stream with the file, read-only. The file is checked
    // (header, last page) before the current stream is dropped; on failure
    // the list keeps what it had.
    void OpenStoredPages(const std::string& fileName);
    // Writes the whole stream to a file: a temporary file beside it renamed
    // over it, so a failure (or the stream's own file as target) loses nothing.
    void SaveStoredPages(const std::string& fileName);
    void ResetPageCount() { count_ = 0; }

    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

private:
    TBRStream& stream() const;
    std::recursive_mutex mutex_;
    bool compression_ = false;
    int count_ = 0;
    int header_size_ = kHeaderSize;
    double created_ = 0;
    std::unique_ptr<TBRStream> stream_;
    TBROutline outline_;
};
