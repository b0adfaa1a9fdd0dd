#include "base/text.h"

#include <gtest/gtest.h>

namespace {

struct Utf8Case {
    std::string utf8;
    std::u16string text;
    bool roundTrips;
};

TEST(Utf8, ConvertsAndReplacesWhatIsMalformed) {
    const Utf8Case cases[] = {
        {"A\xC3\xA9\xE3\x83\x97\xF0\x9F\x98\x80", u"Aéプ\U0001F600", true},
        {"\xC3", u"\uFFFD", false},         // cut sequence
        {"\xC0\x80", u"\uFFFD", false},     // overlong NUL is one bad sequence
        {"\xED\xA0\x80", u"\uFFFD", false}, // encoded surrogate
        {"a\xFFz", u"a\uFFFDz", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quorin::FromUtf8(c.utf8), c.text) << c.utf8;
        if (c.roundTrips) {
            EXPECT_EQ(quorin::ToUtf8(c.text), c.utf8);
        }
    }
    EXPECT_EQ(quorin::ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD"); // lone surrogate
}

} // namespace
