#include "app/Units.h"

#include "app/FormCopia.h"
#include "app/FormCopiaResource.h"
#include "billing/Startup.h"
#include "interbase/Startup.h"
#include "platform/ui/Startup.h"
#include "report_support/Startup.h"

#include <iterator>

namespace app {
namespace {

// One row per unit, in start-up order. A library that has no start-up work
// has no row; those still to come take their place in the comments.
const Unit units[] = {
    // platform
    {"platform/ui", ui::unit_startup, ui::unit_shutdown},
    // 3: GIF picture format                   (picture::unit_startup)
    // 2: ZIP archive writer                   (archive::unit_startup)
    // 1: backup job
    {"app", app::unit_startup, app::unit_shutdown},
    // 8: InterBase client binding
    {"interbase", interbase::unit_startup, interbase::unit_shutdown},
    // 6: banded report engine                 (report::unit_startup)
    // 7: report support tables and filters
    {"report_support", report_support::unit_startup, report_support::unit_shutdown},
    // 4: boleto engine
    {"billing", billing::unit_startup, billing::unit_shutdown},
    // 5: per-client bank plug-ins             (billing::clients::unit_startup)
};

std::size_t started = 0;

} // namespace

void start_units() {
    for (; started < std::size(units); ++started) {
        try {
            units[started].startup();
        } catch (...) {
            stop_units();
            throw;
        }
    }
}

void stop_units() {
    while (started > 0) {
        --started;
        try {
            units[started].shutdown();
        } catch (...) {
            // shut-down goes on with the next unit
        }
    }
}

void unit_startup() {
    RegisterClasses({TLabel::StaticClass(), TImage::StaticClass(), TFormCopia::StaticClass()});
    RegisterFormResource("TFormCopia", form_copia_resource());
}

void unit_shutdown() {}

} // namespace app
