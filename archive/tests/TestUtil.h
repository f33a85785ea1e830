#pragma once
// Shared helpers of the archive tests: a small reader of the records our
// archives hold and test data, over the shared test-support library.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace archive_test {

// Scratch folders, files and commands: the shared test-support library's.
class ScratchDir : public test_support::ScratchDir {
public:
    ScratchDir() : test_support::ScratchDir("arctest") {}
};
// Writes bytes over a file, making its folders first.
inline void write_file(const std::string& path, const std::string& bytes) { test_support::make_file(path, bytes); }
using test_support::read_file;
inline bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}
// Runs a shell command; its exit status and combined output.
using Result = test_support::CommandResult;
using test_support::run;
inline std::string tool() { return test_support::tool_path("archive-tool"); }

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
