#pragma once
// The units the window tests need, started once for the test program.

#include "platform/data/Startup.h"
#include "platform/ui/Startup.h"
#include "report/engine/Startup.h"
#include "report/ui/BRLabelEditor.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace builder_tests {

// Started once; stopped in reverse when the tests end, while Qt's own
// statics (the input devices of the key tests among them) still live.
class UnitsEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        report::UnregisterEditorClasses();
        report::unit_shutdown();
        data::unit_shutdown();
        ui::unit_shutdown();
    }
};

inline void start_units() {
    static bool started = false;
    if (started) return;
    started = true;
    ui::unit_startup();
    data::unit_startup();
    report::unit_startup();
    report::RegisterEditorClasses();
    ::testing::AddGlobalTestEnvironment(new UnitsEnvironment);
}

// Runs `step` once the window loop that is about to start runs.
inline void later(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

}  // namespace builder_tests
