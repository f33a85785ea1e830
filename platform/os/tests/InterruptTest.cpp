#include "platform/os/Interrupt.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {
volatile std::sig_atomic_t earlier_handler_ran = 0;
extern "C" void earlier_handler(int) { earlier_handler_ran = 1; }
}  // namespace

// The first SIGINT is only noted; the handler that was there before takes
// the next one.
TEST(OsInterrupt, TheFirstInterruptIsNotedAndTheNextHandledAsBefore) {
    struct sigaction earlier {}, saved{};
    earlier.sa_handler = earlier_handler;
    sigemptyset(&earlier.sa_mask);
    ASSERT_EQ(sigaction(SIGINT, &earlier, &saved), 0);
    os::catch_interrupt();
    EXPECT_FALSE(os::interrupt_requested());
    std::raise(SIGINT);
    EXPECT_TRUE(os::interrupt_requested());
    EXPECT_EQ(earlier_handler_ran, 0);
    std::raise(SIGINT);
    EXPECT_EQ(earlier_handler_ran, 1);
    sigaction(SIGINT, &saved, nullptr);
}
