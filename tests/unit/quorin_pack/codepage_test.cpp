// glibc's iconv ("CP932") and the core's table agree on what Setup will read.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "pack.h"

namespace {

struct Cp932Case {
    const char* utf8;
    bool representable;
};

TEST(QuorinPackCodePage, IconvMatchesTheCoreTable) {
    const Cp932Case cases[] = {
        {"Ombrel's Gantrel", true},
        {"\xe3\x82\xaa\xe3\x83\xb3\xe3\x83\x96\xe3\x83\xac\xe3\x83\xab", true}, // オンブレル
        {"\xef\xbd\x9e\xef\xbc\x8d\xef\xbf\xa0", true}, // ～－￠: the code page's forms
        {"\xef\xbd\xb6\xef\xbe\x85", true},             // half-width ｶﾅ
        {"\xe2\x91\xa0\xe3\x88\xb1", true},             // ①㈱ (NEC rows)
        {"\xe3\x80\x9c", false},                        // 〜 WAVE DASH
        {"\xe2\x88\x92", false},                        // − MINUS SIGN
        {"\xf0\x9f\x8e\xae", false},                    // 🎮
        {"caf\xc3\xa9", false},                         // é
        {"cut \xe3\x82", false},                        // broken UTF-8
    };
    for (const Cp932Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const std::optional<std::string> bytes = quorin::pack::Utf8ToCp932(c.utf8);
        EXPECT_EQ(bytes.has_value(), c.representable);
        if (bytes) {
            EXPECT_EQ(*bytes, quorin::cp932::Encode(quorin::FromUtf8(c.utf8)));
        }
    }
}

} // namespace
