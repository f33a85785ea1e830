#include "platform/core/DateUtils.h"

#include <cmath>
#include <vector>

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civil_from_days(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

// Calendar day index (days since 1899-12-30 counted on the calendar) and the
// milliseconds of the day. The class library keeps the date part as the value
// truncated toward zero and the time as the absolute fraction.
void split(TDateTime dt, std::int64_t& day, std::int64_t& ms) {
    double ip;
    double frac = std::modf(dt, &ip);
    day = static_cast<std::int64_t>(ip);
    ms = std::llround(std::fabs(frac) * MSecsPerDay);
    if (ms >= MSecsPerDay) {  // 23:59:59.9996 rounds into the next calendar day
        ms -= MSecsPerDay;
        day += 1;
    }
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    date = static_cast<double>(days_from_civil(year, unsigned(month), unsigned(day)) + 25569);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d;
    if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
    return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999) return false;
    time = (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime t;
    if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError("Invalid argument to time encode");
    return t;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    TDateTime d = EncodeDate(year, month, day);
    TDateTime t = EncodeTime(hour, min, sec, msec);
    return d < 0 ? d - t : d + t;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
    std::int64_t d, ms;
    split(date, d, ms);
    std::int64_t y;
    unsigned m, dd;
    civil_from_days(d - 25569, y, m, dd);
    if (y < 1 || y > 9999) {
        year = month = day = 0;
        return;
    }
    year = Word(y);
    month = Word(m);
    day = Word(dd);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
    std::int64_t d, ms;
    split(time, d, ms);
    hour = Word(ms / 3600000);
    min = Word(ms / 60000 % 60);
    sec = Word(ms / 1000 % 60);
    msec = Word(ms % 1000);
}

void DecodeDateTime(TDateTime dt, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec,
                    Word& msec) {
    DecodeDate(dt, year, month, day);
    DecodeTime(dt, hour, min, sec, msec);
}

int DayOfWeek(TDateTime date) {
    std::int64_t d, ms;
    split(date, d, ms);
    // 1899-12-30 was a Saturday
    std::int64_t w = (d + 6) % 7;
    if (w < 0) w += 7;
    return int(w) + 1;
}

TDateTime DateOf(TDateTime dt) { return std::trunc(dt); }
TDateTime TimeOf(TDateTime dt) { return std::fabs(dt - std::trunc(dt)); }
TDateTime IncDay(TDateTime dt, int days) { return dt + days; }

namespace core {

TDateTime unix_to_local_datetime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, 0);
}

std::time_t local_datetime_to_unix(TDateTime dt) {
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(dt, y, m, d, h, n, s, ms);
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = n;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TDateTime system_now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, int(ts.tv_nsec / 1000000));
}

}  // namespace core

TDateTime Now() {
    const std::function<TDateTime()> clock = core::clock_slot.get();
    return clock ? clock() : core::system_now();
}

TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }

int DateTimeToFileDate(TDateTime dt) {
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(dt, y, m, d, h, n, s, ms);
    if (y < 1980 || y > 2107) return 0;
    std::uint32_t v = (std::uint32_t(y - 1980) << 25) | (std::uint32_t(m) << 21) | (std::uint32_t(d) << 16) |
                      (std::uint32_t(h) << 11) | (std::uint32_t(n) << 5) | std::uint32_t(s / 2);
    return static_cast<int>(v);
}

TDateTime FileDateToDateTime(int file_date) {
    std::uint32_t v = static_cast<std::uint32_t>(file_date);
    int y = int(v >> 25) + 1980, m = int((v >> 21) & 15), d = int((v >> 16) & 31);
    int h = int((v >> 11) & 31), n = int((v >> 5) & 63), s = int(v & 31) * 2;
    return EncodeDate(y, m, d) + EncodeTime(h, n, s, 0);
}

std::int64_t DateTimeToUnix(TDateTime dt) { return std::llround((dt - UnixDateDelta) * 86400.0); }
TDateTime UnixToDateTime(std::int64_t seconds) { return double(seconds) / 86400.0 + UnixDateDelta; }

// ------------------------------------------------------------ formatting

namespace {

std::string two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

void format_into(std::string& out, std::string_view f, TDateTime dt, const TFormatSettings& fs, int depth) {
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(dt, y, m, d, h, n, s, ms);
    bool ampm_present = false;
    {
        std::string up = UpperCase(f);
        ampm_present = up.find("AM/PM") != std::string::npos || up.find("A/P") != std::string::npos ||
                       up.find("AMPM") != std::string::npos;
    }
    bool last_was_hour = false;
    std::size_t i = 0;
    auto count = [&](char c) {
        std::size_t k = i;
        while (k < f.size() && (f[k] | 0x20) == c) ++k;
        return k - i;
    };
    while (i < f.size()) {
        char c = f[i];
        char lc = char(c | 0x20);
        if (c == '"' || c == '\'') {
            std::size_t e = f.find(c, i + 1);
            if (e == std::string_view::npos) e = f.size();
            out.append(f.substr(i + 1, e - i - 1));
            i = e + 1;
            continue;
        }
        if (c == '/') {
            out += fs.DateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += fs.TimeSeparator;
            ++i;
            continue;
        }
        if (lc == 'a' && f.substr(i).size() >= 5 && UpperCase(f.substr(i, 5)) == "AM/PM") {
            out += h < 12 ? (f[i + 0] == 'a' ? "am" : "AM") : (f[i + 0] == 'a' ? "pm" : "PM");
            i += 5;
            continue;
        }
        if (lc == 'a' && f.substr(i).size() >= 3 && UpperCase(f.substr(i, 3)) == "A/P") {
            out += h < 12 ? (f[i] == 'a' ? "a" : "A") : (f[i] == 'a' ? "p" : "P");
            i += 3;
            continue;
        }
        if (lc == 'a' && f.substr(i).size() >= 4 && UpperCase(f.substr(i, 4)) == "AMPM") {
            out += h < 12 ? fs.TimeAMString : fs.TimePMString;
            i += 4;
            continue;
        }
        std::size_t k;
        switch (lc) {
        case 'c':
            ++i;
            if (depth < 2) {
                format_into(out, fs.ShortDateFormat, dt, fs, depth + 1);
                if (TimeOf(dt) != 0) {
                    out += ' ';
                    format_into(out, fs.LongTimeFormat, dt, fs, depth + 1);
                }
            }
            continue;
        case 'y':
            k = count('y');
            out += k <= 2 ? two(y % 100) : std::string(4 - std::min<std::size_t>(4, std::to_string(y).size()), '0') +
                                               std::to_string(y);
            i += k;
            last_was_hour = false;
            continue;
        case 'm':
            k = count('m');
            if (last_was_hour && k <= 2) {
                out += k == 1 ? std::to_string(n) : two(n);
            } else if (k == 1) {
                out += std::to_string(m);
            } else if (k == 2) {
                out += two(m);
            } else if (k == 3) {
                out += m ? fs.ShortMonthNames[m - 1] : "";
            } else {
                out += m ? fs.LongMonthNames[m - 1] : "";
            }
            i += k;
            last_was_hour = false;
            continue;
        case 'd':
            k = count('d');
            if (k == 1) out += std::to_string(d);
            else if (k == 2) out += two(d);
            else if (k == 3) out += fs.ShortDayNames[DayOfWeek(dt) - 1];
            else if (k == 4) out += fs.LongDayNames[DayOfWeek(dt) - 1];
            else if (depth < 2) format_into(out, k == 5 ? fs.ShortDateFormat : fs.LongDateFormat, dt, fs, depth + 1);
            i += k;
            last_was_hour = false;
            continue;
        case 'h': {
            k = count('h');
            int hh = h;
            if (ampm_present) {
                hh = h % 12;
                if (hh == 0) hh = 12;
            }
            out += k == 1 ? std::to_string(hh) : two(hh);
            i += k;
            last_was_hour = true;
            continue;
        }
        case 'n':
            k = count('n');
            out += k == 1 ? std::to_string(n) : two(n);
            i += k;
            last_was_hour = false;
            continue;
        case 's':
            k = count('s');
            out += k == 1 ? std::to_string(s) : two(s);
            i += k;
            last_was_hour = false;
            continue;
        case 'z': {
            k = count('z');
            std::string z = std::to_string(ms);
            if (k >= 3) z.insert(0, 3 - z.size(), '0');
            out += z;
            i += k;
            continue;
        }
        case 't':
            k = count('t');
            if (depth < 2) format_into(out, k == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, dt, fs, depth + 1);
            i += k;
            continue;
        default:
            out += c;
            ++i;
        }
    }
}

// Splits "12/31/2024" style text into numbers separated by `sep`.
bool split_numbers(std::string_view s, char sep, std::vector<int>& parts, std::vector<int>& widths) {
    parts.clear();
    widths.clear();
    std::size_t i = 0;
    while (true) {
        std::size_t b = i;
        int v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            v = v * 10 + (s[i] - '0');
            if (v > 100000) return false;
            ++i;
        }
        if (i == b) return false;
        parts.push_back(v);
        widths.push_back(int(i - b));
        if (i == s.size()) return true;
        if (s[i] != sep) return false;
        ++i;
    }
}

int expand_year(int y, int width) {
    if (width > 2) return y;
    int current;
    {
        Word cy, cm, cd;
        DecodeDate(Now(), cy, cm, cd);
        current = cy;
    }
    int threshold = current - 50;  // the year falls in (current - 50, current + 50]
    int century = threshold / 100 * 100;
    int full = century + y;
    if (full <= threshold) full += 100;
    return full;
}

bool parse_date(std::string_view s, TDateTime& value, const TFormatSettings& fs) {
    std::string t = Trim(s);
    std::vector<int> p, w;
    if (!split_numbers(t, fs.DateSeparator, p, w) || p.size() < 2 || p.size() > 3) return false;
    // order of the fields from the short date format
    std::string order;
    for (char c : fs.ShortDateFormat) {
        char lc = char(c | 0x20);
        if ((lc == 'd' || lc == 'm' || lc == 'y') && order.find(lc) == std::string::npos) order += lc;
    }
    if (order.size() != 3) order = "dmy";
    int y = 0, m = 0, d = 0, yw = 4;
    if (p.size() == 2) {
        Word cy, cm, cd;
        DecodeDate(Now(), cy, cm, cd);
        y = cy;
        bool day_first = order.find('d') < order.find('m');
        d = day_first ? p[0] : p[1];
        m = day_first ? p[1] : p[0];
    } else {
        for (std::size_t k = 0; k < 3; ++k) {
            if (order[k] == 'y') y = p[k], yw = w[k];
            else if (order[k] == 'm') m = p[k];
            else d = p[k];
        }
        y = expand_year(y, yw);
    }
    return TryEncodeDate(y, m, d, value);
}

bool parse_time(std::string_view s, TDateTime& value, const TFormatSettings& fs) {
    std::string t = Trim(s);
    int pm = -1;  // -1 none, 0 am, 1 pm
    auto strip_suffix = [&](const std::string& suffix, int which) {
        if (!suffix.empty() && t.size() > suffix.size() &&
            SameText(std::string_view(t).substr(t.size() - suffix.size()), suffix)) {
            t = Trim(std::string_view(t).substr(0, t.size() - suffix.size()));
            pm = which;
            return true;
        }
        return false;
    };
    if (!strip_suffix(fs.TimeAMString, 0) && !strip_suffix(fs.TimePMString, 1)) {
        strip_suffix("AM", 0) || strip_suffix("PM", 1);
    }
    int msec = 0;
    std::size_t dot = t.find_first_of(std::string(1, fs.DecimalSeparator) + ".");
    if (dot != std::string::npos) {
        std::string frac = t.substr(dot + 1);
        if (frac.empty() || frac.size() > 3 || frac.find_first_not_of("0123456789") != std::string::npos)
            return false;
        while (frac.size() < 3) frac += '0';
        msec = std::stoi(frac);
        t.resize(dot);
    }
    std::vector<int> p, w;
    if (!split_numbers(t, fs.TimeSeparator, p, w) || p.size() < 2 || p.size() > 3) return false;
    int h = p[0];
    if (pm >= 0) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + (pm == 1 ? 12 : 0);
    }
    return TryEncodeTime(h, p[1], p.size() > 2 ? p[2] : 0, msec, value);
}

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& fs) {
    std::string out;
    format_into(out, format.empty() ? std::string_view("c") : format, dt, fs, 0);
    return out;
}

std::string FormatDateTime(std::string_view format, TDateTime dt) { return FormatDateTime(format, dt, FormatSettings); }
std::string DateToStr(TDateTime dt, const TFormatSettings& fs) { return FormatDateTime("ddddd", dt, fs); }
std::string DateToStr(TDateTime dt) { return DateToStr(dt, FormatSettings); }
std::string TimeToStr(TDateTime dt, const TFormatSettings& fs) { return FormatDateTime("tt", dt, fs); }
std::string TimeToStr(TDateTime dt) { return TimeToStr(dt, FormatSettings); }
std::string DateTimeToStr(TDateTime dt, const TFormatSettings& fs) { return FormatDateTime("c", dt, fs); }
std::string DateTimeToStr(TDateTime dt) { return DateTimeToStr(dt, FormatSettings); }

bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& fs) { return parse_date(s, value, fs); }

TDateTime StrToDate(std::string_view s, const TFormatSettings& fs) {
    TDateTime v;
    if (!parse_date(s, v, fs)) throw EConvertError(Format("'%s' is not a valid date", {std::string(s)}));
    return v;
}

TDateTime StrToDate(std::string_view s) { return StrToDate(s, FormatSettings); }

TDateTime StrToDateDef(std::string_view s, TDateTime def) {
    TDateTime v;
    return parse_date(s, v, FormatSettings) ? v : def;
}

bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& fs) { return parse_time(s, value, fs); }

TDateTime StrToTime(std::string_view s, const TFormatSettings& fs) {
    TDateTime v;
    if (!parse_time(s, v, fs)) throw EConvertError(Format("'%s' is not a valid time", {std::string(s)}));
    return v;
}

TDateTime StrToTime(std::string_view s) { return StrToTime(s, FormatSettings); }

bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& fs) {
    std::string t = Trim(s);
    std::size_t sp = t.find(' ');
    TDateTime d, tm = 0;
    if (sp == std::string::npos) {
        if (parse_date(t, d, fs)) {
            value = d;
            return true;
        }
        if (parse_time(t, tm, fs)) {
            value = tm;
            return true;
        }
        return false;
    }
    if (!parse_date(std::string_view(t).substr(0, sp), d, fs) || !parse_time(std::string_view(t).substr(sp + 1), tm, fs))
        return false;
    value = d < 0 ? d - tm : d + tm;
    return true;
}

TDateTime StrToDateTime(std::string_view s, const TFormatSettings& fs) {
    TDateTime v;
    if (!TryStrToDateTime(s, v, fs))
        throw EConvertError(Format("'%s' is not a valid date and time", {std::string(s)}));
    return v;
}

TDateTime StrToDateTime(std::string_view s) { return StrToDateTime(s, FormatSettings); }
