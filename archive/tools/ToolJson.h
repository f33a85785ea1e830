#pragma once
// JSON text of the tool's machine-readable output, through nlohmann-json:
// keys in the order given, two-space indentation (-1: one line), bytes that
// are not UTF-8 replaced by U+FFFD.

#include <string>

#include <nlohmann/json.hpp>

namespace archive {

inline std::string json_text(const nlohmann::ordered_json& value, int indent = 2) {
    return value.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace archive
