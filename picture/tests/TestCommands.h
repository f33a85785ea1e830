#pragma once
// Runs a shell command for the picture tests and returns its standard output,
// through the shared test-support library.

#include <string>

#include "tests/support/TestSupport.h"

namespace picture_test {

inline std::string capture(const std::string& command, int& status) {
    return test_support::capture(command, &status);
}

}  // namespace picture_test
