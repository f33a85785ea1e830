#include "archive/arcTrash.h"

#include "platform/os/Trash.h"

namespace archive {

bool MoveToTrash(const std::string& Path) { return os::move_to_trash(Path); }

}  // namespace archive
