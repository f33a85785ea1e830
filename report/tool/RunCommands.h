#pragma once
// report-tool run and design: a stored report layout run into a page
// stream, a PDF or a printer, and its design surface rendered to a PNG.

#include <ostream>
#include <string>
#include <vector>

namespace report::tool {

// run LAYOUT.json [--db FILE] [--env NAME=EXPR]... (--pdf OUT | --brp OUT | --printer NAME|URI)
int run_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// design LAYOUT.json OUT.png [--zoom N]
int design_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
