#include "billing/DigitSchemes.h"

#include "billing/cbCobranca.h"

#include <algorithm>
#include <iterator>

namespace billing {

namespace {

using enum Weights;
using enum Reduce;

// One row per scheme. Modulo-11 rows give the remainders 0, 1 and 10 their
// texts; every other remainder r gives 11 - r (Complement) or r (Remainder).
constexpr DigitScheme kSchemes[] = {
    {"mod10", 10, Alternating21, 0, "", Complement, "", "", "", false,
     "Modulo10: weights 2, 1, ... from the right, digits of the products summed"},
    {"mod11", 11, RisingCyclic, 0, "", Complement, "0", "0", "1", false,
     "Modulo11: weights 2 .. BASE from the right; remainders 0 and 1 give 0"},
    {"mod11-one", 11, RisingCyclic, 0, "", Complement, "1", "1", "1", false,
     "a client model's Modulo11: remainders 0, 1 and 10 give 1"},
    {"mod11d", 11, FallingCyclic, 0, "", Complement, "1", "1", "1", false,
     "Modulo11Decrescente: weights BASE .. 2 from the right; remainders 0 and 1 give 1"},
    {"dv11", 11, RisingUnbounded, 0, "", Complement, "0", "0", "1", true,
     "AcrescentarDVModulo11: weights 2, 3, 4, ... from the right, digit appended"},
    {"dv11-safra", 11, RisingUnbounded, 0, "", Complement, "1", "0", "1", true,
     "AcrescentarDVModulo11Safra: as dv11, remainder 0 gives 1 and 1 gives 0"},
    {"sicoob", 11, PatternFromLeft, 0, "3197", Complement, "0", "0", "1", false,
     "SICOOB: weights 3, 1, 9, 7, ... from the left; remainders 0 and 1 give 0"},
    {"caixa", 11, RisingCyclic, 9, "", Complement, "0", "0", "1", false,
     "Caixa: Modulo11 with base 9"},
    {"bradesco", 11, RisingCyclic, 7, "", Complement, "0", "P", "1", false,
     "Bradesco: weights 2 .. 7; remainder 1 gives P, 0 gives 0"},
    {"bb", 11, FallingCyclic, 9, "", Remainder, "0", "1", "X", false,
     "Banco do Brasil: weights 9 .. 2 from the right; the remainder itself, 10 as X"},
};

}  // namespace

std::span<const DigitScheme> digit_schemes() { return kSchemes; }

const DigitScheme* find_digit_scheme(std::string_view name) {
    auto it = std::find_if(std::begin(kSchemes), std::end(kSchemes), [&](const DigitScheme& s) { return s.name == name; });
    return it == std::end(kSchemes) ? nullptr : &*it;
}

long long weighted_sum(const DigitScheme& s, std::string_view digits, int base) {
    if (s.base != 0) base = s.base;
    const std::vector<int> d = digit_values(digits);
    long long sum = 0;
    switch (s.weights) {
    case RisingCyclic: {
        int weight = 2;
        for (auto it = d.rbegin(); it != d.rend(); ++it) {
            sum += static_cast<long long>(*it) * weight;
            if (++weight > base) weight = 2;
        }
        break;
    }
    case FallingCyclic: {
        int weight = base;
        for (auto it = d.rbegin(); it != d.rend(); ++it) {
            sum += static_cast<long long>(*it) * weight;
            if (--weight < 2) weight = base;
        }
        break;
    }
    case RisingUnbounded: {
        long long weight = 2;
        for (auto it = d.rbegin(); it != d.rend(); ++it) sum += *it * weight++;
        break;
    }
    case PatternFromLeft:
        for (std::size_t i = 0; i < d.size(); ++i) sum += d[i] * (s.pattern[i % s.pattern.size()] - '0');
        break;
    case Alternating21: {
        int weight = 2;
        for (auto it = d.rbegin(); it != d.rend(); ++it) {
            const int product = *it * weight;
            sum += product / 10 + product % 10;
            weight = weight == 2 ? 1 : 2;
        }
        break;
    }
    }
    return sum;
}

std::string remainder_of(const DigitScheme& s, std::string_view digits, int base) {
    return std::to_string(weighted_sum(s, digits, base) % s.modulus);
}

std::string digit_of(const DigitScheme& s, std::string_view digits, int base) {
    const int r = static_cast<int>(weighted_sum(s, digits, base) % s.modulus);
    std::string digit;
    if (s.modulus == 10) {
        digit = std::to_string((10 - r) % 10);
    } else if (r == 0 && !s.on_zero.empty()) {
        digit = s.on_zero;
    } else if (r == 1 && !s.on_one.empty()) {
        digit = s.on_one;
    } else if (r == 10 && !s.on_ten.empty()) {
        digit = s.on_ten;
    } else {
        digit = std::to_string(s.reduce == Complement ? s.modulus - r : r);
    }
    return s.append ? std::string(digits) + digit : digit;
}

const DigitScheme& scheme_modulo10() { return kSchemes[0]; }
const DigitScheme& scheme_modulo11() { return kSchemes[1]; }
const DigitScheme& scheme_modulo11_one() { return kSchemes[2]; }
const DigitScheme& scheme_modulo11_decrescente() { return kSchemes[3]; }

}  // namespace billing

std::string AcrescentarDVModulo11(std::string_view digits) {
    return billing::digit_of(*billing::find_digit_scheme("dv11"), digits);
}

std::string AcrescentarDVModulo11Safra(std::string_view digits) {
    return billing::digit_of(*billing::find_digit_scheme("dv11-safra"), digits);
}
