// archive-tool: drives the archive writer from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "archive/tools/DriveCommands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int rc = archive::RunDriveCommand(args, std::cout, std::cerr);
    if (rc >= 0) return rc;
    std::cerr << "usage: archive-tool COMMAND ...\n" << archive::DriveCommandsUsage();
    return 2;
}
