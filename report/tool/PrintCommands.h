#pragma once
// `report-tool printers` and `report-tool print`: the print device's
// destinations, and printing a stored page stream.

#include <iosfwd>
#include <string>
#include <vector>

namespace report::tool {

// printers [URI...]: every destination (CUPS's, then the printers given by
// IPP URI) with its papers, bins and supported settings, one row a line.
int printers_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// print FILE.brp [--printer NAME | --pdf OUT.pdf] [--first N --last M]
//       [--copies N] [--duplex 1|2|3]: prints the stored pages on a printer
// (by CUPS name or IPP URI; the default one without --printer) or into a
// PDF file. A bad range, an unknown printer or a damaged stream is an error
// before any job exists.
int print_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
