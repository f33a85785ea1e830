// report-preview FILE.brp [TITLE]: the standard preview of a stored page
// stream, until it is closed; the status bar shows TITLE, by default the
// file's name. Without a display it exits with status 1 and a message, since
// no one could close the window. report-tool preview and report-tool run
// --preview run this program.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"

#include "platform/ui/Headless.h"
#include "report/print/BRPreviewFactory.h"
#include "report/print/BRPrntr.h"
#include "report/ui/BRStdPrev.h"
#include "report/ui/Startup.h"

int main(int argc, char** argv) {
    const char* const usage = "usage: report-preview FILE.brp [TITLE]\n";
    if (auto answered = os::answer_help_or_version("report-preview", std::vector<std::string>(argv + 1, argv + argc),
                                                   usage, std::cout))
        return os::finish_standard_output("report-preview", *answered);
    if (argc < 2 || argc > 3 || argv[1][0] == '-') return os::usage_error("report-preview", usage, std::cerr);
    if (ui::is_headless()) {
        std::cerr << "report-tool: preview needs a display (DISPLAY or WAYLAND_DISPLAY)\n";
        return 1;
    }
    try {
        // The same units as report-tool's runs, and the windows.
        const report::ui::WindowProgramUnits units;
        TBRPrinter printer;
        printer.LoadPageStreamFile(argv[1]);
        const std::string name = argc == 3 ? argv[2] : argv[1];
        PreviewTitleText = name.substr(name.rfind('/') + 1);
        report::preview_factory().ShowModal(&printer);
    } catch (const std::exception& e) {
        std::cerr << "report-tool: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
