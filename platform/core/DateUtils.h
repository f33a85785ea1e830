#pragma once
// Dates and times as the class library keeps them: a TDateTime is a double
// counting days since 1899-12-30 00:00, the time of day as the fraction.
// Also DOS date-times (ZIP entries, FileAge) and Unix times.

#include "platform/core/ServiceSlot.h"
#include "platform/core/SysUtils.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

using TDateTime = double;
using Word = std::uint16_t;

constexpr TDateTime UnixDateDelta = 25569;   // 1970-01-01 as a TDateTime
constexpr int MSecsPerDay = 86400000;

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);                    // 0 for a month outside 1..12

// Calendar date (year 1..9999) to a TDateTime; EConvertError "Invalid argument to date encode".
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// Time of day to its fraction; EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
// Date plus time, also for days before 1899-12-30 (negative values).
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
// Splits a TDateTime (times rounded to the millisecond); a value outside years 1..9999 gives zeros.
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime dt, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec,
                    Word& msec);
int DayOfWeek(TDateTime date);                             // 1 = Sunday ... 7 = Saturday
TDateTime DateOf(TDateTime dt);                            // the date part
TDateTime TimeOf(TDateTime dt);                            // the time part
TDateTime IncDay(TDateTime dt, int days);

// The current local date and time, read through the clock in core::clock_slot.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// DOS date-time (local fields packed as in ZIP headers); 0 for years outside 1980..2107.
int DateTimeToFileDate(TDateTime dt);
// EConvertError for impossible fields (month 13, day 0, ...).
TDateTime FileDateToDateTime(int file_date);

// Seconds since 1970-01-01 without time-zone conversion (rounded to the second).
std::int64_t DateTimeToUnix(TDateTime dt);
TDateTime UnixToDateTime(std::int64_t seconds);

// Formatting with the class library's specifiers: c d dd ddd dddd ddddd dddddd m mm mmm mmmm
// yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm / : and quoted literals.
std::string FormatDateTime(std::string_view format, TDateTime dt);
std::string FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& fs);
std::string DateToStr(TDateTime dt);                       // ShortDateFormat
std::string DateToStr(TDateTime dt, const TFormatSettings& fs);
std::string TimeToStr(TDateTime dt);                       // LongTimeFormat
std::string TimeToStr(TDateTime dt, const TFormatSettings& fs);
std::string DateTimeToStr(TDateTime dt);                   // date, then the time unless it is midnight
std::string DateTimeToStr(TDateTime dt, const TFormatSettings& fs);

// Reading follows the order of d, m and y in ShortDateFormat and the separators of
// the settings; two-digit years fall within 50 years of the current one.
// EConvertError "'%s' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(std::string_view s);
TDateTime StrToDate(std::string_view s, const TFormatSettings& fs);
bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDateDef(std::string_view s, TDateTime def);
TDateTime StrToTime(std::string_view s);
TDateTime StrToTime(std::string_view s, const TFormatSettings& fs);
bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDateTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& fs);
bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& fs = FormatSettings);

namespace core {
// The clock behind Now/Date/Time; empty (none installed) means the system
// clock. A test installs one with ScopedService(clock_slot, its_clock).
inline ServiceSlot<std::function<TDateTime()>> clock_slot;
// The system clock in local time, whatever clock is installed.
TDateTime system_now();
// A Unix time to local date-time and back (through the process time zone).
TDateTime unix_to_local_datetime(std::time_t t);
std::time_t local_datetime_to_unix(TDateTime dt);
}  // namespace core
