#pragma once
// The desktop's trash (the freedesktop.org trash rules): a file goes to the
// home trash when it lies on the home trash's file system, else to the trash
// at the top of its own mount ($topdir/.Trash/$uid when an administrator
// made $topdir/.Trash, else $topdir/.Trash-$uid). A file is only ever
// renamed into a trash, never copied, so a file that no trash on its own file
// system can take stays where it is.

#include <string>

namespace os {

// Moves the file (or folder, or link itself) at path into the trash and
// records where it came from; false when it cannot, and then nothing has changed.
bool move_to_trash(const std::string& path);

// The home trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::string home_trash_dir();

}  // namespace os
