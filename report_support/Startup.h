#pragma once
// Start-up and shut-down of the report support units, for the program's unit
// table. unit_startup() deletes a stale "RSLib.log" beside the executable and
// finds the temporary-files folder; unit_shutdown() deletes the registered
// temporary files.

namespace report_support {

void unit_startup();
void unit_shutdown();

}  // namespace report_support
