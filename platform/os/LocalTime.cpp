#include "platform/os/LocalTime.h"

#include <time.h>

namespace os {

std::optional<std::tm> local_time_of(std::int64_t unix_seconds) {
    const std::time_t t = static_cast<std::time_t>(unix_seconds);
    std::tm tm{};
    if (!::localtime_r(&t, &tm)) return std::nullopt;
    return tm;
}

std::optional<std::tm> utc_time_of(std::int64_t unix_seconds) {
    const std::time_t t = static_cast<std::time_t>(unix_seconds);
    std::tm tm{};
    if (!::gmtime_r(&t, &tm)) return std::nullopt;
    return tm;
}

void read_time_zone() { ::tzset(); }

}  // namespace os
