#pragma once
// Text helpers shared by report-tool's commands.

#include <charconv>
#include <string>

namespace report::tool {

// The shortest text that reads back as the same number, '.' for decimals.
inline std::string number(double value) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

}  // namespace report::tool
