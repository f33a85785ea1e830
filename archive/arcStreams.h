#pragma once
// The archive writer's own stream family. Every byte read from a source file
// or written into an archive passes through it. Sizes and positions are
// 64-bit throughout; copies pump no loop of their own, honour a cancel flag
// and feed progress handlers.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <zlib.h>

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

class TStream32;
// Called by a consuming stream with the stream whose position tells progress.
using TStreamProgress = std::function<void(TStream32& Sender)>;

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// Abstract stream with 64-bit sizes and positions.
class TStream32 {
public:
    virtual ~TStream32() = default;
    // Size in bytes.
    virtual int64_t GetSize();
    // Truncates or extends to NewSize (no-op by default).
    virtual void SetSize(int64_t NewSize);
    // Reads up to Count bytes; answers the count read (0 on failure).
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    // Writes up to Count bytes; answers the count written.
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Moves the position; answers the new position (-1 where unsupported).
    virtual int64_t Seek(int64_t Offset, int Origin) = 0;
    // Copies Count bytes of Source (all of it from its start when Count is 0)
    // in chunks, stopping between chunks when *CancelFlag is set. Answers the
    // count asked for.
    virtual int64_t CopyFrom(TStream32& Source, uint8_t* CancelFlag, int64_t Count, TStreamProgress Progress);

    int64_t GetPosition() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soFromBeginning); }
    // Reads exactly Count bytes or raises EReadError "Stream read error".
    void ReadBuffer(void* Buffer, int64_t Count);
    // Writes exactly Count bytes or raises EWriteError ("Disk full" when the
    // file system is full, else "Stream write error").
    void WriteBuffer(const void* Buffer, int64_t Count);
    // Calls Sender's progress handler when it has one.
    static void DoStreamProgress(TStream32& Sender);

    TStreamProgress ProgressHandler;
    uint8_t* CancelFlag = nullptr;

protected:
    int64_t CopyLoop(TStream32& Source, uint8_t* Cancel, int64_t Count, int64_t Chunk);
    int last_errno_ = 0;
};

// Stream over an operating-system file descriptor (negative: no file).
class THandleStream32 : public TStream32 {
public:
    explicit THandleStream32(int Handle) : handle_(Handle) {}
    int64_t GetSize() override;
    void SetSize(int64_t NewSize) override;
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, int Origin) override;
    int Handle() const { return handle_; }
    // Flushes the file's data to its device; false on failure.
    bool Flush();

protected:
    int handle_;
};

// Opens or creates a file by name; closes it when freed. Mode 0xFFFF creates
// (truncating an existing file); otherwise the low two bits give the access
// (0 read, 1 write, 2 both). Never raises: test Handle() >= 0.
class TFileStream32 : public THandleStream32 {
public:
    static constexpr uint16_t fmCreate = 0xFFFF;
    TFileStream32(const std::string& FileName, uint16_t Mode);
    ~TFileStream32() override;
    const std::string& FileName() const { return name_; }

protected:
    void Close();
    std::string name_;
};

// Stream over a growable memory block (grows in 8,192-byte steps).
class TMemoryStream32 : public TStream32 {
public:
    TMemoryStream32() = default;
    ~TMemoryStream32() override;
    TMemoryStream32(const TMemoryStream32&) = delete;
    TMemoryStream32& operator=(const TMemoryStream32&) = delete;
    int64_t GetSize() override { return size_; }
    void SetSize(int64_t NewSize) override;
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, int Origin) override;
    const uint8_t* Memory() const { return data_; }

private:
    void Realloc(int64_t NewCapacity);
    uint8_t* data_ = nullptr;
    int64_t size_ = 0, pos_ = 0, capacity_ = 0;
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

// Copies what is written into it to Dest, with a CRC and optional encryption.
class TStoreStream : public TStream32 {
public:
    // CrcKind 16 or 32. With Context.Encrypt the CRC starts at Context.CRC.
    TStoreStream(TStream32& Dest, int CrcKind, const TStreamContext& Context, uint8_t* Cancel,
                 TStreamProgress Progress);
    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, int Origin) override { return (Offset == 0 && Origin == soFromCurrent) ? 0 : -1; }
    int64_t CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) override;
    // Copies all of Source from its start; answers the byte count copied.
    int64_t CopyFromSource(TStream32& Source);
    // The running CRC (a CRC-32 without its final inversion).
    uint32_t CRC() const { return context_.CRC; }

private:
    TStream32& dest_;
    int kind_;
    TStreamContext context_;
    TStream32* source_ = nullptr;
    TStreamProgress progress_;
    int64_t copied_ = 0;
};

// Runs a CRC pass over Count bytes of Source (all when 0) in its constructor.
class TCalcStreamCRC : public TStream32 {
public:
    TCalcStreamCRC(TStream32& Source, int64_t Count, int CrcKind, const TStreamContext& Context,
                   uint8_t* Cancel, TStreamProgress Progress);
    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t, int) override { return -1; }
    // The accumulator, before any final inversion.
    uint32_t Accumulator() const { return crc_; }

private:
    TStream32& source_;
    int kind_;
    uint32_t crc_;
    double* bytes_left_;
};

}  // namespace archive
