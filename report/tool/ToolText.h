#pragma once
// Text helpers shared by report-tool's commands.

#include <charconv>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/ToolOptions.h"

namespace report::tool {

// The shortest text that reads back as the same number, '.' for decimals.
inline std::string number(double value) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

// Whether an output is named for a format other than those the command
// writes (`written`, lower case, no dot); says so on `err` when it is.
inline bool wrong_output_format(const std::string& path, const std::vector<std::string_view>& written,
                                std::ostream& err) {
    const std::string line = os::refused_output("report-tool", path, written);
    if (line.empty()) return false;
    err << line << '\n';
    return true;
}

}  // namespace report::tool
