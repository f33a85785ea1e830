#pragma once
// Host services: how an engine asks a person something. An engine never
// shows a window; it asks the host of the process, which platform/ui makes
// its Qt dialogs when there is a screen. Without one (and in every program
// that installs no host) the console host prints a box as "caption: text" on
// stderr and answers at once, so nothing waits for a person who is not there.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/ServiceSlot.h"

namespace core {

// Buttons (low four bits), icons and default button of a message box.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
};

// The answer: which button closed the box.
enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// The buttons of a box with these flags, in the order shown.
std::vector<int> box_buttons(unsigned flags);

// The button a box with these flags answers when no one is there to choose:
// its default button (the first one when the flags name a missing button).
int default_answer(unsigned flags);

// The box's text as one line per line break, with LF only: "a\rb" -> "a\nb".
std::string box_lines(const std::string& text);

// A message box to show.
struct MessageBoxRequest {
    std::string Text;     // lines broken by CR, LF or CR LF
    std::string Caption;  // empty: the host's title
    unsigned Flags = MB_OK;
    // The answer when no person can choose; 0 means the default button. A
    // box whose default would repeat itself for ever (Retry) names another.
    int Unattended = 0;
};

// The answer of a box that no one can see: Unattended, else the default button.
int unattended_answer(const MessageBoxRequest& request);

// A long task's progress as a person sees it, ended when destroyed.
class ProgressMonitor {
public:
    virtual ~ProgressMonitor() = default;
    // Shows how far the task is (0 to 100) and a status line; false once the
    // person has asked to cancel.
    virtual bool Step(int percent, const std::string& status) = 0;
};

// What the process offers an engine that must reach a person.
class HostServices {
public:
    virtual ~HostServices() = default;
    // The caption of boxes that name none: the application's title.
    virtual std::string Title() const = 0;
    // Shows a message box and returns the button chosen.
    virtual int MessageBox(const MessageBoxRequest& request) = 0;
    // An information box with an OK button under the host's title.
    virtual void Information(const std::string& text);
    // Starts showing a task's progress with a Cancel button.
    virtual std::unique_ptr<ProgressMonitor> BeginProgress(const std::string& caption) = 0;
    // Lets the application's message loop handle what is waiting (nothing
    // without a loop).
    virtual void ProcessMessages() {}
    // Hands a notice to the application's message loop, which runs it after
    // the current step; without a loop it runs at once.
    virtual void Post(std::function<void()> notice) { notice(); }
};

// The host without a person: a box prints "caption: text" on stderr (line
// breaks as box_lines makes them) and answers unattended_answer; progress
// shows nothing and is never cancelled.
class ConsoleHost : public HostServices {
public:
    // Title: the program's name when none is given.
    explicit ConsoleHost(std::string title = {});
    std::string Title() const override;
    int MessageBox(const MessageBoxRequest& request) override;
    std::unique_ptr<ProgressMonitor> BeginProgress(const std::string& caption) override;

private:
    std::string title_;
};

// Prints a box for no one on stderr, "caption: text", and returns its
// unattended answer; what ConsoleHost and the screenless UI do.
int print_box(const MessageBoxRequest& request, const std::string& title);

// The host of this process: the one installed, else a console host.
HostServices& host();
// The host installed for the process, which the caller keeps alive; nullptr
// (none installed) means the console host. A test installs one with
// ScopedService(host_slot, &its_host).
inline ServiceSlot<HostServices*> host_slot;

} // namespace core
