#pragma once
// The archive writer's streams: thin names over the one stream family of
// platform/core (Streams.h). Every archive stream is a layer (TStreamLayer):
// files and memory are layers that own a core file or memory stream, and the
// filters are layers stacked over the stream they write into, each adding one
// transformation (CRC, cipher, deflate), and the span layer carries what is
// written across a run of disks. Copies honour a cancel flag and feed
// progress handlers; sizes and positions are 64-bit.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <zlib.h>

#include "platform/core/Streams.h"
#include "platform/core/SysUtils.h"
#include "archive/arcCrypt.h"

namespace archive {

// Stream failures ("Stream read error", "Stream write error", "Disk full", ...).
// These are the class library's own classes (platform/core/SysUtils.h).
using ::EStreamError;
using ::EReadError;
using ::EWriteError;
using ::EFOpenError;
// A failure of the archive writer with one of its own numbered texts.
class E_RAISE : public Exception { using Exception::Exception; };

// The seek origins are core's; these are the names the archive code uses.
using ::TSeekOrigin;
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

class TStream32;
// Called by a consuming stream with the stream whose position tells progress.
using TStreamProgress = std::function<void(TStream32& Sender)>;

// An archive stream: a core stream layer with a progress handler, a cancel
// flag and copies that honour both.
class TStream32 : public TStreamLayer {
public:
    using TStreamLayer::TStreamLayer;
    int64_t GetSize() { return Size(); }
    int64_t GetPosition() { return Position(); }
    // Writes exactly Count bytes or raises EWriteError ("Disk full" when the
    // file system is full, else "Stream write error").
    void WriteBuffer(const void* Buffer, int64_t Count) { core::write_all(*this, Buffer, Count); }
    // Copies Count bytes of Source (all of it from its start when Count is 0)
    // in chunks, stopping between chunks when *CancelFlag is set. Answers the
    // count asked for.
    virtual int64_t CopyFrom(TStream32& Source, uint8_t* CancelFlag, int64_t Count, TStreamProgress Progress);
    // Calls Sender's progress handler when it has one.
    static void DoStreamProgress(TStream32& Sender);

    TStreamProgress ProgressHandler;
    uint8_t* CancelFlag = nullptr;

protected:
    // A stream without a base (a sink that overrides what it uses).
    TStream32() : TStreamLayer(nullptr) {}
    int64_t CopyLoop(TStream& Source, uint8_t* Cancel, int64_t Count, int64_t Chunk);
    // CopyFrom in chunks of Chunk bytes.
    int64_t CopyInChunks(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress, int64_t Chunk);
    // After a read of Count bytes: counts them off *BytesLeft (when given) and reports progress.
    void CountRead(int64_t Count, double* BytesLeft);
};

// Stream over an operating-system file descriptor (negative: no file), not
// closed by this class.
class THandleStream32 : public TStream32 {
public:
    explicit THandleStream32(int Handle);
    // Size in bytes (0 without a file).
    int64_t Size() override;
    int Handle() const { return file_->Handle(); }
    // Flushes the file's data to its device; false on failure.
    bool Flush() { return Handle() >= 0 && file_->Flush(); }

protected:
    explicit THandleStream32(std::unique_ptr<THandleStream> File);
    // Puts File under this stream (a closed one when null).
    void SetFile(std::unique_ptr<THandleStream> File);
    THandleStream* file_ = nullptr;
};

// Opens or creates a file by name; closes it when freed. Mode 0xFFFF creates
// (truncating an existing file); otherwise the low two bits give the access
// (0 read, 1 write, 2 both) and only a regular file opens. Never raises: test
// Handle() >= 0.
class TFileStream32 : public THandleStream32 {
public:
    static constexpr uint16_t fmCreate = 0xFFFF;
    TFileStream32(const std::string& FileName, uint16_t Mode);
    const std::string& FileName() const { return name_; }

protected:
    void Close() { SetFile(nullptr); }
    std::string name_;
};

// Stream over a growable memory block (a core TMemoryStream).
class TMemoryStream32 : public TStream32 {
public:
    TMemoryStream32();
    const uint8_t* Memory() const { return memory_->Bytes().data(); }

private:
    TMemoryStream* memory_;
};

// Passed by value into the filter streams.
struct TStreamContext {
    uint32_t CRC = 0xFFFFFFFFu;       // running CRC; initial value from the caller
    bool Encrypt = false;             // encrypt the output; the CRC was computed beforehand
    double* BytesLeft = nullptr;      // the component's bytes-left counter
    uint8_t* CancelFlag = nullptr;    // the component's cancel flag
    TZipCipher* Cipher = nullptr;     // running keys of the current entry
};

// Zlib levels of TDeflateType: store, fast, normal, maximum.
enum TDeflateType { dtDeflateS, dtDeflateF, dtDeflateN, dtDeflateX };
int DeflateLevel(TDeflateType Type);

// Deflates all of Source (from its start) into Dest at Dest's position with
// the zlib level of Level and WindowBits (-15: raw deflate). Unless
// Context.Encrypt, stores the final CRC-32 of the input in Crc (0 for an empty
// source). Answers false when the cancel flag was set. A zlib failure raises.
bool DeflateStream(TStream32& Source, TStream32& Dest, const TStreamContext& Context, uint32_t& Crc,
                   TDeflateType Level, TStreamProgress Progress, int WindowBits);

// ---- Layers -----------------------------------------------------------

// Passes every byte written or read through it on unchanged, keeping a running
// CRC-16/ARC (CrcKind 16) or CRC-32 (32, not inverted) of them. Without a base
// it is a sink that keeps only the CRC.
class TCrcLayer : public TStream32 {
public:
    TCrcLayer(TStream& Base, int CrcKind, uint32_t Start);
    TCrcLayer(int CrcKind, uint32_t Start);
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    // The running value (a CRC-32 without its final inversion).
    uint32_t CRC() const { return crc_; }

protected:
    void Update(const void* Buffer, int64_t Count);

private:
    int kind_;
    uint32_t crc_;
};

// Encrypts what is written through it with the running keys of Cipher.
class TCipherLayer : public TStream32 {
public:
    TCipherLayer(TStream& Base, TZipCipher& Cipher) : TStream32(Base), cipher_(Cipher) {}
    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Write(const void* Buffer, int64_t Count) override;

private:
    TZipCipher& cipher_;
    std::vector<uint8_t> buffer_;
};

// Deflates what is written into it into its base, from the base's position
// when the layer was made (kept even when others move the base meanwhile).
// Its position is the count of bytes taken in. Honours Context's cancel flag
// and bytes-left counter; reports progress through the stream given to
// ReportTo (itself by default). Finish() ends the deflate stream.
class TDeflateLayer : public TStream32 {
public:
    TDeflateLayer(TStream& Base, TDeflateType Level, int WindowBits, const TStreamContext& Context);
    ~TDeflateLayer() override;
    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    // Ends the deflate stream and writes the remaining output; a zlib failure raises.
    void Finish();
    void ReportTo(TStream32& Stream) { report_to_ = &Stream; }

private:
    bool Cancelled() const { return context_.CancelFlag && *context_.CancelFlag; }
    void Reposition();
    void FlushBuffer(std::size_t n);

    TStreamContext context_;
    std::vector<Bytef> buffer_;
    z_stream z_;
    bool ready_ = false;
    int64_t saved_ = 0;
    TStream32* report_to_ = this;
};

// Copies what is written into it to Dest, with a CRC (a CRC layer) or, with
// Context.Encrypt, encrypted (a cipher layer) and the CRC left at Context.CRC.
class TStoreStream : public TStream32 {
public:
    // CrcKind 16 or 32.
    TStoreStream(TStream32& Dest, int CrcKind, const TStreamContext& Context, uint8_t* Cancel,
                 TStreamProgress Progress);
    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        return (Offset == 0 && Origin == soFromCurrent) ? 0 : -1;
    }
    int64_t CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) override;
    // Copies all of Source from its start; answers the byte count copied.
    int64_t CopyFromSource(TStream32& Source);
    // The running CRC (a CRC-32 without its final inversion).
    uint32_t CRC() const { return crc_ ? crc_->CRC() : context_.CRC; }

private:
    TStream32& dest_;
    TStreamContext context_;
    TCrcLayer* crc_ = nullptr;
    TStream32* source_ = nullptr;
    TStreamProgress progress_;
};

// Runs a CRC pass over Count bytes of Source (all when 0) in its constructor:
// a CRC layer without a base.
class TCalcStreamCRC : public TCrcLayer {
public:
    TCalcStreamCRC(TStream32& Source, int64_t Count, int CrcKind, const TStreamContext& Context,
                   uint8_t* Cancel, TStreamProgress Progress);
    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t, TSeekOrigin) override { return -1; }
    // The accumulator, before any final inversion.
    uint32_t Accumulator() const { return CRC(); }

private:
    TStream32& source_;
    double* bytes_left_;
};

// Writes across a run of disks. Its base is the current disk's stream, which
// it owns; Room counts the bytes the current disk still takes (the caller's
// counter, set by the caller for each new disk). When a write finds no room it
// asks NextDisk for the next disk, which puts it under the layer (StartDisk)
// and sets the room, or answers false to stop.
class TSpanLayer : public TStream32 {
public:
    using TNextDisk = std::function<bool(TSpanLayer& Layer)>;
    TSpanLayer(int64_t& Room, TNextDisk NextDisk) : room_(Room), next_disk_(std::move(NextDisk)) {}
    // Puts Disk under the layer (its first byte at 0); null only closes the current one.
    void StartDisk(std::unique_ptr<TStream> Disk);
    void CloseDisk() { StartDisk(nullptr); }
    bool HasDisk() const { return HasBase(); }
    // Bytes written on the current disk.
    int64_t DiskPosition() const { return disk_pos_; }
    // Takes the next disks until the current one has Needed bytes of room; false when none came.
    bool EnsureRoom(int64_t Needed);
    // Writes Count bytes, taking the next disk whenever one is full; answers
    // the bytes written (short when no next disk came). A disk that takes
    // fewer bytes than its room raises EWriteError ("Disk full" or "Stream write error").
    int64_t Write(const void* Buffer, int64_t Count) override;
    // Writes Count bytes on the current disk whatever its room (no disk
    // change); raises EWriteError as Write does when the disk takes fewer.
    void WriteOnThisDisk(const void* Buffer, int64_t Count);
    // The same without raising: false, and nothing counted, unless all went.
    bool TryWriteOnThisDisk(const void* Buffer, int64_t Count);
    int64_t Read(void*, int64_t) override { return -1; }
    // Only tells the position on the current disk.
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        return (Offset == 0 && Origin == soFromCurrent) ? disk_pos_ : -1;
    }

private:
    int64_t& room_;
    TNextDisk next_disk_;
    int64_t disk_pos_ = 0;
};

}  // namespace archive
