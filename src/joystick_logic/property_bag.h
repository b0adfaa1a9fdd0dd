// The joystick control's persistent properties as a property bag holds them: the value
// conversions a load applies, and the load and save order with the bag's default rule.
// Portable so that it can be fuzzed natively; the Windows layer only maps VARIANTs onto these
// types.
#pragma once

#include <cstdint>
#include <string_view>

namespace quorin::joystick {

using TextView = std::u16string_view;

// A value as a property bag hands it over, reduced to the kinds the conversions distinguish.
enum class ValueKind : uint8_t { Empty, Null, Int16, Int32, Double, Bool, Text, Unsupported };

struct PropValue {
    ValueKind kind = ValueKind::Empty;
    int32_t integer = 0; // Int16, Int32, Bool (-1 or 0, or whatever 16-bit value was stored)
    double real = 0.0;   // Double
    TextView text;       // Text; valid until the bag's next read

    static PropValue Int16(int16_t v) noexcept { return {ValueKind::Int16, v, 0.0, {}}; }
    static PropValue Int32(int32_t v) noexcept { return {ValueKind::Int32, v, 0.0, {}}; }
    static PropValue Bool(int16_t v) noexcept { return {ValueKind::Bool, v, 0.0, {}}; }
    static PropValue Double(double v) noexcept { return {ValueKind::Double, 0, v, {}}; }
    static PropValue Of(TextView t) noexcept { return {ValueKind::Text, 0, 0.0, t}; }
    static PropValue Of(ValueKind k) noexcept { return {k, 0, 0.0, {}}; }
};

enum class ConvertStatus : uint8_t { Ok, TypeMismatch, Overflow };

// The standard conversions: numbers round to the nearest integer with halves to even, numeric
// text reads as its number, empty is 0; null and other kinds are a type mismatch.
ConvertStatus ToInt32(const PropValue& value, int32_t& out) noexcept;
// Zero and empty are false (0), other numbers true (-1); "True"/"False" in any letter case.
ConvertStatus ToBool16(const PropValue& value, int16_t& out) noexcept;
// Decimal text with optional surrounding blanks, sign, fraction and exponent.
bool ParseNumericText(TextView text, double& out) noexcept;

// The four persisted fields. interval is the timer's interval as loaded, with no range test.
struct PersistedProperties {
    int32_t interval = 0;
    int32_t port = 0;
    int16_t repeatButton = 0;
    int16_t repeatCursor = 0;

    bool operator==(const PersistedProperties& o) const noexcept {
        return interval == o.interval && port == o.port && repeatButton == o.repeatButton &&
               repeatCursor == o.repeatCursor;
    }
};

// The bag keys, in load and save order.
inline constexpr const char16_t* KeyInterval = u"Interval";
inline constexpr const char16_t* KeyPort = u"Port";
inline constexpr const char16_t* KeyRepeatButton = u"RepeatButton";
inline constexpr const char16_t* KeyRepeatCursor = u"RepeatCursor";

// What a bag answered for one name.
enum class ReadOutcome : uint8_t {
    Stored,  // out holds the value
    Missing, // the bag holds no value under the name: the default applies
    Failed,  // the bag could not answer: the load ends here
};

class PropertyBagReader {
public:
    virtual ReadOutcome Read(const char16_t* name, PropValue& out) noexcept = 0;

protected:
    ~PropertyBagReader() = default;
};

class PropertyBagWriter {
public:
    // False when the bag refused the value.
    virtual bool Write(const char16_t* name, const PropValue& value) noexcept = 0;

protected:
    ~PropertyBagWriter() = default;
};

enum class LoadStatus : uint8_t { Ok, TypeMismatch, Overflow, ReadFailed };

struct LoadResult {
    LoadStatus status = LoadStatus::Ok;
    const char16_t* key = nullptr; // the key whose read or conversion failed
};

// Loads "Interval", "Port", "RepeatButton", "RepeatCursor" in that order straight into the
// fields. The first value that the bag fails to read or that does not convert ends the load:
// fields loaded before it keep their new values, the rest keep their old ones.
LoadResult LoadProperties(PropertyBagReader& bag, PersistedProperties& fields) noexcept;

// Saves in the same order; a value equal to its default (0 or false) is not stored. Stops at the
// first refused write and returns false.
bool SaveProperties(const PersistedProperties& fields, PropertyBagWriter& bag) noexcept;

} // namespace quorin::joystick
