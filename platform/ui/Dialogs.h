#pragma once
// Message boxes: the buttons, icons and answers of the system's boxes.
// With a screen a box is a modal Qt dialog; without one it prints
// "caption: text" on stderr and answers its default button at once.

#include <string>

namespace ui {

// Buttons (low four bits), icons and default button of a box.
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

// Shows a box with `text` (lines broken by CR, LF or CR LF) under `caption`
// and returns the button chosen. Needs the application's start-up when there
// is a screen.
int message_box(const std::string& text, const std::string& caption, unsigned flags);

// The button a box with these flags answers when no one is there to choose.
int default_answer(unsigned flags);

// The box's text as one line per line break, with LF only: "a\rb" -> "a\nb".
std::string box_lines(const std::string& text);

// The text of the error box for an exception message: a full stop is added
// when the last character sorts after "." ("Disk full" -> "Disk full.",
// "Falhou!" stays, "" stays).
std::string error_box_text(const std::string& message);

} // namespace ui
