#include "platform/os/ReplacingFile.h"

#include "platform/core/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/SignalCleanup.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {

namespace {

bool full_disk(int err) { return err == ENOSPC || err == EDQUOT || err == EFBIG; }

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return "./";
    return path.substr(0, slash + 1);
}

std::string name_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What stands at a path, links followed to the file they name.
struct Resolved {
    std::string path;      // the file to replace or write
    bool exists = false;   // a regular file stands there
    bool direct = false;   // a device or FIFO
    std::uint32_t mode = 0;
    int error = 0;         // why it is refused
};

Resolved resolve(const std::string& path) {
    Resolved r;
    r.path = path;
    if (path.empty()) {
        r.error = ENOENT;
        return r;
    }
    // A pipe or device, also one reached through a link the kernel resolves
    // itself (/dev/stdout, /proc/self/fd/N), is written where it stands.
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode)) {
        r.direct = true;
        return r;
    }
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(r.path.c_str(), &st) != 0) {
            if (errno != ENOENT) r.error = errno;
            return r;  // a new file
        }
        if (S_ISLNK(st.st_mode)) {
            if (hops >= 40) {
                r.error = ELOOP;
                return r;
            }
            std::vector<char> buf(std::size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
            const ssize_t n = ::readlink(r.path.c_str(), buf.data(), buf.size());
            if (n < 0 || std::size_t(n) >= buf.size()) {
                r.error = n < 0 ? errno : ENAMETOOLONG;
                return r;
            }
            std::string link(buf.data(), std::size_t(n));
            if (link.empty()) {
                r.error = ENOENT;
                return r;
            }
            if (link[0] != '/' && r.path.find('/') != std::string::npos) link = folder_of(r.path) + link;
            r.path = std::move(link);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            r.error = EISDIR;
            return r;
        }
        if (!S_ISREG(st.st_mode)) {
            r.direct = true;
            return r;
        }
        // A shell's redirect refuses a file the user may not write; so does this.
        if (::access(r.path.c_str(), W_OK) != 0) {
            r.error = errno;
            return r;
        }
        r.exists = true;
        r.mode = st.st_mode & 07777;
        return r;
    }
}

}  // namespace

// The stream over the file being written: a buffer in front of the
// descriptor. A failed write of the buffer sticks: nothing more is taken.
class ReplacingFile::Buffer : public THandleStream {
public:
    explicit Buffer(int handle) : THandleStream(handle) { data_.reserve(kSize); }

    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (failed_ || count <= 0) return 0;
        const char* p = static_cast<const char*>(buffer);
        if (data_.size() + std::size_t(count) > kSize) {
            if (!flush()) return 0;
            if (std::size_t(count) >= kSize) {
                const std::int64_t n = THandleStream::Write(p, count);
                if (n != count) failed_ = LastError() ? LastError() : EIO;
                written(n);
                return n;
            }
        }
        data_.insert(data_.end(), p, p + count);
        return count;
    }
    std::int64_t Read(void* buffer, std::int64_t count) override {
        return flush() ? THandleStream::Read(buffer, count) : 0;
    }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        if (origin == soCurrent && offset == 0) return THandleStream::Seek(0, soCurrent) + std::int64_t(data_.size());
        if (!flush()) throw EWriteError(full_disk(failed_) ? "Disk full" : "Stream write error");
        return THandleStream::Seek(offset, origin);
    }
    void SetSize(std::int64_t size) override {
        if (!flush()) throw EWriteError(full_disk(failed_) ? "Disk full" : "Stream write error");
        THandleStream::SetSize(size);
    }
    int LastError() const override { return failed_ ? failed_ : THandleStream::LastError(); }

    // Writes out what is held; false (the reason in failed()) when it could not.
    bool flush() {
        if (failed_) return false;
        if (data_.empty()) return true;
        const std::int64_t n = THandleStream::Write(data_.data(), std::int64_t(data_.size()));
        written(n);
        if (n != std::int64_t(data_.size())) {
            failed_ = THandleStream::LastError() ? THandleStream::LastError() : EIO;
            return false;
        }
        data_.clear();
        return true;
    }
    int failed() const { return failed_; }

    // See ReplacingFile::append_file.
    bool append_file(int source, std::int64_t size) {
        if (!flush()) return true;  // the failure sticks and commit() reports it
        loff_t at = 0;
        while (at < size) {
            const auto slice = std::size_t(std::min<std::int64_t>(size - at, kSendEvery));
            const ssize_t n = ::copy_file_range(source, &at, handle_, nullptr, slice, 0);
            if (n < 0 && at == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
                return false;
            if (n <= 0) {
                failed_ = n < 0 ? errno : EIO;  // EIO: the source ended early
                return true;
            }
            written(n);
        }
        return true;
    }

private:
    // A large file is sent on its way to the disk while it is being written,
    // every few megabytes, so the sync that commits it has little left to
    // wait for. Only a start: nothing waits here, and errors show at the sync.
    void written(std::int64_t n) {
        if (n <= 0) return;
        unsent_ += n;
        if (unsent_ < kSendEvery) return;
        unsent_ = 0;
        ::sync_file_range(handle_, 0, 0, SYNC_FILE_RANGE_WRITE);
    }

    static constexpr std::size_t kSize = 1 << 16;
    static constexpr std::int64_t kSendEvery = 8 << 20;
    std::int64_t unsent_ = 0;
    std::vector<char> data_;
    int failed_ = 0;
};

struct ReplacingFile::Cleanup {
    SignalCleanupPath path;
};

ReplacingFile::ReplacingFile(const std::string& path) : path_(path) { open_for(path); }

ReplacingFile::ReplacingFile(Adopted, const std::string& finished, const std::string& path) : path_(path) {
    const Resolved r = resolve(path);
    target_ = r.path;
    mode_ = r.exists ? r.mode : new_file_mode();
    work_ = finished;
    cleanup_ = std::make_unique<Cleanup>();
    cleanup_->path.assign(work_);
    fd_ = ::open(work_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) fail(errno);
    ::lseek(fd_, 0, SEEK_END);
    buffer_ = std::make_unique<Buffer>(fd_);
}

std::unique_ptr<ReplacingFile> ReplacingFile::adopt(const std::string& finished, const std::string& path) {
    const Resolved r = resolve(path);
    if (r.error) {
        throw EFCreateError(Format("Cannot create file \"%s\". %s", {path, SysErrorMessage(r.error)}));
    }
    if (r.direct) return nullptr;
    const auto work = file_status(finished);
    const auto folder = file_status(folder_of(r.path));
    if (!work || !work->is_regular() || !folder || work->id.device != folder->id.device) return nullptr;
    return std::unique_ptr<ReplacingFile>(new ReplacingFile(Adopted{}, finished, path));
}

void ReplacingFile::open_for(const std::string& path) {
    const Resolved r = resolve(path);
    target_ = r.path;
    if (r.error) fail(r.error);
    if (r.direct) {
        direct_ = true;
        work_ = target_;
        fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) fail(errno);
    } else {
        mode_ = r.exists ? r.mode : new_file_mode();
        int err = 0;
        fd_ = open_temp_file(folder_of(target_), "." + name_of(target_) + ".", work_, &err);
        if (fd_ < 0) fail(err);
        cleanup_ = std::make_unique<Cleanup>();
        cleanup_->path.assign(work_);
    }
    buffer_ = std::make_unique<Buffer>(fd_);
}

ReplacingFile::~ReplacingFile() { discard(); }

TStream& ReplacingFile::stream() { return *buffer_; }

bool ReplacingFile::append_file(int source, std::int64_t size) { return buffer_->append_file(source, size); }

void ReplacingFile::discard() {
    if (done_) return;
    done_ = true;
    buffer_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!direct_ && !work_.empty()) ::unlink(work_.c_str());
    cleanup_.reset();
}

void ReplacingFile::fail(int err) {
    discard();
    if (full_disk(err)) throw EWriteError("Disk full");
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {path_, SysErrorMessage(err)}));
}

void ReplacingFile::commit() { finish(true); }

bool ReplacingFile::commit_if_absent() { return finish(false); }

bool ReplacingFile::finish(bool replace) {
    if (done_) throw EFCreateError(Format("Cannot create file \"%s\". %s", {path_, SysErrorMessage(EBADF)}));
    if (!buffer_->flush()) fail(buffer_->failed());
    if (direct_) {
        // A terminal, pipe or /dev/null cannot be synced; a disk device can.
        if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) fail(errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) fail(errno);
        done_ = true;
        buffer_.reset();
        return true;
    }
    // A writer that wrote the file by name may have put another file there:
    // the one at the name is the one to keep.
    const auto by_fd = handle_status(fd_);
    const auto by_name = file_status(work_);
    if (by_fd && by_name && by_fd->id != by_name->id) {
        ::close(fd_);
        fd_ = ::open(work_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) fail(errno);
    }
    if (::fchmod(fd_, mode_) != 0) fail(errno);
    if (::fsync(fd_) != 0) fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) fail(errno);
    if (replace) {
        if (::rename(work_.c_str(), target_.c_str()) != 0) fail(errno);
    } else {
        switch (rename_no_replace(work_, target_)) {
            case Renamed::yes: break;
            case Renamed::taken: discard(); return false;
            case Renamed::no: fail(errno ? errno : EIO);
        }
    }
    done_ = true;
    buffer_.reset();
    cleanup_.reset();
    sync_dir(folder_of(target_));
    return true;
}

void write_file(const std::string& path, std::string_view data) {
    ReplacingFile out(path);
    core::write_all(out.stream(), data.data(), std::int64_t(data.size()));
    out.commit();
}

bool same_file(const std::string& a, const std::string& b) {
    const auto first = file_status(a);
    if (!first || !first->is_regular()) return false;
    const auto second = file_status(b);
    return second && second->is_regular() && first->id == second->id;
}

void refuse_output_over_inputs(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (same_file(output, input))
            throw EFCreateError(Format("Cannot create file \"%s\". %s", {output, "It is the input \"" + input + "\""}));
}

}  // namespace os
