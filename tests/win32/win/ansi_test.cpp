// The environment every Windows test relies on: the Japanese ANSI code page and the
// conversions done at each ANSI call.
#include <gtest/gtest.h>
#include <windows.h>

#include "win/ansi.h"

using quorin::win::FromAnsi;
using quorin::win::ToAnsi;

TEST(Harness, AnsiCodePageIsJapanese) {
    ASSERT_EQ(GetACP(), 932u) << "the Wine prefix must run with LC_ALL=ja_JP.UTF-8";
}

TEST(Harness, AnsiRoundTripAndSubstitution) {
    const std::u16string jp = u"プログラム";
    std::string bytes = ToAnsi(jp);
    EXPECT_EQ(bytes, "\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80");
    EXPECT_EQ(FromAnsi(bytes), jp);
    // A character outside code page 932, with no best-fit neighbour, arrives as "?".
    EXPECT_EQ(ToAnsi(u"a\uac00b"), "a?b");
}
