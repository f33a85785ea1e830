#include "report/ui/Startup.h"

#include "report/ui/BRStdPrev.h"

namespace report::ui {
namespace {
TBRPreviewInterface* previous = nullptr;
}

void unit_startup() {
    static TBRStandardPreviewInterface standard;
    previous = preview_factory_slot.install(&standard);
}

void unit_shutdown() {
    preview_factory_slot.install(previous);
    previous = nullptr;
}

}  // namespace report::ui
