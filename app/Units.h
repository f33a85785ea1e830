#pragma once
// The program's unit table: every library's start-up and shut-down, in the
// system's order (the platform first, then the GIF picture format, the ZIP
// archive writer, the backup job, the InterBase binding, the report engine,
// the report support tables, the boleto engine and the client plug-ins).
// app/ is the one place that knows every library.

#include "platform/core/UnitStartup.h"

#include <vector>

namespace app {

// The units in start-up order; core::UnitTable runs them.
std::vector<core::UnitEntry> unit_table();

// The backup job's own unit: its form class and form resource.
void unit_startup();
void unit_shutdown();

} // namespace app
