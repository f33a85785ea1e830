#pragma once
// A file read as a std::istream, for readers that parse as they go (JSON
// documents, batch files) without holding the whole file.

#include <istream>
#include <memory>
#include <string>

namespace os {

class InputFile {
public:
    // Opens `path` to read; "-" reads standard input. EFOpenError
    // "Cannot open file \"%s\". %s" when it cannot (a folder is refused).
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The stream of the file's bytes; a read error raises EReadError
    // "Stream read error: ...".
    std::istream& stream();

private:
    class Buffer;
    std::unique_ptr<Buffer> buffer_;
    std::unique_ptr<std::istream> stream_;
};

}  // namespace os
