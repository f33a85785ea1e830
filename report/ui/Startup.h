#pragma once
// Start-up of the report engine's windows: the standard preview becomes the
// preview factory, the Qt print dialog the print dialog service, and the
// text controls' editors are registered. Needs platform/ui's start-up first.

namespace report::ui {
void unit_startup();
void unit_shutdown();

// The units of a program that shows the report windows, started in the
// system's order (the windowing layer, data access, the report engine with
// its printer engine, the report windows) and stopped in reverse. A
// start-up that fails stops the units already started and throws.
class WindowProgramUnits {
public:
    WindowProgramUnits();
    ~WindowProgramUnits();
    WindowProgramUnits(const WindowProgramUnits&) = delete;
    WindowProgramUnits& operator=(const WindowProgramUnits&) = delete;
};
}  // namespace report::ui
