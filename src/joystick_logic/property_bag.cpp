#include "joystick_logic/property_bag.h"

#include "basic/decimal_conversion.h"

#include <cmath>
#include <new>
#include <string>

namespace quorin::joystick {

namespace {

int16_t BoolValue(bool b) noexcept {
    return b ? int16_t(-1) : int16_t(0);
}

bool IsBlank(char16_t c) noexcept {
    return c == u' ' || c == u'\t';
}
bool IsDigit(char16_t c) noexcept {
    return c >= u'0' && c <= u'9';
}

// Halves go to the even neighbour, whatever the floating-point rounding mode is.
ConvertStatus RoundToInt32(double v, int32_t& out) noexcept {
    if (!std::isfinite(v))
        return ConvertStatus::Overflow;
    double r = std::floor(v);
    const double diff = v - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    if (r < -2147483648.0 || r > 2147483647.0)
        return ConvertStatus::Overflow;
    out = static_cast<int32_t>(r);
    return ConvertStatus::Ok;
}

bool EqualsIgnoreCase(TextView text, const char* ascii) noexcept {
    size_t i = 0;
    for (; ascii[i] != '\0'; ++i) {
        if (i >= text.size())
            return false;
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(ascii[i]))
            return false;
    }
    return i == text.size();
}

TextView Trim(TextView t) noexcept {
    while (!t.empty() && IsBlank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back()))
        t.remove_suffix(1);
    return t;
}

size_t SkipDigits(TextView text, size_t i, size_t& digits) noexcept {
    for (; i < text.size() && IsDigit(text[i]); ++i)
        ++digits;
    return i;
}

// Whether the whole of `text` is a sign, digits with an optional fraction, and an optional
// exponent.
bool IsDecimalNumber(TextView text) noexcept {
    size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    size_t digits = 0;
    i = SkipDigits(text, i, digits);
    if (i < text.size() && text[i] == u'.')
        i = SkipDigits(text, i + 1, digits);
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        size_t exponentDigits = 0;
        i = SkipDigits(text, i, exponentDigits);
        if (exponentDigits == 0)
            return false;
    }
    return i == text.size();
}

} // namespace

bool ParseNumericText(TextView text, double& out) noexcept {
    text = Trim(text);
    if (!IsDecimalNumber(text))
        return false;
    try {
        // The grammar is checked, so the text is plain ASCII decimal; an overflowing magnitude
        // comes back as an infinity and fails every integer conversion later. The project's own
        // exact conversion, not strtod, which would link the toolchain's replacement into the
        // control.
        out = ParseDecimalDouble(std::string(text.begin(), text.end()));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

ConvertStatus ToInt32(const PropValue& value, int32_t& out) noexcept {
    switch (value.kind) {
    case ValueKind::Empty:
        out = 0;
        return ConvertStatus::Ok;
    case ValueKind::Int16:
    case ValueKind::Int32:
        out = value.integer;
        return ConvertStatus::Ok;
    case ValueKind::Bool:
        out = value.integer != 0 ? -1 : 0;
        return ConvertStatus::Ok;
    case ValueKind::Double:
        return RoundToInt32(value.real, out);
    case ValueKind::Text: {
        double v = 0.0;
        if (!ParseNumericText(value.text, v))
            return ConvertStatus::TypeMismatch;
        return RoundToInt32(v, out);
    }
    case ValueKind::Null:
    case ValueKind::Unsupported:
        break;
    }
    return ConvertStatus::TypeMismatch;
}

ConvertStatus ToBool16(const PropValue& value, int16_t& out) noexcept {
    switch (value.kind) {
    case ValueKind::Empty:
        out = 0;
        return ConvertStatus::Ok;
    case ValueKind::Int16:
    case ValueKind::Int32:
    case ValueKind::Bool:
        out = BoolValue(value.integer != 0);
        return ConvertStatus::Ok;
    case ValueKind::Double:
        out = BoolValue(value.real != 0.0);
        return ConvertStatus::Ok;
    case ValueKind::Text: {
        const TextView t = Trim(value.text);
        if (EqualsIgnoreCase(t, "true")) {
            out = -1;
            return ConvertStatus::Ok;
        }
        if (EqualsIgnoreCase(t, "false")) {
            out = 0;
            return ConvertStatus::Ok;
        }
        double v = 0.0;
        if (!ParseNumericText(t, v))
            return ConvertStatus::TypeMismatch;
        out = BoolValue(v != 0.0);
        return ConvertStatus::Ok;
    }
    case ValueKind::Null:
    case ValueKind::Unsupported:
        break;
    }
    return ConvertStatus::TypeMismatch;
}

namespace {

LoadStatus ToLoadStatus(ConvertStatus s) noexcept {
    return s == ConvertStatus::Overflow ? LoadStatus::Overflow : LoadStatus::TypeMismatch;
}

// The stored value, or the default when the bag holds none. False when the bag failed.
bool ReadOrDefault(PropertyBagReader& bag, const char16_t* key, const PropValue& fallback,
                   PropValue& out) noexcept {
    switch (bag.Read(key, out)) {
    case ReadOutcome::Stored:
        return true;
    case ReadOutcome::Missing:
        out = fallback;
        return true;
    case ReadOutcome::Failed:
        break;
    }
    return false;
}

// Reads one value, the default when the bag has none, and converts it into `field`; a failed
// read or conversion leaves the field as it was.
template <typename T>
LoadStatus LoadField(PropertyBagReader& bag, const char16_t* key, const PropValue& fallback,
                     ConvertStatus (*convert)(const PropValue&, T&) noexcept, T& field) noexcept {
    PropValue v;
    if (!ReadOrDefault(bag, key, fallback, v))
        return LoadStatus::ReadFailed;
    T converted{};
    if (const ConvertStatus s = convert(v, converted); s != ConvertStatus::Ok)
        return ToLoadStatus(s);
    field = converted;
    return LoadStatus::Ok;
}

} // namespace

LoadResult LoadProperties(PropertyBagReader& bag, PersistedProperties& fields) noexcept {
    // Each key in turn; the first failure ends the load. For Interval the default is a 16-bit 0.
    if (auto s = LoadField(bag, KeyInterval, PropValue::Int16(0), ToInt32, fields.interval);
        s != LoadStatus::Ok)
        return {s, KeyInterval};
    if (auto s = LoadField(bag, KeyPort, PropValue::Int32(0), ToInt32, fields.port); s != LoadStatus::Ok)
        return {s, KeyPort};
    if (auto s = LoadField(bag, KeyRepeatButton, PropValue::Bool(0), ToBool16, fields.repeatButton);
        s != LoadStatus::Ok)
        return {s, KeyRepeatButton};
    if (auto s = LoadField(bag, KeyRepeatCursor, PropValue::Bool(0), ToBool16, fields.repeatCursor);
        s != LoadStatus::Ok)
        return {s, KeyRepeatCursor};
    return {};
}

bool SaveProperties(const PersistedProperties& fields, PropertyBagWriter& bag) noexcept {
    if (fields.interval != 0 && !bag.Write(KeyInterval, PropValue::Int32(fields.interval)))
        return false;
    if (fields.port != 0 && !bag.Write(KeyPort, PropValue::Int32(fields.port)))
        return false;
    if (fields.repeatButton != 0 && !bag.Write(KeyRepeatButton, PropValue::Bool(fields.repeatButton)))
        return false;
    if (fields.repeatCursor != 0 && !bag.Write(KeyRepeatCursor, PropValue::Bool(fields.repeatCursor)))
        return false;
    return true;
}

} // namespace quorin::joystick
