#pragma once
// Moving a file to the user's trash by the freedesktop.org rules: the home
// trash when the file lies on the home trash's file system, else the
// ".Trash-<uid>" folder at the top of the file's own mount. Never a copy.

#include <string>

namespace archive {

// Moves Path to the trash; false when it cannot (the file then stays).
bool MoveToTrash(const std::string& Path);

}  // namespace archive
