// The portable INI reader and writer. Every expectation is what the platform's profile functions
// answer for the same file; the Windows differential test (tests/win32/ini) holds the reader to
// them over the seed corpus.
#include "ini/profile.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using quorin::ini::Profile;
using Name = std::optional<std::string_view>;

std::string Repeat(std::string_view piece, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += piece;
    return out;
}

const std::string kHiragana = Repeat("\x82\xA0", 150); // 150 x "あ", 300 bytes

struct ReadCase {
    std::string file;
    const char* section;
    const char* key;
    const char* def;
    std::string expected;
    size_t buffer = 255;
};

// A few of each rule; the differential test asks the platform about many more over the corpus.
TEST(Profile, GetStringAnswersAsThePlatform) {
    const ReadCase cases[] = {
        {"[Main]\r\nTitle=x\r\n", " main ", " TITLE ", "d", "x"},
        {"", "Main", "Title", "'dflt'   ", "dflt"},
        {"[Main]\n  Title  =  spaced value  \n", "Main", "Title", "", "spaced value"},
        {"[a]b] trailing\nk=1\n", "a]b", "k", "", "1"},
        {"k0=pre\n[S]\n", "", "k0", "d", "pre"},
        {"[Q]\na=\"in\"side\"\n", "Q", "a", "", "in\"side"},
        {"[Q]\na=\"mismatch'\n", "Q", "a", "", "\"mismatch'"},
        {"[C]\n;k=commented\n", "C", ";k", "", "commented"},
        {"[D]\nk=first\n[d]\nk=second\nonly=x\n", "D", "only", "none", "none"},
        {"[Main]\nTitle=ab\x82\nAll=3\n", "Main", "All", "d", "d"}, // the lead byte joined the lines
        {std::string("[Main]\nTitle=before\0after\n", 26), "Main", "Title", "", "before"},
        {"\xEF\xBB\xBF[Main]\nTitle=\xE3\x81\x82\n", "Main", "Title", "", "\x82\xA0"}, // UTF-8 file
        {"[\x83\x5A\x83\x4E]\n\x95\x5C=\x83\x5C\n", "\x83\x5A\x83\x4E", "\x95\x5C", "", "\x83\x5C"},
        {"[\x82\x60]\nk=fw\n", "\x82\x81", "k", "", "fw"}, // full-width A matches full-width a
        {"[\x83\x41]\nk=1\n", "\x83\x61", "k", "d", "d"},  // no folding of ASCII-range trail bytes
        // Values cut to the buffer: whole characters before the NUL, a double-byte one never split.
        {"[L]\na=" + std::string(300, 'a'), "L", "a", "", std::string(254, 'a')},
        {"[L]\na=" + std::string(300, 'a'), "L", "a", "", "", 1},
        {"[L]\nodd=z" + kHiragana, "L", "odd", "", "z" + kHiragana.substr(0, 252)},
        {"[L]\nodd=z" + kHiragana, "L", "odd", "", "z" + kHiragana.substr(0, 4), 7},
        // A quoted value exactly as long as the buffer loses a character with its closing quote.
        {"[L]\nq=\"" + std::string(254, 's') + "\"", "L", "q", "", std::string(253, 's')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Profile::Parse(c.file).GetString(c.section, c.key, c.def, c.buffer), c.expected)
            << "case " << (&c - cases);
}

TEST(Profile, GetIntReadsTheLeadingNumber) {
    // clang-format off
    const std::pair<const char*, int32_t> cases[] = {
        {"k=12abc", 12},      {"k='12'", 12},       {"k=0x10", 16},       {"k=0X10", 0},
        {"k=4294967295", -1}, {"k=99999999999", 1215752191},              {"k=", -7},
        {"k=0000000000000000000000000000001", 0},   {"other=1", -7}, // only 29 characters are read
    };
    // clang-format on
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(Profile::Parse(std::string("[N]\n") + line + "\n").GetInt("N", "k", -7), expected) << line;
}

TEST(Profile, ListsNamesAsStored) {
    Profile p = Profile::Parse("pre=1\n[B]\nk=1\n;c=2\nNoEq\nK=3\n[a]\n[B]\nz=4\n[]\n");
    EXPECT_EQ(p.SectionNames(), (std::vector<std::string>{"B", "a", "B"}));
    EXPECT_EQ(p.KeyNames("b"), (std::vector<std::string>{"k", "K"}));
    EXPECT_EQ(p.KeyNames(""), (std::vector<std::string>{"pre"}));
}

struct WriteOp {
    const char* section;
    Name key;
    Name value;
    bool accepted = true;
};

struct WriteCase {
    const char* name;
    std::string before;
    std::vector<WriteOp> ops;
    std::string after;
    std::vector<std::array<const char*, 3>> reads = {}; // section, key, value: no new parse between
};

TEST(Profile, WritesChangeOnlyTheirLines) {
    const std::string utf16 = "\xFF\xFE" + std::string("[\0M\0]\0\r\0\n\0T\0=\0v\0", 16);
    const WriteCase cases[] = {
        {"ValueReplacedUnchangedKept",
         "; c\r\n[Main]\r\nTitle = old ; c\r\nAll=1\r\n\r\n[1]\nLz=a,b\n",
         {{"main", "TITLE", "  new"}, {"Main", "All", "1"}},
         "; c\r\n[Main]\r\nTitle=new\r\nAll=1\r\n\r\n[1]\nLz=a,b\n"},
        {"KeysAndSectionsAdded",
         "[Main]\r\nTitle=t\r\n\r\n[1]\r\nLz=a,b",
         {{"Main", "All", "1"}, {"1", "SelfRegister", "YES"}, {"New", "k", ""}},
         "[Main]\r\nTitle=t\r\nAll=1\r\n\r\n[1]\r\nLz=a,b\r\nSelfRegister=YES\r\n[New]\r\nk=\r\n"},
        {"CodePageNames", "", {{"\x93\xFA", "\x83\x4C", "  \x92\x6C"}}, "[\x93\xFA]\r\n\x83\x4C=\x92\x6C\r\n",
         {{"\x93\xFA", "\x83\x4C", "\x92\x6C"}}},
        {"KeyThenFirstSectionRemoved",
         "[A]\nk=1\nj=2\n[B]\nk=3\n[a]\nk=4\n",
         {{"A", "k", std::nullopt},
          {"A", std::nullopt, std::nullopt},
          {"Missing", std::nullopt, std::nullopt},
          {"B", "missing", std::nullopt}},
         "[B]\nk=3\n[a]\nk=4\n",
         {{"B", "k", "3"}, {"A", "k", "4"}}}, // the lines moved under the index; the duplicate behind
        {"RefusedWhatWouldNotReadBack",
         "[S]\nk=1\n",
         {{"S", "k", "a\r\n[Evil]\r\nx=1", false},
          {"S", "a=b", "v", false},
          {"S", "[x]", "v", false},
          {"S]x", "k", "v", false},
          {" S", "k", "v", false},
          {"S", "k ", "v", false},
          {"", "k", "v", false},
          {"S", "", "v", false},
          {"S", "k", std::string_view("a\0b", 3), false}},
         "[S]\nk=1\n"},
        // The line without a break gets one in the file's encoding, and the odd last byte stays
        // last: the new line keeps the two-byte alignment.
        {"Utf16OddTailStaysLast",
         utf16 + "z",
         {{"M", "U", "x"}},
         utf16 + std::string("\r\0\n\0U\0=\0x\0\r\0\n\0z", 15)},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        Profile p = Profile::Parse(c.before);
        for (const WriteOp& op : c.ops)
            EXPECT_EQ(p.Write(op.section, op.key, op.value), op.accepted) << op.section;
        EXPECT_EQ(p.Serialize(), c.after);
        for (const auto& [section, key, value] : c.reads)
            EXPECT_EQ(p.GetString(section, key, "d"), value) << section << "/" << key;
    }
}

// Setup reads up to 32767 numbered sections one after another; a lookup that passed over the
// whole file each time made that quadratic.
TEST(Profile, ReadingEverySectionScansEachLineAFewTimes) {
    constexpr int kSections = 32767;
    std::string file;
    for (int n = 1; n <= kSections; ++n)
        file += "[" + std::to_string(n) + "]\r\nLz=a,b\r\n";
    const Profile p = Profile::Parse(file);
    for (int n = 1; n <= kSections; ++n)
        ASSERT_EQ(p.GetString(std::to_string(n), "Lz", ""), "a,b") << n;
    EXPECT_LT(p.LinesScanned(), 4u * 2 * kSections);
}

} // namespace
