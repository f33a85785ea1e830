#pragma once
// Base exception of the whole system, the run-time's common exception classes,
// and the class library's string, number and file-name routines.
//
// Every conversion here is independent of the process locale: separators come
// from FormatSettings (a plain global, '.' for decimals by default) or from a
// TFormatSettings passed explicitly.

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------- exceptions

// Every exception the system raises derives from Exception; Message() is the
// text shown to a person, exactly as the system words it.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Declares an exception class E derived from B with Exception's constructor.
#define TAMBLERO_EXCEPTION(E, B)          \
    class E : public B {                  \
    public:                               \
        using B::B;                       \
    };

TAMBLERO_EXCEPTION(EAbort, Exception)            // silent exception: "Operation aborted"
TAMBLERO_EXCEPTION(EConvertError, Exception)     // text to number/date conversions, Format
TAMBLERO_EXCEPTION(EOutOfMemory, Exception)      // "Out of memory"
TAMBLERO_EXCEPTION(EInvalidCast, Exception)      // "Invalid class typecast"
TAMBLERO_EXCEPTION(EInvalidOperation, Exception) // misuse of an object in its current state
TAMBLERO_EXCEPTION(EListError, Exception)        // "List index out of bounds (%d)" and kin
TAMBLERO_EXCEPTION(EStringListError, EListError) // sorted/duplicate string list errors
TAMBLERO_EXCEPTION(EStreamError, Exception)      // base of the stream errors
TAMBLERO_EXCEPTION(EReadError, EStreamError)     // "Stream read error"; form-resource read errors
TAMBLERO_EXCEPTION(EWriteError, EStreamError)    // "Stream write error"
TAMBLERO_EXCEPTION(EFCreateError, EStreamError)   // "Cannot create file \"%s\". %s"
TAMBLERO_EXCEPTION(EFOpenError, EStreamError)     // "Cannot open file \"%s\". %s"
TAMBLERO_EXCEPTION(EFilerError, EStreamError)    // form resources and class registration
TAMBLERO_EXCEPTION(EClassNotFound, EFilerError)  // "Class %s not found"
TAMBLERO_EXCEPTION(EComponentError, Exception)   // component names and ownership
TAMBLERO_EXCEPTION(EPropertyError, Exception)    // published property access by name
TAMBLERO_EXCEPTION(EIntError, Exception)         // base of integer arithmetic errors
TAMBLERO_EXCEPTION(EDivByZero, EIntError)        // "Division by zero"
TAMBLERO_EXCEPTION(ERangeError, EIntError)       // "Range check error"
TAMBLERO_EXCEPTION(EIntOverflow, EIntError)      // "Integer overflow"
TAMBLERO_EXCEPTION(EMathError, Exception)        // floating-point errors
TAMBLERO_EXCEPTION(EZeroDivide, EMathError)      // "Floating point division by zero"
TAMBLERO_EXCEPTION(EOverflow, EMathError)        // "Floating point overflow"
TAMBLERO_EXCEPTION(EExternal, Exception)

// A failing operating-system call: the OS error code and its text.
class EOSError : public Exception {
public:
    EOSError(std::string message, int error_code) : Exception(std::move(message)), ErrorCode(error_code) {}
    int ErrorCode;
};

// An input/output error of the run-time ("Disk full" is code 112, as Windows numbers it).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int error_code) : Exception(std::move(message)), ErrorCode(error_code) {}
    int ErrorCode;
};

// Raises EOSError "System Error.  Code: %d.\n%s" for errno value `err`.
[[noreturn]] void RaiseLastOSError(int err);
// Text of errno value `err` (strerror, never locale-translated by us).
std::string SysErrorMessage(int err);
// Raises EAbort with "Operation aborted".
[[noreturn]] void Abort();

// ------------------------------------------------------------ format settings

// Separators and formats used by the conversions; FormatSettings is the process-wide set.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongDateFormat = "dd mmmm yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::string CurrencyString = "$";
    int CurrencyFormat = 0;    // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int CurrencyDecimals = 2;
    std::string ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
    std::string ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::string LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
};
extern TFormatSettings FormatSettings;

// ------------------------------------------------------------------- currency

// Money: a signed count of ten-thousandths (four decimal places), exact.
class Currency {
public:
    constexpr Currency() = default;
    constexpr Currency(int units) : v_(std::int64_t(units) * 10000) {}
    static constexpr Currency FromRaw(std::int64_t ten_thousandths) { Currency c; c.v_ = ten_thousandths; return c; }
    static Currency FromDouble(double value);   // rounds half to even to 4 places; ERangeError when out of range
    static constexpr Currency FromCents(std::int64_t cents) { return FromRaw(cents * 100); }
    constexpr std::int64_t Raw() const { return v_; }
    double ToDouble() const { return double(v_) / 10000.0; }
    std::int64_t ToCents() const;               // whole cents, rounded half to even
    constexpr auto operator<=>(const Currency&) const = default;
    constexpr Currency operator-() const { return FromRaw(-v_); }
    constexpr Currency operator+(Currency o) const { return FromRaw(v_ + o.v_); }
    constexpr Currency operator-(Currency o) const { return FromRaw(v_ - o.v_); }
    constexpr Currency operator*(std::int64_t k) const { return FromRaw(v_ * k); }
    Currency& operator+=(Currency o) { v_ += o.v_; return *this; }
    Currency& operator-=(Currency o) { v_ -= o.v_; return *this; }

private:
    std::int64_t v_ = 0;
};

// ------------------------------------------------------------- conversions

// Integer text as the class library reads it: leading blanks, optional sign,
// decimal digits or hex after $, x, X, 0x, 0X; nothing may follow.
// Raises EConvertError "'%s' is not a valid integer value".
int StrToInt(std::string_view s);
int StrToIntDef(std::string_view s, int def);
bool TryStrToInt(std::string_view s, int& value);
std::int64_t StrToInt64(std::string_view s);
std::int64_t StrToInt64Def(std::string_view s, std::int64_t def);
bool TryStrToInt64(std::string_view s, std::int64_t& value);
std::string IntToStr(std::int64_t value);
// Upper-case hex with at least `digits` digits (two's complement for negatives).
std::string IntToHex(std::int64_t value, int digits);

// Float text: blanks around, sign, digits with the decimal separator, exponent E.
// Raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& fs);
double StrToFloatDef(std::string_view s, double def);
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs);
// Shortest general form with 15 significant digits ("0.1", "1E20", "-2.5E-7").
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& fs);
// A number through a mask: sections "positive;negative;zero", placeholders 0
// (a digit always) and # (a digit when there is one), the first '.' for the
// decimal separator, ',' anywhere for thousand separators, E+ E- e+ e- with
// 0s for a scientific exponent, text in single or double quotes, any other
// character as it is. The value is taken to 15 significant digits and then
// rounded half away from zero. An empty mask gives FloatToStr. A value that is
// not finite raises EConvertError.
std::string FormatFloat(std::string_view format, double value);
std::string FormatFloat(std::string_view format, double value, const TFormatSettings& fs);

// Currency text like float text, at most 4 decimals kept (rounded half to even).
Currency StrToCurr(std::string_view s);
Currency StrToCurr(std::string_view s, const TFormatSettings& fs);
Currency StrToCurrDef(std::string_view s, Currency def);
bool TryStrToCurr(std::string_view s, Currency& value);
std::string CurrToStr(Currency value);   // "12.5", "-0.0001", "3"
std::string CurrToStr(Currency value, const TFormatSettings& fs);

// "True"/"False"; StrToBool accepts those (any case) and integers (0 = false).
std::string BoolToStr(bool value, bool use_bool_strs = true);
bool StrToBool(std::string_view s);   // EConvertError "'%s' is not a valid boolean value"

// ------------------------------------------------------------------ strings

std::string Trim(std::string_view s);        // drops characters <= ' ' at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string UpperCase(std::string_view s);   // ASCII letters only
std::string LowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);  // UTF-8 text; accented letters too (see CodePages.h)
std::string AnsiLowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);    // byte order: <0, 0, >0
int CompareText(std::string_view a, std::string_view b);   // ASCII case ignored
bool SameText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b); // accented case ignored
bool AnsiSameText(std::string_view a, std::string_view b);
std::string QuotedStr(std::string_view s);    // 'it''s'
std::string StringOfChar(char c, int count);
// 1-based substring as the class library's Copy: out-of-range parts are clipped.
std::string Copy(std::string_view s, int index, int count);
// 1-based position of `sub` in `s`, 0 when absent.
int Pos(std::string_view sub, std::string_view s);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = int;
std::string StringReplace(std::string_view s, std::string_view old_pattern, std::string_view new_pattern,
                          TReplaceFlags flags);

// ------------------------------------------------------------------- Format

// One argument of Format: an integer, a float, a currency, a text or a pointer.
class TVarRec {
public:
    enum class Kind { Integer, Float, Currency, String, Pointer };
    TVarRec(int v) : kind_(Kind::Integer), i_(v) {}
    TVarRec(long v) : kind_(Kind::Integer), i_(v) {}
    TVarRec(long long v) : kind_(Kind::Integer), i_(v) {}
    TVarRec(unsigned v) : kind_(Kind::Integer), i_(v) {}
    TVarRec(unsigned long v) : kind_(Kind::Integer), i_(std::int64_t(v)) {}
    TVarRec(unsigned long long v) : kind_(Kind::Integer), i_(std::int64_t(v)) {}
    TVarRec(short v) : kind_(Kind::Integer), i_(v) {}
    TVarRec(unsigned short v) : kind_(Kind::Integer), i_(v) {}
    TVarRec(unsigned char v) : kind_(Kind::Integer), i_(v) {}
    TVarRec(double v) : kind_(Kind::Float), f_(v) {}
    TVarRec(float v) : kind_(Kind::Float), f_(v) {}
    TVarRec(long double v) : kind_(Kind::Float), f_(double(v)) {}
    TVarRec(Currency v) : kind_(Kind::Currency), c_(v) {}
    TVarRec(char v) : kind_(Kind::String), s_(1, v) {}
    TVarRec(const char* v) : kind_(Kind::String), s_(v ? v : "") {}
    TVarRec(std::string v) : kind_(Kind::String), s_(std::move(v)) {}
    TVarRec(std::string_view v) : kind_(Kind::String), s_(v) {}
    TVarRec(const void* v) : kind_(Kind::Pointer), p_(v) {}
    TVarRec(bool) = delete;  // the class library's Format takes no booleans

    Kind kind() const { return kind_; }
    std::int64_t integer() const { return i_; }
    double real() const { return f_; }
    Currency currency() const { return c_; }
    const std::string& text() const { return s_; }
    const void* pointer() const { return p_; }

private:
    Kind kind_;
    std::int64_t i_ = 0;
    double f_ = 0;
    Currency c_;
    std::string s_;
    const void* p_ = nullptr;
};

// The class library's Format: %[index:][-][width][.prec]type with types
// d u x (upper-case hex) e f g n m p s and %%; width and precision may be '*'.
// A wrong or missing argument raises EConvertError
// "Format '%s' invalid or incompatible with argument" / "No argument for format '%s'".
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args);
std::string Format(std::string_view fmt, const std::vector<TVarRec>& args);
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args, const TFormatSettings& fs);
template <class... A>
std::string Format(std::string_view fmt, const A&... args) {
    return Format(fmt, std::vector<TVarRec>{TVarRec(args)...});
}

// ------------------------------------------------------------- file names

constexpr char PathDelim = '/';
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string ExtractFilePath(std::string_view file_name);  // folder with trailing '/', or ""
std::string ExtractFileDir(std::string_view file_name);   // folder without trailing '/'
std::string ExtractFileName(std::string_view file_name);
std::string ExtractFileExt(std::string_view file_name);   // ".bak", or "" when none
std::string ChangeFileExt(std::string_view file_name, std::string_view ext);
std::string ExpandFileName(std::string_view file_name);   // absolute, "." and ".." resolved lexically
std::string GetCurrentDir();

// ---------------------------------------------------------------- files

bool FileExists(std::string_view file_name);       // true for a file (or a link to one), never a folder
bool DirectoryExists(std::string_view dir);
bool DeleteFile(std::string_view file_name);        // false when it failed (folders are not deleted)
bool RenameFile(std::string_view old_name, std::string_view new_name);
bool CreateDir(std::string_view dir);
bool RemoveDir(std::string_view dir);
bool ForceDirectories(std::string_view dir);        // creates missing parents; true when it exists after
std::int64_t FileSizeOf(std::string_view file_name); // -1 when not a readable file
// Modification time of a file as a DOS date-time (local time), -1 when absent or a folder.
int FileAge(std::string_view file_name);

// File attribute bits as the class library reports them.
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

