#pragma once
// Process-wide settings of the database components, given their defaults at
// start-up. Nothing in this system reads them.

#include <cstdint>
#include <string>

namespace interbase {

struct ComponentSettings {
    bool first_flag = false;
    std::string text;
    std::int32_t first_number = 3;
    std::int32_t second_number = 0;
    std::uint8_t small_number = 0;
    bool second_flag = true;
    bool third_flag = false;
};

// The settings; defaults as above after start-up.
ComponentSettings& Settings();

// Start-up gives every setting its default; shut-down releases the text.
void SettingsUnitStartup();
void SettingsUnitShutdown();

}  // namespace interbase
