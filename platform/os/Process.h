#pragma once
// Handing the process over to another program.

#include <string>
#include <vector>

namespace os {

// Replaces the running program with program (a path), given args after its
// name; returns only when that failed, with the errno.
int exec_program(const std::string& program, const std::vector<std::string>& args);

}  // namespace os
