// A value that carries its own kind, and the standard conversions every access class uses.
#pragma once

#include <cstdint>
#include <vector>

#include "base/runtime_error.h"
#include "base/text.h"

namespace quorin {

enum class VariantKind {
    Empty,
    Null,
    Integer, // 16-bit signed
    Long,    // 32-bit signed
    Double,
    Boolean,
    String,
    Array,
    Omitted, // the marker of an omitted optional argument
};

class Variant {
public:
    Variant() noexcept = default; // empty
    Variant(bool value) noexcept : kind_(VariantKind::Boolean), long_(value ? -1 : 0) {}
    Variant(int16_t value) noexcept : kind_(VariantKind::Integer), long_(value) {}
    Variant(int32_t value) noexcept : kind_(VariantKind::Long), long_(value) {}
    Variant(double value) noexcept : kind_(VariantKind::Double), double_(value) {}
    Variant(Text value) : kind_(VariantKind::String), text_(std::move(value)) {}
    Variant(const char16_t* value) : kind_(VariantKind::String), text_(value) {}
    Variant(std::vector<Variant> elements) : kind_(VariantKind::Array), array_(std::move(elements)) {}
    Variant(const char*) = delete; // narrow text has no code page here; say FromAscii/FromUtf8

    Variant(const Variant&) = default;
    Variant(Variant&&) noexcept = default;
    // One assignment for copies and moves: the argument is already a copy (or the moved value).
    Variant& operator=(Variant other) noexcept;

    static Variant Null() noexcept;
    static Variant Omitted() noexcept;
    // A variant that refers to `target`; reading it reads the target. The target must outlive
    // it. A reference to a reference refers to the final target, so chains never loop.
    static Variant RefTo(Variant& target) noexcept;

    // The kind of the value read (references followed).
    VariantKind Kind() const noexcept { return Deref().kind_; }
    bool IsReference() const noexcept { return ref_ != nullptr; }
    bool IsEmpty() const noexcept { return Kind() == VariantKind::Empty; }
    bool IsNull() const noexcept { return Kind() == VariantKind::Null; }
    bool IsOmitted() const noexcept { return Kind() == VariantKind::Omitted; }
    // The value read: the final target of a reference, or this variant itself.
    const Variant& Deref() const noexcept;
    Variant& Deref() noexcept;
    // A plain copy of the value read (never a reference).
    Variant Value() const;

    // Raw payload access; valid only for the matching kind (references followed).
    bool BoolValue() const noexcept { return Deref().long_ != 0; }
    int16_t IntegerValue() const noexcept { return static_cast<int16_t>(Deref().long_); }
    int32_t LongValue() const noexcept { return Deref().long_; }
    double DoubleValue() const noexcept { return Deref().double_; }
    const Text& StringValue() const noexcept { return Deref().text_; }
    const std::vector<Variant>& ArrayValue() const noexcept { return Deref().array_; }

private:
    VariantKind kind_ = VariantKind::Empty;
    int32_t long_ = 0;
    double double_ = 0;
    Text text_;
    std::vector<Variant> array_;
    Variant* ref_ = nullptr;
};

// Conversion outcome without exceptions, for the core and the tests.
enum class ConversionError { None, TypeMismatch, Overflow, InvalidUseOfNull };

template <typename T> struct Converted {
    T value{};
    ConversionError error = ConversionError::None;
    bool ok() const noexcept { return error == ConversionError::None; }
};

// Numbers in decimal (up to 15 significant digits for floating point), booleans as "True" and
// "False", empty as "". Null gives InvalidUseOfNull; arrays and the omitted marker TypeMismatch.
Converted<Text> TryToText(const Variant& value);
// Numbers rounded to nearest with halves to even; booleans -1/0; empty 0; numeric text read as a
// number. Out of range: Overflow; non-numeric (null included): TypeMismatch.
Converted<int32_t> TryToLong(const Variant& value);
Converted<int16_t> TryToInteger(const Variant& value);
Converted<double> TryToDouble(const Variant& value);
// Zero and empty false, other numbers true, numeric text by its number, "True"/"False" in any
// letter case; anything else TypeMismatch (null included).
Converted<bool> TryToBool(const Variant& value);
// A number, a boolean, empty, or text that reads as a number.
bool IsNumeric(const Variant& value);

// Reads text as a number the way the conversions do: optional blanks, sign, digits with an
// optional decimal point and exponent, or &H / &O prefixed hexadecimal / octal. False when the
// text is not a number.
bool ParseNumber(TextView text, double& out);

// Throwing forms for Setup's code: a failed conversion raises RuntimeError with TypeMismatch,
// Overflow or (null to text) InvalidUseOfNull.
Text ToText(const Variant& value);
int32_t ToLong(const Variant& value);
int16_t ToInteger(const Variant& value);
double ToDouble(const Variant& value);
bool ToBool(const Variant& value);

ErrorCode ToErrorCode(ConversionError error) noexcept;

} // namespace quorin
