#pragma once
// A stand-in for the desktop's opener: while it lives, an executable
// "xdg-open" in a scratch folder comes first on PATH and records the
// arguments of every call, each ended by a NUL, in a file.

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace test_support {

class FakeOpener {
public:
    FakeOpener();
    ~FakeOpener();
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    // The arguments of the first call, waiting up to timeout_ms for it to
    // be written; empty when no call came.
    std::vector<std::string> wait_for_call(int timeout_ms = 5000) const;

private:
    ScratchDir dir_{"fake-opener"};
    std::string previous_path_;
    bool had_path_ = false;
};

}  // namespace test_support
