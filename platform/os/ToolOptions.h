#pragma once
// What every command-line tool of the project answers alike, whatever its
// own commands: --help and --version, and the form of a wrong invocation.
// The tool gives its own usage text (in its own language); this piece only
// decides where it goes and with which status.
//
//   TOOL --help, TOOL COMMAND ... --help   the usage on standard output, status 0
//   TOOL --version                         "TOOL (Tamblero) VERSION" on standard output, status 0
//   TOOL alone, a wrong option             the usage on standard error, status 2

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// The project's version, as the build sets it ("1.0.0").
std::string_view project_version();

// Answers --help and --version when they are asked for: --version as the only
// argument, --help anywhere before a "--" (so `TOOL list --help` never takes
// "--help" for a file name). For `TOOL COMMAND --help` it prints the usage
// lines about COMMAND (command_usage), else the whole usage. Answers the
// tool's status (0), or nothing when neither was asked for.
std::optional<int> answer_help_or_version(std::string_view tool, const std::vector<std::string>& args,
                                          std::string_view usage, std::ostream& out);

// A wrong invocation: "TOOL: PROBLEM" when a problem is given, then the
// usage, on `err`; answers 2.
int usage_error(std::string_view tool, std::string_view usage, std::ostream& err, std::string_view problem = {});

// One error line, "TOOL: FILE: REASON" (or "TOOL: REASON" when no file is
// known), for a failure's message. The class library's file messages
// ("Cannot open file \"F\". REASON", "Cannot create file \"F\". REASON")
// give their own file and the system's reason; a bare "Stream read error"
// is said of `input`, the file the command was reading, when the tool gives
// one. Line breaks inside the message become blanks.
std::string error_line(std::string_view tool, std::string_view message, std::string_view input = {});

// "TOOL: FILE: REASON" for a system error number.
std::string file_error_line(std::string_view tool, std::string_view file, int error);

// Whether an output name asks for a format other than those a command
// writes: its extension (any case) is one of the picture, document and
// archive formats the tools know and none of `written` (lower case, no dot).
// Answers the error line ("TOOL: FILE: writes .a or .b files, not .c"), or
// "" when the name is fine (no extension, or one that names no such format).
std::string refused_output(std::string_view tool, std::string_view path, const std::vector<std::string_view>& written);

// The lines of `usage` about one command: a line whose first word (after
// "usage:" and the tool's name) is COMMAND, with the lines indented deeper
// that continue it, and a block headed "COMMAND options:"; empty when there
// are none.
std::string command_usage(std::string_view usage, std::string_view tool, std::string_view command);

}  // namespace os
