// ProfileFile against the platform's own profile functions, in code page 932.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "setup/platform/profile_file.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

namespace {

using quorin::Text;
using quorin::Variant;
using setup::ProfileFile;

class Profiler : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), 932u);
        wchar_t dir[MAX_PATH];
        ::GetTempPathW(MAX_PATH, dir);
        static int counter = 0;
        // A fresh file name per test: the platform caches the files it has read.
        path_ = std::wstring(dir) + L"quorin-profiler-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter) + L".ini";
        profiler_.path = quorin::win::FromWide(path_.c_str());
    }
    void TearDown() override { ::DeleteFileW(path_.c_str()); }

    void WriteFile(const std::string& bytes) {
        quorin::win::UniqueFile file(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    std::string ReadFile() {
        quorin::win::UniqueFile file(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        std::string out;
        char buf[4096];
        DWORD n = 0;
        while (file && ::ReadFile(file.get(), buf, sizeof buf, &n, nullptr) && n > 0)
            out.append(buf, n);
        return out;
    }

    std::wstring path_;
    ProfileFile profiler_;
};

TEST_F(Profiler, ReadTextCutsAt254Bytes) {
    std::string sjis;
    for (int i = 0; i < 150; ++i)
        sjis += "\x82\xA0";
    WriteFile("[S]\r\nascii=" + std::string(300, 'a') + "\r\nsjis=" + sjis + "\r\n");
    EXPECT_EQ(profiler_.ReadText(u"S", u"ascii"), Text(254, u'a'));
    EXPECT_EQ(profiler_.ReadText(u"S", u"sjis"), Text(127, u'あ'));
    EXPECT_EQ(profiler_.ReadText(u"S", u"missing", u"fallback"), u"fallback");
    EXPECT_EQ(profiler_.ReadText(u"S", u"missing"), u"");
    EXPECT_EQ(profiler_.ReadText(u"s", u"ASCII").size(), 254u); // names without regard to case
}

TEST_F(Profiler, ReadsShiftJisNamesAndValues) {
    WriteFile("[\x83\x5A\x83\x4E\x83\x56\x83\x87\x83\x93]\r\n\x95\x5C\x8E\xA6=\x83\x5C\x83\x74\x83\x67\r\n");
    EXPECT_EQ(profiler_.ReadText(u"セクション", u"表示"), u"ソフト");
}

struct BoolCase {
    const char* line; // nullptr: the key is missing
    bool def;
    bool expected;
};

TEST_F(Profiler, ReadYesNo) {
    const BoolCase cases[] = {
        {nullptr, false, false}, {nullptr, true, true}, {"YES", false, true},   {"yes", false, true},
        {"Yes", false, true},    {"NO", true, false},   {"no", true, false},    {"1", true, false},
        {"TRUE", true, false},   {"", true, false},     {" YES ", false, true}, {"\"YES\"", false, true},
    };
    std::string file = "[B]\r\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        if (cases[i].line)
            file += "k" + std::to_string(i) + "=" + cases[i].line + "\r\n";
    WriteFile(file);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(profiler_.ReadYesNo(u"B", quorin::FromAscii("k" + std::to_string(i)), cases[i].def),
                  cases[i].expected)
            << (cases[i].line ? cases[i].line : "(missing)") << " default " << cases[i].def;
}

TEST_F(Profiler, ReadNumber) {
    WriteFile("[N]\r\nAll=2\r\nx=x3\r\nneg=-5\r\nbig=40000\r\n");
    EXPECT_EQ(profiler_.ReadNumber(u"N", u"All"), 2);
    EXPECT_EQ(profiler_.ReadNumber(u"N", u"x", 9), 0);
    EXPECT_EQ(profiler_.ReadNumber(u"N", u"neg"), -5);
    EXPECT_EQ(profiler_.ReadNumber(u"N", u"big"), 40000);
    EXPECT_EQ(profiler_.ReadNumber(u"N", u"missing", 9), 9);
    EXPECT_EQ(profiler_.ReadNumber(u"N", u"missing"), 0);
}

TEST_F(Profiler, NoFileOrNoPathGivesDefaults) {
    EXPECT_EQ(profiler_.ReadText(u"Main", u"Title", u"d"), u"d");
    EXPECT_EQ(profiler_.ReadNumber(u"Main", u"All", 3), 3);
    ProfileFile empty;
    EXPECT_EQ(empty.path, u"");
    EXPECT_EQ(empty.ReadText(u"Main", u"Title", u"d"), u"d");
    EXPECT_FALSE(empty.ReadYesNo(u"Main", u"LzTrash"));
}

struct WriteCase {
    Variant value;
    const char* stored;
};

TEST_F(Profiler, WriteProfileStoresTheTextForm) {
    const WriteCase cases[] = {
        {Variant(true), "YES"},
        {Variant(false), "NO"},
        {Variant(int32_t{5}), "5"},
        {Variant(int16_t{-3}), "-3"},
        {Variant(2.5), "2.5"},
        {Variant(u"True"), "True"},
        {Variant(), ""},
        {Variant(u"日本語"), "\x93\xFA\x96\x7B\x8C\xEA"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        profiler_.Write(u"W", quorin::FromAscii("k" + std::to_string(i)), cases[i].value);
    std::string expected = "[W]\r\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        expected += "k" + std::to_string(i) + "=" + cases[i].stored + "\r\n";
    EXPECT_EQ(ReadFile(), expected);
    EXPECT_EQ(profiler_.ReadText(u"W", u"k7"), u"日本語");
    EXPECT_TRUE(profiler_.ReadYesNo(u"W", u"k0"));
}

TEST_F(Profiler, WriteProfileRaisesBeforeWritingAValueWithoutText) {
    WriteFile("[W]\r\nk=old\r\n");
    const std::string before = ReadFile();
    for (const Variant& v : {Variant::Null(), Variant(std::vector<Variant>{Variant(int32_t{1})})})
        EXPECT_THROW(profiler_.Write(u"W", u"k", v), quorin::RuntimeError);
    EXPECT_EQ(ReadFile(), before);
    EXPECT_EQ(profiler_.ReadText(u"W", u"k"), u"old");
}

TEST_F(Profiler, ClearSectionAndKey) {
    WriteFile("[A]\r\nk=1\r\nj=2\r\n[B]\r\nk=3\r\n");
    profiler_.ClearSection(u"Missing");
    EXPECT_EQ(ReadFile(), "[A]\r\nk=1\r\nj=2\r\n[B]\r\nk=3\r\n");
    profiler_.ClearKey(u"A", u"k");
    EXPECT_EQ(profiler_.ReadText(u"A", u"k", u"gone"), u"gone");
    EXPECT_EQ(profiler_.ReadText(u"A", u"j"), u"2");
    profiler_.ClearSection(u"a");
    EXPECT_EQ(profiler_.ReadText(u"A", u"j", u"gone"), u"gone");
    EXPECT_EQ(profiler_.ReadNumber(u"B", u"k"), 3);
}

TEST_F(Profiler, UnrepresentableCharactersReachTheFileAsSubstitutes) {
    profiler_.Write(u"섹션", u"키", Variant(u"값 and 😀"));
    EXPECT_EQ(ReadFile(), "[??]\r\n?=? and ??\r\n"); // the emoji is two UTF-16 units
    // Reading back asks for the same substitutes, so the value is found again.
    EXPECT_EQ(profiler_.ReadText(u"섹션", u"키"), u"? and ??");
}

TEST_F(Profiler, WriteIntoAMissingFolderIsSilent) {
    profiler_.path = u"C:\\no\\such\\folder\\x.ini";
    profiler_.Write(u"S", u"k", Variant(u"v"));
    EXPECT_EQ(profiler_.ReadText(u"S", u"k", u"d"), u"d");
}

} // namespace
