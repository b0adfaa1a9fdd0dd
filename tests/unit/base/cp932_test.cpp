#include "base/cp932.h"

#include <gtest/gtest.h>

namespace {

using quorin::cp932::Decode;
using quorin::cp932::Encode;

struct Pair {
    const char* bytes;
    const char16_t* text;
};

TEST(Cp932, KnownPairsBothWays) {
    const Pair pairs[] = {
        {"abc", u"abc"},         {"\x82\xA0", u"あ"},
        {"\xB1", u"ｱ"},          {"\x95\x5C\x8E\xA6", u"表示"}, // trail bytes equal to the backslash
        {"\x83\x5C", u"ソ"},     {"\xFA\x5C", u"纊"},           // IBM row chosen over the NEC-selected 0xED40
        {"\x87\x54", u"Ⅰ"},                                     // NEC row 13 chosen over the IBM 0xFA4A
        {"\x81\xCA", u"￢"},                                    // JIS row chosen over the IBM duplicate
        {"\xF0\x40", u"\uE000"},                                // user-defined area
        {"\x81\x40", u"　"},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(Decode(p.bytes), p.text) << p.bytes;
        EXPECT_EQ(Encode(p.text), p.bytes) << p.bytes;
    }
}

TEST(Cp932, DecodesDuplicatesAndOddBytes) {
    EXPECT_EQ(Decode("\xED\x40"), u"纊");
    EXPECT_EQ(Decode("\x80\xA0\xFD\xFE\xFF"), u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
    EXPECT_EQ(Decode("\x85\x40"), u"\u30FB"); // undefined pair
    EXPECT_EQ(Decode("a\x82"), u"a\u30FB");   // lead byte at the end
    EXPECT_EQ(Decode(std::string("\x82\0b", 3)), std::u16string(u"\u30FB\0b", 3));
    EXPECT_EQ(Decode("\x82\n"), u"\u30FB"); // a lead byte swallows the line feed
}

TEST(Cp932, EncodesWhatItCannotHoldAsSubstitute) {
    EXPECT_EQ(Encode(u"한"), "?");
    EXPECT_EQ(Encode(u"\U0001F600"), "??"); // one substitute per surrogate
    EXPECT_EQ(Encode(u"é"), "e");           // the platform's best fit
    EXPECT_EQ(Encode(u"¥"), "\\");
    EXPECT_EQ(Encode(u"ゔ"), "\x83\x94");
    EXPECT_EQ(quorin::cp932::EncodeExact(u"한"), std::nullopt);
    EXPECT_EQ(quorin::cp932::EncodeExact(u"é"), std::nullopt);
    EXPECT_EQ(quorin::cp932::EncodeExact(u"\uFFFD"), std::nullopt); // what invalid UTF-8 becomes
    EXPECT_EQ(quorin::cp932::EncodeExact(u"日本 ｱ"), "\x93\xFA\x96\x7B \xB1");
}

TEST(Cp932, EveryDefinedPairRoundTripsThroughItsPreferredForm) {
    size_t pairs = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!quorin::cp932::IsLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string text = Decode(bytes);
            ASSERT_EQ(text.size(), 1u);
            if (text[0] == 0x30FB && bytes != "\x81\x45")
                continue; // undefined
            ++pairs;
            EXPECT_EQ(Decode(Encode(text)), text) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_EQ(pairs, 9604u);
}

} // namespace
