// The desktop's opener gets the target as its one argument, untouched.

#include "platform/os/Desktop.h"

#include <gtest/gtest.h>

#include "tests/support/FakeOpener.h"

namespace {

TEST(DesktopOpener, TargetIsOneArgumentNeverReadByAShell) {
    const std::vector<std::string> targets = {
        "/home/ana/My Reports/sales 2026.pdf",
        "it's \"quoted\"; rm -rf ~ && echo `id` $(id) $HOME | cat > x",
        "https://example.com/a?b=1&c=2#frag",
        "-n",
        "",
    };
    for (const auto& target : targets) {
        SCOPED_TRACE(target);
        test_support::FakeOpener opener;
        ASSERT_TRUE(os::open_with_desktop(target));
        EXPECT_EQ(opener.wait_for_call(), std::vector<std::string>{target});
    }
}

}  // namespace
