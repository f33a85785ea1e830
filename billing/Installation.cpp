#include "billing/Installation.h"

#include <ctime>
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
    // The local calendar date of the machine.
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return encode_date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace billing
