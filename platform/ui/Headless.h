#pragma once
// Whether the program runs with a screen. Without one (no DISPLAY nor
// WAYLAND_DISPLAY, or QT_QPA_PLATFORM=offscreen) windows are drawn in memory
// only, message boxes go to stderr and nothing waits for a person.

namespace ui {

// True when there is no screen to show windows on. Decided from the
// environment the first time it is asked, before any window exists.
bool is_headless();

// Chooses Qt's in-memory platform when there is no screen, so that a
// program started from cron never fails for want of a display.
void prepare_platform();

} // namespace ui
