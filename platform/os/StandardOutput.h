#pragma once
// The end of a tool's run: what it printed on standard output must have
// reached its file, pipe or device, or the run failed.

#include <string_view>

namespace os {

// Flushes standard output (std::cout and the C stream beneath it). Answers 0
// when everything written to it got through, else the errno of the failed
// write when it is known, or -1 when only the failure is.
int flush_standard_output();

// A tool's last step: flushes standard output and answers `status` when that
// worked; otherwise prints "<tool>: cannot write standard output[: <reason>]"
// on stderr and answers 1 (or `status`, when that already tells of a failure).
int finish_standard_output(std::string_view tool, int status);

}  // namespace os
