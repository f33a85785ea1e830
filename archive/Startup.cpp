#include "archive/Startup.h"

#include <ctime>

#include "platform/core/Classes.h"
#include "archive/arcZip.h"

namespace archive {

void unit_startup() {
    // Local time of entry dates follows the time zone read here.
    ::tzset();
    // Form resources create the archive component by its class name.
    RegisterClass(TZip::StaticClass());
}

void unit_shutdown() { UnRegisterClass(TZip::StaticClass()); }

}  // namespace archive
