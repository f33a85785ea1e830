#include "archive/arcStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "archive/arcCrc.h"

namespace archive {

namespace {

constexpr int64_t kCopyChunk = 61440;
constexpr int64_t kStoreChunk = 102400;
constexpr std::size_t kOutBuffer = 65536;

}  // namespace

// ---- TStream32 ------------------------------------------------------------

void TStream32::DoStreamProgress(TStream32& Sender) {
    if (Sender.ProgressHandler) Sender.ProgressHandler(Sender);
}

int64_t TStream32::CopyLoop(TStream& Source, uint8_t* Cancel, int64_t Count, int64_t Chunk) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
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

int64_t TStream32::CopyInChunks(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress,
                                int64_t Chunk) {
    ProgressHandler = std::move(Progress);
    CancelFlag = Cancel;
    return CopyLoop(Source, Cancel, Count, Chunk);
}

int64_t TStream32::CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) {
    return CopyInChunks(Source, Cancel, Count, std::move(Progress), kCopyChunk);
}

void TStream32::CountRead(int64_t Count, double* BytesLeft) {
    if (BytesLeft) *BytesLeft -= static_cast<double>(Count);
    DoStreamProgress(*this);
}

// ---- THandleStream32 / TFileStream32 / TMemoryStream32 ---------------------

THandleStream32::THandleStream32(int Handle) : THandleStream32(std::make_unique<THandleStream>(Handle)) {}

THandleStream32::THandleStream32(std::unique_ptr<THandleStream> File) : TStream32(nullptr) {
    SetFile(std::move(File));
}

void THandleStream32::SetFile(std::unique_ptr<THandleStream> File) {
    if (!File) File = std::make_unique<THandleStream>(-1);
    file_ = File.get();
    ResetBase(std::move(File));
}

int64_t THandleStream32::Size() {
    if (Handle() < 0) return 0;
    const int64_t size = TStream32::Size();
    return size < 0 ? 0 : size;
}

TFileStream32::TFileStream32(const std::string& FileName, uint16_t Mode)
    : THandleStream32(FileName.empty() ? nullptr
                                       : TFileStream::TryOpen(FileName, Mode == fmCreate ? ::fmCreate
                                                                         : (Mode & 3) == 3 ? 2u
                                                                                           : Mode & 3u,
                                                              nullptr, true)),
      name_(FileName) {}

TMemoryStream32::TMemoryStream32() : TStream32(nullptr) {
    auto memory = std::make_unique<TMemoryStream>();
    memory_ = memory.get();
    ResetBase(std::move(memory));
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

// ---- TCrcLayer ------------------------------------------------------------

TCrcLayer::TCrcLayer(TStream& Base, int CrcKind, uint32_t Start) : TStream32(Base), kind_(CrcKind), crc_(Start) {}

TCrcLayer::TCrcLayer(int CrcKind, uint32_t Start) : kind_(CrcKind), crc_(Start) {}

void TCrcLayer::Update(const void* Buffer, int64_t Count) {
    if (kind_ == 16)
        Crc16Update(Buffer, static_cast<std::size_t>(Count), crc_);
    else
        Crc32Update(Buffer, static_cast<std::size_t>(Count), crc_);
}

int64_t TCrcLayer::Read(void* Buffer, int64_t Count) {
    if (!HasBase()) return -1;
    const int64_t n = Base().Read(Buffer, Count);
    if (n > 0) Update(Buffer, n);
    return n;
}

int64_t TCrcLayer::Write(const void* Buffer, int64_t Count) {
    Update(Buffer, Count);
    if (HasBase()) core::write_all(Base(), Buffer, Count);
    return Count;
}

// ---- TCipherLayer ---------------------------------------------------------

int64_t TCipherLayer::Write(const void* Buffer, int64_t Count) {
    const auto* p = static_cast<const uint8_t*>(Buffer);
    buffer_.assign(p, p + Count);
    cipher_.Encrypt(buffer_.data(), buffer_.size());
    core::write_all(Base(), buffer_.data(), Count);
    return Count;
}

// ---- TDeflateLayer --------------------------------------------------------

TDeflateLayer::TDeflateLayer(TStream& Base, TDeflateType Level, int WindowBits, const TStreamContext& Context)
    : TStream32(Base), context_(Context), buffer_(kOutBuffer) {
    saved_ = Base.Position();
    std::memset(&z_, 0, sizeof z_);
    const int rc = ::deflateInit2(&z_, DeflateLevel(Level), Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) throw EStreamError("Deflate initialisation failed");
    ready_ = true;
    z_.next_out = buffer_.data();
    z_.avail_out = kOutBuffer;
}

TDeflateLayer::~TDeflateLayer() {
    if (ready_) ::deflateEnd(&z_);
}

int64_t TDeflateLayer::Seek(int64_t Offset, TSeekOrigin Origin) {
    if (Offset == 0 && Origin == soFromCurrent) return static_cast<int64_t>(z_.total_in);
    return -1;
}

int64_t TDeflateLayer::Write(const void* Buffer, int64_t Count) {
    Reposition();
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
        DoStreamProgress(*report_to_);
    }
    z_.next_in = nullptr;
    z_.avail_in = 0;
    return Count;
}

void TDeflateLayer::Finish() {
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

void TDeflateLayer::Reposition() {
    if (Base().Position() != saved_) Base().SetPosition(saved_);
}

void TDeflateLayer::FlushBuffer(std::size_t n) {
    core::write_all(Base(), buffer_.data(), static_cast<int64_t>(n));
    z_.next_out = buffer_.data();
    z_.avail_out = kOutBuffer;
    saved_ = Base().Position();
}

bool DeflateStream(TStream32& Source, TStream32& Dest, const TStreamContext& Context, uint32_t& Crc,
                   TDeflateType Level, TStreamProgress Progress, int WindowBits) {
    // Dest <- [cipher] <- deflate <- [CRC]: the CRC is of the plain input and,
    // with encryption, was computed beforehand.
    std::unique_ptr<TCipherLayer> cipher;
    if (Context.Encrypt && Context.Cipher) cipher = std::make_unique<TCipherLayer>(Dest, *Context.Cipher);
    TDeflateLayer deflate(cipher ? static_cast<TStream&>(*cipher) : Dest, Level, WindowBits, Context);
    std::unique_ptr<TCrcLayer> crc;
    if (!Context.Encrypt) crc = std::make_unique<TCrcLayer>(deflate, 32, Context.CRC);
    TStream32& top = crc ? static_cast<TStream32&>(*crc) : deflate;
    deflate.ReportTo(top);
    top.CopyFrom(Source, Context.CancelFlag, 0, std::move(Progress));
    const uint32_t running = crc ? crc->CRC() : Context.CRC;
    if (!Context.Encrypt) Crc = running ^ 0xFFFFFFFFu;
    if (Source.GetSize() == 0 && running == 0xFFFFFFFFu && !Context.Encrypt) Crc = 0;
    const bool ok = !(Context.CancelFlag && *Context.CancelFlag);
    deflate.Finish();
    return ok;
}

// ---- TStoreStream ---------------------------------------------------------

TStoreStream::TStoreStream(TStream32& Dest, int CrcKind, const TStreamContext& Context, uint8_t* Cancel,
                           TStreamProgress Progress)
    : TStream32(nullptr), dest_(Dest), context_(Context), progress_(std::move(Progress)) {
    if (context_.Encrypt && context_.Cipher) {
        ResetBase(std::make_unique<TCipherLayer>(Dest, *context_.Cipher));
    } else if (context_.Encrypt) {
        ResetBase(std::make_unique<TStreamLayer>(Dest));
    } else {
        auto crc = std::make_unique<TCrcLayer>(Dest, CrcKind, CrcKind == 16 ? 0u : 0xFFFFFFFFu);
        crc_ = crc.get();
        ResetBase(std::move(crc));
    }
    CancelFlag = Cancel;
}

int64_t TStoreStream::Write(const void* Buffer, int64_t Count) {
    core::write_all(Base(), Buffer, Count);
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
    : TCrcLayer(CrcKind, CrcKind == 16 ? 0u : 0xFFFFFFFFu), source_(Source), bytes_left_(Context.BytesLeft) {
    Source.ProgressHandler = std::move(Progress);
    CopyLoop(Source, Cancel, Count, kCopyChunk);
}

int64_t TCalcStreamCRC::Write(const void* Buffer, int64_t Count) {
    Update(Buffer, Count);
    if (source_.ProgressHandler) {
        if (bytes_left_) *bytes_left_ -= static_cast<double>(Count);
        DoStreamProgress(source_);
    }
    return Count;
}

// ---- TSpanLayer ----------------------------------------------------------

void TSpanLayer::StartDisk(std::unique_ptr<TStream> Disk) {
    ResetBase(std::move(Disk));
    disk_pos_ = 0;
}

bool TSpanLayer::EnsureRoom(int64_t Needed) {
    while (room_ < Needed)
        if (!next_disk_ || !next_disk_(*this)) return false;
    return true;
}

int64_t TSpanLayer::Write(const void* Buffer, int64_t Count) {
    const auto* p = static_cast<const uint8_t*>(Buffer);
    int64_t done = 0;
    while (done < Count) {
        if (!EnsureRoom(1)) break;
        const int64_t n = std::min(Count - done, room_);
        WriteOnThisDisk(p + done, n);
        done += n;
    }
    return done;
}

void TSpanLayer::WriteOnThisDisk(const void* Buffer, int64_t Count) {
    if (Count <= 0) return;
    const int64_t put = std::max<int64_t>(Base().Write(Buffer, Count), 0);
    disk_pos_ += put;
    if (put != Count) core::write_all(Base(), static_cast<const uint8_t*>(Buffer) + put, Count - put);
    disk_pos_ += Count - put;
    room_ -= Count;
}

bool TSpanLayer::TryWriteOnThisDisk(const void* Buffer, int64_t Count) {
    if (Base().Write(Buffer, Count) != Count) return false;
    disk_pos_ += Count;
    room_ -= Count;
    return true;
}

}  // namespace archive
