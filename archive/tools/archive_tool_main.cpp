// archive-tool: drives the archive writer from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "archive/Startup.h"
#include "archive/tools/CompressCommands.h"
#include "archive/tools/DriveCommands.h"
#include "platform/os/SignalCleanup.h"
#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"

int main(int argc, char** argv) {
    // An interrupted pass leaves no temporary archive behind.
    os::remove_temp_files_on_signals();
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string usage = std::string("usage: archive-tool COMMAND ...\n") + archive::CompressCommandsUsage() +
                              archive::DriveCommandsUsage();
    if (auto answered = os::answer_help_or_version("archive-tool", args, usage, std::cout))
        return os::finish_standard_output("archive-tool", *answered);
    archive::unit_startup();
    int rc = archive::RunCompressCommand(args, std::cout, std::cerr);
    if (rc < 0) rc = archive::RunDriveCommand(args, std::cout, std::cerr);
    archive::unit_shutdown();
    if (rc >= 0) return os::finish_standard_output("archive-tool", rc);
    return os::usage_error("archive-tool", usage, std::cerr, args.empty() ? "" : "unknown command " + args[0]);
}
