#pragma once
// Runs billing-tool and the oracles from the tests, as a shell would, through
// the shared test-support library.

#include <string>

#include "tests/support/TestSupport.h"

namespace billing_test {

// Exit status, and stdout and stderr together.
using Outcome = test_support::CommandResult;
using test_support::run;

// The built billing-tool.
std::string tool();
using test_support::oracle;

}  // namespace billing_test
