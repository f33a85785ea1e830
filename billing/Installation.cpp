#include "billing/Installation.h"

#include <mutex>

namespace billing {

namespace {

struct Providers {
    std::mutex mutex;
    InstallationProvider installation;
    TodayProvider today;
};

Providers& providers() {
    static Providers p;
    return p;
}

}  // namespace

void set_installation_provider(InstallationProvider provider) {
    std::lock_guard lock(providers().mutex);
    providers().installation = std::move(provider);
}

void set_today_provider(TodayProvider provider) {
    std::lock_guard lock(providers().mutex);
    providers().today = std::move(provider);
}

Installation current_installation() {
    InstallationProvider p;
    {
        std::lock_guard lock(providers().mutex);
        p = providers().installation;
    }
    return p ? p() : Installation{};
}

TDateTime today() {
    TodayProvider p;
    {
        std::lock_guard lock(providers().mutex);
        p = providers().today;
    }
    if (p) return p();
    return Date();
}

}  // namespace billing
