// The portable INI reader's answers, natively. Every expectation here is what the platform's
// profile functions answer for the same file (the Windows differential test checks that
// claim over a larger corpus).
#include "ini/profile.h"
#include "ini/profile_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

using quorin::ini::Profile;

struct ReadCase {
    std::string file;
    const char* section;
    const char* key;
    const char* def;
    std::string expected;
};

TEST(Profile, GetStringFollowsThePlatformsLineRules) {
    const ReadCase cases[] = {
        {"[Main]\r\nTitle=x\r\n", "Main", "Title", "d", "x"},
        {"[Main]\r\nTitle=x\r\n", "main", "TITLE", "d", "x"},
        {"[Main]\r\nTitle=x\r\n", " Main ", " Title ", "d", "x"},
        {"[Main]\r\nTitle=x\r\n", "Main", "Missing", "d", "d"},
        {"[Main]\r\nTitle=x\r\n", "Other", "Title", "d", "d"},
        {"[Main]\r\nTitle=x\r\n", "Main", "Title", "d", "x"},
        {"", "Main", "Title", "dflt   ", "dflt"},
        {"", "Main", "Title", "'quoted'", "quoted"},
        {"[Main]\n  Title  =  spaced value  \n", "Main", "Title", "", "spaced value"},
        {"[Main]\nKey With Space = v\n", "Main", "Key With Space", "", "v"},
        {"[ Spaced ]\nk=1\n", "Spaced", "k", "", "1"},
        {"[Main] trailing\nk=1\n", "Main", "k", "", "1"},
        {"[a]b]\nk=1\n", "a]b", "k", "", "1"},
        {"[unterminated\nk=1\n", "unterminated", "k", "d", "d"},
        {"k0=pre\n[S]\n", "", "k0", "d", "pre"},
        {"[Q]\na=\"quoted\"\n", "Q", "a", "", "quoted"},
        {"[Q]\na='single'\n", "Q", "a", "", "single"},
        {"[Q]\na=\"mismatch'\n", "Q", "a", "", "\"mismatch'"},
        {"[Q]\na=\"\n", "Q", "a", "", "\""},
        {"[Q]\na=\"\"\n", "Q", "a", "d", ""},
        {"[Q]\na=\"in\"side\"\n", "Q", "a", "", "in\"side"},
        {"[C]\n;k=commented\nk=real ; not a comment\n", "C", "k", "", "real ; not a comment"},
        {"[C]\n;k=commented\n", "C", ";k", "", "commented"},
        {"[D]\nk=first\nk=second\n", "D", "k", "", "first"},
        {"[D]\nk=first\n[d]\nk=second\nonly=x\n", "D", "only", "none", "none"},
        {"[D]\nNoEquals\nNoEquals=later\n", "D", "NoEquals", "dflt", "dflt"},
        {"[Main]\rTitle=cr only\r", "Main", "Title", "", "cr only"},
        {"[Main]\r\nTitle=no final newline", "Main", "Title", "", "no final newline"},
        {"[Main]\r\nTitle=\r\n", "Main", "Title", "d", ""},
        {"[Main]\r\nTitle=x\r\n\x1a", "Main", "Title", "", "x"},
        {"[Main]\nTitle=ab\x82\nAll=3\n", "Main", "All", "d", "d"}, // the lead byte joined the lines
        {std::string("[Main]\nTitle=before\0after\n", 26), "Main", "Title", "", "before"},
        {"\xEF\xBB\xBF[Main]\nTitle=\xE3\x81\x82\n", "Main", "Title", "", "\x82\xA0"}, // UTF-8 file
        {"[\x83\x5A\x83\x4E]\n\x95\x5C=\x83\x5C\n", "\x83\x5A\x83\x4E", "\x95\x5C", "", "\x83\x5C"},
        {"[\x82\x60]\nk=fw\n", "\x82\x81", "k", "", "fw"}, // full-width A matches full-width a
        {"[\x83\x41]\nk=1\n", "\x83\x61", "k", "d", "d"}, // no folding of ASCII-range trail bytes
        {"[Main]\n\x81\x40k\x81\x40=\x81\x40v\x81\x40\n", "Main", "\x81\x40k\x81\x40", "",
         "\x81\x40v\x81\x40"},
    };
    for (const auto& c : cases) {
        Profile p = Profile::Parse(c.file);
        EXPECT_EQ(p.GetString(c.section, c.key, c.def), c.expected) << "case " << (&c - cases);
    }
}

TEST(Profile, GetStringCutsToTheBuffer) {
    Profile p =
        Profile::Parse("[L]\nascii=" + std::string(300, 'a') + "\nsjis=" + std::string(150 * 2, '\0') +
                       "\nodd=z" + "\nq=\"" + std::string(254, 's') + "\"\n");
    // Fill the double-byte value with "あ" (0x82 0xA0).
    std::string sjis;
    for (int i = 0; i < 150; ++i)
        sjis += "\x82\xA0";
    p = Profile::Parse("[L]\nascii=" + std::string(300, 'a') + "\nsjis=" + sjis + "\nodd=z" + sjis +
                       "\nq254=\"" + std::string(252, 'q') + "\"\nq256=\"" + std::string(254, 's') + "\"\n");
    EXPECT_EQ(p.GetString("L", "ascii", ""), std::string(254, 'a'));
    EXPECT_EQ(p.GetString("L", "sjis", ""), sjis.substr(0, 254));
    // 1 + 2n bytes: the character that would straddle the last byte is left out.
    EXPECT_EQ(p.GetString("L", "odd", ""), "z" + sjis.substr(0, 252));
    EXPECT_EQ(p.GetString("L", "q254", ""), std::string(252, 'q'));
    // A quoted value exactly as long as the buffer loses a character with its closing quote.
    EXPECT_EQ(p.GetString("L", "q256", ""), std::string(253, 's'));
    EXPECT_EQ(p.GetString("L", "ascii", "", 8), std::string(7, 'a'));
    EXPECT_EQ(p.GetString("L", "sjis", "", 8), sjis.substr(0, 6));
    EXPECT_EQ(p.GetString("L", "ascii", "", 1), "");
    EXPECT_EQ(p.RawValue("L", "ascii"), std::string(300, 'a'));
}

struct IntCase {
    const char* value;
    int32_t expected;
};

TEST(Profile, GetIntReadsTheLeadingNumber) {
    const IntCase cases[] = {
        {"2", 2},           {"12abc", 12},
        {"x3", 0},          {"-5", -5},
        {"+7", 7},          {"  42", 42},
        {"'12'", 12},       {"0x10", 16},
        {"0X10", 0},        {"0o17", 15},
        {"0b101", 5},       {"40000", 40000},
        {"4294967295", -1}, {"99999999999", 1215752191},
        {"1e3", 1},         {"3.9", 3},
        {"--3", 0},         {"\t8", 8},
        {"4 2", 4},         {"0000000000000000000000000000001", 0}, // only the first 29 characters are read
    };
    for (const auto& c : cases) {
        Profile p = Profile::Parse(std::string("[N]\nk=") + c.value + "\n");
        EXPECT_EQ(p.GetInt("N", "k", -7), c.expected) << c.value;
    }
    Profile p = Profile::Parse("[N]\nempty=\nblank=  \n");
    EXPECT_EQ(p.GetInt("N", "empty", -7), -7);
    EXPECT_EQ(p.GetInt("N", "blank", -7), -7);
    EXPECT_EQ(p.GetInt("N", "missing", -7), -7);
    EXPECT_EQ(p.GetInt("Missing", "k", 9), 9);
}

TEST(Profile, ListsNamesAsStored) {
    Profile p = Profile::Parse("pre=1\n[B]\nk=1\n;c=2\nNoEq\nK=3\n[a]\n[B]\nz=4\n[]\n");
    EXPECT_EQ(p.SectionNames(), (std::vector<std::string>{"B", "a", "B"}));
    EXPECT_EQ(p.KeyNames("b"), (std::vector<std::string>{"k", "K"}));
    EXPECT_EQ(p.KeyNames(""), (std::vector<std::string>{"pre"}));
    EXPECT_TRUE(p.HasSection("A"));
    EXPECT_FALSE(p.HasSection("C"));
    EXPECT_FALSE(p.HasSection(""));
}

TEST(Profile, WriteReplacesAValueAndKeepsOtherLinesBytes) {
    const std::string original =
        "; header comment\r\n[Main]\r\nTitle = old ; c\r\nAll=1\r\n\r\n[1]\nLz=a,b\n";
    Profile p = Profile::Parse(original);
    EXPECT_TRUE(p.Write("main", std::string_view("TITLE"), std::string_view("  new")));
    EXPECT_EQ(p.Serialize(), "; header comment\r\n[Main]\r\nTitle=new\r\nAll=1\r\n\r\n[1]\nLz=a,b\n");
    EXPECT_EQ(p.GetString("Main", "Title", ""), "new");
    // Writing the same value again changes nothing.
    EXPECT_TRUE(p.Write("Main", std::string_view("All"), std::string_view("1")));
    EXPECT_EQ(p.Serialize(), "; header comment\r\n[Main]\r\nTitle=new\r\nAll=1\r\n\r\n[1]\nLz=a,b\n");
}

TEST(Profile, WriteAddsKeysAndSections) {
    Profile p = Profile::Parse("[Main]\r\nTitle=t\r\n\r\n[1]\r\nLz=a,b");
    EXPECT_TRUE(p.Write("Main", std::string_view("All"), std::string_view("1")));
    EXPECT_TRUE(p.Write("1", std::string_view("SelfRegister"), std::string_view("YES")));
    EXPECT_TRUE(p.Write("New", std::string_view("k"), std::string_view("")));
    EXPECT_EQ(p.Serialize(),
              "[Main]\r\nTitle=t\r\nAll=1\r\n\r\n[1]\r\nLz=a,b\r\nSelfRegister=YES\r\n[New]\r\nk=\r\n");
    EXPECT_EQ(p.GetString("New", "k", "d"), "");

    Profile empty;
    EXPECT_TRUE(
        empty.Write("\x93\xFA\x96\x7B", std::string_view("\x83\x4C\x81\x5B"), std::string_view("\x92\x6C")));
    EXPECT_EQ(empty.Serialize(), "[\x93\xFA\x96\x7B]\r\n\x83\x4C\x81\x5B=\x92\x6C\r\n");
    EXPECT_EQ(empty.GetString("\x93\xFA\x96\x7B", "\x83\x4C\x81\x5B", ""), "\x92\x6C");
}

TEST(Profile, NullKeyRemovesTheFirstSectionAndNullValueTheKey) {
    Profile p = Profile::Parse("[A]\nk=1\nj=2\n[B]\nk=3\n[a]\nk=4\n");
    EXPECT_TRUE(p.Write("A", std::string_view("k"), std::nullopt));
    EXPECT_EQ(p.GetString("A", "k", "gone"), "gone");
    EXPECT_EQ(p.GetString("A", "j", ""), "2");
    EXPECT_TRUE(p.Write("A", std::nullopt, std::nullopt));
    EXPECT_EQ(p.Serialize(), "[B]\nk=3\n[a]\nk=4\n");
    // The duplicate that was hidden behind the first section is now the one found.
    EXPECT_EQ(p.GetString("A", "k", ""), "4");
    // Removing what does not exist leaves the bytes alone.
    EXPECT_TRUE(p.Write("Missing", std::nullopt, std::nullopt));
    EXPECT_TRUE(p.Write("B", std::string_view("missing"), std::nullopt));
    EXPECT_EQ(p.Serialize(), "[B]\nk=3\n[a]\nk=4\n");
}

TEST(Profile, WriteRefusesWhatWouldNotReadBack) {
    const std::string original = "[S]\nk=1\n";
    Profile p = Profile::Parse(original);
    EXPECT_FALSE(p.Write("S", std::string_view("k"), std::string_view("a\r\n[Evil]\r\nx=1")));
    EXPECT_FALSE(p.Write("S", std::string_view("a=b"), std::string_view("v")));
    EXPECT_FALSE(p.Write("S", std::string_view("[x]"), std::string_view("v")));
    EXPECT_FALSE(p.Write("S]x", std::string_view("k"), std::string_view("v")));
    EXPECT_FALSE(p.Write(" S", std::string_view("k"), std::string_view("v")));
    EXPECT_FALSE(p.Write("S", std::string_view("k "), std::string_view("v")));
    EXPECT_FALSE(p.Write("", std::string_view("k"), std::string_view("v")));
    EXPECT_FALSE(p.Write("S", std::string_view(""), std::string_view("v")));
    EXPECT_FALSE(p.Write("S", std::string_view("k"), std::string_view("a\0b", 3)));
    EXPECT_EQ(p.Serialize(), original);
}

TEST(Profile, ParseKeepsEveryByte) {
    const std::string inputs[] = {
        "",
        "no newline",
        "[A]\r\nk=v\r\n\r\n",
        "\xEF\xBB\xBF[A]\nk=\xE3\x81\x82\n",
        std::string("\xFF\xFE[\0A\0]\0\n\0k\0=\0v\0\n\0x", 19), // odd UTF-16 tail byte
        "a\x82\nb\r\rc",
    };
    for (const auto& in : inputs)
        EXPECT_EQ(Profile::Parse(in).Serialize(), in);
}

TEST(Profile, Utf16FileIsReadAndWrittenInItsEncoding) {
    const std::string file("\xFF\xFE[\0M\0]\0\r\0\n\0T\0=\0\x42\x30\r\0\n\0", 22);
    Profile p = Profile::Parse(file);
    EXPECT_EQ(p.GetString("M", "T", ""), "\x82\xA0");
    EXPECT_TRUE(p.Write("M", std::string_view("U"), std::string_view("x")));
    EXPECT_EQ(p.Serialize(), file + std::string("U\0=\0x\0\r\0\n\0", 10));
}

TEST(Profile, FilesLoadAndSave) {
    const std::string path = ::testing::TempDir() + "quorin_ini_test.ini";
    std::remove(path.c_str());
    EXPECT_EQ(quorin::ini::LoadProfileFile(path).Serialize(), "");
    Profile p;
    ASSERT_TRUE(p.Write("Main", std::string_view("Title"), std::string_view("saved")));
    ASSERT_TRUE(quorin::ini::SaveProfileFile(path, p));
    EXPECT_EQ(quorin::ini::LoadProfileFile(path).GetString("Main", "Title", ""), "saved");
    std::remove(path.c_str());
    EXPECT_FALSE(quorin::ini::SaveProfileFile(::testing::TempDir() + "no/such/folder/x.ini", p));
}

} // namespace
