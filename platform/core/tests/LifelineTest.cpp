#include "platform/core/Lifeline.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// An object that ends its lifeline first thing in its destructor, then runs
// what it was given (as a component's destructor reaches its events).
struct Owner {
    core::Lifeline<Owner> alive{this};
    std::function<void()> on_destroy;
    ~Owner() {
        alive.end();
        if (on_destroy) on_destroy();
    }
};

}  // namespace

TEST(Lifeline, AWatchOutlivesTheObjectAndReadsNullOnceItEnded) {
    auto owner = std::make_unique<Owner>();
    const core::Lifeline<Owner>::Watch watch = owner->alive.watch();
    EXPECT_EQ(*watch, owner.get());
    Owner* seen_while_ending = owner.get();
    owner->on_destroy = [&] { seen_while_ending = *watch; };
    owner.reset();
    EXPECT_EQ(seen_while_ending, nullptr);
    EXPECT_EQ(*watch, nullptr);

    // Without an explicit end, the lifeline's own end does it.
    core::Lifeline<int>::Watch plain;
    int value = 4;
    {
        core::Lifeline<int> line(&value);
        plain = line.watch();
        EXPECT_EQ(*plain, &value);
    }
    EXPECT_EQ(*plain, nullptr);
}
