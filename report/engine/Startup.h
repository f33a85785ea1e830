#pragma once
// Start-up and shut-down of the report engine, for the program's unit table.
// unit_startup() starts the expression library, chooses the design colour
// scheme and the default measure, and registers the report, band, printable
// control and printer-settings classes for stored layouts, then starts the
// printer engine's unit (the export filter registry, no hyperlink handlers);
// unit_shutdown() undoes it in reverse. Both are counted: a second start-up
// does nothing, and only the shut-down that matches the first one undoes it.

namespace report {

void unit_startup();
void unit_shutdown();

}  // namespace report
