#include "platform/ui/FormWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace ui {

FormWindow::FormWindow(Hooks hooks) : QWidget(nullptr, Qt::Window), hooks_(std::move(hooks)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void FormWindow::set_frame(bool borderless, bool on_top) {
    Qt::WindowFlags f = Qt::Window;
    if (borderless) f |= Qt::FramelessWindowHint;
    if (on_top) f |= Qt::WindowStaysOnTopHint;
    setWindowFlags(f);
}

void FormWindow::set_client_size(int width, int height) {
    setFixedSize(width, height);
}

void FormWindow::centre_on_screen() {
    QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (s == nullptr) return;
    const QRect area = s->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

QImage FormWindow::render() {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    if (hooks_.paint) hooks_.paint(p);
    return image;
}

void FormWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (hooks_.paint) hooks_.paint(p);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (!hooks_.close_requested || hooks_.close_requested()) event->accept();
    else event->ignore();
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    // Alt+F4 closes any top-level window, framed or not, as on the desktop
    // the system came from; a borderless window has no other way out.
    if (event->key() == Qt::Key_F4 && (event->modifiers() & Qt::AltModifier)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace ui
