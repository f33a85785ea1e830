#pragma once
// Check-digit schemes as rows of one weighted-modulo table: the engine's
// Modulo10, Modulo11 and Modulo11Decrescente, a client model's modulo-11
// variant, and the digits the client bank classes share (appended modulo-11
// digits, the SICOOB weight pattern, the Bradesco and Banco do Brasil digits).
// One routine weighs and reduces a digit text for every row.

#include <span>
#include <string>
#include <string_view>

namespace billing {

// How the weights run over the digits.
enum class Weights {
    RisingCyclic,     // 2, 3, ... base from the last digit, then 2 again
    FallingCyclic,    // base, base - 1, ... 2 from the last digit, then base again
    RisingUnbounded,  // 2, 3, 4, ... from the last digit, never restarting
    PatternFromLeft,  // the digits of `pattern`, repeated, from the first digit
    Alternating21,    // 2, 1, 2, 1, ... from the last digit; the digits of each product are summed
};

// What the remainder becomes.
enum class Reduce {
    Complement,  // modulus - r, with the row's texts for the remainders 0, 1 and 10
    Remainder,   // r itself, with the row's texts for the remainders 0, 1 and 10
};

struct DigitScheme {
    std::string_view name;   // the name billing-tool and the oracle use
    int modulus;             // 10 or 11
    Weights weights;
    int base;                // highest weight of the cyclic rows; 0: the caller gives it
    std::string_view pattern;  // PatternFromLeft only
    Reduce reduce;
    // Results for the remainders 0, 1 and 10 (modulus 11); empty: the rule's plain value.
    std::string_view on_zero;
    std::string_view on_one;
    std::string_view on_ten;
    bool append;             // the result is the text followed by its digit
    std::string_view about;  // one line for billing-tool
};

// Every scheme, in a fixed order.
std::span<const DigitScheme> digit_schemes();
// The scheme of a name, or nullptr.
const DigitScheme* find_digit_scheme(std::string_view name);

// The weighted sum of a digit text under a row's weights (base overrides a row
// whose base is 0). A character that is not a decimal digit raises the class
// library's conversion error.
long long weighted_sum(const DigitScheme& scheme, std::string_view digits, int base);
// The scheme's digit of a text (or the text with its digit, for appending rows).
std::string digit_of(const DigitScheme& scheme, std::string_view digits, int base = 0);
// The raw remainder of a modulo-11 row, in decimal.
std::string remainder_of(const DigitScheme& scheme, std::string_view digits, int base = 0);

// Rows the engine and the client classes call by name.
const DigitScheme& scheme_modulo10();
const DigitScheme& scheme_modulo11();             // the engine's: remainders 0 and 1 give "0"
const DigitScheme& scheme_modulo11_one();         // a client model's: remainders 0, 1 and 10 give "1"
const DigitScheme& scheme_modulo11_decrescente();  // remainders 0 and 1 give "1"

}  // namespace billing

// The text with a modulo-11 digit appended: weights 2, 3, 4, ... from the last
// digit without restarting; remainders 0 and 1 give 0, any other r gives 11 - r.
std::string AcrescentarDVModulo11(std::string_view digits);
// As AcrescentarDVModulo11, but the remainder 0 gives 1 and the remainder 1 gives 0.
std::string AcrescentarDVModulo11Safra(std::string_view digits);
