// report-tool: drives the report libraries from the command line.
//
//   report-tool support messages|papers|pdf-defaults
//       the report support tables as they stand after start-up, one row a line
//       (the message table in the language of LC_ALL, LC_MESSAGES or LANG)
//   report-tool printers [URI...]
//       the print destinations with their papers, bins and settings
//   report-tool print FILE.brp [--printer NAME|URI | --pdf OUT.pdf] [--first N --last M]
//                    [--copies N] [--duplex 1|2|3]
//       prints a stored page stream on a printer or into a PDF file
//   report-tool eval [--db FILE --sql QUERY] [--each|--aggregate] [--env NAME=EXPR]... EXPR
//       the kind and value of a report expression, once, per record or aggregated
//   report-tool pages info|extract|render|code|decode|synth ...
//       the BRP page stream: its pages, the splay coder (see PagesCommands.h)
//   report-tool run LAYOUT.json [--db FILE] [--env NAME=EXPR]... (--pdf OUT.pdf | --brp OUT.brp |
//                  --printer NAME|URI | --preview)
//       runs a stored report layout over its datasets into a PDF, a page stream, a printer
//       or the standard preview (needs a display)
//   report-tool design LAYOUT.json OUT.png [--zoom N]
//       renders a layout's design surface: bands in print order, rulers, margins
//   report-tool preview FILE.brp
//       the standard preview of a stored page stream (needs a display)
//   report-tool bands run LAYOUT.json OUT.brp [RECORDS]
//       runs a layout with its detail band printed RECORDS times into a page
//       stream and lists where each band printed
//
//   report-tool builder [--layout LAYOUT.json [--db FILE]] [--validate EXPR]
//       the expression builder (report-builder); --validate prints the
//       validation text of EXPR against the layout's datasets, no window
//   report-tool edit LAYOUT.json CONTROL [--db FILE]
//       the editor of a text or expression control; OK saves the layout
//
// A command is a row of kCommands; it gets the arguments after its name.

#include <malloc.h>

#include "report/tool/BandsCommands.h"
#include "report/tool/BuilderCommands.h"
#include "report/tool/EvalCommands.h"
#include "report/tool/PagesCommands.h"
#include "report/tool/PrintCommands.h"
#include "report/tool/PreviewCommands.h"
#include "report/tool/RunCommands.h"
#include "report/tool/SupportCommands.h"
#include "platform/os/SignalCleanup.h"
#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    // Where the file the command reads is looked for among its arguments:
    // the first plain one from this index on; -1 for none.
    int input;
};

constexpr Command kCommands[] = {
    {"support", report::tool::support_command, -1},
    {"printers", report::tool::printers_command, -1},
    {"print", report::tool::print_command, 0},
    {"preview", report::tool::preview_command, 0},
    {"eval", report::tool::eval_command, -1},
    {"pages", report::tool::pages_command, 1},
    {"run", report::tool::run_command, 0},
    {"design", report::tool::design_command, 0},
    {"bands", report::tool::bands_command, 1},
    {"builder", report::tool::builder_command, -1},
    {"edit", report::tool::edit_command, 0},
};

const char* const kUsage =
    "usage: report-tool COMMAND ...\n"
    "  support messages|papers|pdf-defaults   the report support tables after start-up\n"
    "  printers [URI...]                      the print destinations, their papers and bins\n"
    "  print FILE.brp [--printer NAME | --pdf OUT.pdf] [--first N --last M] [--copies N]\n"
    "        [--duplex 1|2|3]                 prints a stored page stream\n"
    "  preview FILE.brp                       the standard preview of a stored page stream\n"
    "  eval [--db FILE --sql QUERY] [--each|--aggregate] [--env NAME=EXPR]... EXPR\n"
    "                                         the kind and value of a report expression\n"
    "  pages info|extract|render|code|decode|synth ...   the BRP page stream\n"
    "  run LAYOUT.json [--db FILE] [--env NAME=EXPR]... (--pdf OUT.pdf | --brp OUT.brp |\n"
    "      --printer NAME|URI | --preview)    runs a report layout over its datasets\n"
    "  design LAYOUT.json OUT.png [--zoom N]  renders a layout's design surface\n"
    "  bands run LAYOUT.json OUT.brp [RECORDS] runs a layout's bands into a page stream\n"
    "  builder [--layout LAYOUT.json [--db FILE]] [--validate EXPR]\n"
    "                                         the expression builder, or a validation\n"
    "  edit LAYOUT.json CONTROL [--db FILE]   edits a text or expression control\n";

int run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (auto answered = os::answer_help_or_version("report-tool", args, kUsage, std::cout)) return *answered;
    if (args.empty()) return os::usage_error("report-tool", kUsage, std::cerr);
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        try {
            return c.run(rest, std::cout, std::cerr);
        } catch (const std::exception& e) {
            // The file a command reads first (a layout, a page stream) is
            // named when its data end early.
            std::string input;
            for (std::size_t i = c.input < 0 ? rest.size() : std::size_t(c.input); i < rest.size(); ++i)
                if (!rest[i].empty() && rest[i][0] != '-') {
                    input = rest[i];
                    break;
                }
            std::cerr << os::error_line("report-tool", e.what(), input) << '\n';
            return 1;
        }
    }
    return os::usage_error("report-tool", kUsage, std::cerr, "unknown command " + args[0]);
}

}  // namespace

int main(int argc, char** argv) {
    // A run into a PDF makes and frees pages on several threads: freed memory
    // is kept for the next page rather than handed back to the kernel and
    // asked for again (each return costs every thread's processor a flush).
    mallopt(M_TRIM_THRESHOLD, 16 << 20);
    mallopt(M_MMAP_THRESHOLD, 8 << 20);
    // An interrupted run leaves no temporary file behind.
    os::remove_temp_files_on_signals();
    return os::finish_standard_output("report-tool", run(argc, argv));
}
