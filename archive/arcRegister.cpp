#include "archive/arcRegister.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
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

// Renames the finished file From over Target as Hooks allow: after
// CheckTarget, and never over a target that appeared during the pass.
void replace_target(const std::string& From, const std::string& Target, const TTempArchiveHooks& Hooks) {
    if (Hooks.CheckTarget) Hooks.CheckTarget();
    if (!Hooks.TargetWasMissing) {
        if (::rename(From.c_str(), Target.c_str()) != 0) throw EFOpenError("Error opening file");
        return;
    }
    switch (os::rename_no_replace(From, Target)) {
        case os::Renamed::yes: return;
        case os::Renamed::taken:
            if (Hooks.CheckTarget) Hooks.CheckTarget();
            throw EFOpenError("Error opening file");
        case os::Renamed::no: throw EFOpenError("Error opening file");
    }
}

// Copies Source (Size bytes from its start) into a new "arc" file beside
// Target and renames it over Target. Raises EFOpenError on any failure, after
// removing the sibling.
void copy_beside_and_rename(TStream32& Source, int64_t Size, const std::string& Target,
                            const TTempArchiveHooks& Hooks, TStreamProgress Progress) {
    const std::string sibling = MakeTempFileName(target_folder(Target));
    os::SignalCleanupPath cleanup(sibling);
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
        replace_target(sibling, Target, Hooks);
        cleanup.reset();
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

// ---- ArchiveLock ----------------------------------------------------------

ArchiveLock::Result ArchiveLock::acquire(const std::string& Path) {
    release();
    // The pass that held the lock may have renamed a new archive over the
    // path meanwhile: the lock must be on the file the path names now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return errno == ENOENT ? Result::missing : Result::failed;
        // A file system without locks still gets the check at commit time.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            return Result::busy;
        }
        struct stat by_fd {}, by_path {};
        if (::fstat(fd, &by_fd) != 0 || !S_ISREG(by_fd.st_mode)) {
            ::close(fd);
            return Result::failed;
        }
        if (::stat(Path.c_str(), &by_path) == 0 && by_path.st_dev == by_fd.st_dev && by_path.st_ino == by_fd.st_ino) {
            fd_ = fd;
            path_ = Path;
            device_ = by_fd.st_dev;
            inode_ = by_fd.st_ino;
            size_ = by_fd.st_size;
            mtime_ns_ = static_cast<int64_t>(by_fd.st_mtim.tv_sec) * 1000000000 + by_fd.st_mtim.tv_nsec;
            return Result::locked;
        }
        ::close(fd);
    }
    return Result::busy;
}

bool ArchiveLock::unchanged() const {
    struct stat by_fd {}, by_path {};
    if (fd_ < 0 || ::fstat(fd_, &by_fd) != 0 || ::stat(path_.c_str(), &by_path) != 0) return false;
    return by_path.st_dev == device_ && by_path.st_ino == inode_ && by_fd.st_size == size_ &&
           static_cast<int64_t>(by_fd.st_mtim.tv_sec) * 1000000000 + by_fd.st_mtim.tv_nsec == mtime_ns_;
}

void ArchiveLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
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
    if (IsTemp && !name_.empty()) cleanup_.assign(name_);
}

TTempFileStream::~TTempFileStream() { Discard(); }

void TTempFileStream::Discard() {
    Close();
    if (IsTemp && !name_.empty()) ::unlink(name_.c_str());
    cleanup_.reset();
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
            replace_target(name_, target_, hooks_);
            IsTemp = false;  // the file now is the target
            cleanup_.reset();
            sync_folder(folder);
            Seek(0, soFromEnd);
            if (hooks_.BytesLeft) *hooks_.BytesLeft = 0;
            DoStreamProgress(*this);
        } else {
            copy_beside_and_rename(*this, size, target_, hooks_, ProgressHandler);
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
    copy_beside_and_rename(*this, size, target_, hooks_, hooks_.Progress);
    if (hooks_.MoveEnd) hooks_.MoveEnd(*this);
    CopyFlag = 0;
}

}  // namespace archive
