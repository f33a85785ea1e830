#pragma once
// Start-up of the report engine's windows: the standard preview becomes the
// preview factory, the Qt print dialog the print dialog service, and the
// text controls' editors are registered. Needs platform/ui's start-up first.

namespace report::ui {
void unit_startup();
void unit_shutdown();
}  // namespace report::ui
