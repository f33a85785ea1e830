#pragma once
// The backup window's form resource (JSON), built into the program.

#include <string>

namespace app {
std::string form_copia_resource();
} // namespace app
