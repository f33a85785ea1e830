#include "archive/Startup.h"

#include "platform/core/Classes.h"
#include "archive/arcErrors.h"
#include "archive/arcZip.h"
#include "platform/os/LocalTime.h"

namespace archive {

void unit_startup() {
    // Local time of entry dates follows the time zone read here.
    os::read_time_zone();
    // Form resources create the archive component by its class name.
    RegisterClass(TZip::StaticClass());
    // The numbered texts of the writer's error reports.
    core::register_texts(ErrorTexts());
}

void unit_shutdown() {
    core::unregister_texts(ErrorTexts());
    UnRegisterClass(TZip::StaticClass());
}

}  // namespace archive
