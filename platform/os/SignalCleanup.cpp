#include "platform/os/SignalCleanup.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace os {

namespace {

// A fixed table, so that the signal handler reads it without locks or
// allocation: a slot is free, being written, or holds a path to remove.
enum SlotState : int { kFree = 0, kWriting = 1, kReady = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];

// Children to end: their process ids, 0 for a free slot.
constexpr int kChildren = 16;
std::atomic<int> g_children[kChildren];

// The signals whose default action ends the process (SIGKILL and SIGSTOP
// cannot be caught; SIGXFSZ is ignored instead), the real-time ones apart.
constexpr int kSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGABRT, SIGBUS,  SIGFPE,  SIGUSR1,
                            SIGSEGV, SIGUSR2, SIGPIPE,   SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGVTALRM,
                            SIGPROF, SIGIO,   SIGPWR,    SIGSYS};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free state");

// Only async-signal-safe calls: unlink and kill, then the signal again with
// its default action (SA_RESETHAND restored it on entry).
void remove_and_reraise(int sig) {
    const int saved = errno;
    for (Slot& s : g_slots)
        if (s.state.load(std::memory_order_acquire) == kReady) ::unlink(s.path);
    for (std::atomic<int>& child : g_children)
        if (const int pid = child.load(std::memory_order_acquire); pid > 0) ::kill(pid, SIGTERM);
    errno = saved;
    ::raise(sig);
}

void install(int sig, const sigset_t& mask) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0) return;
    if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) return;  // ignored or handled
    struct sigaction sa {};
    sa.sa_handler = remove_and_reraise;
    sa.sa_mask = mask;
    sa.sa_flags = SA_RESETHAND;
    ::sigaction(sig, &sa, nullptr);
}

}  // namespace

void remove_temp_files_on_signals() {
    // While one signal is handled the others wait.
    sigset_t mask;
    sigemptyset(&mask);
    for (int sig : kSignals) sigaddset(&mask, sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) sigaddset(&mask, sig);
    for (int sig : kSignals) install(sig, mask);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) install(sig, mask);
    std::signal(SIGXFSZ, SIG_IGN);
}

SignalEndsChild::SignalEndsChild(int pid) {
    if (pid <= 0) return;
    for (int i = 0; i < kChildren; ++i) {
        int expected = 0;
        if (g_children[i].compare_exchange_strong(expected, pid, std::memory_order_acq_rel)) {
            slot_ = i;
            return;
        }
    }
}

SignalEndsChild::~SignalEndsChild() {
    if (slot_ >= 0) g_children[slot_].store(0, std::memory_order_release);
}

void SignalCleanupPath::assign(const std::string& path) {
    reset();
    if (path.empty() || path.size() >= PATH_MAX) return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!g_slots[i].state.compare_exchange_strong(expected, kWriting, std::memory_order_acq_rel)) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(kReady, std::memory_order_release);
        slot_ = i;
        return;
    }
}

void SignalCleanupPath::reset() {
    if (slot_ < 0) return;
    g_slots[slot_].state.store(kFree, std::memory_order_release);
    slot_ = -1;
}

}  // namespace os
