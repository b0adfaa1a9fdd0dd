// The exact decimal conversions against the C library's printf("%.*G") and strtod, which are
// exact on both platforms the tests run on: glibc natively, and on Windows the toolchain's
// conforming replacements, the very functions the conversions took over from there.
#include "basic/decimal_conversion.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

using quorin::FormatDoubleG;
using quorin::ParseDecimalDouble;

std::string LibraryFormat(double value, int precision) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", precision, value);
    return buf;
}

uint64_t Bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double FromBits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Compared bit for bit, so that -0 and +0 differ and an infinity matches only its own sign.
void ExpectParsedLikeLibrary(const std::string& text) {
    const double expected = std::strtod(text.c_str(), nullptr);
    EXPECT_EQ(Bits(ParseDecimalDouble(text)), Bits(expected)) << text << " (library: " << expected << ")";
}

TEST(DecimalConversion, FormatsTrickyValuesLikeTheLibrary) {
    const double values[] = {
        0.0, -0.0, 1.0, -1.0, 0.5, 1.5, 2.5, -2.5, 100.0, 0.1, 0.2, 0.3, 0.1 + 0.2, 1.0 / 3, 2.0 / 3,
        // 15 and 16 significant digits; exact halves at the 16th digit round to even
        123456789012345.0, 1234567890123456.0, 1000000000000005.0, 1000000000000015.0,
        1000000000000025.0, 999999999999999.5, 9999999999999999.0, 0.1234567890123455,
        123456789012345678.0, 2.675, 1.0000000000000002,
        // the boundaries between the fixed and the exponent forms
        1e14, 1e15, 1e16, 999999999999999.0, 0.0001, 0.00001, 0.000099999999999999995,
        0.00009999999999999, 1e20, 1e21, 1e22, 1e23, 1e100, 1e-100, 1e300, -1e-300,
        // the extremes: largest, smallest normal, largest and smallest denormal
        DBL_MAX, -DBL_MAX, DBL_MIN, FromBits(0x000FFFFFFFFFFFFFull), FromBits(1), FromBits(3),
        -FromBits(1), 4.9406564584124654e-324 * 12345,
    };
    for (double value : values)
        for (int precision : {1, 2, 6, 15, 16, 17})
            EXPECT_EQ(FormatDoubleG(value, precision), LibraryFormat(value, precision))
                << "%." << precision << "G of bits " << std::hex << Bits(value);
}

TEST(DecimalConversion, ParsesTrickyTextLikeTheLibrary) {
    const char* texts[] = {
        "0", "-0", "000", "0.0", "1", "-1", "+1", "0.5", ".5", "5.", "00012.5000", "123.456e-2", "1E+5",
        "1e+05", "1e-5", "0.1", "0.3", "2.675", "100",
        // halves: 2^53 + 1 and 2^53 + 3 lie midway between doubles
        "9007199254740993", "9007199254740995", "9007199254740993.0000000000000001", "-9007199254740993",
        "4503599627370496.5", "4503599627370497.5",
        // 15 and 17 significant digits
        "123456789012345", "1.23456789012346E+17", "0.12345678901234567", "3.1415926535897932",
        // the top of the range and beyond it
        "1e308", "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308",
        "1e309", "-1e309", "1e400", "1e99999999",
        // the bottom: smallest normal, denormals, half the smallest denormal, below it
        "2.2250738585072014e-308", "2.2250738585072011e-308", "2.2250738585072012e-308",
        "4.9406564584124654e-324", "5e-324", "3e-324", "2.4703282292062328e-324",
        "2.4703282292062327e-324", "2e-324", "-2e-324", "1e-400", "1e-99999999",
    };
    for (const char* text : texts)
        ExpectParsedLikeLibrary(text);
}

// Digits beyond the 800 the conversion holds still decide a half.
TEST(DecimalConversion, ParsesLongDigitStringsLikeTheLibrary) {
    const std::string half = "9007199254740993"; // midway between 2^53 and 2^53 + 2
    const std::string zeros(900, '0');
    for (const std::string& text : {half + "." + zeros, half + "." + zeros + "1", half + zeros + "e-900",
                                    half + zeros + "1e-901", "0." + zeros + "1", "0." + zeros + half + "e900",
                                    std::string(1000, '9'), "1" + zeros + "e-900"})
        ExpectParsedLikeLibrary(text);
}

// Text exactly midway between two neighbouring doubles, and just above it. The midpoint is
// exact in x87 long double (64 significand bits) on both platforms, and printed exactly.
TEST(DecimalConversion, ParsesExactHalvesLikeTheLibrary) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 1000; ++i) {
        const double low = std::fabs(FromBits(random()));
        if (!std::isfinite(low) || low == DBL_MAX)
            continue;
        const long double midpoint = (static_cast<long double>(low) + std::nextafter(low, INFINITY)) / 2;
        char buf[1300];
        std::snprintf(buf, sizeof buf, "%.1100Le", midpoint);
        std::string half = buf;
        ExpectParsedLikeLibrary(half);
        ExpectParsedLikeLibrary(half.insert(half.find('e'), "1"));
    }
}

// Random doubles of every magnitude, formatted at 15 and 17 digits and read back; random digit
// strings with random exponents. A fixed seed keeps a failure reproducible.
TEST(DecimalConversion, AgreesWithTheLibraryOnRandomValues) {
    std::mt19937_64 random(20240601);
    for (int i = 0; i < 10000; ++i) {
        double value = FromBits(random());
        if (!std::isfinite(value))
            continue;
        for (int precision : {15, 17}) {
            const std::string text = LibraryFormat(value, precision);
            ASSERT_EQ(FormatDoubleG(value, precision), text) << "bits " << std::hex << Bits(value);
            ExpectParsedLikeLibrary(text);
        }
    }
    std::uniform_int_distribution<int> digitCount(1, 30), exponent(-345, 330), digit(0, 9);
    for (int i = 0; i < 10000; ++i) {
        std::string text;
        const int count = digitCount(random);
        for (int k = 0; k < count; ++k)
            text += static_cast<char>('0' + digit(random));
        text.insert(static_cast<size_t>(digit(random)) % text.size(), ".");
        text += "e" + std::to_string(exponent(random));
        ExpectParsedLikeLibrary(text);
    }
}

} // namespace
