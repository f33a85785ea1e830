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

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free state");

// Only async-signal-safe calls: unlink, then the signal again with its
// default action (SA_RESETHAND restored it on entry).
void remove_and_reraise(int sig) {
    const int saved = errno;
    for (Slot& s : g_slots)
        if (s.state.load(std::memory_order_acquire) == kReady) ::unlink(s.path);
    errno = saved;
    ::raise(sig);
}

}  // namespace

void remove_temp_files_on_signals() {
    for (int sig : kSignals) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0) continue;
        if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;  // ignored or handled
        struct sigaction sa {};
        sa.sa_handler = remove_and_reraise;
        sigemptyset(&sa.sa_mask);
        for (int other : kSignals) sigaddset(&sa.sa_mask, other);
        sa.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &sa, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
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
