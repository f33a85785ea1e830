#include "platform/ui/UiHost.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Headless.h"

#include <QApplication>
#include <QProgressDialog>

namespace ui {
namespace {

class DialogProgress : public core::ProgressMonitor {
public:
    explicit DialogProgress(const std::string& caption) {
        dialog_.setWindowTitle(QString::fromStdString(caption));
        dialog_.setRange(0, 100);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setValue(0);
    }
    bool Step(int percent, const std::string& status) override {
        dialog_.setLabelText(QString::fromStdString(status));
        dialog_.setValue(percent < 0 ? 0 : percent > 100 ? 100 : percent);
        QApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog dialog_;
};

UiHost& ui_host() {
    static UiHost h;
    return h;
}

} // namespace

std::string UiHost::Title() const {
    if (Application != nullptr && !Application->Title().empty()) return Application->Title();
    return core::ConsoleHost().Title();
}

int UiHost::MessageBox(const core::MessageBoxRequest& request) {
    return message_box(request.Text, request.Caption.empty() ? Title() : request.Caption, request.Flags,
                       request.Unattended);
}

std::unique_ptr<core::ProgressMonitor> UiHost::BeginProgress(const std::string& caption) {
    if (is_headless() || QApplication::instance() == nullptr) return core::ConsoleHost().BeginProgress(caption);
    return progress_dialog(caption.empty() ? Title() : caption);
}

void UiHost::ProcessMessages() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

void UiHost::Post(std::function<void()> notice) {
    QCoreApplication* app = QCoreApplication::instance();
    if (is_headless() || app == nullptr) {
        notice();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(notice), Qt::QueuedConnection);
}

std::unique_ptr<core::ProgressMonitor> progress_dialog(const std::string& caption) {
    return std::make_unique<DialogProgress>(caption);
}

void install_ui_host() { core::host_slot.install(&ui_host()); }

void remove_ui_host() {
    if (core::host_slot.get() == &ui_host()) core::host_slot.install(nullptr);
}

} // namespace ui
