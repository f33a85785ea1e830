#pragma once
// `report-tool eval ...`: evaluates one report expression, once, per record of
// a query, or after aggregating over its records.

#include <iosfwd>
#include <string>
#include <vector>

namespace report::tool {

// args: what follows "eval". Prints "KIND value" lines (the kind as TYPEOF
// names it; an error value's line is "ERROR" and its message). Returns the
// exit status: 0 when evaluated, 1 when the database or query failed, 2 with
// the usage on `err` for bad arguments.
int eval_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
