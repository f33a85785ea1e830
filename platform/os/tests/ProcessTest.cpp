// Running another program and waiting for it.
#include <gtest/gtest.h>

#include <sched.h>

#include <cerrno>

#include "platform/os/Process.h"

namespace {

TEST(RunProgram, AnswersTheExitStatusOrWhyItDidNotStart) {
    struct Case {
        const char* program;
        std::vector<std::string> args;
        int status;
        int error;
    };
    const Case cases[] = {
        {"/bin/sh", {"-c", "exit 0"}, 0, 0},
        {"/bin/sh", {"-c", "exit 3"}, 3, 0},
        {"/bin/sh", {"-c", "test \"$1\" = 'two words'", "sh", "two words"}, 0, 0},
        {"/bin/sh", {"-c", "kill -TERM $$"}, 128 + 15, 0},
        {"/nonexistent/program", {}, -1, ENOENT},
    };
    for (const Case& c : cases) {
        int error = 0;
        EXPECT_EQ(os::run_program(c.program, c.args, &error), c.status) << c.program << ' ' << c.args.size();
        EXPECT_EQ(error, c.error) << c.program;
    }
}

}  // namespace

// The processors counted are those the process may run on, not all there are.
TEST(Process, AvailableProcessorsFollowTheAffinity) {
    cpu_set_t all;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(os::available_processors(), CPU_COUNT(&all));
    int first = 0;
    while (!CPU_ISSET(first, &all)) ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(os::available_processors(), 1);
    ASSERT_EQ(::sched_setaffinity(0, sizeof all, &all), 0);
}
