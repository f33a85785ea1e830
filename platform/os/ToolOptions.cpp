#include "platform/os/ToolOptions.h"

#include <algorithm>
#include <cstring>

// The build sets the version from the project's; a program compiled from
// the sources alone (the fuzzers) has none.
#ifndef TAMBLERO_VERSION
#define TAMBLERO_VERSION "unknown"
#endif

namespace os {

namespace {

std::size_t indent_of(std::string_view line) {
    const std::size_t n = line.find_first_not_of(' ');
    return n == std::string_view::npos ? line.size() : n;
}

// The first word of a usage line once its indent, "usage:" (or a Portuguese
// tool's "uso:") and the tool's name are taken away.
std::string_view first_word(std::string_view line, std::string_view tool) {
    auto skip = [&](std::string_view word) {
        line.remove_prefix(indent_of(line));
        if (line.substr(0, word.size()) == word &&
            (line.size() == word.size() || line[word.size()] == ' '))
            line.remove_prefix(word.size());
    };
    skip("usage:");
    skip("uso:");
    skip(tool);
    line.remove_prefix(indent_of(line));
    return line.substr(0, line.find(' '));
}

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace

std::string_view project_version() { return TAMBLERO_VERSION; }

std::string command_usage(std::string_view usage, std::string_view tool, std::string_view command) {
    const std::vector<std::string_view> lines = lines_of(usage);
    const std::string header = std::string(command) + " options:";
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.substr(indent_of(line)) == header) {
            // The block: its option lines and their deeper continuations.
            out.append(line).push_back('\n');
            std::size_t option_indent = std::string_view::npos;
            for (; i + 1 < lines.size(); ++i) {
                const std::string_view next = lines[i + 1];
                const std::size_t indent = indent_of(next);
                if (indent == next.size() || indent <= indent_of(line)) break;
                if (next[indent] == '-') option_indent = std::min(option_indent, indent);
                else if (option_indent == std::string_view::npos || indent <= option_indent) break;
                out.append(next).push_back('\n');
            }
            continue;
        }
        if (first_word(line, tool) != command) continue;
        // The command's line and those indented deeper than its name.
        const std::size_t name_column = line.find(command, indent_of(line));
        out.append(line).push_back('\n');
        for (; i + 1 < lines.size(); ++i) {
            const std::string_view next = lines[i + 1];
            const std::size_t indent = indent_of(next);
            if (indent == next.size() || indent <= name_column) break;
            out.append(next).push_back('\n');
        }
    }
    return out;
}

std::optional<int> answer_help_or_version(std::string_view tool, const std::vector<std::string>& args,
                                          std::string_view usage, std::ostream& out) {
    if (args.size() == 1 && args[0] == "--version") {
        out << tool << " (Tamblero) " << project_version() << '\n';
        return 0;
    }
    const auto end = std::find(args.begin(), args.end(), "--");
    if (std::find(args.begin(), end, "--help") == end) return std::nullopt;
    std::string text;
    if (!args.empty() && args[0] != "--help" && !args[0].empty() && args[0][0] != '-')
        text = command_usage(usage, tool, args[0]);
    // Lines taken from a list of commands get the usage line they lack.
    const std::string word = usage.substr(0, 4) == "uso:" ? "uso:" : "usage:";
    if (!text.empty() && text.rfind(word, 0) != 0)
        text = word + ' ' + std::string(tool) + ' ' + args[0] + " ...\n" + text;
    out << (text.empty() ? std::string(usage) : text);
    return 0;
}

std::string error_line(std::string_view tool, std::string_view message, std::string_view input) {
    std::string line(tool);
    line += ": ";
    for (const std::string_view head : {"Cannot open file \"", "Cannot create file \""}) {
        if (message.substr(0, head.size()) != head) continue;
        const std::size_t close = message.find("\". ", head.size());
        if (close == std::string_view::npos) break;
        // The file as the message names it, then the system's reason.
        std::string_view rest = message.substr(head.size());
        line.append(rest.substr(0, close - head.size())).append(": ");
        message = message.substr(close + 3);
        input = {};
        break;
    }
    if (!input.empty() && message == "Stream read error") {
        line.append(input).append(": ");
        message = "Stream read error (the file ends early)";
    }
    for (char c : message) line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    return line;
}

std::string file_error_line(std::string_view tool, std::string_view file, int error) {
    return std::string(tool) + ": " + std::string(file) + ": " + std::strerror(error);
}

std::string refused_output(std::string_view tool, std::string_view path, const std::vector<std::string_view>& written) {
    static constexpr std::string_view kKnown[] = {"ppm", "pgm", "pbm", "pnm", "png",  "bmp", "dib", "gif", "jpg",
                                                  "jpeg", "jpe", "jfif", "tif", "tiff", "webp", "ico", "svg", "pdf",
                                                  "ps",  "eps", "emf", "wmf", "brp", "zip", "7z"};
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (std::find(std::begin(kKnown), std::end(kKnown), ext) == std::end(kKnown)) return {};
    if (std::find(written.begin(), written.end(), ext) != written.end()) return {};
    std::string line = std::string(tool) + ": " + std::string(path) + ": writes ";
    for (std::size_t i = 0; i < written.size(); ++i)
        line.append(i == 0 ? "." : i + 1 == written.size() ? " or ." : ", .").append(written[i]);
    return line + " files, not ." + ext;
}

int usage_error(std::string_view tool, std::string_view usage, std::ostream& err, std::string_view problem) {
    if (!problem.empty()) err << tool << ": " << problem << '\n';
    err << usage;
    return 2;
}

}  // namespace os
