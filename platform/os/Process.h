#pragma once
// Handing the process over to another program, or running one and waiting;
// the processors this process may run on.

#include <string>
#include <vector>

namespace os {

// Replaces the running program with program (a path), given args after its
// name; returns only when that failed, with the errno.
int exec_program(const std::string& program, const std::vector<std::string>& args);

// Runs program (a path) with args after its name, sharing this process's
// standard files, and waits for it: answers its exit status (128 + the
// signal that ended it), or -1 with the errno in *error when it could not
// be started. A signal that ends this program while it waits (see
// remove_temp_files_on_signals) sends the program SIGTERM.
int run_program(const std::string& program, const std::vector<std::string>& args, int* error = nullptr);

// Processors this process may run on (its CPU affinity; at least 1).
int available_processors();

}  // namespace os
