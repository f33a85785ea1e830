#include "archive/Startup.h"

#include <ctime>

namespace archive {

void unit_startup() {
    // Local time of entry dates follows the time zone read here.
    ::tzset();
}

void unit_shutdown() {}

}  // namespace archive
