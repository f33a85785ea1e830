#include "report/ui/Startup.h"

#include "platform/data/Startup.h"
#include "platform/ui/Startup.h"
#include "report/engine/Startup.h"

#include "report/ui/BRLabelEditor.h"
#include "report/ui/BRPrintDialog.h"
#include "report/ui/BRStdPrev.h"

namespace report::ui {
namespace {
TBRPreviewInterface* previous = nullptr;
PrintDialogService* previous_dialog = nullptr;
}

void unit_startup() {
    static TBRStandardPreviewInterface standard;
    previous = preview_factory_slot.install(&standard);
    RegisterEditorClasses();
    static QtPrintDialogService dialog;
    previous_dialog = print_dialog_slot.install(&dialog);
}

void unit_shutdown() {
    UnregisterEditorClasses();
    preview_factory_slot.install(previous);
    previous = nullptr;
    print_dialog_slot.install(previous_dialog);
    previous_dialog = nullptr;
}

WindowProgramUnits::WindowProgramUnits() {
    ::ui::unit_startup();
    try {
        data::unit_startup();
        try {
            report::unit_startup();
            try {
                unit_startup();
            } catch (...) {
                report::unit_shutdown();
                throw;
            }
        } catch (...) {
            data::unit_shutdown();
            throw;
        }
    } catch (...) {
        ::ui::unit_shutdown();
        throw;
    }
}

WindowProgramUnits::~WindowProgramUnits() {
    unit_shutdown();
    report::unit_shutdown();
    data::unit_shutdown();
    ::ui::unit_shutdown();
}

}  // namespace report::ui
