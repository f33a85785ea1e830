#pragma once
// The program's unit table: every library's start-up and shut-down, in the
// system's order (the platform first, then the GIF picture format, the ZIP
// archive writer, the backup job, the InterBase binding, the report engine,
// the report support tables, the boleto engine and the client plug-ins).
// app/ is the one place that knows every library.

#include <string>

namespace app {

struct Unit {
    const char* name;
    void (*startup)();
    void (*shutdown)();
};

// Starts every unit in order. When one fails, the units already started are
// shut down in reverse order and the failure is raised again.
void start_units();
// Shuts the started units down in reverse order; never raises.
void stop_units();

// The backup job's own unit: its form class and form resource.
void unit_startup();
void unit_shutdown();

} // namespace app
