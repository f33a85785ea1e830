#include "report/tool/BuilderCommands.h"

#include "platform/os/Files.h"
#include "platform/os/Process.h"

#include <cstring>

namespace report::tool {

namespace {

int hand_over(const char* command, const std::vector<std::string>& args, std::ostream& err) {
    std::vector<std::string> all{command};
    all.insert(all.end(), args.begin(), args.end());
    const std::string program = os::executable_dir() + "report-builder";
    const int error = os::exec_program(program, all);
    err << "report-tool: cannot run " << program << ": " << std::strerror(error) << '\n';
    return 1;
}

}  // namespace

int builder_command(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    return hand_over("builder", args, err);
}

int edit_command(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    return hand_over("edit", args, err);
}

}  // namespace report::tool
