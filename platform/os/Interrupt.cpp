#include "platform/os/Interrupt.h"

#include <csignal>

namespace os {

namespace {

volatile std::sig_atomic_t requested = 0;
struct sigaction previous {};

extern "C" void note_interrupt(int) {
    requested = 1;
    // The next SIGINT is handled as before.
    sigaction(SIGINT, &previous, nullptr);
}

}  // namespace

void catch_interrupt() {
    struct sigaction action {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous);
}

bool interrupt_requested() { return requested != 0; }

}  // namespace os
