#include "platform/os/InputFile.h"

#include "platform/core/SysUtils.h"

#include <cerrno>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

class InputFile::Buffer : public std::streambuf {
public:
    Buffer(int fd, bool owned) : fd_(fd), owned_(owned) {}
    ~Buffer() override {
        if (owned_) ::close(fd_);
    }

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        ssize_t r;
        do {
            r = ::read(fd_, data_, sizeof data_);
        } while (r < 0 && errno == EINTR);
        if (r < 0) throw EReadError(Format("Stream read error: %s", {SysErrorMessage(errno)}));
        if (r == 0) return traits_type::eof();
        setg(data_, data_, data_ + r);
        return traits_type::to_int_type(*gptr());
    }

private:
    int fd_;
    bool owned_;
    char data_[65536];
};

InputFile::InputFile(const std::string& path) {
    if (path == "-") {
        buffer_ = std::make_unique<Buffer>(STDIN_FILENO, false);
    } else {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        auto fail = [&](int err) {
            throw EFOpenError(Format("Cannot open file \"%s\". %s", {path, SysErrorMessage(err)}));
        };
        if (fd < 0) fail(errno);
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            fail(EISDIR);
        }
        buffer_ = std::make_unique<Buffer>(fd, true);
    }
    stream_ = std::make_unique<std::istream>(buffer_.get());
    // A read error reaches the reader as the EReadError the buffer raised.
    stream_->exceptions(std::ios::badbit);
}

InputFile::~InputFile() = default;

std::istream& InputFile::stream() { return *stream_; }

}  // namespace os
