#include "billing/tests/RunTool.h"

namespace billing_test {

std::string tool() { return test_support::tool_path("billing-tool"); }

}  // namespace billing_test
