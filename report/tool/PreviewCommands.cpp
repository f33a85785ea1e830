#include "report/tool/PreviewCommands.h"

#include <cstring>
#include <ostream>

#include "platform/core/SysUtils.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/Files.h"
#include "platform/os/Process.h"

namespace report::tool {

int preview_command(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        err << "usage: report-tool preview FILE.brp\n";
        return 2;
    }
    if (graphics::qt::is_headless()) {
        err << "report-tool: preview needs a display (DISPLAY or WAYLAND_DISPLAY)\n";
        return 1;
    }
    if (!FileExists(args[0])) {
        err << "report-tool: File does not exist: " << args[0] << '\n';
        return 1;
    }
    const std::string viewer = os::executable_dir() + "report-preview";
    const int error = os::exec_program(viewer, args);
    err << "report-tool: cannot run " << viewer << ": " << std::strerror(error) << '\n';
    return 1;
}

}  // namespace report::tool
