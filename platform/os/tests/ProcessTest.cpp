// Running another program and waiting for it.
#include <gtest/gtest.h>

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
