#pragma once
// The one stream family, with 64-bit positions: the abstract TStream, file
// streams over POSIX descriptors, a growable memory stream, and layers. A layer
// (TStreamLayer) is a stream stacked over a base stream, which it owns or
// borrows, adding one transformation (a checksum, a cipher, compression,
// progress); formats stack them, e.g. file <- cipher <- deflate <- CRC.

#include "platform/core/Classes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// File modes of TFileStream: one access mode, optionally or-ed with a share
// mode (accepted and not enforced: POSIX has no share locks), or fmCreate.
constexpr unsigned fmCreate = 0xFFFF;          // create or truncate, read and write
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;       // existing file, not truncated
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
    // Reads/writes up to `count` bytes at the position; answers the bytes moved.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Moves the position; answers the new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, soBeginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t size);   // EStreamError when the stream cannot
    // Exactly `count` bytes or EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies `count` bytes from `source` at its position (0: all of it, from its start); answers the count.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
    // errno of the last failed call of this stream (or of the stream beneath a
    // layer); 0 when none. ENOSPC, EDQUOT and EFBIG mean a full disk.
    virtual int LastError() const { return 0; }
};

// A stream over an open POSIX descriptor (not closed by this class).
class THandleStream : public TStream {
public:
    explicit THandleStream(int handle) : handle_(handle) {}
    int Handle() const { return handle_; }
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;  // short on a full disk
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    int LastError() const override { return last_error_; }
    // Reads up to `count` bytes at `offset` without moving the position.
    std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t count);
    // Flushes the file's data to its device; false on failure.
    bool Flush();

protected:
    int handle_;
    int last_error_ = 0;

private:
    // Reads at the position (offset < 0) or at offset.
    std::int64_t ReadFrom(std::int64_t offset, void* buffer, std::int64_t count);
};

// A file opened by name. EFCreateError "Cannot create file \"%s\". %s" for fmCreate,
// EFOpenError "Cannot open file \"%s\". %s" otherwise (folders are refused).
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& file_name, unsigned mode);
    ~TFileStream() override;
    const std::string& FileName() const { return file_name_; }
    // Opens as the constructor does but answers null instead of raising (the
    // errno in *error); with `regular_only` anything but a regular file is
    // refused (EINVAL) unless the mode creates.
    static std::unique_ptr<TFileStream> TryOpen(const std::string& file_name, unsigned mode, int* error = nullptr,
                                                bool regular_only = false);

private:
    struct Opened {};
    TFileStream(Opened, const std::string& file_name, int handle) : THandleStream(handle), file_name_(file_name) {}
    std::string file_name_;
};

// A stream in memory; Memory() stays valid until the next size change.
class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return std::int64_t(data_.size()); }
    void SetSize(std::int64_t size) override;  // EOutOfMemory "Out of memory" when it cannot grow
    void Clear();
    std::uint8_t* Memory() { return data_.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return data_; }
    void LoadFromStream(TStream& stream);            // whole stream from its start; position 0
    void LoadFromFile(const std::string& file_name);
    void SaveToStream(TStream& stream);
    void SaveToFile(const std::string& file_name);   // replaces the file whole or not at all

private:
    std::vector<std::uint8_t> data_;
    std::int64_t pos_ = 0;
};

// A read-write stream over a std::string (handy for text formats).
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(std::string_view data = {});
    std::string DataString() const;
};

namespace core {
// Writes exactly `count` bytes or raises EWriteError: "Disk full" when the
// stream's LastError() says the file system is full (ENOSPC, EDQUOT, or EFBIG
// for a file-size limit), else "Stream write error". TStream::WriteBuffer keeps
// the class library's single message; writers that tell a full disk apart use this.
void write_all(TStream& stream, const void* buffer, std::int64_t count);
}  // namespace core

// A stream stacked over a base stream. The layer owns its base (freed with
// the layer) or borrows it (the base must outlive the layer). Unless a layer
// overrides them, reads, writes, seeks and sizes pass through to the base.
class TStreamLayer : public TStream {
public:
    explicit TStreamLayer(TStream& base) : base_(&base) {}
    // Borrows another layer (chosen over the deleted copy for a layer base).
    explicit TStreamLayer(TStreamLayer& base) : base_(&base) {}
    explicit TStreamLayer(std::unique_ptr<TStream> base) : owned_(std::move(base)), base_(owned_.get()) {}
    TStreamLayer(const TStreamLayer&) = delete;
    TStreamLayer& operator=(const TStreamLayer&) = delete;
    TStream& Base() const { return *base_; }
    bool OwnsBase() const { return owned_ != nullptr; }

    std::int64_t Read(void* buffer, std::int64_t count) override { return base_->Read(buffer, count); }
    std::int64_t Write(const void* buffer, std::int64_t count) override { return base_->Write(buffer, count); }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return base_->Seek(offset, origin); }
    std::int64_t Size() override { return base_->Size(); }
    void SetSize(std::int64_t size) override { base_->SetSize(size); }
    int LastError() const override { return base_->LastError(); }

protected:
    // For a layer that sets its base later (ResetBase) or never has one.
    explicit TStreamLayer(std::nullptr_t) : base_(nullptr) {}
    // Puts `base` under the layer, owned; null leaves the layer without one.
    void ResetBase(std::unique_ptr<TStream> base) {
        owned_ = std::move(base);
        base_ = owned_.get();
    }
    bool HasBase() const { return base_ != nullptr; }

private:
    std::unique_ptr<TStream> owned_;
    TStream* base_;
};
