#pragma once
// What the host application supplies to the bank rules: its installation
// settings and the current date. Both come from providers that the host (or
// a test) can replace; without one, the installation code is 0 (the standard
// rules) and the date is the system's.

#include "platform/core/DateUtils.h"
#include "platform/core/ServiceSlot.h"

#include <functional>
#include <string>

namespace billing {

struct Installation {
    // 236 switches bank 033 to its 12-digit document number; 1 switches
    // bank 748's free field to collection type 1 with the fixed payee code.
    int codigo_instalacao = 0;
    // Bank 748: the installation's posto (2 digits) and fixed payee code (5 digits).
    std::string posto_748 = "00";
    std::string cedente_748 = "00000";
};

using InstallationProvider = std::function<Installation()>;
using TodayProvider = std::function<TDateTime()>;

// The providers installed for the process; an empty function means the
// default (installation code 0, the system's date).
inline core::ServiceSlot<InstallationProvider> installation_slot;
inline core::ServiceSlot<TodayProvider> today_slot;

// Read at each call by the rules that depend on them.
Installation current_installation();
TDateTime today();

}  // namespace billing
