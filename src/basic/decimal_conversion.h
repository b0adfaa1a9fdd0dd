// Exact conversions between doubles and decimal text, the same on every platform: the result is
// always the correctly rounded one, ties to even, as the C library's printf and strtod give on
// a conforming system. They are the project's own because on Windows the conforming versions
// come only with the toolchain's replacement printf and strtod (about 40 KiB in a statically
// linked deliverable), and the system C runtime's own are not known to be exact in every case.
#pragma once

#include <string>
#include <string_view>

namespace quorin {

// printf's "%.<precision>G" of a finite value: `precision` significant digits (1 to 17),
// trailing zeros and a bare decimal point dropped, the exponent form ("1.5E+20", "1E-05") when
// the decimal exponent is below -4 or not below the precision.
std::string FormatDoubleG(double value, int precision);

// strtod of a decimal number: an optional sign, digits with an optional decimal point (at least
// one digit), an optional exponent ("e" or "E", an optional sign, digits). The caller has checked
// that form; text outside it gives an unspecified value. A magnitude beyond the largest double
// gives an infinity, one below half the smallest denormal a zero, each with the text's sign.
double ParseDecimalDouble(std::string_view text);

} // namespace quorin
