// archive-tool: drives the archive writer from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "archive/Startup.h"
#include "archive/tools/CompressCommands.h"
#include "archive/tools/DriveCommands.h"
#include "platform/os/SignalCleanup.h"
#include "platform/os/StandardOutput.h"

int main(int argc, char** argv) {
    // An interrupted pass leaves no temporary archive behind.
    os::remove_temp_files_on_signals();
    std::vector<std::string> args(argv + 1, argv + argc);
    archive::unit_startup();
    int rc = archive::RunCompressCommand(args, std::cout, std::cerr);
    if (rc < 0) rc = archive::RunDriveCommand(args, std::cout, std::cerr);
    archive::unit_shutdown();
    if (rc >= 0) return os::finish_standard_output("archive-tool", rc);
    std::cerr << "usage: archive-tool COMMAND ...\n"
              << archive::CompressCommandsUsage() << archive::DriveCommandsUsage();
    return 2;
}
