#include "platform/core/SysUtils.h"
#include "platform/core/detail/Decimal.h"
#include "platform/core/detail/Files.h"

#include "platform/core/CodePages.h"
#include "platform/core/DateUtils.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

TFormatSettings FormatSettings;

// ------------------------------------------------------------------ errors

std::string SysErrorMessage(int err) {
    char buf[256];
    const char* text = strerror_r(err, buf, sizeof buf);  // GNU variant
    return text ? text : "Unknown error";
}

void RaiseLastOSError(int err) {
    throw EOSError(Format("System Error.  Code: %d.\n%s", {err, SysErrorMessage(err)}), err);
}

void Abort() { throw EAbort("Operation aborted"); }

// ----------------------------------------------------------------- currency

Currency Currency::FromDouble(double value) {
    double scaled = std::nearbyint(value * 10000.0);  // default rounding: half to even
    if (!(scaled >= -9.2233720368547758e18 && scaled < 9.2233720368547758e18))
        throw ERangeError("Range check error");
    return FromRaw(static_cast<std::int64_t>(scaled));
}

std::int64_t Currency::ToCents() const {
    std::int64_t q = v_ / 100, r = v_ % 100;
    if (r > 50 || (r == 50 && (q & 1))) ++q;
    else if (r < -50 || (r == -50 && (q & 1))) --q;
    return q;
}

// -------------------------------------------------------------- conversions

namespace {

// Integer text as the class library's Val reads it. `hex_max` is the largest
// hexadecimal magnitude accepted (it wraps into the signed range).
bool parse_integer(std::string_view s, std::int64_t min, std::int64_t max, std::uint64_t hex_max,
                   std::int64_t& out) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    std::uint64_t v = 0;
    if (hex) {
        for (; i < s.size(); ++i) {
            char c = s[i];
            int d = c >= '0' && c <= '9' ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) return false;
            if (v > (hex_max >> 4)) return false;
            v = (v << 4) | std::uint64_t(d);
            if (v > hex_max) return false;
        }
        std::int64_t r;
        if (hex_max == 0xFFFFFFFFull) r = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        else r = static_cast<std::int64_t>(v);
        out = neg ? static_cast<std::int64_t>(0ull - static_cast<std::uint64_t>(r)) : r;
        if (hex_max == 0xFFFFFFFFull) out = static_cast<std::int32_t>(static_cast<std::uint32_t>(out));
        return true;
    }
    std::uint64_t limit = neg ? static_cast<std::uint64_t>(-(min + 1)) + 1 : static_cast<std::uint64_t>(max);
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c < '0' || c > '9') return false;
        std::uint64_t d = std::uint64_t(c - '0');
        if (v > (limit - d) / 10) return false;
        v = v * 10 + d;
    }
    out = neg ? static_cast<std::int64_t>(0ull - v) : static_cast<std::int64_t>(v);
    return true;
}

[[noreturn]] void invalid_integer(std::string_view s) {
    throw EConvertError(Format("'%s' is not a valid integer value", {std::string(s)}));
}

[[noreturn]] void invalid_float(std::string_view s) {
    throw EConvertError(Format("'%s' is not a valid floating point value", {std::string(s)}));
}

bool is_blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Decimal number text: blanks around, sign, digits, one decimal separator, exponent.
// Produces a normalized text for from_chars, or false.
bool normalize_float(std::string_view s, char decimal, std::string& out) {
    std::size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b])) ++b;
    while (e > b && is_blank(s[e - 1])) --e;
    s = s.substr(b, e - b);
    out.clear();
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') out += '-';
        ++i;
    }
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') out += s[i++], digits = true;
    if (i < s.size() && s[i] == decimal) {
        out += '.';
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') out += s[i++], digits = true;
    }
    if (!digits) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        out += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) out += s[i++];
        bool exp_digits = false;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') out += s[i++], exp_digits = true;
        if (!exp_digits) return false;
    }
    return i == s.size();
}

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

std::string general_float(double value, int precision, char decimal) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    // A whole number with no more digits than the precision is its own text.
    if (precision >= 1 && precision <= 15 && std::fabs(value) < kPowersOfTen[precision] && value == std::trunc(value)) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(value));
        return std::string(buf, r.ptr);
    }
    std::string digits;
    int exp10;
    core::detail::decimal_digits(value, precision, digits, exp10);
    std::string out = value < 0 ? "-" : "";
    if (exp10 > precision || exp10 < -3) {
        out += digits[0];
        if (digits.size() > 1) out += decimal + digits.substr(1);
        out += 'E' + std::to_string(exp10 - 1);
    } else if (exp10 <= 0) {
        out += '0';
        out += decimal;
        out += std::string(std::size_t(-exp10), '0') + digits;
    } else {
        if (int(digits.size()) <= exp10) {
            out += digits + std::string(std::size_t(exp10) - digits.size(), '0');
        } else {
            out += digits.substr(0, std::size_t(exp10));
            out += decimal;
            out += digits.substr(std::size_t(exp10));
        }
    }
    return out;
}

// Exact decimal text to ten-thousandths, rounding half to even beyond 4 places.
bool parse_currency(std::string_view s, char decimal, Currency& out) {
    std::string norm;
    if (!normalize_float(s, decimal, norm)) return false;
    bool neg = false;
    std::size_t i = 0;
    if (norm[0] == '-') neg = true, i = 1;
    std::string digits;
    int point = -1;
    int exp = 0;
    for (; i < norm.size(); ++i) {
        char c = norm[i];
        if (c == '.') point = int(digits.size());
        else if (c == 'e') {
            std::int64_t e = 0;
            if (!parse_integer(norm.substr(i + 1), -100000, 100000, 0, e)) return false;
            exp = int(e);
            break;
        } else digits += c;
    }
    if (point < 0) point = int(digits.size());
    point += exp + 4;  // digits before this index form the raw value
    std::int64_t raw = 0;
    const std::int64_t lim = std::numeric_limits<std::int64_t>::max();
    for (int k = 0; k < point; ++k) {
        int d = k < int(digits.size()) ? digits[std::size_t(k)] - '0' : 0;
        if (raw > (lim - d) / 10) return false;
        raw = raw * 10 + d;
    }
    // digits beyond the fourth decimal: round half to even (a value below
    // 0.00001 has point < 0 and rounds to zero)
    if (point >= 0 && point < int(digits.size())) {
        int first = digits[std::size_t(point)] - '0';
        bool rest = digits.find_first_not_of('0', std::size_t(point) + 1) != std::string::npos;
        if (first > 5 || (first == 5 && (rest || (raw & 1)))) {
            if (raw == lim) return false;
            ++raw;
        }
    }
    out = Currency::FromRaw(neg ? -raw : raw);
    return true;
}

}  // namespace

bool TryStrToInt(std::string_view s, int& value) {
    std::int64_t v;
    if (!parse_integer(s, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
                       0xFFFFFFFFull, v))
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(std::string_view s) {
    int v;
    if (!TryStrToInt(s, v)) invalid_integer(s);
    return v;
}

int StrToIntDef(std::string_view s, int def) {
    int v;
    return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(std::string_view s, std::int64_t& value) {
    return parse_integer(s, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                         ~0ull, value);
}

std::int64_t StrToInt64(std::string_view s) {
    std::int64_t v;
    if (!TryStrToInt64(s, v)) invalid_integer(s);
    return v;
}

std::int64_t StrToInt64Def(std::string_view s, std::int64_t def) {
    std::int64_t v;
    return TryStrToInt64(s, v) ? v : def;
}

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::string IntToHex(std::int64_t value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::uint64_t v = static_cast<std::uint64_t>(value);
    std::string out;
    do {
        out.insert(out.begin(), hex[v & 15]);
        v >>= 4;
    } while (v);
    if (int(out.size()) < digits) out.insert(0, std::size_t(digits) - out.size(), '0');
    return out;
}

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs) {
    std::string norm;
    if (!normalize_float(s, fs.DecimalSeparator, norm)) return false;
    double v = 0;
    auto r = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // underflow gives zero; overflow is an error
        std::size_t e = norm.find('e');
        if (e == std::string::npos || norm[e + 1] != '-') return false;
        v = 0;
    } else if (r.ec != std::errc() || r.ptr != norm.data() + norm.size()) {
        return false;
    }
    value = v;
    return true;
}

bool TryStrToFloat(std::string_view s, double& value) { return TryStrToFloat(s, value, FormatSettings); }

double StrToFloat(std::string_view s, const TFormatSettings& fs) {
    double v;
    if (!TryStrToFloat(s, v, fs)) invalid_float(s);
    return v;
}

double StrToFloat(std::string_view s) { return StrToFloat(s, FormatSettings); }

double StrToFloatDef(std::string_view s, double def) {
    double v;
    return TryStrToFloat(s, v) ? v : def;
}

std::string FloatToStr(double value, const TFormatSettings& fs) {
    return general_float(value, 15, fs.DecimalSeparator);
}

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

bool TryStrToCurr(std::string_view s, Currency& value) { return parse_currency(s, FormatSettings.DecimalSeparator, value); }

Currency StrToCurr(std::string_view s, const TFormatSettings& fs) {
    Currency c;
    if (!parse_currency(s, fs.DecimalSeparator, c)) invalid_float(s);
    return c;
}

Currency StrToCurr(std::string_view s) { return StrToCurr(s, FormatSettings); }

Currency StrToCurrDef(std::string_view s, Currency def) {
    Currency c;
    return TryStrToCurr(s, c) ? c : def;
}

std::string CurrToStr(Currency value, const TFormatSettings& fs) {
    std::int64_t raw = value.Raw();
    std::uint64_t mag = raw < 0 ? 0ull - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
    std::string out = raw < 0 ? "-" : "";
    out += std::to_string(mag / 10000);
    std::uint64_t frac = mag % 10000;
    if (frac) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (f.back() == '0') f.pop_back();
        out += fs.DecimalSeparator + f;
    }
    return out;
}

std::string CurrToStr(Currency value) { return CurrToStr(value, FormatSettings); }

std::string BoolToStr(bool value, bool use_bool_strs) {
    if (use_bool_strs) return value ? "True" : "False";
    return value ? "-1" : "0";
}

bool StrToBool(std::string_view s) {
    if (SameText(Trim(s), "True")) return true;
    if (SameText(Trim(s), "False")) return false;
    std::int64_t v;
    if (TryStrToInt64(s, v)) return v != 0;
    throw EConvertError(Format("'%s' is not a valid boolean value", {std::string(s)}));
}

// ------------------------------------------------------------------ strings

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b])) ++b;
    while (e > b && is_blank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && is_blank(s[b])) ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && is_blank(s[e - 1])) --e;
    return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return r;
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return r;
}

std::string AnsiUpperCase(std::string_view s) { return core::utf8_upper(s); }
std::string AnsiLowerCase(std::string_view s) { return core::utf8_lower(s); }

int CompareStr(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) { return CompareStr(UpperCase(a), UpperCase(b)); }
bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    return CompareText(a, b) == 0;
}
int AnsiCompareStr(std::string_view a, std::string_view b) { return CompareStr(a, b); }
int AnsiCompareText(std::string_view a, std::string_view b) {
    return CompareStr(core::utf8_upper(a), core::utf8_upper(b));
}
bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

std::string QuotedStr(std::string_view s) {
    std::string r = "'";
    for (char c : s) {
        r += c;
        if (c == '\'') r += c;
    }
    return r + "'";
}

std::string StringOfChar(char c, int count) { return count > 0 ? std::string(std::size_t(count), c) : std::string(); }

std::string Copy(std::string_view s, int index, int count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > int(s.size())) return {};
    return std::string(s.substr(std::size_t(index - 1), std::size_t(count)));
}

int Pos(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    std::size_t p = s.find(sub);
    return p == std::string_view::npos ? 0 : int(p) + 1;
}

std::string StringReplace(std::string_view s, std::string_view old_pattern, std::string_view new_pattern,
                          TReplaceFlags flags) {
    if (old_pattern.empty()) return std::string(s);
    std::string hay = (flags & rfIgnoreCase) ? core::utf8_upper(s) : std::string(s);
    std::string needle = (flags & rfIgnoreCase) ? core::utf8_upper(old_pattern) : std::string(old_pattern);
    if (hay.size() != s.size()) {  // upper-casing changed byte lengths: fall back to ASCII folding
        hay = UpperCase(s);
        needle = UpperCase(old_pattern);
    }
    std::string out;
    std::size_t pos = 0;
    while (true) {
        std::size_t f = hay.find(needle, pos);
        if (f == std::string::npos) break;
        out.append(s.substr(pos, f - pos));
        out.append(new_pattern);
        pos = f + needle.size();
        if (!(flags & rfReplaceAll)) break;
    }
    out.append(s.substr(pos));
    return out;
}

// ------------------------------------------------------------------- Format

namespace {

[[noreturn]] void bad_format(std::string_view fmt) {
    throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

std::string fixed_float(double v, int prec, char decimal) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, prec);
    std::string s(buf, r.ptr);
    if (s == "-0" || (s.rfind("-0.", 0) == 0 && s.find_first_not_of("-0.") == std::string::npos)) s.erase(0, 1);
    for (char& c : s)
        if (c == '.') c = decimal;
    return s;
}

std::string group_thousands(std::string s, char decimal, char thousand) {
    std::size_t start = (s[0] == '-') ? 1 : 0;
    std::size_t end = s.find(decimal);
    if (end == std::string::npos) end = s.size();
    for (std::size_t p = end; p > start + 3; p -= 3) s.insert(p - 3, 1, thousand);
    return s;
}

std::string sci_float(double v, int prec, char decimal) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (prec < 1) prec = 1;
    if (prec > 18) prec = 18;
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, prec - 1);
    std::string s(buf, r.ptr);
    std::size_t e = s.find('e');
    std::string mant = s.substr(0, e);
    for (char& c : mant)
        if (c == '.') c = decimal;
    int ex = std::atoi(s.c_str() + e + 1);
    std::string exs = std::to_string(std::abs(ex));
    while (exs.size() < 3) exs.insert(0, "0");
    return mant + "E" + (ex < 0 ? "-" : "+") + exs;
}

std::string format_impl(std::string_view fmt, const TVarRec* args, std::size_t nargs, const TFormatSettings& fs) {
    std::string out;
    std::size_t next = 0;
    std::size_t i = 0;
    auto arg = [&](std::size_t idx) -> const TVarRec& {
        if (idx >= nargs) throw EConvertError("No argument for format '" + std::string(fmt) + "'");
        return args[idx];
    };
    while (i < fmt.size()) {
        char c = fmt[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        std::size_t spec_start = i;
        ++i;
        if (i >= fmt.size()) bad_format(fmt);
        if (fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        auto read_num = [&](int& v) -> bool {  // number or '*'
            if (i < fmt.size() && fmt[i] == '*') {
                const TVarRec& a = arg(next++);
                if (a.kind() != TVarRec::Kind::Integer) bad_format(fmt);
                v = int(a.integer());
                ++i;
                return true;
            }
            bool any = false;
            v = 0;
            while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
                v = v * 10 + (fmt[i++] - '0');
                if (v > 100000) bad_format(fmt);
                any = true;
            }
            return any;
        };
        int n = 0;
        bool left = false;
        int width = -1, prec = -1;
        // [index:]
        std::size_t save = i;
        bool digits = i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9';
        if (digits && read_num(n) && i < fmt.size() && fmt[i] == ':') {
            next = std::size_t(n);
            ++i;
        } else {
            i = save;
        }
        if (i < fmt.size() && fmt[i] == '-') left = true, ++i;
        int w;
        if (read_num(w)) width = w;
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            int p;
            if (!read_num(p)) p = 0;
            prec = p;
        }
        if (i >= fmt.size()) bad_format(fmt);
        char type = char(fmt[i] | 0x20);
        ++i;
        (void)spec_start;
        const TVarRec& a = arg(next++);
        using K = TVarRec::Kind;
        std::string s;
        auto as_double = [&]() -> double {
            if (a.kind() == K::Float) return a.real();
            if (a.kind() == K::Currency) return a.currency().ToDouble();
            bad_format(fmt);
        };
        switch (type) {
        case 'd':
        case 'u': {
            if (a.kind() != K::Integer) bad_format(fmt);
            std::int64_t v = a.integer();
            std::uint64_t mag;
            bool neg = false;
            if (type == 'u') {
                mag = (v < 0 && v >= std::numeric_limits<std::int32_t>::min())
                          ? std::uint64_t(static_cast<std::uint32_t>(v))
                          : static_cast<std::uint64_t>(v);
            } else {
                neg = v < 0;
                mag = neg ? 0ull - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
            }
            s = std::to_string(mag);
            if (prec > int(s.size())) s.insert(0, std::size_t(prec) - s.size(), '0');
            if (neg) s.insert(0, "-");
            break;
        }
        case 'x': {
            if (a.kind() != K::Integer) bad_format(fmt);
            std::int64_t v = a.integer();
            if (v < 0 && v >= std::numeric_limits<std::int32_t>::min())
                v = std::int64_t(static_cast<std::uint32_t>(v));
            s = IntToHex(v, prec > 0 ? prec : 1);
            break;
        }
        case 'f':
            s = fixed_float(as_double(), prec < 0 ? 2 : std::min(prec, 18), fs.DecimalSeparator);
            if (a.kind() == K::Currency && prec < 0) s = fixed_float(a.currency().ToDouble(), 2, fs.DecimalSeparator);
            break;
        case 'n':
            s = group_thousands(fixed_float(as_double(), prec < 0 ? 2 : std::min(prec, 18), fs.DecimalSeparator),
                                fs.DecimalSeparator, fs.ThousandSeparator);
            break;
        case 'm': {
            double v = as_double();
            std::string num = group_thousands(
                fixed_float(std::fabs(v), prec < 0 ? fs.CurrencyDecimals : std::min(prec, 18), fs.DecimalSeparator),
                fs.DecimalSeparator, fs.ThousandSeparator);
            switch (fs.CurrencyFormat) {
            case 1: s = num + fs.CurrencyString; break;
            case 2: s = fs.CurrencyString + " " + num; break;
            case 3: s = num + " " + fs.CurrencyString; break;
            default: s = fs.CurrencyString + num; break;
            }
            if (v < 0) s.insert(0, "-");
            break;
        }
        case 'e':
            s = sci_float(as_double(), prec < 0 ? 15 : prec, fs.DecimalSeparator);
            break;
        case 'g':
            s = general_float(as_double(), prec <= 0 || prec > 18 ? 15 : prec, fs.DecimalSeparator);
            break;
        case 'p': {
            if (a.kind() != K::Pointer) bad_format(fmt);
            s = IntToHex(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(a.pointer())), 16);
            break;
        }
        case 's':
            if (a.kind() != K::String) bad_format(fmt);
            s = a.text();
            if (prec >= 0 && std::size_t(prec) < s.size()) s.resize(std::size_t(prec));
            break;
        default:
            bad_format(fmt);
        }
        if (width > int(s.size())) {
            if (left) s.append(std::size_t(width) - s.size(), ' ');
            else s.insert(0, std::size_t(width) - s.size(), ' ');
        }
        out += s;
    }
    return out;
}

}  // namespace

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args) {
    return format_impl(fmt, args.begin(), args.size(), FormatSettings);
}

std::string Format(std::string_view fmt, const std::vector<TVarRec>& args) {
    return format_impl(fmt, args.data(), args.size(), FormatSettings);
}

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args, const TFormatSettings& fs) {
    return format_impl(fmt, args.begin(), args.size(), fs);
}

// ------------------------------------------------------------- file names

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string r(path);
    if (r.empty() || r.back() != PathDelim) r += PathDelim;
    return r;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    std::string r(path);
    if (r.size() > 1 && r.back() == PathDelim) r.pop_back();
    return r;
}

std::string ExtractFilePath(std::string_view file_name) {
    std::size_t p = file_name.rfind(PathDelim);
    return p == std::string_view::npos ? std::string() : std::string(file_name.substr(0, p + 1));
}

std::string ExtractFileDir(std::string_view file_name) {
    std::size_t p = file_name.rfind(PathDelim);
    if (p == std::string_view::npos) return {};
    if (p == 0) return "/";
    return std::string(file_name.substr(0, p));
}

std::string ExtractFileName(std::string_view file_name) {
    std::size_t p = file_name.rfind(PathDelim);
    return std::string(p == std::string_view::npos ? file_name : file_name.substr(p + 1));
}

namespace {
std::size_t ext_pos(std::string_view file_name) {
    std::size_t p = file_name.find_last_of(".");
    std::size_t d = file_name.rfind(PathDelim);
    if (p == std::string_view::npos || (d != std::string_view::npos && d > p)) return std::string_view::npos;
    return p;
}
}  // namespace

std::string ExtractFileExt(std::string_view file_name) {
    std::size_t p = ext_pos(file_name);
    return p == std::string_view::npos ? std::string() : std::string(file_name.substr(p));
}

std::string ChangeFileExt(std::string_view file_name, std::string_view ext) {
    std::size_t p = ext_pos(file_name);
    std::string r(p == std::string_view::npos ? file_name : file_name.substr(0, p));
    return r + std::string(ext);
}

std::string GetCurrentDir() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::string() : p.string();
}

std::string ExpandFileName(std::string_view file_name) {
    if (file_name.empty()) return {};
    std::filesystem::path p{std::string(file_name)};
    if (p.is_relative()) p = std::filesystem::path(GetCurrentDir()) / p;
    std::string r = p.lexically_normal().string();
    if (r.size() > 1 && r.back() == '/' && file_name.back() != '/') r.pop_back();
    return r;
}

// ---------------------------------------------------------------- files

bool FileExists(std::string_view file_name) {
    struct stat st;
    return !file_name.empty() && ::stat(std::string(file_name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view dir) {
    struct stat st;
    return !dir.empty() && ::stat(std::string(dir).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(std::string_view file_name) {
    if (file_name.empty() || DirectoryExists(file_name)) return false;
    return ::unlink(std::string(file_name).c_str()) == 0;
}

bool RenameFile(std::string_view old_name, std::string_view new_name) {
    return ::rename(std::string(old_name).c_str(), std::string(new_name).c_str()) == 0;
}

bool CreateDir(std::string_view dir) { return ::mkdir(std::string(dir).c_str(), 0777) == 0; }
bool RemoveDir(std::string_view dir) { return ::rmdir(std::string(dir).c_str()) == 0; }

bool ForceDirectories(std::string_view dir) {
    if (dir.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(std::string(dir), ec);
    return DirectoryExists(dir);
}

std::int64_t FileSizeOf(std::string_view file_name) {
    struct stat st;
    if (::stat(std::string(file_name).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return st.st_size;
}

int FileAge(std::string_view file_name) {
    struct stat st;
    if (::stat(std::string(file_name).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return DateTimeToFileDate(core::unix_to_local_datetime(st.st_mtime));
}

namespace core::detail {

int make_temp_file(const std::string& folder, std::string_view prefix, std::string& path, int* error) {
    static thread_local std::mt19937_64 rng{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    const std::string base = IncludeTrailingPathDelimiter(folder) + std::string(prefix);
    int last = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base + IntToHex(std::int64_t(rng() & 0xFFFFFFFFFFull), 10) + ".tmp";
        int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            path = std::move(name);
            if (error) *error = 0;
            return fd;
        }
        last = errno;
        if (last != EEXIST) break;
    }
    if (error) *error = last;
    return -1;
}

void save_file(const std::string& path, std::string_view data) {
    std::string dir = ExtractFilePath(path);
    std::string temp;
    auto fail = [&](int err) {
        throw EFCreateError(Format("Cannot create file \"%s\". %s", {path, SysErrorMessage(err)}));
    };
    int made = 0;
    int fd = make_temp_file(dir.empty() ? std::string("./") : dir, "." + ExtractFileName(path) + ".", temp, &made);
    if (fd < 0) fail(made);
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    // keep the permissions of the file being replaced; a new file gets 0666 less the umask
    struct stat st;
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            ::unlink(name.data());
            fail(EISDIR);
        }
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const char* p = data.data();
    std::size_t left = data.size();
    int err = 0;
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        p += w;
        left -= std::size_t(w);
    }
    if (!err && ::fchmod(fd, mode) != 0) err = errno;
    // On the disk before it takes the name: a failed flush leaves the old file.
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(name.data(), path.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(name.data());
        fail(err);
    }
    const std::string folder = ExtractFileDir(path);
    if (int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

std::string read_file(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    auto fail = [&](int err) {
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {path, SysErrorMessage(err)}));
    };
    if (fd < 0) fail(errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        fail(EISDIR);
    }
    std::string out;
    char buf[65536];
    while (true) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            fail(err);
        }
        if (r == 0) break;
        out.append(buf, std::size_t(r));
    }
    ::close(fd);
    return out;
}

}  // namespace core::detail

namespace core::detail {

void decimal_digits(double v, int precision, std::string& digits, int& exp10) {
    char buf[64];
    const double a = std::fabs(v);
    // The shortest text that reads back as a normal v, when it has no more
    // digits than asked for, is the rounding to that many digits: up to 15
    // digits two such decimals lie several units in the last place apart,
    // so none other comes as near. It is cheaper than the rounding itself.
    std::to_chars_result r{};
    if (precision <= 15 && a >= std::numeric_limits<double>::min()) {
        r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
        std::size_t significant = 0;
        for (const char* p = buf; p < r.ptr && *p != 'e'; ++p) significant += *p != '.';
        if (significant > std::size_t(precision)) r.ptr = nullptr;
    }
    if (!r.ptr) r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, precision - 1);
    std::string_view t(buf, std::size_t(r.ptr - buf));
    std::size_t epos = t.find('e');
    digits.clear();
    for (char c : t.substr(0, epos))
        if (c != '.') digits += c;
    int e = 0;
    std::from_chars(t.data() + epos + 1 + (t[epos + 1] == '+'), t.data() + t.size(), e);
    exp10 = e + 1;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

}  // namespace core::detail
