#pragma once
// `report-tool preview FILE.brp`: the standard preview of a stored page
// stream. The windows live in report-preview (beside report-tool), which this
// command becomes; without a display it fails at once with a message.

#include <iosfwd>
#include <string>
#include <vector>

namespace report::tool {

int preview_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
