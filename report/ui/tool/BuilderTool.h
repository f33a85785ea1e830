#pragma once
// The commands of report-builder (see report_builder.cpp), callable in
// process by tests.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

class TBRPrintable;

namespace report {

// The usage of report-builder (as report-tool builder and edit).
const char* builder_usage();

int builder_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

enum class EditOutcome { Cancelled, Unchanged, Saved };

// The edit command: reads the layout, shows the control's editor through
// `show` (its ShowEditor by default) and, on OK, writes what the editor
// changed into the layout; every other value stays as the file has it, and
// OK with nothing changed leaves the file untouched. Raises on a missing
// control or a bad layout.
EditOutcome edit_layout_control(const std::string& layout, const std::string& control, const std::string& database,
                                const std::function<bool(TBRPrintable&)>& show = {});

}  // namespace report
