#include "archive/arcStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "archive/arcCrc.h"

namespace archive {

namespace {

constexpr int64_t kCopyChunk = 61440;
constexpr int64_t kStoreChunk = 102400;
constexpr std::size_t kOutBuffer = 65536;

}  // namespace

// ---- TStream32 ------------------------------------------------------------

int64_t TStream32::GetSize() {
    const int64_t pos = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void TStream32::SetSize(int64_t) {}

void TStream32::ReadBuffer(void* Buffer, int64_t Count) {
    if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream32::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count == 0) return;
    last_errno_ = 0;
    if (Write(Buffer, Count) != Count) {
        // A file-size limit (EFBIG, SIGXFSZ ignored) counts as a full disk.
        if (last_errno_ == ENOSPC || last_errno_ == EDQUOT || last_errno_ == EFBIG) throw EWriteError("Disk full");
        throw EWriteError("Stream write error");
    }
}

void TStream32::DoStreamProgress(TStream32& Sender) {
    if (Sender.ProgressHandler) Sender.ProgressHandler(Sender);
}

int64_t TStream32::CopyLoop(TStream32& Source, uint8_t* Cancel, int64_t Count, int64_t Chunk) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.GetSize();
    }
    const int64_t asked = Count;
    uint8_t local = 0;
    uint8_t* flag = Cancel ? Cancel : &local;
    const int64_t chunk = std::min<int64_t>(std::max<int64_t>(Count, 1), Chunk);
    std::vector<uint8_t> buffer(static_cast<std::size_t>(chunk));
    while (Count > 0 && *flag == 0) {
        const int64_t n = std::min(chunk, Count);
        Source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        Count -= n;
    }
    return asked;
}

int64_t TStream32::CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) {
    ProgressHandler = std::move(Progress);
    CancelFlag = Cancel;
    return CopyLoop(Source, Cancel, Count, kCopyChunk);
}

// ---- THandleStream32 / TFileStream32 --------------------------------------

int64_t THandleStream32::GetSize() {
    struct stat st {};
    if (handle_ < 0 || ::fstat(handle_, &st) != 0) return 0;
    return st.st_size;
}

void THandleStream32::SetSize(int64_t NewSize) {
    Seek(NewSize, soFromBeginning);
    if (handle_ < 0 || ::ftruncate(handle_, NewSize) != 0)
        throw EStreamError(std::string("System Error. Code: ") + std::to_string(errno) + ".\n" + std::strerror(errno));
}

int64_t THandleStream32::Read(void* Buffer, int64_t Count) {
    if (handle_ < 0 || Count <= 0) return 0;
    int64_t done = 0;
    auto p = static_cast<uint8_t*>(Buffer);
    while (done < Count) {
        const ssize_t r = ::read(handle_, p + done, static_cast<std::size_t>(Count - done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += r;
    }
    return done;
}

int64_t THandleStream32::Write(const void* Buffer, int64_t Count) {
    if (handle_ < 0 || Count <= 0) return 0;
    int64_t done = 0;
    auto p = static_cast<const uint8_t*>(Buffer);
    while (done < Count) {
        const ssize_t r = ::write(handle_, p + done, static_cast<std::size_t>(Count - done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            last_errno_ = r < 0 ? errno : ENOSPC;
            break;
        }
        done += r;
    }
    return done;
}

int64_t THandleStream32::Seek(int64_t Offset, int Origin) {
    if (handle_ < 0) return -1;
    const int whence = Origin == soFromBeginning ? SEEK_SET : Origin == soFromCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(handle_, Offset, whence);
}

bool THandleStream32::Flush() { return handle_ >= 0 && ::fsync(handle_) == 0; }

TFileStream32::TFileStream32(const std::string& FileName, uint16_t Mode) : THandleStream32(-1), name_(FileName) {
    int flags = O_CLOEXEC;
    if (Mode == fmCreate) {
        flags |= O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (Mode & 3) {
            case 0: flags |= O_RDONLY; break;
            case 1: flags |= O_WRONLY; break;
            default: flags |= O_RDWR; break;
        }
    }
    do {
        handle_ = ::open(FileName.c_str(), flags, 0666);
    } while (handle_ < 0 && errno == EINTR);
    if (handle_ >= 0 && Mode != fmCreate) {
        struct stat st {};
        if (::fstat(handle_, &st) != 0 || !S_ISREG(st.st_mode)) Close();
    }
}

TFileStream32::~TFileStream32() { Close(); }

void TFileStream32::Close() {
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
}

// ---- TMemoryStream32 ------------------------------------------------------

TMemoryStream32::~TMemoryStream32() { std::free(data_); }

void TMemoryStream32::Realloc(int64_t NewCapacity) {
    if (NewCapacity > 0 && NewCapacity != size_) NewCapacity = (NewCapacity + 8191) / 8192 * 8192;
    if (NewCapacity == capacity_) return;
    if (NewCapacity == 0) {
        std::free(data_);
        data_ = nullptr;
        capacity_ = 0;
        return;
    }
    auto* p = static_cast<uint8_t*>(std::realloc(data_, static_cast<std::size_t>(NewCapacity)));
    if (!p) throw EStreamError("Out of memory while expanding memory stream");
    data_ = p;
    capacity_ = NewCapacity;
}

void TMemoryStream32::SetSize(int64_t NewSize) {
    if (NewSize < 0) NewSize = 0;
    Realloc(NewSize);
    size_ = NewSize;
    if (pos_ > NewSize) pos_ = NewSize;
}

int64_t TMemoryStream32::Read(void* Buffer, int64_t Count) {
    if (pos_ < 0 || Count <= 0 || pos_ >= size_) return 0;
    const int64_t n = std::min(Count, size_ - pos_);
    std::memcpy(Buffer, data_ + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream32::Write(const void* Buffer, int64_t Count) {
    if (pos_ < 0 || Count <= 0) return 0;
    const int64_t end = pos_ + Count;
    if (end > capacity_) Realloc(end);
    if (pos_ > size_) std::memset(data_ + size_, 0, static_cast<std::size_t>(pos_ - size_));
    std::memcpy(data_ + pos_, Buffer, static_cast<std::size_t>(Count));
    if (end > size_) size_ = end;
    pos_ = end;
    return Count;
}

int64_t TMemoryStream32::Seek(int64_t Offset, int Origin) {
    switch (Origin) {
        case soFromBeginning: pos_ = Offset; break;
        case soFromCurrent: pos_ += Offset; break;
        default: pos_ = size_ + Offset; break;
    }
    return pos_;
}

// ---- deflate --------------------------------------------------------------

int DeflateLevel(TDeflateType Type) {
    switch (Type) {
        case dtDeflateS: return 0;
        case dtDeflateF: return 1;
        case dtDeflateX: return 9;
        default: return Z_DEFAULT_COMPRESSION;
    }
}

namespace {

// Deflates what is written into it into Dest; Finish() writes the rest.
class TCompressStream : public TStream32 {
public:
    TCompressStream(TStream32& Dest, TDeflateType Level, int WindowBits, const TStreamContext& Context)
        : dest_(Dest), context_(Context), buffer_(kOutBuffer) {
        saved_ = dest_.GetPosition();
        std::memset(&z_, 0, sizeof z_);
        const int rc = ::deflateInit2(&z_, DeflateLevel(Level), Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY);
        if (rc != Z_OK) throw EStreamError("Deflate initialisation failed");
        ready_ = true;
        z_.next_out = buffer_.data();
        z_.avail_out = kOutBuffer;
    }
    ~TCompressStream() override {
        if (ready_) ::deflateEnd(&z_);
    }

    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Seek(int64_t Offset, int Origin) override {
        if (Offset == 0 && Origin == soFromCurrent) return static_cast<int64_t>(z_.total_in);
        return -1;
    }

    int64_t Write(const void* Buffer, int64_t Count) override {
        Reposition();
        if (!context_.Encrypt) Crc32Update(Buffer, static_cast<std::size_t>(Count), context_.CRC);
        z_.next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
        z_.avail_in = static_cast<uInt>(Count);
        while (z_.avail_in > 0) {
            if (Cancelled()) break;
            if (context_.BytesLeft) *context_.BytesLeft -= z_.avail_in;
            const int rc = ::deflate(&z_, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_BUF_ERROR) throw EStreamError("Deflate error");
            if (Cancelled()) break;
            if (context_.BytesLeft) *context_.BytesLeft += z_.avail_in;
            if (z_.avail_out == 0) FlushBuffer(kOutBuffer);
            DoStreamProgress(*this);
        }
        z_.next_in = nullptr;
        z_.avail_in = 0;
        return Count;
    }

    // Ends the deflate stream and writes the remaining output; a zlib failure raises.
    void Finish() {
        Reposition();
        z_.next_in = nullptr;
        z_.avail_in = 0;
        for (;;) {
            const int rc = ::deflate(&z_, Z_FINISH);
            if (rc == Z_STREAM_END) break;
            if (rc != Z_OK && rc != Z_BUF_ERROR) throw EStreamError("Deflate error");
            if (z_.avail_out != 0) throw EStreamError("Deflate error");
            FlushBuffer(kOutBuffer);
        }
        if (z_.avail_out < kOutBuffer) FlushBuffer(kOutBuffer - z_.avail_out);
    }

    uint32_t CRC() const { return context_.CRC; }

private:
    bool Cancelled() const { return context_.CancelFlag && *context_.CancelFlag; }
    void Reposition() {
        if (dest_.GetPosition() != saved_) dest_.SetPosition(saved_);
    }
    void FlushBuffer(std::size_t n) {
        if (context_.Encrypt && context_.Cipher) context_.Cipher->Encrypt(buffer_.data(), n);
        dest_.WriteBuffer(buffer_.data(), static_cast<int64_t>(n));
        z_.next_out = buffer_.data();
        z_.avail_out = kOutBuffer;
        saved_ = dest_.GetPosition();
    }

    TStream32& dest_;
    TStreamContext context_;
    std::vector<Bytef> buffer_;
    z_stream z_;
    bool ready_ = false;
    int64_t saved_ = 0;
};

}  // namespace

bool DeflateStream(TStream32& Source, TStream32& Dest, const TStreamContext& Context, uint32_t& Crc,
                   TDeflateType Level, TStreamProgress Progress, int WindowBits) {
    TCompressStream filter(Dest, Level, WindowBits, Context);
    filter.CopyFrom(Source, Context.CancelFlag, 0, std::move(Progress));
    if (!Context.Encrypt) Crc = filter.CRC() ^ 0xFFFFFFFFu;
    if (Source.GetSize() == 0 && filter.CRC() == 0xFFFFFFFFu && !Context.Encrypt) Crc = 0;
    const bool ok = !(Context.CancelFlag && *Context.CancelFlag);
    filter.Finish();
    return ok;
}

// ---- TStoreStream ---------------------------------------------------------

TStoreStream::TStoreStream(TStream32& Dest, int CrcKind, const TStreamContext& Context, uint8_t* Cancel,
                           TStreamProgress Progress)
    : dest_(Dest), kind_(CrcKind), context_(Context), progress_(std::move(Progress)) {
    if (!context_.Encrypt) context_.CRC = kind_ == 16 ? 0u : 0xFFFFFFFFu;
    CancelFlag = Cancel;
}

int64_t TStoreStream::Write(const void* Buffer, int64_t Count) {
    if (context_.Encrypt && context_.Cipher) {
        std::vector<uint8_t> tmp(static_cast<const uint8_t*>(Buffer), static_cast<const uint8_t*>(Buffer) + Count);
        context_.Cipher->Encrypt(tmp.data(), tmp.size());
        dest_.WriteBuffer(tmp.data(), Count);
    } else {
        if (kind_ == 16)
            Crc16Update(Buffer, static_cast<std::size_t>(Count), context_.CRC);
        else
            Crc32Update(Buffer, static_cast<std::size_t>(Count), context_.CRC);
        dest_.WriteBuffer(Buffer, Count);
    }
    if (context_.BytesLeft) *context_.BytesLeft -= static_cast<double>(Count);
    if (source_) DoStreamProgress(*source_);
    return Count;
}

int64_t TStoreStream::CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) {
    CancelFlag = Cancel;
    Source.ProgressHandler = std::move(Progress);
    source_ = &Source;
    return CopyLoop(Source, Cancel, Count, kStoreChunk);
}

int64_t TStoreStream::CopyFromSource(TStream32& Source) {
    const int64_t before = dest_.GetPosition();
    CopyFrom(Source, CancelFlag, 0, progress_);
    const int64_t after = dest_.GetPosition();
    return after >= 0 && before >= 0 ? after - before : 0;
}

// ---- TCalcStreamCRC -------------------------------------------------------

TCalcStreamCRC::TCalcStreamCRC(TStream32& Source, int64_t Count, int CrcKind, const TStreamContext& Context,
                               uint8_t* Cancel, TStreamProgress Progress)
    : source_(Source), kind_(CrcKind), crc_(CrcKind == 16 ? 0u : 0xFFFFFFFFu), bytes_left_(Context.BytesLeft) {
    Source.ProgressHandler = std::move(Progress);
    CopyLoop(Source, Cancel, Count, kCopyChunk);
}

int64_t TCalcStreamCRC::Write(const void* Buffer, int64_t Count) {
    if (kind_ == 16)
        Crc16Update(Buffer, static_cast<std::size_t>(Count), crc_);
    else
        Crc32Update(Buffer, static_cast<std::size_t>(Count), crc_);
    if (source_.ProgressHandler) {
        if (bytes_left_) *bytes_left_ -= static_cast<double>(Count);
        DoStreamProgress(source_);
    }
    return Count;
}

}  // namespace archive
