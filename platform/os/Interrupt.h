#pragma once
// Ctrl-C as a request to stop: a program that asks for it notes the first
// SIGINT instead of ending, finishes its work early and exits in its own
// way; a second SIGINT does what SIGINT did before (ends the process).

namespace os {

// Installs the note for SIGINT. Called by a program, at most once a run.
void catch_interrupt();
// True once a SIGINT arrived after catch_interrupt.
bool interrupt_requested();

}  // namespace os
