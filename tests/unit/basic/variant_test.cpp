#include "basic/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using quorin::ConversionError;
using quorin::Text;
using quorin::Variant;
using quorin::VariantKind;

Variant Arr() {
    return Variant(std::vector<Variant>{Variant(int32_t{1})});
}

struct TextCase {
    Variant value;
    Text text;
    ConversionError error;
};

TEST(Variant, ToText) {
    const TextCase cases[] = {
        {Variant(), u"", ConversionError::None},
        {Variant(int16_t{-5}), u"-5", ConversionError::None},
        {Variant(int32_t{2147483647}), u"2147483647", ConversionError::None},
        {Variant(int32_t{-2147483647 - 1}), u"-2147483648", ConversionError::None},
        {Variant(1.5), u"1.5", ConversionError::None},
        {Variant(0.1), u"0.1", ConversionError::None},
        {Variant(-0.0), u"0", ConversionError::None},
        {Variant(1e20), u"1E+20", ConversionError::None},
        {Variant(1e-5), u"1E-05", ConversionError::None},
        {Variant(123456789012345678.0), u"1.23456789012346E+17", ConversionError::None},
        {Variant(100.0), u"100", ConversionError::None},
        {Variant(true), u"True", ConversionError::None},
        {Variant(false), u"False", ConversionError::None},
        {Variant(u"text stays"), u"text stays", ConversionError::None},
        {Variant(u"True"), u"True", ConversionError::None},
        {Variant::Null(), u"", ConversionError::InvalidUseOfNull},
        {Arr(), u"", ConversionError::TypeMismatch},
        {Variant::Omitted(), u"", ConversionError::TypeMismatch},
        {Variant(std::numeric_limits<double>::infinity()), u"", ConversionError::Overflow},
    };
    for (const auto& c : cases) {
        auto r = quorin::TryToText(c.value);
        EXPECT_EQ(r.error, c.error) << quorin::ToUtf8(c.text);
        if (c.error == ConversionError::None) {
            EXPECT_EQ(r.value, c.text);
        }
    }
}

struct LongCase {
    Variant value;
    int32_t result;
    ConversionError error;
};

TEST(Variant, ToLongRoundsHalvesToEvenAndChecksRange) {
    const LongCase cases[] = {
        {Variant(), 0, ConversionError::None},
        {Variant(0.5), 0, ConversionError::None},
        {Variant(1.5), 2, ConversionError::None},
        {Variant(2.5), 2, ConversionError::None},
        {Variant(3.5), 4, ConversionError::None},
        {Variant(-2.5), -2, ConversionError::None},
        {Variant(-3.5), -4, ConversionError::None},
        {Variant(2.4999), 2, ConversionError::None},
        {Variant(2.5001), 3, ConversionError::None},
        {Variant(2147483647.4), 2147483647, ConversionError::None},
        {Variant(2147483647.5), 0, ConversionError::Overflow},
        {Variant(-2147483648.5), -2147483647 - 1, ConversionError::None},
        {Variant(-2147483648.6), 0, ConversionError::Overflow},
        {Variant(1e300), 0, ConversionError::Overflow},
        {Variant(std::nan("")), 0, ConversionError::Overflow},
        {Variant(true), -1, ConversionError::None},
        {Variant(false), 0, ConversionError::None},
        {Variant(int16_t{-32768}), -32768, ConversionError::None},
        {Variant(u"12"), 12, ConversionError::None},
        {Variant(u"  -12  "), -12, ConversionError::None},
        {Variant(u"2.5"), 2, ConversionError::None},
        {Variant(u"1e3"), 1000, ConversionError::None},
        {Variant(u"&HFF"), 255, ConversionError::None},
        {Variant(u"&hFFFFFFFF"), -1, ConversionError::None},
        {Variant(u"&O17"), 15, ConversionError::None},
        {Variant(u"&H"), 0, ConversionError::TypeMismatch},
        {Variant(u"&H1G"), 0, ConversionError::TypeMismatch},
        {Variant(u"3000000000"), 0, ConversionError::Overflow},
        {Variant(u"abc"), 0, ConversionError::TypeMismatch},
        {Variant(u"12abc"), 0, ConversionError::TypeMismatch},
        {Variant(u""), 0, ConversionError::TypeMismatch},
        {Variant(u" "), 0, ConversionError::TypeMismatch},
        {Variant(u"."), 0, ConversionError::TypeMismatch},
        {Variant(u"1e"), 0, ConversionError::TypeMismatch},
        {Variant(u"1e999"), 0, ConversionError::TypeMismatch},
        {Variant::Null(), 0, ConversionError::TypeMismatch},
        {Arr(), 0, ConversionError::TypeMismatch},
        {Variant::Omitted(), 0, ConversionError::TypeMismatch},
    };
    for (const auto& c : cases) {
        auto r = quorin::TryToLong(c.value);
        EXPECT_EQ(r.error, c.error) << "case " << (&c - cases);
        if (c.error == ConversionError::None) {
            EXPECT_EQ(r.value, c.result) << "case " << (&c - cases);
        }
    }
}

TEST(Variant, ToIntegerHasSixteenBitRange) {
    EXPECT_EQ(quorin::TryToInteger(Variant(32766.5)).value, 32766);
    EXPECT_EQ(quorin::TryToInteger(Variant(32767.5)).error, ConversionError::Overflow);
    EXPECT_EQ(quorin::TryToInteger(Variant(-32768.5)).value, -32768);
    EXPECT_EQ(quorin::TryToInteger(Variant(int32_t{40000})).error, ConversionError::Overflow);
}

struct BoolCase {
    Variant value;
    bool result;
    ConversionError error;
};

TEST(Variant, ToBool) {
    const BoolCase cases[] = {
        {Variant(), false, ConversionError::None},
        {Variant(int32_t{0}), false, ConversionError::None},
        {Variant(int32_t{5}), true, ConversionError::None},
        {Variant(int16_t{-1}), true, ConversionError::None},
        {Variant(0.0), false, ConversionError::None},
        {Variant(0.1), true, ConversionError::None},
        {Variant(true), true, ConversionError::None},
        {Variant(u"True"), true, ConversionError::None},
        {Variant(u"tRUE"), true, ConversionError::None},
        {Variant(u"FALSE"), false, ConversionError::None},
        {Variant(u"1"), true, ConversionError::None},
        {Variant(u" 0 "), false, ConversionError::None},
        {Variant(u"-2.5"), true, ConversionError::None},
        {Variant(u"yes"), false, ConversionError::TypeMismatch},
        {Variant(u""), false, ConversionError::TypeMismatch},
        {Variant(u" true"), false, ConversionError::TypeMismatch},
        {Variant::Null(), false, ConversionError::TypeMismatch},
        {Arr(), false, ConversionError::TypeMismatch},
    };
    for (const auto& c : cases) {
        auto r = quorin::TryToBool(c.value);
        EXPECT_EQ(r.error, c.error) << "case " << (&c - cases);
        if (c.error == ConversionError::None) {
            EXPECT_EQ(r.value, c.result) << "case " << (&c - cases);
        }
    }
}

TEST(Variant, IsNumeric) {
    EXPECT_TRUE(quorin::IsNumeric(Variant()));
    EXPECT_TRUE(quorin::IsNumeric(Variant(true)));
    EXPECT_TRUE(quorin::IsNumeric(Variant(2.5)));
    EXPECT_TRUE(quorin::IsNumeric(Variant(u" 42 ")));
    EXPECT_TRUE(quorin::IsNumeric(Variant(u"&H1F")));
    EXPECT_TRUE(quorin::IsNumeric(Variant(u"-1.5E+3")));
    EXPECT_FALSE(quorin::IsNumeric(Variant(u"")));
    EXPECT_FALSE(quorin::IsNumeric(Variant(u"True")));
    EXPECT_FALSE(quorin::IsNumeric(Variant(u"4 2")));
    EXPECT_FALSE(quorin::IsNumeric(Variant::Null()));
    EXPECT_FALSE(quorin::IsNumeric(Arr()));
    EXPECT_FALSE(quorin::IsNumeric(Variant::Omitted()));
}

TEST(Variant, ThrowingFormsRaiseTheConversionError) {
    try {
        quorin::ToLong(Variant(u"x"));
        FAIL() << "no error";
    } catch (const quorin::RuntimeError& e) {
        EXPECT_EQ(e.Code(), quorin::ErrorCode::TypeMismatch);
    }
    try {
        quorin::ToLong(Variant(3e9));
        FAIL() << "no error";
    } catch (const quorin::RuntimeError& e) {
        EXPECT_EQ(e.Code(), quorin::ErrorCode::Overflow);
    }
    try {
        quorin::ToText(Variant::Null());
        FAIL() << "no error";
    } catch (const quorin::RuntimeError& e) {
        EXPECT_EQ(e.Code(), quorin::ErrorCode::InvalidUseOfNull);
    }
    EXPECT_EQ(quorin::ToText(Variant(int32_t{7})), u"7");
    EXPECT_TRUE(quorin::ToBool(Variant(u"true")));
}

// Null has no number and no truth value: the numeric and boolean conversions call that a type
// mismatch, as for any other value without that form; only the text conversion, which has no
// kind of its own for it, reports the misused null. A reference to a null reads as the null.
TEST(Variant, NullRaisesTypeMismatchExceptAsText) {
    Variant null = Variant::Null();
    const Variant viaReference = Variant::RefTo(null);
    struct Case {
        const char* what;
        void (*convert)(const Variant&);
        quorin::ErrorCode error;
    } cases[] = {
        {"32-bit integer", [](const Variant& v) { quorin::ToLong(v); }, quorin::ErrorCode::TypeMismatch},
        {"16-bit integer", [](const Variant& v) { quorin::ToInteger(v); }, quorin::ErrorCode::TypeMismatch},
        {"floating point", [](const Variant& v) { quorin::ToDouble(v); }, quorin::ErrorCode::TypeMismatch},
        {"boolean", [](const Variant& v) { quorin::ToBool(v); }, quorin::ErrorCode::TypeMismatch},
        {"text", [](const Variant& v) { quorin::ToText(v); }, quorin::ErrorCode::InvalidUseOfNull},
    };
    for (const auto& c : cases) {
        for (const Variant* v : {static_cast<const Variant*>(&null), &viaReference}) {
            try {
                c.convert(*v);
                ADD_FAILURE() << c.what << ": no error";
            } catch (const quorin::RuntimeError& e) {
                EXPECT_EQ(e.Code(), c.error) << c.what << (v->IsReference() ? " (reference)" : "");
            }
        }
    }
}

TEST(Variant, ReferenceIsFollowedWhenRead) {
    Variant target(int32_t{5});
    Variant ref = Variant::RefTo(target);
    EXPECT_TRUE(ref.IsReference());
    EXPECT_EQ(ref.Kind(), VariantKind::Long);
    target = Variant(u"changed");
    EXPECT_EQ(ref.Kind(), VariantKind::String);
    EXPECT_EQ(quorin::ToText(ref), u"changed");
    // A copy of the value read is independent of the target.
    Variant copy = ref.Value();
    EXPECT_FALSE(copy.IsReference());
    target = Variant(1.0);
    EXPECT_EQ(quorin::ToText(copy), u"changed");
    // A reference to a reference refers to the final target.
    Variant ref2 = Variant::RefTo(ref);
    EXPECT_EQ(&ref2.Deref(), &target);
}

TEST(Variant, AssigningAReferenceToItsTargetMakesNoLoop) {
    Variant target(int32_t{9});
    Variant ref = Variant::RefTo(target);
    target = ref; // would make the target refer to itself
    EXPECT_FALSE(target.IsReference());
    EXPECT_EQ(quorin::ToLong(target), 9);
    EXPECT_EQ(quorin::ToLong(ref), 9);
}

TEST(Variant, OmittedMarkerIsDistinctFromEmpty) {
    EXPECT_TRUE(Variant::Omitted().IsOmitted());
    EXPECT_FALSE(Variant().IsOmitted());
    EXPECT_TRUE(Variant().IsEmpty());
    EXPECT_FALSE(Variant::Null().IsEmpty());
}

} // namespace
