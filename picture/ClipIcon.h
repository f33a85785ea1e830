#pragma once
// The "Pelmar Icon" clipboard format.

namespace picture {
// Number of the format once registered, else 0.
unsigned IconClipboardFormat();
void ClipIcon_startup();
void ClipIcon_shutdown();
}  // namespace picture
