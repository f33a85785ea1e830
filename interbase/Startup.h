#pragma once
// Start-up and shut-down of the InterBase client binding's units, for the
// program's unit table. unit_startup() takes the run's holds on the client
// library (loading and binding it when present) and sets up the units' tables;
// when one of its units fails, it shuts down the ones it already started and
// rethrows (EIBL_Error for a library that lacks a mandatory entry point).
// unit_shutdown() undoes it in reverse order and unloads the library.

namespace interbase {

void unit_startup();
void unit_shutdown();

}  // namespace interbase
