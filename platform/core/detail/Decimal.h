#pragma once
// Decimal digits of a double, shared by FloatToStr and FormatFloat.

#include <string>

namespace core::detail {
// Significant digits and decimal exponent of |v| (v != 0, finite) taken to
// `precision` significant digits, halves to even as printf rounds them:
// |v| ~ 0.d1d2... x 10^exp10, trailing zeros removed (at least one digit).
void decimal_digits(double v, int precision, std::string& digits, int& exp10);
}  // namespace core::detail
