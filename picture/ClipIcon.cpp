#include "picture/ClipIcon.h"

#include "platform/graphics/Clipboard.h"

namespace picture {
namespace {
unsigned icon_format = 0;
}
unsigned IconClipboardFormat() { return icon_format; }
void ClipIcon_startup() { icon_format = graphics::clipboard().RegisterFormat("Pelmar Icon"); }
void ClipIcon_shutdown() {}
}  // namespace picture
