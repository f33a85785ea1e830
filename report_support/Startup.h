#pragma once
// Start-up and shut-down of the report support units, for the program's unit
// table. unit_startup() deletes a stale "RSLib.log" beside the executable,
// finds the temporary-files folder, builds the paper table, fills the message
// table in the user's language, creates the list of filters, the default save
// and print parameters and the PDF defaults, and registers the library's
// classes; unit_shutdown() undoes it in reverse and deletes the registered
// temporary files.

namespace report_support {

void unit_startup();
void unit_shutdown();

}  // namespace report_support
