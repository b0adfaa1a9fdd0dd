#include "basic/string_routines.h"

#include <gtest/gtest.h>

namespace {

using quorin::CompareMode;
using quorin::Text;
using quorin::Variant;

struct FindCase {
    int32_t start;
    const char16_t* text;
    const char16_t* pattern;
    CompareMode mode;
    int32_t expected;
};

TEST(StringRoutines, FindLast) {
    const FindCase cases[] = {
        {1, u"a.b.c", u".", CompareMode::Binary, 4},
        {5, u"a.b.c", u".", CompareMode::Binary, 0},
        {4, u"a.b.c", u".", CompareMode::Binary, 4},
        {1, u"abcabc", u"bc", CompareMode::Binary, 5},
        {6, u"abcabc", u"bc", CompareMode::Binary, 0},
        {3, u"abcabc", u"bc", CompareMode::Binary, 5},
        {1, u"abcabc", u"xy", CompareMode::Binary, 0},
        {1, u"abcabc", u"", CompareMode::Binary, 7},
        {4, u"abcabc", u"", CompareMode::Binary, 7},
        {7, u"abcabc", u"", CompareMode::Binary, 0},
        {1, u"", u".", CompareMode::Binary, 0},
        {1, u"ABCabc", u"bc", CompareMode::Binary, 5},
        {1, u"abcABC", u"bc", CompareMode::Binary, 2},
        {1, u"abcABC", u"bc", CompareMode::Text, 5},
        {1, u"ＡＢｃ", u"ｂ", CompareMode::Text, 2},
        {1, u"C:\\My.Dir\\README", u".", CompareMode::Binary, 6},
        {1, u"A.B.OCX", u".", CompareMode::Binary, 4},
        {1, u"aaaa", u"aa", CompareMode::Binary, 3},
        {100, u"abc", u"a", CompareMode::Binary, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quorin::FindLast(c.start, c.text, c.pattern, c.mode), c.expected)
            << quorin::ToUtf8(c.text) << " / " << quorin::ToUtf8(c.pattern) << " from " << c.start;
}

TEST(StringRoutines, FindFirst) {
    EXPECT_EQ(quorin::FindFirst(1, u"abcabc", u"bc", CompareMode::Binary), 2);
    EXPECT_EQ(quorin::FindFirst(3, u"abcabc", u"bc", CompareMode::Binary), 5);
    EXPECT_EQ(quorin::FindFirst(1, u"abc", u"", CompareMode::Binary), 1);
    EXPECT_EQ(quorin::FindFirst(1, u"", u"", CompareMode::Binary), 0);
    EXPECT_EQ(quorin::FindFirst(1, u"ab", u"abc", CompareMode::Binary), 0);
}

TEST(StringRoutines, StartBelowOneIsAnInvalidArgument) {
    for (int32_t start : {0, -1}) {
        try {
            quorin::FindLast(start, u"abc", u"b", CompareMode::Binary);
            FAIL() << "no error for " << start;
        } catch (const quorin::RuntimeError& e) {
            EXPECT_EQ(e.Code(), quorin::ErrorCode::InvalidArgument);
        }
    }
}

TEST(StringRoutines, ReverseChars) {
    EXPECT_EQ(quorin::ReverseChars(u""), u"");
    EXPECT_EQ(quorin::ReverseChars(u"abc"), u"cba");
    EXPECT_EQ(quorin::ReverseChars(u"日本語"), u"語本日");
}

struct EmbedCase {
    const char16_t* templ;
    std::vector<Variant> values;
    const char16_t* expected;
};

TEST(StringRoutines, EmbedValues) {
    const EmbedCase cases[] = {
        {u"A$B$C", {Variant(u"x"), Variant(u"y")}, u"AxByC"},
        {u"A$B$C", {Variant(u"x")}, u"AxB$C"},
        {u"A$B$", {Variant(u"1$"), Variant(u"2")}, u"A12B$"},
        {u"A$B", {}, u"A$B"},
        {u"'$'", {Variant(u"D:\\PKG")}, u"'D:\\PKG'"},
        {u"$-$-$", {Variant(int32_t{5}), Variant(true), Variant(2.5)}, u"5-True-2.5"},
        {u"[$][$]", {Variant(), Variant::Null()}, u"[][]"},
        {u"no placeholder", {Variant(u"dropped")}, u"no placeholder"},
        {u"$", {Variant(u"a"), Variant(u"b")}, u"a"},
        {u"$$", {Variant(u"$"), Variant(u"z")}, u"z$"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quorin::EmbedValues(c.templ, c.values), c.expected) << quorin::ToUtf8(c.templ);
}

TEST(StringRoutines, EmbedValuesRaisesForAValueWithoutText) {
    std::vector<Variant> values{Variant(std::vector<Variant>{})};
    EXPECT_THROW(quorin::EmbedValues(u"$", values), quorin::RuntimeError);
}

struct FillCase {
    const char16_t* templ;
    std::vector<quorin::Text> values;
    const char16_t* expected;
};

// Only the template's own placeholders are filled: a value holding "$" stays as it is.
TEST(StringRoutines, FillPlaceholdersFillsOnlyTheTemplatesOwn) {
    const FillCase cases[] = {
        {u"'$'\n[$] $ '$'",
         {u"\\\\server\\c$\\pkg\\Setup.INF", u"2", u"Lz", u"A$B"},
         u"'\\\\server\\c$\\pkg\\Setup.INF'\n[2] Lz 'A$B'"},
        {u"A$B$", {u"1$", u"2"}, u"A1$B2"},
        {u"$$", {u"$"}, u"$$"},
        {u"A$B$C", {u"x"}, u"AxB$C"},
        {u"A$B", {u"x", u"dropped"}, u"AxB"},
        {u"none", {u"dropped"}, u"none"},
        {u"", {}, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quorin::FillPlaceholders(c.templ, c.values), c.expected) << quorin::ToUtf8(c.templ);
}

TEST(StringRoutines, EqualsNoCaseFoldsTheCodePagesLetters) {
    EXPECT_TRUE(quorin::EqualsNoCase(u"Main", u"MAIN"));
    EXPECT_TRUE(quorin::EqualsNoCase(u"ＡＢＣ", u"ａｂｃ"));
    EXPECT_TRUE(quorin::EqualsNoCase(u"ΩΜΕΓΑ", u"ωμεγα"));
    EXPECT_TRUE(quorin::EqualsNoCase(u"ЖУК", u"жук"));
    EXPECT_TRUE(quorin::EqualsNoCase(u"Ⅹ", u"ⅹ"));
    EXPECT_FALSE(quorin::EqualsNoCase(u"あ", u"ア"));
    EXPECT_FALSE(quorin::EqualsNoCase(u"ab", u"abc"));
}

} // namespace
