#pragma once
// The units the window tests need, started once for the test program.

#include "platform/data/Startup.h"
#include "platform/ui/Startup.h"
#include "report/engine/Startup.h"
#include "report/ui/BRLabelEditor.h"

#include <QTimer>

#include <cstdlib>
#include <functional>

namespace builder_tests {

// Started once; stopped in reverse when the program ends, before the
// windowing layer's own objects go.
inline void start_units() {
    static bool started = false;
    if (started) return;
    started = true;
    ui::unit_startup();
    data::unit_startup();
    report::unit_startup();
    report::RegisterEditorClasses();
    std::atexit([] {
        report::UnregisterEditorClasses();
        report::unit_shutdown();
        data::unit_shutdown();
        ui::unit_shutdown();
    });
}

// Runs `step` once the window loop that is about to start runs.
inline void later(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

}  // namespace builder_tests
