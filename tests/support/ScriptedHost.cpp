#include "tests/support/ScriptedHost.h"

namespace test_support {
namespace {

class ScriptedProgress : public core::ProgressMonitor {
public:
    explicit ScriptedProgress(ScriptedHost& host) : host_(host) {}
    bool Step(int percent, const std::string& status) override {
        host_.steps.emplace_back(percent, status);
        return host_.cancel_at_step < 0 || int(host_.steps.size()) <= host_.cancel_at_step;
    }

private:
    ScriptedHost& host_;
};

}  // namespace

ScriptedHost::ScriptedHost(std::vector<int> answers, std::string title)
    : answers_(answers.begin(), answers.end()), title_(std::move(title)) {}

int ScriptedHost::MessageBox(const core::MessageBoxRequest& request) {
    boxes.push_back({request.Text, request.Caption, request.Flags, request.Unattended});
    if (answers_.empty()) return core::unattended_answer(request);
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedHost::Information(const std::string& text) { information.push_back(text); }

std::unique_ptr<core::ProgressMonitor> ScriptedHost::BeginProgress(const std::string&) {
    return std::make_unique<ScriptedProgress>(*this);
}

}  // namespace test_support
