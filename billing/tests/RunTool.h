#pragma once
// Runs billing-tool and the oracles from the tests, as a shell would.

#include <array>
#include <cstdio>
#include <string>

namespace billing_test {

struct Outcome {
    int status;
    std::string output;  // stdout and stderr together
};

inline Outcome run(const std::string& command) {
    Outcome r{-1, {}};
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    std::array<char, 4096> buf;
    while (std::size_t n = fread(buf.data(), 1, buf.size(), p)) r.output.append(buf.data(), n);
    r.status = pclose(p);
    return r;
}

inline std::string tool() { return std::string(TAMBLERO_BINARY_DIR) + "/bin/billing-tool"; }
inline std::string oracle(const char* name) { return std::string(TAMBLERO_SOURCE_DIR) + "/tests/oracles/" + name; }

}  // namespace billing_test
