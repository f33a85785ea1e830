#include "archive/arcRegister.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "archive/arcGbls.h"
#include "platform/os/Files.h"

namespace archive {

namespace {

constexpr int64_t kTempChunk = 100000;

mode_t process_umask() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return 022;
}

// Permissions a new file of this user gets; an existing target keeps its own.
mode_t target_mode(const std::string& Target) {
    struct stat st {};
    if (::stat(Target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    return 0666 & ~process_umask();
}

std::string target_folder(const std::string& Target) {
    const std::string dir = ExtractFilePath(Target);
    return dir.empty() ? std::string("./") : dir;
}

void sync_folder(const std::string& Dir) {
    const int fd = ::open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Copies Source (Size bytes from its start) into a new "arc" file beside
// Target and renames it over Target. Raises EFOpenError on any failure, after
// removing the sibling.
void copy_beside_and_rename(TStream32& Source, int64_t Size, const std::string& Target, TStreamProgress Progress) {
    const std::string sibling = MakeTempFileName(target_folder(Target));
    if (sibling.empty() || !DirExists(target_folder(Target))) {
        if (!sibling.empty()) ::unlink(sibling.c_str());
        throw EFOpenError("Error opening file");
    }
    try {
        TFileStream32 out(sibling, TFileStream32::fmCreate);
        if (out.Handle() < 0) throw EFOpenError("Error opening file");
        Source.SetPosition(0);
        if (Size > 0) out.CopyFrom(Source, nullptr, Size, std::move(Progress));
        if (::fchmod(out.Handle(), target_mode(Target)) != 0 || !out.Flush())
            throw EWriteError("Stream write error");
        if (::rename(sibling.c_str(), Target.c_str()) != 0) throw EFOpenError("Error opening file");
    } catch (...) {
        ::unlink(sibling.c_str());
        throw;
    }
    sync_folder(target_folder(Target));
}

}  // namespace

std::string MakeTempFileName(const std::string& Dir) {
    std::string folder = Dir;
    if (folder.empty() || !DirExists(folder)) {
        folder = SystemTempDir();
        ForceDirs(folder);
    }
    try {
        return os::create_temp_file("arc", folder);
    } catch (const Exception&) {
        return {};
    }
}

// ---- TTempFileStream ------------------------------------------------------

TTempFileStream::TTempFileStream(TTempArchiveHooks Hooks, const std::string& TempDir, const std::string& TargetName,
                                 uint16_t Mode)
    : TFileStream32(Mode == fmCreate ? MakeTempFileName(TempDir) : TargetName, Mode),
      hooks_(std::move(Hooks)),
      target_(TargetName) {
    IsTemp = Mode == fmCreate;
    CopyFlag = Mode;
    if (IsTemp && name_.empty()) handle_ = -1;
}

TTempFileStream::~TTempFileStream() { Discard(); }

void TTempFileStream::Discard() {
    Close();
    if (IsTemp && !name_.empty()) ::unlink(name_.c_str());
    IsTemp = false;
}

int64_t TTempFileStream::Read(void* Buffer, int64_t Count) {
    const int64_t n = TFileStream32::Read(Buffer, Count);
    if (hooks_.BytesLeft) *hooks_.BytesLeft -= static_cast<double>(Count);
    DoStreamProgress(*this);
    return n;
}

int64_t TTempFileStream::CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) {
    ProgressHandler = std::move(Progress);
    CancelFlag = Cancel;
    return CopyLoop(Source, Cancel, Count, kTempChunk);
}

void TTempFileStream::Commit() {
    if (!IsTemp || CopyFlag == 0 || target_.empty()) {
        Discard();
        return;
    }
    try {
        const std::string folder = target_folder(target_);
        struct stat dir_st {}, tmp_st {};
        if (::stat(folder.c_str(), &dir_st) != 0 || !S_ISDIR(dir_st.st_mode) || ::access(folder.c_str(), W_OK) != 0)
            throw EFOpenError("Error opening file");
        if (hooks_.MoveBegin) hooks_.MoveBegin(*this, target_, name_);
        const int64_t size = GetSize();
        if (hooks_.SetTotals) hooks_.SetTotals(size);
        ProgressHandler = hooks_.Progress;
        if (::fstat(handle_, &tmp_st) == 0 && tmp_st.st_dev == dir_st.st_dev) {
            if (::fchmod(handle_, target_mode(target_)) != 0 || !Flush()) throw EWriteError("Stream write error");
            if (::rename(name_.c_str(), target_.c_str()) != 0) throw EFOpenError("Error opening file");
            IsTemp = false;  // the file now is the target
            sync_folder(folder);
            Seek(0, soFromEnd);
            if (hooks_.BytesLeft) *hooks_.BytesLeft = 0;
            DoStreamProgress(*this);
        } else {
            copy_beside_and_rename(*this, size, target_, ProgressHandler);
        }
        if (hooks_.MoveEnd) hooks_.MoveEnd(*this);
    } catch (...) {
        Discard();
        throw;
    }
    Discard();
}

// ---- TTempMemStream -------------------------------------------------------

TTempMemStream::TTempMemStream(TTempArchiveHooks Hooks, uint16_t Mode, const std::string& TargetName)
    : CopyFlag(Mode), hooks_(std::move(Hooks)), target_(TargetName) {}

int64_t TTempMemStream::Read(void* Buffer, int64_t Count) {
    const int64_t n = TMemoryStream32::Read(Buffer, Count);
    if (hooks_.BytesLeft) *hooks_.BytesLeft -= static_cast<double>(Count);
    DoStreamProgress(*this);
    return n;
}

int64_t TTempMemStream::CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) {
    ProgressHandler = std::move(Progress);
    CancelFlag = Cancel;
    return CopyLoop(Source, Cancel, Count, kTempChunk);
}

void TTempMemStream::Commit() {
    if (!IsTemp || CopyFlag == 0 || target_.empty()) return;
    const std::string folder = target_folder(target_);
    if (!DirExists(folder) || ::access(folder.c_str(), W_OK) != 0) throw EFOpenError("Error opening file");
    if (hooks_.MoveBegin) hooks_.MoveBegin(*this, target_, std::string());
    const int64_t size = GetSize();
    if (hooks_.SetTotals) hooks_.SetTotals(size);
    copy_beside_and_rename(*this, size, target_, hooks_.Progress);
    if (hooks_.MoveEnd) hooks_.MoveEnd(*this);
    CopyFlag = 0;
}

}  // namespace archive
