#pragma once
// The desktop's opener: hands a file, folder or address to the program the
// desktop chooses for it (xdg-open, looked up on PATH). The target is the
// opener's one argument as given, never read by a shell, so blanks, quotes
// and ';' in it reach the opener unchanged.

#include <string>

namespace os {

// Starts the opener for target and returns at once (the opener's exit is
// collected in the background); false when it cannot be started.
bool open_with_desktop(const std::string& target);

}  // namespace os
