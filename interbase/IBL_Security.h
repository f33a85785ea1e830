#pragma once
// Constants of the database components' security settings: the registry-style
// key under which they would be kept and the key used to scramble stored
// passwords. Nothing in this system reads them.

#include <string_view>

namespace interbase {

inline constexpr std::string_view SecuritySettingsKey = "Software\\Tamblero\\InterBase\\Security";
// A full stop, six letters in alternating case, a full stop, two digits, a full stop.
inline constexpr std::string_view SecurityScrambleKey = ".tAmBlE.26.";

}  // namespace interbase
