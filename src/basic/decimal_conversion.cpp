#include "basic/decimal_conversion.h"

#include <cstdint>
#include <cstring>

namespace quorin {
namespace {

// A decimal number held exactly, digit by digit: 0.d[0]d[1]...d[count-1] x 10^point. Binary
// shifts (multiplying or dividing by powers of two) are exact until the digits outgrow the
// buffer; 800 digits hold every double exactly (the longest, a denormal, needs 767 significant
// digits), and for parsed text a flag remembers nonzero digits dropped beyond them, which is all
// that rounding to a double needs to know of them.
class ExactDecimal {
public:
    static constexpr int kMaxDigits = 800;

    // Sets the value to mantissa x 2^exponent.
    void Assign(uint64_t mantissa, int exponent) {
        char reversed[20];
        int n = 0;
        for (; mantissa > 0; mantissa /= 10)
            reversed[n++] = static_cast<char>(mantissa % 10);
        count_ = 0;
        while (n > 0)
            digits_[count_++] = reversed[--n];
        point_ = count_;
        truncated_ = false;
        Trim();
        Shift(exponent);
    }

    // Reads the text form ParseDecimalDouble documents; the sign is left to the caller.
    void Read(std::string_view text) {
        count_ = 0;
        point_ = 0;
        truncated_ = false;
        size_t i = 0;
        bool sawPoint = false;
        int significant = 0; // digits from the first nonzero one, kept or dropped
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '.') {
                sawPoint = true;
                point_ = significant;
            } else if (c >= '0' && c <= '9') {
                if (c == '0' && significant == 0) {
                    --point_; // a leading zero: after the point it moves the value down a place
                    continue;
                }
                ++significant;
                if (count_ < kMaxDigits)
                    digits_[count_++] = static_cast<char>(c - '0');
                else if (c != '0')
                    truncated_ = true;
            } else {
                break;
            }
        }
        if (!sawPoint)
            point_ = significant;
        if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
            ++i;
            bool negative = false;
            if (i < text.size() && (text[i] == '+' || text[i] == '-'))
                negative = text[i++] == '-';
            int exponent = 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
                if (exponent < 100000) // far beyond any double; keeps the sum from overflowing
                    exponent = exponent * 10 + (text[i] - '0');
            point_ += negative ? -exponent : exponent;
        }
        Trim();
    }

    // The IEEE double nearest to the value (ties to even), without sign.
    uint64_t ToDoubleBits() {
        constexpr int kMantissaBits = 52;
        constexpr int kBias = -1023;
        constexpr uint64_t kInfinity = uint64_t{0x7FF} << kMantissaBits;
        if (count_ == 0 || point_ < -330)
            return 0;
        if (point_ > 310)
            return kInfinity;
        // Scale by powers of two into [0.5, 1), counting them in `exponent`. The table gives a
        // shift that keeps the value at or above 0.5 for the current decimal point.
        static const int kShiftForPoint[] = {1, 3, 6, 9, 13, 16, 19, 23, 26};
        constexpr int kTableSize = sizeof kShiftForPoint / sizeof kShiftForPoint[0];
        int exponent = 0;
        while (point_ > 0) {
            const int n = point_ >= kTableSize ? 27 : kShiftForPoint[point_];
            Shift(-n);
            exponent += n;
        }
        while (point_ < 0 || (point_ == 0 && digits_[0] < 5)) {
            const int n = -point_ >= kTableSize ? 27 : kShiftForPoint[-point_];
            Shift(n);
            exponent -= n;
        }
        --exponent; // the value is in [0.5, 1), a double's significand in [1, 2)
        if (exponent < kBias + 1) { // a denormal: fewer significant bits
            const int n = kBias + 1 - exponent;
            Shift(-n);
            exponent += n;
        }
        if (exponent - kBias >= 0x7FF)
            return kInfinity;
        Shift(1 + kMantissaBits);
        uint64_t mantissa = RoundedInteger();
        if (mantissa == uint64_t{2} << kMantissaBits) { // rounding carried into a new bit
            mantissa >>= 1;
            ++exponent;
            if (exponent - kBias >= 0x7FF)
                return kInfinity;
        }
        if ((mantissa & (uint64_t{1} << kMantissaBits)) == 0)
            exponent = kBias; // still a denormal
        return (mantissa & ((uint64_t{1} << kMantissaBits) - 1)) |
               (static_cast<uint64_t>(exponent - kBias) << kMantissaBits);
    }

    // Rounds to `keep` significant digits, ties to even.
    void Round(int keep) {
        if (keep < 0 || keep >= count_)
            return;
        if (!RoundsUp(keep)) {
            count_ = keep;
            Trim();
            return;
        }
        for (int i = keep - 1; i >= 0; --i) {
            if (digits_[i] < 9) {
                ++digits_[i];
                count_ = i + 1;
                return;
            }
        }
        digits_[0] = 1; // all nines: 0.999.. becomes 1.0, one place up
        count_ = 1;
        ++point_;
    }

    int Count() const { return count_; }
    int Point() const { return point_; }
    char Digit(int i) const { return static_cast<char>('0' + digits_[i]); }

private:
    // The most one pass shifts: 10 << 60 still fits 64 bits.
    static constexpr int kMaxShift = 60;

    void Shift(int k) {
        if (count_ == 0)
            return;
        for (; k > kMaxShift; k -= kMaxShift)
            ShiftLeft(kMaxShift);
        for (; k < -kMaxShift; k += kMaxShift)
            ShiftRight(kMaxShift);
        if (k > 0)
            ShiftLeft(k);
        else if (k < 0)
            ShiftRight(-k);
    }

    // Multiplies by 2^k, from the last digit up, into a scratch buffer with room for the new
    // leading digits.
    void ShiftLeft(int k) {
        char scratch[kMaxDigits + 20];
        int w = sizeof scratch;
        uint64_t n = 0;
        for (int r = count_ - 1; r >= 0; --r) {
            n += static_cast<uint64_t>(digits_[r]) << k;
            scratch[--w] = static_cast<char>(n % 10);
            n /= 10;
        }
        for (; n > 0; n /= 10)
            scratch[--w] = static_cast<char>(n % 10);
        const int produced = static_cast<int>(sizeof scratch) - w;
        point_ += produced - count_;
        count_ = produced < kMaxDigits ? produced : kMaxDigits;
        for (int i = count_; i < produced; ++i)
            if (scratch[w + i] != 0)
                truncated_ = true;
        std::memcpy(digits_, scratch + w, static_cast<size_t>(count_));
        Trim();
    }

    // Divides by 2^k: long division from the first digit, writing behind the reading position.
    void ShiftRight(int k) {
        int r = 0;
        int w = 0;
        uint64_t n = 0;
        // Take enough leading digits for the first quotient digit.
        for (; (n >> k) == 0; ++r) {
            if (r >= count_) {
                while ((n >> k) == 0) {
                    n *= 10;
                    ++r;
                }
                break;
            }
            n = n * 10 + static_cast<uint64_t>(digits_[r]);
        }
        point_ -= r - 1;
        const uint64_t mask = (uint64_t{1} << k) - 1;
        for (; r < count_; ++r) {
            const uint64_t digit = n >> k;
            n &= mask;
            digits_[w++] = static_cast<char>(digit);
            n = n * 10 + static_cast<uint64_t>(digits_[r]);
        }
        for (; n > 0; n = (n & mask) * 10) {
            const uint64_t digit = n >> k;
            if (w < kMaxDigits)
                digits_[w++] = static_cast<char>(digit);
            else if (digit > 0)
                truncated_ = true;
        }
        count_ = w;
        Trim();
    }

    // Whether rounding to `keep` significant digits goes up: above half, or exactly half with an
    // odd last kept digit. Dropped nonzero digits put an apparent half above it.
    bool RoundsUp(int keep) const {
        if (keep < 0 || keep >= count_)
            return false;
        if (digits_[keep] == 5 && keep + 1 == count_) {
            if (truncated_)
                return true;
            return keep > 0 && digits_[keep - 1] % 2 == 1;
        }
        return digits_[keep] >= 5;
    }

    // The integer part, rounded by the first fractional digits (ties to even).
    uint64_t RoundedInteger() const {
        uint64_t n = 0;
        int i = 0;
        for (; i < point_ && i < count_; ++i)
            n = n * 10 + static_cast<uint64_t>(digits_[i]);
        for (; i < point_; ++i)
            n *= 10;
        if (RoundsUp(point_))
            ++n;
        return n;
    }

    void Trim() {
        while (count_ > 0 && digits_[count_ - 1] == 0)
            --count_;
        if (count_ == 0)
            point_ = 0;
    }

    char digits_[kMaxDigits] = {};
    int count_ = 0;
    int point_ = 0;
    bool truncated_ = false;
};

void AppendExponent(std::string& out, int exponent) {
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    if (magnitude < 10)
        out += '0'; // at least two digits
    out += std::to_string(magnitude);
}

} // namespace

std::string FormatDoubleG(double value, int precision) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::string out;
    if (bits >> 63)
        out += '-';
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased == 0 && mantissa == 0)
        return out + '0';
    int exponent = biased - 1075; // the value is mantissa x 2^exponent
    if (biased == 0)
        exponent = -1074; // denormal: no implicit bit
    else
        mantissa |= uint64_t{1} << 52;

    ExactDecimal d;
    d.Assign(mantissa, exponent);
    const int digits = precision < 1 ? 1 : precision;
    d.Round(digits);
    const int x = d.Point() - 1; // the exponent of the first significant digit
    if (x < -4 || x >= digits) {
        out += d.Digit(0);
        if (d.Count() > 1) {
            out += '.';
            for (int i = 1; i < d.Count(); ++i)
                out += d.Digit(i);
        }
        AppendExponent(out, x);
        return out;
    }
    if (d.Point() <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-d.Point()), '0');
        for (int i = 0; i < d.Count(); ++i)
            out += d.Digit(i);
        return out;
    }
    for (int i = 0; i < d.Point(); ++i)
        out += i < d.Count() ? d.Digit(i) : '0';
    if (d.Count() > d.Point()) {
        out += '.';
        for (int i = d.Point(); i < d.Count(); ++i)
            out += d.Digit(i);
    }
    return out;
}

double ParseDecimalDouble(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    ExactDecimal d;
    d.Read(text);
    uint64_t bits = d.ToDoubleBits();
    if (negative)
        bits |= uint64_t{1} << 63;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace quorin
