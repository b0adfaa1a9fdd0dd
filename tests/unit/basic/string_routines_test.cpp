#include "basic/string_routines.h"

#include <gtest/gtest.h>

namespace {

using quorin::CompareMode;
using quorin::Text;
using quorin::Variant;

const CompareMode kBinary = CompareMode::Binary;
const CompareMode kText = CompareMode::Text;

// FindLast's position, or kInvalid for the error it raises for a start below 1.
constexpr int32_t kInvalid = -1;
int32_t FindLastOrInvalid(int32_t start, const char16_t* text, const char16_t* pattern, CompareMode mode) {
    try {
        return quorin::FindLast(start, text, pattern, mode);
    } catch (const quorin::RuntimeError& e) {
        return e.Code() == quorin::ErrorCode::InvalidArgument ? kInvalid : -2;
    }
}

struct FindCase {
    int32_t start;
    const char16_t* text;
    const char16_t* pattern;
    CompareMode mode;
    int32_t last;
};

TEST(StringRoutines, FindLast) {
    // clang-format off
    const FindCase cases[] = {
        {1, u"a.b.c", u".", kBinary, 4},       {5, u"a.b.c", u".", kBinary, 0},
        {4, u"a.b.c", u".", kBinary, 4},       {1, u"abcabc", u"bc", kBinary, 5},
        {6, u"abcabc", u"bc", kBinary, 0},     {1, u"abcabc", u"xy", kBinary, 0},
        {1, u"abcabc", u"", kBinary, 7},       {7, u"abcabc", u"", kBinary, 0},
        {1, u"", u".", kBinary, 0},            {100, u"abc", u"a", kBinary, 0},
        {1, u"aaaa", u"aa", kBinary, 3},       {1, u"abcABC", u"bc", kBinary, 2},
        {1, u"abcABC", u"bc", kText, 5},       {1, u"ＡＢｃ", u"ｂ", kText, 2},
        {1, u"C:\\My.Dir\\README", u".", kBinary, 6},
        {1, u"x\U0001F600y\U0001F600", u"\U0001F600", kBinary, 5}, // code units, not characters
        {0, u"abc", u"b", kBinary, kInvalid},  {-1, u"abc", u"b", kBinary, kInvalid},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(FindLastOrInvalid(c.start, c.text, c.pattern, c.mode), c.last)
            << quorin::ToUtf8(c.text) << " / " << quorin::ToUtf8(c.pattern) << " from " << c.start;
    EXPECT_EQ(quorin::FindFirst(3, u"abcabc", u"bc", kBinary), 5);
    EXPECT_EQ(quorin::FindFirst(1, u"", u"", kBinary), 0);
    EXPECT_EQ(quorin::ReverseChars(u"日本語"), u"語本日");
}

struct EmbedCase {
    const char16_t* templ;
    std::vector<Variant> values;
    const char16_t* expected; // nullptr: raises
};

TEST(StringRoutines, EmbedValues) {
    const EmbedCase cases[] = {
        {u"A$B$C", {Variant(u"x"), Variant(u"y")}, u"AxByC"},
        {u"A$B$C", {Variant(u"x")}, u"AxB$C"},
        {u"A$B$", {Variant(u"1$"), Variant(u"2")}, u"A12B$"}, // the second fills the "$" the first brought
        {u"'$'", {Variant(u"D:\\PKG")}, u"'D:\\PKG'"},
        {u"$-$-$", {Variant(int32_t{5}), Variant(true), Variant(2.5)}, u"5-True-2.5"},
        {u"[$][$]", {Variant(), Variant::Null()}, u"[][]"},
        {u"no placeholder", {Variant(u"dropped")}, u"no placeholder"},
        {u"$", {Variant(std::vector<Variant>{})}, nullptr},
        {u"none", {Variant::Omitted()}, nullptr}, // raises even without a placeholder to fill
    };
    for (const auto& c : cases) {
        if (c.expected) {
            EXPECT_EQ(quorin::EmbedValues(c.templ, c.values), c.expected) << quorin::ToUtf8(c.templ);
        } else {
            EXPECT_THROW(quorin::EmbedValues(c.templ, c.values), quorin::RuntimeError)
                << quorin::ToUtf8(c.templ);
        }
    }
}

struct FillCase {
    const char16_t* templ;
    std::vector<Text> values;
    const char16_t* expected;
};

// Only the template's own placeholders are filled: a value holding "$" stays as it is.
TEST(StringRoutines, FillPlaceholdersFillsOnlyTheTemplatesOwn) {
    const FillCase cases[] = {
        {u"'$'\n[$] $ '$'",
         {u"\\\\server\\c$\\pkg\\Setup.INF", u"2", u"Lz", u"A$B"},
         u"'\\\\server\\c$\\pkg\\Setup.INF'\n[2] Lz 'A$B'"},
        {u"A$B$", {u"1$", u"2"}, u"A1$B2"},
        {u"A$B$C", {u"x"}, u"AxB$C"},
        {u"A$B", {u"x", u"dropped"}, u"AxB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quorin::FillPlaceholders(c.templ, c.values), c.expected) << quorin::ToUtf8(c.templ);
}

TEST(StringRoutines, EqualsNoCaseFoldsTheCodePagesLetters) {
    const std::pair<const char16_t*, const char16_t*> equal[] = {
        {u"Main", u"MAIN"}, {u"ＡＢＣ", u"ａｂｃ"}, {u"ΩΜΕΓΑ", u"ωμεγα"}, {u"ЖУКЁ", u"жукё"}, {u"Ⅹ", u"ⅹ"}};
    for (const auto& [a, b] : equal) {
        EXPECT_TRUE(quorin::EqualsNoCase(a, b)) << quorin::ToUtf8(a);
        EXPECT_EQ(quorin::FoldCase(a), quorin::FoldCase(b)) << quorin::ToUtf8(a);
    }
    EXPECT_FALSE(quorin::EqualsNoCase(u"あ", u"ア"));
    EXPECT_FALSE(quorin::EqualsNoCase(u"ab", u"abc"));
    EXPECT_FALSE(quorin::EqualsNoCase(u"\u03A2", u"\u03C2")); // no capital final sigma to fold
}

} // namespace
