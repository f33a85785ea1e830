#pragma once
// Start-up and shut-down of the windowing layer: the Qt application (on the
// in-memory platform when there is no screen) and the Application object.

namespace ui {
void unit_startup();
void unit_shutdown();  // frees Application, and with it every form
} // namespace ui
