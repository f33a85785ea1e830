#pragma once
// The scratch folder of this test process (core-tests-XXXXXX under $TMPDIR),
// removed at exit, so that test runs of several worktrees or build passes
// never share files.

#include <string>

#include "tests/support/TestSupport.h"

inline std::string test_dir() { return test_support::process_dir("core-tests") + "/"; }
