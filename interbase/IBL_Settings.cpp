#include "interbase/IBL_Settings.h"

namespace interbase {

ComponentSettings& Settings() {
    static ComponentSettings settings;
    return settings;
}

void SettingsUnitStartup() { Settings() = ComponentSettings{}; }

void SettingsUnitShutdown() { Settings().text.clear(); }

}  // namespace interbase
