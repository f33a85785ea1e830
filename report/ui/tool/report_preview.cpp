// report-preview FILE.brp [TITLE]: the standard preview of a stored page
// stream, until it is closed; the status bar shows TITLE, by default the
// file's name. Without a display it exits with status 1 and a message, since
// no one could close the window. report-tool preview and report-tool run
// --preview run this program.

#include <exception>
#include <iostream>

#include "platform/ui/Headless.h"
#include "report/print/BRPreviewFactory.h"
#include "report/print/BRPrntr.h"
#include "report/ui/BRStdPrev.h"
#include "report/ui/Startup.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || argv[1][0] == '-') {
        std::cerr << "usage: report-tool preview FILE.brp\n";
        return 2;
    }
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
