#pragma once
// Start-up and shut-down of the archive writer's units.

namespace archive {

// Reads the time-zone information once; registers the archive classes.
void unit_startup();
// Undoes unit_startup.
void unit_shutdown();

}  // namespace archive
