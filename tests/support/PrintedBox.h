#pragma once
// What a host prints on stderr for a message box, and its answer: for tests
// of hosts without a person (the console host, the UI without a screen).

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/core/HostServices.h"

namespace test_support {

// The line(s) the box printed and the button it answered.
inline std::pair<std::string, int> printed_box(core::HostServices& host, const core::MessageBoxRequest& request) {
    testing::internal::CaptureStderr();
    const int answer = host.MessageBox(request);
    return {testing::internal::GetCapturedStderr(), answer};
}

// What an information box printed.
inline std::string printed_information(core::HostServices& host, const std::string& text) {
    testing::internal::CaptureStderr();
    host.Information(text);
    return testing::internal::GetCapturedStderr();
}

}  // namespace test_support
