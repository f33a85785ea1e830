#include "report/pages/BRPageStream.h"

#include <algorithm>

#include "platform/os/Files.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
constexpr std::int64_t kCopyChunk = 10240;
}  // namespace

TBRStream::TBRStream(int32_t memoryLimit) : memory_(std::make_unique<TMemoryStream>()), limit_(memoryLimit) {}

TBRStream::TBRStream(const std::string& fileName)
    : opened_(fileName), file_(std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyNone)) {}

TBRStream::~TBRStream() {
    Guard lock(mutex_);
    memory_.reset();
    file_.reset();
    if (!spill_.empty()) os::remove_file(spill_);
}

std::int64_t TBRStream::Read(void* buffer, std::int64_t count) {
    Guard lock(mutex_);
    return memory_ ? memory_->Read(buffer, count) : file_->Read(buffer, count);
}

std::int64_t TBRStream::Write(const void* buffer, std::int64_t count) {
    Guard lock(mutex_);
    if (!memory_) return file_->Write(buffer, count);
    std::int64_t written = memory_->Write(buffer, count);
    if (memory_->Size() > limit_) spill();
    return written;
}

void TBRStream::spill() {
    std::string path;
    try {
        path = os::create_temp_file("BRP");
    } catch (const Exception& e) {
        throw EFCreateError(Format("Cannot create file \"%s\". %s", {os::temp_dir() + "BRP", std::string(e.what())}));
    }
    spill_cleanup_.assign(path);
    try {
        auto file = std::make_unique<TFileStream>(path, fmOpenReadWrite);
        core::write_all(*file, memory_->Memory(), memory_->Size());
        file->SetPosition(memory_->Position());
        file_ = std::move(file);
    } catch (...) {
        os::remove_file(path);
        spill_cleanup_.reset();
        throw;
    }
    spill_ = path;
    memory_.reset();
}

std::int64_t TBRStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    Guard lock(mutex_);
    return memory_ ? memory_->Seek(offset, origin) : file_->Seek(offset, origin);
}

std::int64_t TBRStream::Size() {
    Guard lock(mutex_);
    return memory_ ? memory_->Size() : file_->Size();
}

void TBRStream::SetSize(std::int64_t size) {
    Guard lock(mutex_);
    if (memory_)
        memory_->SetSize(size);
    else
        file_->SetSize(size);
}

void TBRStream::CopyToFile(os::ReplacingFile& target) {
    Guard lock(mutex_);
    if (file_) {
        const std::int64_t size = file_->Size();
        if (target.append_file(file_->Handle(), size)) {
            SetPosition(size);
            return;
        }
    }
    CopyToStream(target.stream());
}

void TBRStream::CopyToStream(TStream& target) {
    Guard lock(mutex_);
    SetPosition(0);
    std::vector<uint8_t> chunk(kCopyChunk);
    for (;;) {
        std::int64_t got = Read(chunk.data(), kCopyChunk);
        core::write_all(target, chunk.data(), got);
        if (got <= 0) break;
    }
}
