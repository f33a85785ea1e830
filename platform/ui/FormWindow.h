#pragma once
// The Qt window behind a form: a plain top-level widget whose client area is
// painted by its form (graphic controls have no window of their own) and
// whose close requests go back to the form. Used by Forms.cpp and the tests.

#include <QImage>
#include <QWidget>

#include <functional>

namespace ui {

class FormWindow : public QWidget {
public:
    struct Hooks {
        std::function<void(QPainter&)> paint;   // paints the whole client area
        std::function<bool()> close_requested;  // true lets the window close
    };

    explicit FormWindow(Hooks hooks);

    // Border style and stacking: `borderless` drops the frame and caption bar,
    // `on_top` keeps the window above the others.
    void set_frame(bool borderless, bool on_top);
    // Fixes the client area's size.
    void set_client_size(int width, int height);
    // Moves the window to the middle of the screen it would appear on.
    void centre_on_screen();
    // Paints the client area into an image, on screen or not.
    QImage render();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Hooks hooks_;
};

} // namespace ui
