// report-builder: the expression builder and the control editors from the
// command line; report-tool builder and report-tool edit run this program.
//
//   builder [--layout LAYOUT.json [--db FILE]] [--validate EXPR]
//       --validate prints the validation text of EXPR against the layout's
//       datasets and exits (no window); otherwise the builder is shown and
//       the confirmed expression printed (status 1 when cancelled)
//   edit LAYOUT.json CONTROL [--db FILE]
//       shows CONTROL's editor; OK saves the changed layout
//
// A window needs a display: without one the program exits with status 1 and
// a message, since no one could close the window.

#include "platform/os/SignalCleanup.h"
#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"
#include "report/ui/tool/BuilderTool.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // An interrupted edit leaves no temporary file behind.
    os::remove_temp_files_on_signals();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string usage =
        std::string(report::builder_usage()) + "(report-tool builder and report-tool edit run report-builder)\n";
    if (auto answered = os::answer_help_or_version("report-builder", args, usage, std::cout))
        return os::finish_standard_output("report-builder", *answered);
    const int status = report::builder_tool(args, std::cout, std::cerr);
    return os::finish_standard_output("report-tool", status);
}
