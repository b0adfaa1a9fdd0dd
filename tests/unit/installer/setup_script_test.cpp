#include "installer/setup_script.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using quorin::ScriptProblemKind;
using quorin::Text;

// A profile reader over a map, recording every call in order.
class FakeReader : public quorin::ProfileReader {
public:
    std::map<std::pair<Text, Text>, Text> values;
    std::vector<std::string> calls;

    Text ReadProfileChars(const Text& Section, const Text& Key, const Text& Default) override {
        calls.push_back("chars " + quorin::ToUtf8(Section) + "/" + quorin::ToUtf8(Key));
        auto it = values.find({Section, Key});
        return it == values.end() ? Default : it->second;
    }
    int32_t ReadProfileNums(const Text& Section, const Text& Key, int32_t Default) override {
        calls.push_back("nums " + quorin::ToUtf8(Section) + "/" + quorin::ToUtf8(Key));
        auto it = values.find({Section, Key});
        return it == values.end() ? Default : static_cast<int32_t>(std::stoll(quorin::ToUtf8(it->second)));
    }
    bool ReadProfileBool(const Text& Section, const Text& Key, bool Default) override {
        calls.push_back("bool " + quorin::ToUtf8(Section) + "/" + quorin::ToUtf8(Key));
        auto it = values.find({Section, Key});
        return it == values.end() ? Default : quorin::ParseYesNo(it->second);
    }
};

TEST(SetupScript, ReadsInTheDesignedOrder) {
    FakeReader r;
    r.values[{u"Main", u"All"}] = u"2";
    r.values[{u"1", u"Lz"}] = u"A.EX_,A.EXE";
    r.values[{u"2", u"Lz"}] = u"B.DL_,B.DLL";
    quorin::LoadSetupScriptFrom(r);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"chars Main/Title", "chars Main/Document", "nums Main/All",
                                                 "chars Main/All", "chars 1/Lz", "bool 1/SelfRegister",
                                                 "chars 2/Lz", "bool 2/SelfRegister", "bool Main/LzTrash"}));
}

// Setup stops at the first problem: an All of 32767 over one section costs three reads past
// the section, not two per absent one. The checker still sees every problem.
TEST(SetupScript, SetupStopsReadingAtTheFirstProblem) {
    FakeReader r;
    r.values[{u"Main", u"All"}] = u"32767";
    r.values[{u"1", u"Lz"}] = u"A.EX_,A.EXE";
    const auto first = quorin::LoadSetupScriptFrom(r, quorin::ScriptProblems::UntilFirst);
    ASSERT_EQ(first.problems.size(), 1u);
    EXPECT_EQ(first.problems[0].kind, ScriptProblemKind::MissingLz);
    EXPECT_EQ(first.problems[0].section, u"2");
    EXPECT_EQ(r.calls, (std::vector<std::string>{"chars Main/Title", "chars Main/Document", "nums Main/All",
                                                 "chars Main/All", "chars 1/Lz", "bool 1/SelfRegister",
                                                 "chars 2/Lz", "chars 2/Lz"}));
    FakeReader all = r;
    all.calls.clear();
    EXPECT_EQ(quorin::LoadSetupScriptFrom(all).problems.size(), 32766u);
}

TEST(SetupScript, MissingScriptGivesDefaults) {
    FakeReader r;
    auto result = quorin::LoadSetupScriptFrom(r);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.settings.Title, u"");
    EXPECT_EQ(result.settings.Document, u"");
    EXPECT_EQ(result.settings.All, 0);
    EXPECT_TRUE(result.settings.Entries.empty());
    EXPECT_FALSE(result.settings.LzTrash);
    EXPECT_EQ(r.calls.size(), 5u); // no numbered section is read
}

struct LzCase {
    const char16_t* value;
    const char16_t* source;
    const char16_t* target;
};

TEST(SetupScript, LzSplitsAtTheFirstComma) {
    const LzCase cases[] = {
        {u"A.EX_,A.EXE", u"A.EX_", u"A.EXE"},
        {u",B", u"", u"B"},
        {u"A,B,C", u"A", u"B,C"},
        {u"A.EX_,A.EXE,old", u"A.EX_", u"A.EXE,old"},
        {u"A,", u"A", u""},
        {u" A , B ", u" A ", u" B "},
        {u"説明.TX_,説明書.TXT", u"説明.TX_", u"説明書.TXT"},
    };
    for (const auto& c : cases) {
        FakeReader r;
        r.values[{u"Main", u"All"}] = u"1";
        r.values[{u"1", u"Lz"}] = c.value;
        auto result = quorin::LoadSetupScriptFrom(r);
        ASSERT_EQ(result.settings.Entries.size(), 1u);
        EXPECT_EQ(result.settings.Entries[0].LzSource, c.source);
        EXPECT_EQ(result.settings.Entries[0].LzTarget, c.target);
        EXPECT_TRUE(result.ok());
    }
}

TEST(SetupScript, SectionsWithoutACommaAreReported) {
    FakeReader r;
    r.values[{u"Main", u"All"}] = u"4";
    r.values[{u"1", u"Lz"}] = u"NOCOMMA";
    r.values[{u"2", u"Lz"}] = u"a,b";
    r.values[{u"3", u"Lz"}] = u"";
    // section 4 has no Lz at all
    auto result = quorin::LoadSetupScriptFrom(r);
    ASSERT_EQ(result.problems.size(), 3u);
    EXPECT_EQ(result.problems[0].kind, ScriptProblemKind::LzWithoutComma);
    EXPECT_EQ(result.problems[0].section, u"1");
    EXPECT_EQ(result.problems[0].key, u"Lz");
    EXPECT_EQ(result.problems[0].value, u"NOCOMMA");
    EXPECT_EQ(result.problems[1].kind, ScriptProblemKind::LzWithoutComma);
    EXPECT_EQ(result.problems[1].section, u"3");
    EXPECT_EQ(result.problems[2].kind, ScriptProblemKind::MissingLz);
    EXPECT_EQ(result.problems[2].section, u"4");
    EXPECT_EQ(result.settings.Entries[0].LzSource, u"NOCOMMA");
    EXPECT_EQ(result.settings.Entries[0].LzTarget, u"");
    EXPECT_EQ(result.settings.Entries[1].LzTarget, u"b");
}

TEST(SetupScript, YesNoIsYesInAnyCaseOnly) {
    for (const char16_t* yes : {u"YES", u"yes", u"Yes", u"yEs"})
        EXPECT_TRUE(quorin::ParseYesNo(yes)) << quorin::ToUtf8(yes);
    for (const char16_t* no : {u"NO", u"no", u"1", u"TRUE", u"", u" YES", u"YES ", u"Y", u"ＹＥＳ"})
        EXPECT_FALSE(quorin::ParseYesNo(no)) << quorin::ToUtf8(no);
}

// The whole path the package builder takes: bytes, portable reader, adapter, loader.
quorin::ScriptLoadResult LoadBytes(const std::string& bytes) {
    quorin::ini::Profile profile = quorin::ini::Profile::Parse(bytes);
    quorin::IniProfileReader reader(profile);
    return quorin::LoadSetupScriptFrom(reader);
}

TEST(SetupScript, ExampleScriptThroughThePortableReader) {
    auto r =
        LoadBytes("[Main]\r\nTitle=Ombrel's Gantrel\r\nDocument=README.TXT\r\nAll=2\r\nLzTrash=YES\r\n\r\n"
                  "[1]\r\nLz=JOYSTICK.OC_,Joystick.OCX\r\nSelfRegister=YES\r\n\r\n"
                  "[2]\r\nLz=JOYSTICK.HL_,Joystick.HLP\r\nSelfRegister=NO\r\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.settings.Title, u"Ombrel's Gantrel");
    EXPECT_EQ(r.settings.Document, u"README.TXT");
    EXPECT_EQ(r.settings.All, 2);
    EXPECT_TRUE(r.settings.LzTrash);
    ASSERT_EQ(r.settings.Entries.size(), 2u);
    EXPECT_EQ(r.settings.Entries[0].LzSource, u"JOYSTICK.OC_");
    EXPECT_EQ(r.settings.Entries[0].LzTarget, u"Joystick.OCX");
    EXPECT_TRUE(r.settings.Entries[0].SelfRegister);
    EXPECT_EQ(r.settings.Entries[1].LzSource, u"JOYSTICK.HL_");
    EXPECT_EQ(r.settings.Entries[1].LzTarget, u"Joystick.HLP");
    EXPECT_FALSE(r.settings.Entries[1].SelfRegister);
}

TEST(SetupScript, PortableReaderEdgeCases) {
    // All=0 with numbered sections present; x3 reads as 0.
    for (const char* all : {"0", "x3", ""}) {
        auto r = LoadBytes(std::string("[Main]\nAll=") + all + "\n[1]\nLz=a,b\n[2]\nLz=c,d\n");
        EXPECT_TRUE(r.settings.Entries.empty()) << all;
        EXPECT_TRUE(r.ok());
    }
    // All=2 while five sections exist; YES/NO in several spellings; blanks trimmed by the reader.
    auto r = LoadBytes("[main]\nall = 2\nlztrash=yes\n[1]\nLZ = A.EX_ , A.EXE \nselfregister=Yes\n"
                       "[2]\nLz=x,y\nSelfRegister=1\n[3]\nLz=NOCOMMA\n[4]\n[5]\nLz=e,f\n");
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.settings.Entries.size(), 2u);
    EXPECT_TRUE(r.settings.LzTrash);
    EXPECT_EQ(r.settings.Entries[0].LzSource, u"A.EX_ ");
    EXPECT_EQ(r.settings.Entries[0].LzTarget, u" A.EXE");
    EXPECT_TRUE(r.settings.Entries[0].SelfRegister);
    EXPECT_FALSE(r.settings.Entries[1].SelfRegister);
    // A Title over 254 bytes is cut to 254 bytes, in the code page: 127 double-byte characters.
    std::string title;
    for (int i = 0; i < 200; ++i)
        title += "\x82\xA0";
    r = LoadBytes("[Main]\nTitle=" + title + "\n");
    EXPECT_EQ(r.settings.Title, Text(127, u'あ'));
    // A character the code page cannot hold is asked for as its substitute.
    quorin::ini::Profile profile = quorin::ini::Profile::Parse("[?]\nk=v\n");
    quorin::IniProfileReader reader(profile);
    EXPECT_EQ(reader.ReadProfileChars(u"한", u"k", u""), u"v");
}

struct AllCase {
    const char* written;
    int16_t all; // when taken
    bool refused;
};

// All is taken only when the number as written lies in 0 to 32767; the integer reader's 32-bit
// wrap and Setup's 16 bits never turn a large value into a small or negative one. A refused
// value is reported as the script writes it.
TEST(SetupScript, AllOutsideTheRangeAsWrittenIsRefused) {
    const AllCase cases[] = {
        {"0", 0, false},
        {"3", 3, false},
        {"32767", 32767, false},
        {"+2", 2, false},
        {"x3", 0, false},
        {"0x3", 3, false},
        {"2 entries", 2, false},
        {"32768", 0, true},
        {"40000", 0, true},
        {"65536", 0, true},
        {"65538", 0, true},
        {"-1", 0, true},
        {"-65535", 0, true},
        {"4294967297", 0, true},
        {"0x10002", 0, true},
        {"0b10000000000000011", 0, true},
        {"99999999999999999999999", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        std::string script = std::string("[Main]\nAll=") + c.written + "\nLzTrash=YES\n";
        for (int i = 1; i <= 3; ++i)
            script += "[" + std::to_string(i) + "]\nLz=a,b\n";
        const auto r = LoadBytes(script);
        EXPECT_EQ(r.settings.All, c.all);
        EXPECT_EQ(r.settings.Entries.size(), static_cast<size_t>(c.all));
        EXPECT_TRUE(r.settings.LzTrash);
        const bool refused = !r.problems.empty() && r.problems[0].kind == ScriptProblemKind::AllOutOfRange;
        EXPECT_EQ(refused, c.refused);
        if (refused) {
            EXPECT_EQ(r.problems.size(), 1u);
            EXPECT_EQ(r.problems[0].section, u"Main");
            EXPECT_EQ(r.problems[0].key, u"All");
            EXPECT_EQ(r.problems[0].value, quorin::FromAscii(c.written));
        }
    }
}

} // namespace
