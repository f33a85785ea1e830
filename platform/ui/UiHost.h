#pragma once
// The host services of a program with windows: message boxes are the
// application's boxes under its title (a line on stderr without a screen) and
// progress is a Qt progress dialog with a Cancel button. The UI's start-up
// installs it and its shut-down puts the console host back.

#include "platform/core/HostServices.h"

namespace ui {

class UiHost : public core::HostServices {
public:
    // The application's title, else the program's name.
    std::string Title() const override;
    int MessageBox(const core::MessageBoxRequest& request) override;
    // Without a screen nothing is shown and the task is never cancelled.
    std::unique_ptr<core::ProgressMonitor> BeginProgress(const std::string& caption) override;
    // Runs Qt's pending events.
    void ProcessMessages() override;
    // Queued on the Qt event loop; without a screen (headless) run at once.
    void Post(std::function<void()> notice) override;
};

// The Qt progress dialog with a Cancel button that BeginProgress shows on a
// screen (made on Qt's in-memory platform too, where tests drive it).
std::unique_ptr<core::ProgressMonitor> progress_dialog(const std::string& caption);

// Installs the UI's host for the process (nullptr back: the console host).
void install_ui_host();
void remove_ui_host();

} // namespace ui
