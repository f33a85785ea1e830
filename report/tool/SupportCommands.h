#pragma once
// `report-tool support ...`: the report support library's tables as they
// stand after its start-up.

#include <iosfwd>
#include <string>
#include <vector>

namespace report::tool {

// args: what follows "support" (messages | papers | pdf-defaults). Prints one
// row a line on `out`; returns the exit status (2 with a message on `err` for
// an unknown table).
int support_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
