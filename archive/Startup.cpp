#include "archive/Startup.h"

#include <ctime>

#include "platform/core/Classes.h"
#include "archive/arcErrors.h"
#include "archive/arcZip.h"

namespace archive {

void unit_startup() {
    // Local time of entry dates follows the time zone read here.
    ::tzset();
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
