#pragma once
// A host for tests: answers boxes from a script and records everything the
// engines asked of it. Install it with core::ScopedService(core::host_slot, &host).

#include <deque>
#include <string>
#include <vector>

#include "platform/core/HostServices.h"

namespace test_support {

class ScriptedHost : public core::HostServices {
public:
    // Answers: the next box's answer each; when they run out a box gets its
    // unattended answer.
    explicit ScriptedHost(std::vector<int> answers = {}, std::string title = "Test");

    struct Box {
        std::string text;
        std::string caption;  // as asked: empty means the host's title
        unsigned flags;
        int unattended;
    };
    std::vector<Box> boxes;                // every message box, in order
    std::vector<std::string> information;  // the texts of information boxes
    std::vector<std::pair<int, std::string>> steps;  // every progress step
    // Progress answers "cancel" from this step on (counted from 0); -1 never.
    int cancel_at_step = -1;

    std::string Title() const override { return title_; }
    int MessageBox(const core::MessageBoxRequest& request) override;
    void Information(const std::string& text) override;
    std::unique_ptr<core::ProgressMonitor> BeginProgress(const std::string& caption) override;

private:
    std::deque<int> answers_;
    std::string title_;
};

}  // namespace test_support
