#include "platform/ui/Dialogs.h"

#include "platform/ui/Headless.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace ui {
namespace {

QMessageBox::StandardButton qt_button(int id) {
    switch (id) {
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon qt_icon(unsigned flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

std::string error_box_text(const std::string& message) {
    // Compare the last character, not the last byte: a UTF-8 sequence ends in
    // a continuation byte, and every character beyond ASCII sorts after ".".
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

int message_box(const std::string& text, const std::string& caption, unsigned flags, int unattended) {
    if (is_headless() || QApplication::instance() == nullptr)
        return core::print_box({text, caption, flags, unattended}, caption);
    QMessageBox box(qt_icon(flags), QString::fromStdString(caption), QString::fromStdString(box_lines(text)));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int def = default_answer(flags);
    std::vector<std::pair<QAbstractButton*, int>> made;
    for (int id : core::box_buttons(flags)) {
        QPushButton* b = box.addButton(qt_button(id));
        made.emplace_back(b, id);
        if (id == def) box.setDefaultButton(b);
    }
    if ((flags & 0xF) == MB_OK || (flags & 0xF) == MB_OKCANCEL || (flags & 0xF) == MB_RETRYCANCEL ||
        (flags & 0xF) == MB_YESNOCANCEL) {
        // Escape answers Cancel where there is one, OK on a lone OK box.
        for (auto& [b, id] : made)
            if (id == IDCANCEL || made.size() == 1) box.setEscapeButton(b);
    }
    box.exec();
    for (auto& [b, id] : made)
        if (box.clickedButton() == b) return id;
    return (flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
}

} // namespace ui
