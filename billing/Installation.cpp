#include "billing/Installation.h"

namespace billing {

Installation current_installation() {
    const InstallationProvider p = installation_slot.get();
    return p ? p() : Installation{};
}

TDateTime today() {
    if (const TodayProvider p = today_slot.get()) return p();
    return Date();
}

}  // namespace billing
