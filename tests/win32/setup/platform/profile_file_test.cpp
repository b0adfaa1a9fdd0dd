// The profile file through the platform's own profile functions, in code page 932: what the
// platform's reader adds to the script's rules (cut values, blanks and quotes, numbers as
// written), writing and clearing. All as written through this reader: the start-up's refusals.
#include "setup/platform/profile_file.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

TEST(ProfileFile, ReadsWritesAndClearsThroughThePlatform) {
    TempFolder f(L"profile");
    std::string sjis;
    for (int i = 0; i < 150; ++i)
        sjis += "\x82\xA0"; // あ
    f.Write(L"a.ini", "[S]\r\nascii=" + std::string(300, 'a') + "\r\nsjis=" + sjis +
                          "\r\nyes1= YES \r\nyes2=\"yes\"\r\nno=1\r\nnum=x3\r\nbig=40000\r\n[\x83\x5A]\r\n\x95\x5C=\x83\x5C\r\n");
    setup::ProfileFile p;
    p.path = f.Text(L"a.ini");
    EXPECT_EQ(p.ReadText(u"s", u"ASCII"), Text(254, u'a'));
    EXPECT_EQ(p.ReadText(u"S", u"sjis"), Text(127, u'あ'));
    EXPECT_EQ(p.ReadText(u"セ", u"表"), u"ソ");
    EXPECT_EQ(p.ReadText(u"S", u"missing", u"fallback"), u"fallback");
    EXPECT_TRUE(p.ReadYesNo(u"S", u"yes1") && p.ReadYesNo(u"S", u"yes2") && p.ReadYesNo(u"S", u"missing", true));
    EXPECT_FALSE(p.ReadYesNo(u"S", u"no", true));
    EXPECT_EQ(p.ReadNumber(u"S", u"num", 9), 0);
    EXPECT_EQ(p.ReadNumber(u"S", u"big"), 40000);
    EXPECT_EQ(p.ReadNumber(u"S", u"missing", 9), 9);
    // Writing and clearing.
    p.path = f.Text(L"w.ini");
    const quorin::Variant values[] = {quorin::Variant(true), quorin::Variant(int32_t{5}), quorin::Variant(2.5),
                                      quorin::Variant(u"True"), quorin::Variant(), quorin::Variant(u"日本語"),
                                      quorin::Variant(u"값 and 😀")};
    for (size_t i = 0; i < std::size(values); ++i)
        p.Write(u"W", quorin::FromAscii("k" + std::to_string(i)), values[i]);
    EXPECT_EQ(f.Read(L"w.ini"), "[W]\r\nk0=YES\r\nk1=5\r\nk2=2.5\r\nk3=True\r\nk4=\r\nk5=\x93\xFA\x96\x7B\x8C\xEA\r\nk6=? and ??\r\n");
    EXPECT_THROW(p.Write(u"W", u"k0", quorin::Variant::Null()), quorin::RuntimeError);
    EXPECT_EQ(p.ReadText(u"W", u"k0"), u"YES") << "nothing written for a value without text";
    p.ClearKey(u"W", u"k1");
    EXPECT_EQ(p.ReadText(u"W", u"k1", u"gone"), u"gone");
    p.ClearSection(u"w");
    EXPECT_EQ(p.ReadText(u"W", u"k2", u"gone"), u"gone");
    p.path = u"C:\\no\\such\\folder\\x.ini";
    p.Write(u"S", u"k", quorin::Variant(u"v"));
    EXPECT_EQ(p.ReadText(u"S", u"k", u"d"), u"d");
}

} // namespace
} // namespace setup_test
