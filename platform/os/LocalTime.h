#pragma once
// Calendar fields of Unix times in the local time zone and in UTC, for the
// engines that pack dates into file formats (ZIP entries, DOS date-times).

#include <cstdint>
#include <ctime>
#include <optional>

namespace os {

// The fields of a Unix time (seconds since 1970-01-01 UTC) in the local time
// zone; nullopt when the system cannot represent that time.
std::optional<std::tm> local_time_of(std::int64_t unix_seconds);
// The same in UTC.
std::optional<std::tm> utc_time_of(std::int64_t unix_seconds);
// Reads the time zone (TZ, else /etc/localtime) again; local times follow it
// from then on.
void read_time_zone();

}  // namespace os
