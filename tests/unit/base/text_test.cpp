#include <gtest/gtest.h>

#include "base/text.h"

using namespace quorin;

TEST(Utf8, RoundTripsAllPlanes) {
    const std::string s = "A\xC3\xA9\xE3\x83\x97\xF0\x9F\x98\x80";
    Text t = FromUtf8(s);
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[2], u'\u30d7');
    EXPECT_EQ(ToUtf8(t), s);
}

TEST(Utf8, MalformedBytesBecomeReplacement) {
    struct Case {
        std::string in;
        Text out;
    } cases[] = {
        {"\xC3", u"\uFFFD"},           // cut sequence
        {"\xC0\x80", u"\uFFFD"},       // overlong NUL is one bad sequence
        {"\xED\xA0\x80", u"\uFFFD"},   // encoded surrogate
        {"a\xFF" "b", u"a\uFFFDb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromUtf8(c.in), c.out) << c.in;
    EXPECT_EQ(ToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}
