#include "app/Units.h"

#include "app/FormCopia.h"
#include "app/FormCopiaResource.h"
#include "archive/Startup.h"
#include "billing/Startup.h"
#include "billing/clients/Startup.h"
#include "interbase/Startup.h"
#include "picture/Startup.h"
#include "platform/data/Startup.h"
#include "platform/graphics/Graphics.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Startup.h"
#include "report/engine/Startup.h"
#include "report_support/Startup.h"

namespace app {

std::vector<core::UnitEntry> unit_table() {
    return {
        // The platform the subsystems stand on.
        {"platform/graphics", graphics::unit_startup, graphics::unit_shutdown},
        {"platform/data", data::unit_startup, data::unit_shutdown},
        {"platform/ui", ui::unit_startup, ui::unit_shutdown},
        // 3: GIF picture format
        {"picture", picture::unit_startup, picture::unit_shutdown},
        // 2: ZIP archive writer
        {"archive", archive::unit_startup, archive::unit_shutdown},
        // 1: backup job
        {"app", app::unit_startup, app::unit_shutdown},
        // 8: InterBase client binding
        {"interbase", interbase::unit_startup, interbase::unit_shutdown},
        // 6: banded report engine
        {"report", report::unit_startup, report::unit_shutdown},
        // 7: report support tables and filters
        {"report_support", report_support::unit_startup, report_support::unit_shutdown},
        // 4: boleto engine
        {"billing", billing::unit_startup, billing::unit_shutdown},
        // 5: per-client bank plug-ins
        {"billing/clients", billing::clients::unit_startup, billing::clients::unit_shutdown},
    };
}

void unit_startup() {
    RegisterClass(TFormCopia::StaticClass());
    RegisterFormResource("TFormCopia", form_copia_resource());
}

void unit_shutdown() {
    UnRegisterClass(TFormCopia::StaticClass());
}

} // namespace app
