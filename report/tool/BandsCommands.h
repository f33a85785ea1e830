#pragma once
// report-tool bands: runs a stored report layout's bands into a page stream.

#include <ostream>
#include <string>
#include <vector>

namespace report::tool {

int bands_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
