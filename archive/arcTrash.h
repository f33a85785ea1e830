#pragma once
// The archive writer's way to the desktop trash (platform/os/Trash.h): the
// home trash when the file lies on the home trash's file system, else the
// trash at the top of the file's own mount. Never a copy.

#include <string>

namespace archive {

// Moves Path to the trash; false when it cannot (the file then stays).
bool MoveToTrash(const std::string& Path);

}  // namespace archive
