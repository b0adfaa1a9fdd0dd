// The code page 932 codec over texts of several characters; the Windows test (tests/win32/base)
// holds each single sequence and character, duplicate rows included, to the platform's own.
#include "base/cp932.h"

#include <gtest/gtest.h>

namespace {

using quorin::cp932::Decode;
using quorin::cp932::Encode;
using quorin::cp932::EncodeExact;

struct DecodeCase {
    std::string bytes;
    std::u16string text;
    bool preferred; // the form Encode writes for the text
};

TEST(Cp932, DecodesEverySequence) {
    const DecodeCase cases[] = {
        {"abc", u"abc", true},
        {"\x82\xA0\xB1", u"あｱ", true},
        {"\x95\x5C\x83\x5C", u"表ソ", true},     // trail bytes equal to the backslash
        {"\xF0\x40\x81\x40", u"\uE000　", true}, // user-defined area, ideographic space
        {"\x80\xA0\xFD\xFE\xFF", u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3", true},
        // A lead byte without its trail byte reads as the default character.
        {"a\x82", u"a\u30FB", false},
        {std::string("\x82\0b", 3), std::u16string(u"\u30FB\0b", 3), false},
        {"\x82\n", u"\u30FB", false}, // a lead byte swallows the line feed
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.bytes), c.text) << c.bytes;
        if (c.preferred) {
            EXPECT_EQ(Encode(c.text), c.bytes) << c.bytes;
        }
    }
}

struct EncodeCase {
    std::u16string text;
    std::string bytes;
    bool exact; // reads back as the same text
};

TEST(Cp932, EncodesWhatItCannotHoldAsSubstituteOrBestFit) {
    const EncodeCase cases[] = {
        {u"日本 ｱ", "\x93\xFA\x96\x7B \xB1", true},
        {u"한\U0001F600", "???", false}, // one substitute per surrogate
        {u"é¥", "e\\", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Encode(c.text), c.bytes) << c.bytes;
        EXPECT_EQ(EncodeExact(c.text), c.exact ? std::optional<std::string>(c.bytes) : std::nullopt)
            << c.bytes;
    }
}

} // namespace
