#include "platform/ui/Headless.h"

#include <cstdlib>
#include <cstring>

namespace ui {
namespace {

bool env_set(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
}

bool decide() {
    if (const char* qpa = std::getenv("QT_QPA_PLATFORM"); qpa != nullptr && *qpa != '\0') {
        return std::strncmp(qpa, "offscreen", 9) == 0 || std::strncmp(qpa, "minimal", 7) == 0;
    }
    return !env_set("DISPLAY") && !env_set("WAYLAND_DISPLAY");
}

} // namespace

bool is_headless() {
    static const bool headless = decide();
    return headless;
}

void prepare_platform() {
    if (is_headless() && !env_set("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

} // namespace ui
