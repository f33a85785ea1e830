#pragma once
// Message boxes: the buttons, icons and answers of the system's boxes.
// With a screen a box is a modal Qt dialog; without one it prints
// "caption: text" on stderr and answers at once (core::print_box).

#include <string>

#include "platform/core/HostServices.h"

namespace ui {

// Buttons, icons, default button and answers are platform/core's.
using core::MessageBoxFlags;
using core::MessageBoxResult;
using enum core::MessageBoxFlags;
using enum core::MessageBoxResult;
using core::box_lines;
using core::default_answer;

// Shows a box with `text` (lines broken by CR, LF or CR LF) under `caption`
// and returns the button chosen. Needs the application's start-up when there
// is a screen. Without a screen the answer is `unattended` (0: the default
// button).
int message_box(const std::string& text, const std::string& caption, unsigned flags, int unattended = 0);

// The text of the error box for an exception message: a full stop is added
// when the last character sorts after "." ("Disk full" -> "Disk full.",
// "Falhou!" stays, "" stays).
std::string error_box_text(const std::string& message);

} // namespace ui
