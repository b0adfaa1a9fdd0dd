// Known answers of the code page 932 codec; the Windows test (tests/win32/base) holds every byte
// sequence and every character to the platform's own conversions.
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
        {"\x95\x5C\x83\x5C", u"表ソ", true}, // trail bytes equal to the backslash
        {"\xFA\x5C", u"纊", true},           // IBM row chosen over the NEC-selected 0xED40
        {"\xED\x40", u"纊", false},
        {"\x87\x54", u"Ⅰ", true},                // NEC row 13 chosen over the IBM 0xFA4A
        {"\x81\xCA", u"￢", true},               // JIS row chosen over the IBM duplicate
        {"\xF0\x40\x81\x40", u"\uE000　", true}, // user-defined area, ideographic space
        {"\x80\xA0\xFD\xFE\xFF", u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3", true},
        // Undefined pairs and a lead byte without its trail byte read as the default character.
        {"\x85\x40", u"\u30FB", false},
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
        {u"한", "?", false},
        {u"\U0001F600", "??", false}, // one substitute per surrogate
        {u"\uFFFD", "?", false},      // what invalid UTF-8 becomes
        {u"é", "e", false},
        {u"¥", "\\", false},
        {u"ゔ", "\x83\x94", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Encode(c.text), c.bytes) << c.bytes;
        EXPECT_EQ(EncodeExact(c.text), c.exact ? std::optional<std::string>(c.bytes) : std::nullopt)
            << c.bytes;
    }
}

} // namespace
