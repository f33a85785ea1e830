#include "platform/core/HostServices.h"

#include <cerrno>
#include <cstdio>
#include <vector>

namespace core {

std::vector<int> box_buttons(unsigned flags) {
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

namespace {

class SilentProgress : public ProgressMonitor {
public:
    bool Step(int, const std::string&) override { return true; }
};


} // namespace

int default_answer(unsigned flags) {
    const std::vector<int> buttons = box_buttons(flags);
    const std::size_t index = (flags >> 8) & 0xF;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

std::string box_lines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

int unattended_answer(const MessageBoxRequest& request) {
    return request.Unattended != 0 ? request.Unattended : default_answer(request.Flags);
}

int print_box(const MessageBoxRequest& request, const std::string& title) {
    const std::string caption = request.Caption.empty() ? title : request.Caption;
    const std::string line = caption + ": " + box_lines(request.Text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return unattended_answer(request);
}

void HostServices::Information(const std::string& text) {
    MessageBox({text, "", MB_OK | MB_ICONINFORMATION, 0});
}

ConsoleHost::ConsoleHost(std::string title)
    : title_(title.empty() ? std::string(program_invocation_short_name) : std::move(title)) {}

std::string ConsoleHost::Title() const { return title_; }

int ConsoleHost::MessageBox(const MessageBoxRequest& request) { return print_box(request, title_); }

std::unique_ptr<ProgressMonitor> ConsoleHost::BeginProgress(const std::string&) {
    return std::make_unique<SilentProgress>();
}

HostServices& host() {
    if (HostServices* h = host_slot.get()) return *h;
    static ConsoleHost console;
    return console;
}


} // namespace core
