#pragma once
// Shared helpers of the archive tests: scratch folders, files, commands and
// a small reader of the records our archives hold.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace archive_test {

// A scratch folder removed with everything in it at the end of the test.
class ScratchDir {
public:
    ScratchDir() {
        char tmpl[] = "/tmp/arctestXXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void write_file(const std::string& path, const std::string& bytes) {
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos) std::system(("mkdir -p '" + path.substr(0, slash) + "'").c_str());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Runs a shell command; its exit status and combined output.
struct Result {
    int status;
    std::string output;
};
inline Result run(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = ::pclose(p);
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, out};
}

inline std::string tool() { return std::string(TAMBLERO_BINARY_DIR) + "/bin/archive-tool"; }

inline uint32_t u16(const std::string& b, std::size_t at) {
    return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8);
}
inline uint32_t u32(const std::string& b, std::size_t at) { return u16(b, at) | (u16(b, at + 2) << 16); }

// Deterministic bytes that deflate well but not trivially.
inline std::string text_bytes(std::size_t n, unsigned seed = 1) {
    static const char* words[] = {"alpha ", "beta ", "gamma ", "delta ", "boleto ", "cnab ", "zip\n", "1234 "};
    std::string s;
    unsigned x = seed;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) & 7];
    }
    s.resize(n);
    return s;
}

// Bytes that do not deflate.
inline std::string random_bytes(std::size_t n, unsigned seed = 7) {
    std::string s(n, '\0');
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

}  // namespace archive_test
