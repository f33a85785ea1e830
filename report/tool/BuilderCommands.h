#pragma once
// report-tool builder and report-tool edit: the expression builder and the
// control editors live in the window library, so these commands hand the
// process to report-builder beside report-tool.

#include <ostream>
#include <string>
#include <vector>

namespace report::tool {

int builder_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int edit_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
