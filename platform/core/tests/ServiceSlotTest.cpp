#include "platform/core/ServiceSlot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using core::ScopedService;
using core::ServiceSlot;

namespace {

struct Service {
    virtual ~Service() = default;
    virtual std::string Name() const = 0;
};
struct Named : Service {
    explicit Named(std::string n) : name(std::move(n)) {}
    std::string Name() const override { return name; }
    std::string name;
};

int one() { return 1; }
int two() { return 2; }

}  // namespace

// Install hands back what was there, so the installer can put it back; a
// scope does that even when scopes nest and when the inner one installs none.
TEST(ServiceSlot, InstallReturnsThePreviousAndScopesRestoreIt) {
    ServiceSlot<Service*> slot;
    EXPECT_EQ(slot.get(), nullptr);
    Named a("a"), b("b");
    EXPECT_EQ(slot.install(&a), nullptr);
    EXPECT_EQ(slot.install(&b), &a);
    EXPECT_EQ(slot.install(&a), &b);
    {
        ScopedService outer(slot, &b);
        EXPECT_EQ(slot.get()->Name(), "b");
        {
            ScopedService none(slot, nullptr);
            EXPECT_EQ(slot.get(), nullptr);
        }
        EXPECT_EQ(slot.get(), &b);
    }
    EXPECT_EQ(slot.get(), &a);
}

// The same rules for a function pointer and for a function object, whose
// empty value means none installed.
TEST(ServiceSlot, FunctionsAndFunctionObjects) {
    ServiceSlot<int (*)()> pointer;
    EXPECT_EQ(pointer.install(&one), nullptr);
    {
        ScopedService scoped(pointer, &two);
        EXPECT_EQ(pointer.get()(), 2);
    }
    EXPECT_EQ(pointer.get()(), 1);

    ServiceSlot<std::function<std::string()>> provider;
    EXPECT_FALSE(provider.get());
    const std::string captured = "captured";
    EXPECT_FALSE(provider.install([captured] { return captured; }));
    {
        ScopedService scoped(provider, std::function<std::string()>([] { return std::string("scoped"); }));
        EXPECT_EQ(provider.get()(), "scoped");
    }
    EXPECT_EQ(provider.get()(), "captured");
    const auto previous = provider.install({});
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous(), "captured");
    EXPECT_FALSE(provider.get());
}

// Readers on other threads see one value or the other, whole, while one
// thread swaps function objects in and out (a torn copy crashes or reads
// freed memory, which the sanitizer build reports).
TEST(ServiceSlot, ReadersNeverSeeATornValue) {
    ServiceSlot<std::function<std::string()>> provider;
    const std::string long_a(200, 'a'), long_b(300, 'b');
    provider.install([long_a] { return long_a; });
    std::vector<std::thread> readers;
    std::atomic<bool> bad{false};
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                const std::string v = provider.get()();
                if (v != long_a && v != long_b) bad = true;
            }
        });
    for (int i = 0; i < 2000; ++i) provider.install(i % 2 ? std::function<std::string()>([long_a] { return long_a; })
                                                          : std::function<std::string()>([long_b] { return long_b; }));
    for (std::thread& t : readers) t.join();
    EXPECT_FALSE(bad);
}
