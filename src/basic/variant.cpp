#include "basic/variant.h"

#include <cmath>
#include <limits>

#include "basic/decimal_conversion.h"

namespace quorin {

Variant& Variant::operator=(Variant other) noexcept {
    // Assigning a reference to its own final target would make the target refer to itself.
    if (other.ref_ != nullptr && &other.Deref() == this)
        return *this;
    kind_ = other.kind_;
    long_ = other.long_;
    double_ = other.double_;
    text_ = std::move(other.text_);
    array_ = std::move(other.array_);
    ref_ = other.ref_;
    return *this;
}

Variant Variant::Null() noexcept {
    Variant v;
    v.kind_ = VariantKind::Null;
    return v;
}

Variant Variant::Omitted() noexcept {
    Variant v;
    v.kind_ = VariantKind::Omitted;
    return v;
}

Variant Variant::RefTo(Variant& target) noexcept {
    Variant v;
    v.ref_ = &target.Deref();
    return v;
}

const Variant& Variant::Deref() const noexcept {
    const Variant* v = this;
    while (v->ref_ != nullptr)
        v = v->ref_;
    return *v;
}

Variant& Variant::Deref() noexcept {
    Variant* v = this;
    while (v->ref_ != nullptr)
        v = v->ref_;
    return *v;
}

Variant Variant::Value() const {
    Variant copy(Deref());
    return copy;
}

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == 0x3000;
}

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return 99;
}

// &H and &O literals: up to 8 hexadecimal or 11 octal digits, read as a 32-bit pattern, so
// "&HFFFFFFFF" is -1 the way a 32-bit literal would be.
bool ParseRadix(TextView digits, int base, double& out) {
    if (digits.empty())
        return false;
    uint64_t value = 0;
    for (char16_t c : digits) {
        int d = DigitValue(c);
        if (d >= base)
            return false;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFull)
            return false;
    }
    out = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    return true;
}

Converted<Text> TextOf(const Variant& v) {
    switch (v.Kind()) {
    case VariantKind::Empty:
        return {Text(), ConversionError::None};
    case VariantKind::Null:
        return {Text(), ConversionError::InvalidUseOfNull};
    case VariantKind::Integer:
    case VariantKind::Long:
        return {FromAscii(std::to_string(v.LongValue())), ConversionError::None};
    case VariantKind::Double: {
        double d = v.DoubleValue();
        if (std::isnan(d) || std::isinf(d))
            return {Text(), ConversionError::Overflow};
        if (d == 0)
            return {u"0", ConversionError::None}; // no "-0"
        return {FromAscii(FormatDoubleG(d, 15)), ConversionError::None};
    }
    case VariantKind::Boolean:
        return {v.BoolValue() ? u"True" : u"False", ConversionError::None};
    case VariantKind::String:
        return {v.StringValue(), ConversionError::None};
    case VariantKind::Array:
    case VariantKind::Omitted:
        return {Text(), ConversionError::TypeMismatch};
    }
    return {Text(), ConversionError::TypeMismatch};
}

// Rounds to the nearest integer, halves to the even neighbour.
double RoundHalfEven(double d) {
    double r = std::round(d); // halves away from zero
    if (std::fabs(d - std::trunc(d)) == 0.5)
        r = 2.0 * std::round(d / 2.0);
    return r;
}

template <typename Int> Converted<Int> IntegerOf(const Variant& v) {
    Converted<double> d = TryToDouble(v);
    if (!d.ok())
        return {0, d.error};
    if (std::isnan(d.value))
        return {0, ConversionError::Overflow};
    double r = RoundHalfEven(d.value);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max()))
        return {0, ConversionError::Overflow};
    return {static_cast<Int>(r), ConversionError::None};
}

template <typename T> T OrThrow(const Converted<T>& c) {
    if (!c.ok())
        throw RuntimeError(ToErrorCode(c.error));
    return c.value;
}

} // namespace

bool ParseNumber(TextView text, double& out) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    TextView s = text.substr(b, e - b);
    if (s.empty())
        return false;
    if (s.size() >= 2 && s[0] == u'&') {
        if (s[1] == u'H' || s[1] == u'h')
            return ParseRadix(s.substr(2), 16, out);
        if (s[1] == u'O' || s[1] == u'o')
            return ParseRadix(s.substr(2), 8, out);
        return false;
    }
    // Decimal: [sign] digits [. digits] [(E|D) [sign] digits], at least one digit.
    std::string ascii;
    size_t i = 0;
    if (s[i] == u'+' || s[i] == u'-')
        ascii.push_back(static_cast<char>(s[i++]));
    size_t digits = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        ascii.push_back(static_cast<char>(s[i++]));
        ++digits;
    }
    if (i < s.size() && s[i] == u'.') {
        ascii.push_back('.');
        ++i;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            ascii.push_back(static_cast<char>(s[i++]));
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
        ascii.push_back('e');
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ascii.push_back(static_cast<char>(s[i++]));
        size_t expDigits = 0;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            ascii.push_back(static_cast<char>(s[i++]));
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != s.size())
        return false;
    const double value = ParseDecimalDouble(ascii);
    if (std::isinf(value))
        return false; // beyond the floating-point range: not a number this system can hold
    out = value;
    return true;
}

Converted<Text> TryToText(const Variant& value) {
    return TextOf(value);
}

Converted<double> TryToDouble(const Variant& value) {
    switch (value.Kind()) {
    case VariantKind::Empty:
        return {0.0, ConversionError::None};
    case VariantKind::Integer:
    case VariantKind::Long:
    case VariantKind::Boolean:
        return {static_cast<double>(value.LongValue()), ConversionError::None};
    case VariantKind::Double:
        return {value.DoubleValue(), ConversionError::None};
    case VariantKind::String: {
        double d = 0;
        if (!ParseNumber(value.StringValue(), d))
            return {0.0, ConversionError::TypeMismatch};
        return {d, ConversionError::None};
    }
    case VariantKind::Null: // has no number, like an array: a type mismatch, not a misused null
    case VariantKind::Array:
    case VariantKind::Omitted:
        break;
    }
    return {0.0, ConversionError::TypeMismatch};
}

Converted<int32_t> TryToLong(const Variant& value) {
    return IntegerOf<int32_t>(value);
}

Converted<int16_t> TryToInteger(const Variant& value) {
    return IntegerOf<int16_t>(value);
}

Converted<bool> TryToBool(const Variant& value) {
    if (value.Kind() == VariantKind::String) {
        const Text& s = value.StringValue();
        auto equalsNoCase = [&s](const char* word) {
            size_t n = std::char_traits<char>::length(word);
            if (s.size() != n)
                return false;
            for (size_t i = 0; i < n; ++i) {
                char16_t c = s[i];
                if (c >= u'A' && c <= u'Z')
                    c = static_cast<char16_t>(c - u'A' + u'a');
                if (c != static_cast<char16_t>(word[i]))
                    return false;
            }
            return true;
        };
        if (equalsNoCase("true"))
            return {true, ConversionError::None};
        if (equalsNoCase("false"))
            return {false, ConversionError::None};
    }
    Converted<double> d = TryToDouble(value);
    if (!d.ok())
        return {false, d.error};
    return {d.value != 0, ConversionError::None};
}

bool IsNumeric(const Variant& value) {
    switch (value.Kind()) {
    case VariantKind::Empty:
    case VariantKind::Integer:
    case VariantKind::Long:
    case VariantKind::Double:
    case VariantKind::Boolean:
        return true;
    case VariantKind::String: {
        double d = 0;
        return ParseNumber(value.StringValue(), d);
    }
    case VariantKind::Null:
    case VariantKind::Array:
    case VariantKind::Omitted:
        break;
    }
    return false;
}

ErrorCode ToErrorCode(ConversionError error) noexcept {
    switch (error) {
    case ConversionError::Overflow:
        return ErrorCode::Overflow;
    case ConversionError::InvalidUseOfNull:
        return ErrorCode::InvalidUseOfNull;
    case ConversionError::TypeMismatch:
    case ConversionError::None:
        break;
    }
    return ErrorCode::TypeMismatch;
}

Text ToText(const Variant& value) {
    return OrThrow(TryToText(value));
}
int32_t ToLong(const Variant& value) {
    return OrThrow(TryToLong(value));
}
int16_t ToInteger(const Variant& value) {
    return OrThrow(TryToInteger(value));
}
double ToDouble(const Variant& value) {
    return OrThrow(TryToDouble(value));
}
bool ToBool(const Variant& value) {
    return OrThrow(TryToBool(value));
}

} // namespace quorin
