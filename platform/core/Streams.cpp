#include "platform/core/Streams.h"
#include "platform/core/detail/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

// ------------------------------------------------------------------ TStream

std::int64_t TStream::Size() {
    std::int64_t pos = Seek(0, soCurrent);
    std::int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(std::int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

namespace core {

void write_all(TStream& stream, const void* buffer, std::int64_t count) {
    if (count == 0) return;
    if (count < 0 || stream.Write(buffer, count) != count) {
        const int err = stream.LastError();
        if (err == ENOSPC || err == EDQUOT || err == EFBIG) throw EWriteError("Disk full");
        throw EWriteError("Stream write error");
    }
}

}  // namespace core

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
        if (count < 0) {
            // A pipe, a terminal or a socket has no size: all it gives up to its end.
            // The failed seeks above left their error: a read error is a new one.
            const int seek_error = source.LastError();
            std::vector<char> buf(0x10000);
            std::int64_t total = 0;
            for (;;) {
                const std::int64_t n = source.Read(buf.data(), std::int64_t(buf.size()));
                if (n < 0 || (n == 0 && source.LastError() != seek_error)) throw EReadError("Stream read error");
                if (n == 0) return total;
                WriteBuffer(buf.data(), n);
                total += n;
            }
        }
    }
    std::int64_t result = count;
    std::vector<char> buf(std::size_t(std::min<std::int64_t>(count > 0 ? count : 1, 0xF000)));
    while (count > 0) {
        std::int64_t n = std::min<std::int64_t>(count, std::int64_t(buf.size()));
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        count -= n;
    }
    return result;
}

// ------------------------------------------------------------ THandleStream

std::int64_t THandleStream::Read(void* buffer, std::int64_t count) { return ReadFrom(-1, buffer, count); }

std::int64_t THandleStream::ReadAt(std::int64_t offset, void* buffer, std::int64_t count) {
    return ReadFrom(offset < 0 ? 0 : offset, buffer, count);
}

std::int64_t THandleStream::ReadFrom(std::int64_t offset, void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    char* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t r = offset < 0 ? ::read(handle_, p + done, std::size_t(count - done))
                               : ::pread(handle_, p + done, std::size_t(count - done), off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            last_error_ = errno;
            return done;
        }
        if (r == 0) break;
        done += r;
    }
    return done;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    const char* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t w = ::write(handle_, p + done, std::size_t(count - done));
        if (w < 0) {
            if (errno == EINTR) continue;
            last_error_ = errno;
            return done;
        }
        if (w == 0) {
            last_error_ = ENOSPC;  // nothing taken: the device is full
            break;
        }
        done += w;
    }
    return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(handle_, off_t(offset), whence);
    if (r < 0) {
        last_error_ = errno;
        return -1;
    }
    return r;
}

bool THandleStream::Flush() {
    if (::fsync(handle_) == 0) return true;
    last_error_ = errno;
    return false;
}

void THandleStream::SetSize(std::int64_t size) {
    std::int64_t pos = Position();
    if (::ftruncate(handle_, off_t(size)) != 0) {
        last_error_ = errno;
        throw EStreamError("Stream size cannot be changed: " + SysErrorMessage(errno));
    }
    if (pos > size) Seek(size, soBeginning);
}

// -------------------------------------------------------------- TFileStream

namespace {

// Opens as TFileStream does: a descriptor, or -1 with the errno in err.
int open_file(const std::string& file_name, unsigned mode, bool regular_only, int& err) {
    bool create = (mode & fmCreate) == fmCreate;
    int flags = O_CLOEXEC;
    if (create) flags |= O_RDWR | O_CREAT | O_TRUNC;
    else if ((mode & 3) == fmOpenWrite) flags |= O_WRONLY;
    else if ((mode & 3) == fmOpenReadWrite) flags |= O_RDWR;
    else flags |= O_RDONLY;
    int fd;
    do {
        fd = ::open(file_name.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    err = fd < 0 ? errno : 0;
    if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && (S_ISDIR(st.st_mode) || (regular_only && !create && !S_ISREG(st.st_mode)))) {
            ::close(fd);
            fd = -1;
            err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        }
    }
    return fd;
}

}  // namespace

std::unique_ptr<TFileStream> TFileStream::TryOpen(const std::string& file_name, unsigned mode, int* error,
                                                  bool regular_only) {
    int err = 0;
    const int fd = open_file(file_name, mode, regular_only, err);
    if (error) *error = err;
    if (fd < 0) return nullptr;
    return std::unique_ptr<TFileStream>(new TFileStream(Opened{}, file_name, fd));
}

TFileStream::TFileStream(const std::string& file_name, unsigned mode) : THandleStream(-1), file_name_(file_name) {
    bool create = (mode & fmCreate) == fmCreate;
    int err = 0;
    int fd = open_file(file_name, mode, false, err);
    if (fd < 0) {
        if (create) throw EFCreateError(Format("Cannot create file \"%s\". %s", {file_name, SysErrorMessage(err)}));
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {file_name, SysErrorMessage(err)}));
    }
    handle_ = fd;
}

TFileStream::~TFileStream() {
    if (handle_ >= 0) ::close(handle_);
}

// ------------------------------------------------------------ TMemoryStream

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || pos_ >= std::int64_t(data_.size())) return 0;
    std::int64_t n = std::min<std::int64_t>(count, std::int64_t(data_.size()) - pos_);
    std::memcpy(buffer, data_.data() + pos_, std::size_t(n));
    pos_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    std::int64_t end = pos_ + count;
    if (end > std::int64_t(data_.size())) SetSize(end);
    std::memcpy(data_.data() + pos_, buffer, std::size_t(count));
    pos_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? pos_ : std::int64_t(data_.size());
    std::int64_t p = base + offset;
    if (p < 0) return -1;
    pos_ = p;
    return pos_;
}

void TMemoryStream::SetSize(std::int64_t size) {
    if (size < 0) throw EStreamError("Stream size cannot be changed");
    try {
        // more than the machine's memory can never succeed: answer at once
        static const std::uint64_t physical =
            std::uint64_t(::sysconf(_SC_PHYS_PAGES)) * std::uint64_t(::sysconf(_SC_PAGESIZE));
        if (std::uint64_t(size) > data_.max_size() || (physical > 0 && std::uint64_t(size) > physical))
            throw std::bad_alloc();
        if (size > std::int64_t(data_.capacity())) data_.reserve(std::max<std::size_t>(std::size_t(size), data_.capacity() * 2));
        data_.resize(std::size_t(size));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory");
    } catch (const std::length_error&) {
        throw EOutOfMemory("Out of memory");
    }
    if (pos_ > size) pos_ = size;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    std::int64_t n = stream.Size();
    if (n < 0) {
        // Unsized (a pipe): read to its end.
        SetSize(0);
        CopyFrom(stream, 0);
    } else {
        SetSize(n);
        if (n > 0) stream.ReadBuffer(data_.data(), n);
    }
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& file_name) {
    TFileStream f(file_name, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TMemoryStream::SaveToStream(TStream& stream) {
    if (!data_.empty()) stream.WriteBuffer(data_.data(), std::int64_t(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& file_name) {
    core::detail::save_file(file_name, std::string_view(reinterpret_cast<const char*>(data_.data()), data_.size()));
}

TStringStream::TStringStream(std::string_view data) {
    if (!data.empty()) {
        Write(data.data(), std::int64_t(data.size()));
        SetPosition(0);
    }
}

std::string TStringStream::DataString() const {
    return std::string(reinterpret_cast<const char*>(Bytes().data()), Bytes().size());
}
