#pragma once
// A scratch folder of the platform/os tests, removed with everything in it
// (made writeable first) at the end of the test.

#include <filesystem>

#include "tests/support/TestSupport.h"

namespace ostest {

struct TempFolder {
    test_support::ScratchDir scratch{"ostest"};
    std::filesystem::path dir{scratch.path()};
};

}  // namespace ostest
