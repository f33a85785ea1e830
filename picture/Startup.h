#pragma once
// Start-up and shut-down of the picture units, in their order: cursors,
// icon clipboard format, then the GIF picture format.

namespace picture {
void unit_startup();
void unit_shutdown();
}  // namespace picture
