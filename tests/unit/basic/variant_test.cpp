#include "basic/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

using quorin::ConversionError;
using quorin::ErrorCode;
using quorin::Text;
using quorin::Variant;

const ConversionError kOk = ConversionError::None;
const ConversionError kMismatch = ConversionError::TypeMismatch;
const ConversionError kOverflow = ConversionError::Overflow;

Variant Array() {
    return Variant(std::vector<Variant>{Variant(int32_t{1})});
}

template <typename T> struct Case {
    Variant value;
    T expected;
    ConversionError error;
};

template <typename T, typename Convert>
void ExpectConversions(const std::vector<Case<T>>& cases, Convert convert) {
    for (const auto& c : cases) {
        const auto r = convert(c.value);
        EXPECT_EQ(r.error, c.error) << "case " << (&c - cases.data());
        if (c.error == kOk) {
            EXPECT_EQ(r.value, c.expected) << "case " << (&c - cases.data());
        }
    }
}

// clang-format off
TEST(Variant, ToText) {
    ExpectConversions<Text>({
        {Variant(), u"", kOk},                 {Variant(int16_t{-5}), u"-5", kOk},
        {Variant(1.5), u"1.5", kOk},           {Variant(0.1), u"0.1", kOk},
        {Variant(-0.0), u"0", kOk},            {Variant(100.0), u"100", kOk},
        {Variant(1e20), u"1E+20", kOk},        {Variant(1e-5), u"1E-05", kOk},
        {Variant(true), u"True", kOk},         {Variant(u"True"), u"True", kOk},
        {Variant(123456789012345678.0), u"1.23456789012346E+17", kOk},
        {Variant(int32_t{-2147483647 - 1}), u"-2147483648", kOk},
        {Variant::Null(), u"", ConversionError::InvalidUseOfNull},
        {Array(), u"", kMismatch},             {Variant::Omitted(), u"", kMismatch},
        {Variant(std::numeric_limits<double>::infinity()), u"", kOverflow}}, quorin::TryToText);
}

TEST(Variant, ToLongRoundsHalvesToEvenAndChecksRange) {
    ExpectConversions<int32_t>({
        {Variant(), 0, kOk},                   {Variant(true), -1, kOk},
        {Variant(0.5), 0, kOk},                {Variant(1.5), 2, kOk},
        {Variant(2.5), 2, kOk},                {Variant(2.5001), 3, kOk},
        {Variant(-2.5), -2, kOk},              {Variant(-3.5), -4, kOk},
        {Variant(2147483647.4), 2147483647, kOk},
        {Variant(2147483647.5), 0, kOverflow},
        {Variant(-2147483648.5), -2147483647 - 1, kOk},
        {Variant(-2147483648.6), 0, kOverflow},
        {Variant(std::nan("")), 0, kOverflow}, {Variant(u"3000000000"), 0, kOverflow},
        {Variant(u"  -12  "), -12, kOk},       {Variant(u"2.5"), 2, kOk},
        {Variant(u"1e3"), 1000, kOk},          {Variant(u"1D2"), 100, kOk},
        {Variant(u"&HFF"), 255, kOk},          {Variant(u"&hFFFFFFFF"), -1, kOk},
        {Variant(u"&O17"), 15, kOk},           {Variant(u"&H"), 0, kMismatch},
        {Variant(u"&H1G"), 0, kMismatch},      {Variant(u"&H100000000"), 0, kMismatch},
        {Variant(u"12abc"), 0, kMismatch},     {Variant(u" "), 0, kMismatch},
        {Variant(u"."), 0, kMismatch},         {Variant(u"1e"), 0, kMismatch},
        {Variant(u"1e999"), 0, kMismatch},     {Variant::Null(), 0, kMismatch},
        {Array(), 0, kMismatch},               {Variant::Omitted(), 0, kMismatch}}, quorin::TryToLong);
    ExpectConversions<int16_t>({
        {Variant(32766.5), 32766, kOk},        {Variant(32767.5), 0, kOverflow},
        {Variant(-32768.5), -32768, kOk},      {Variant(int32_t{40000}), 0, kOverflow}}, quorin::TryToInteger);
}

TEST(Variant, ToBool) {
    ExpectConversions<bool>({
        {Variant(), false, kOk},               {Variant(int32_t{5}), true, kOk},
        {Variant(0.0), false, kOk},            {Variant(0.1), true, kOk},
        {Variant(u"tRUE"), true, kOk},         {Variant(u"FALSE"), false, kOk},
        {Variant(u" 0 "), false, kOk},         {Variant(u"-2.5"), true, kOk},
        {Variant(u"yes"), false, kMismatch},   {Variant(u""), false, kMismatch},
        {Variant(u" true"), false, kMismatch}, {Variant::Null(), false, kMismatch},
        {Array(), false, kMismatch}}, quorin::TryToBool);
}
// clang-format on

TEST(Variant, IsNumeric) {
    for (const Variant& v : {Variant(), Variant(true), Variant(2.5), Variant(u" 42 "), Variant(u"&H1F")})
        EXPECT_TRUE(quorin::IsNumeric(v)) << quorin::ToUtf8(quorin::ToText(v));
    for (const Variant& v :
         {Variant(u""), Variant(u"True"), Variant(u"4 2"), Variant::Null(), Array(), Variant::Omitted()})
        EXPECT_FALSE(quorin::IsNumeric(v)) << static_cast<int>(v.Kind());
}

// The throwing forms raise the runtime error of the failed conversion. Null has no number and no
// truth value, like any value without that form; only the text conversion calls it a misused
// null. A reference to a value raises what the value raises.
TEST(Variant, FailedConversionsRaiseTheirError) {
    Variant null = Variant::Null();
    const struct {
        const char* what;
        std::function<void()> convert;
        ErrorCode error;
    } cases[] = {
        {"long from text", [] { quorin::ToLong(Variant(u"x")); }, ErrorCode::TypeMismatch},
        {"long from 3e9", [] { quorin::ToLong(Variant(3e9)); }, ErrorCode::Overflow},
        {"long", [&] { quorin::ToLong(Variant::RefTo(null)); }, ErrorCode::TypeMismatch},
        {"integer", [&] { quorin::ToInteger(null); }, ErrorCode::TypeMismatch},
        {"double", [&] { quorin::ToDouble(null); }, ErrorCode::TypeMismatch},
        {"bool", [&] { quorin::ToBool(null); }, ErrorCode::TypeMismatch},
        {"text", [&] { quorin::ToText(Variant::RefTo(null)); }, ErrorCode::InvalidUseOfNull},
    };
    for (const auto& c : cases) {
        try {
            c.convert();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const quorin::RuntimeError& e) {
            EXPECT_EQ(e.Code(), c.error) << c.what;
        }
    }
}

TEST(Variant, ReferenceReadsItsTargetAndCopiesDoNot) {
    Variant target(int32_t{5});
    Variant ref = Variant::RefTo(target);
    target = Variant(u"changed");
    EXPECT_EQ(quorin::ToText(ref), u"changed");
    const Variant copy = ref.Value();
    EXPECT_FALSE(copy.IsReference());
    target = Variant(1.0);
    EXPECT_EQ(quorin::ToText(copy), u"changed");
    // A reference to a reference refers to the final target, so chains never loop.
    EXPECT_EQ(&Variant::RefTo(ref).Deref(), &target);
    // Assigning a reference to its own target would make the target refer to itself.
    target = ref;
    EXPECT_FALSE(target.IsReference());
    EXPECT_EQ(quorin::ToLong(ref), 1);
}

} // namespace
