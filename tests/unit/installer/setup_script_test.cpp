// The setup script read through the portable INI reader (the package builder's road).
#include <gtest/gtest.h>

#include "installer/setup_script.h"

namespace quorin {
namespace {

ScriptLoadResult Load(const std::string& bytes, ScriptProblems wanted = ScriptProblems::All) {
    const ini::Profile profile = ini::Profile::Parse(bytes);
    IniProfileReader reader(profile);
    return LoadSetupScriptFrom(reader, wanted);
}

std::string Entries(const ScriptLoadResult& r) {
    std::string out;
    for (const SetupEntry& e : r.settings.Entries)
        out += "[" + ToUtf8(e.LzSource) + "|" + ToUtf8(e.LzTarget) + (e.SelfRegister ? "|reg]" : "]");
    return out;
}

TEST(SetupScript, Reading) {
    const struct {
        const char* what;
        std::string script;
        const char* entries;
        bool lzTrash;
    } cases[] = {
        {"the example",
         "[Main]\r\nTitle=T\r\nAll=2\r\nLzTrash=YES\r\n[1]\r\nLz=JOYSTICK.OC_,Joystick.OCX\r\n"
         "SelfRegister=YES\r\n[2]\r\nLz=JOYSTICK.HL_,Joystick.HLP\r\nSelfRegister=NO\r\n",
         "[JOYSTICK.OC_|Joystick.OCX|reg][JOYSTICK.HL_|Joystick.HLP]", true},
        {"first comma splits",
         "[Main]\nAll=4\n[1]\nLz=,B\n[2]\nLz=A,B,C\n[3]\nLz=A,\n[4]\nLz=\x90\xe0\x96\xbe.TX_,"
         "\x90\xe0\x96\xbe\x8f\x91.TXT\n",
         "[|B][A|B,C][A|][説明.TX_|説明書.TXT]", false},
        {"YES in any case only",
         "[main]\nall = 3\nlztrash=yes\n[1]\nLZ = A.EX_ , A.EXE \nselfregister=Yes\n"
         "[2]\nLz=x,y\nSelfRegister=1\n[3]\nLz=z,w\nSelfRegister=TRUE\n[4]\nLz=unread,x\n",
         "[A.EX_ | A.EXE|reg][x|y][z|w]", true},
        {"no All, x3, 0", "[Main]\nAll=x3\n[1]\nLz=a,b\n", "", false},
    };
    for (const auto& c : cases) {
        const ScriptLoadResult r = Load(c.script);
        EXPECT_TRUE(r.ok()) << c.what;
        EXPECT_EQ(Entries(r), c.entries) << c.what;
        EXPECT_EQ(r.settings.LzTrash, c.lzTrash) << c.what;
    }
    std::string title; // 254 bytes in code page 932: 127 double-byte characters
    for (int i = 0; i < 200; ++i)
        title += "\x82\xA0";
    EXPECT_EQ(Load("[Main]\nTitle=" + title + "\n").settings.Title, Text(127, u'あ'));
    // Setup stops reading at the first problem (every problem, as the checker reports them, is
    // proved through quorin-pack check).
    EXPECT_EQ(Load("[Main]\nAll=32767\n[1]\nLz=a,b\n", ScriptProblems::UntilFirst).problems.size(), 1u);
}

// All is taken only when the number as written lies in 0 to 32767: the integer reader's 32-bit
// wrap and Setup's 16 bits never turn a large value into a small or negative one.
TEST(SetupScript, AllOutsideTheRangeAsWrittenIsRefused) {
    const struct {
        const char* written;
        int all; // -1: refused
    } cases[] = {
        {"0", 0},         {"3", 3},       {"32767", 32767},   {"+2", 2},       {"0x3", 3},
        {"2 entries", 2}, {"32768", -1},  {"40000", -1},      {"65536", -1},   {"65538", -1},
        {"-1", -1},       {"-65535", -1}, {"4294967297", -1}, {"0x10002", -1}, {"99999999999999999999", -1}};
    for (const auto& c : cases) {
        std::string script = std::string("[Main]\nAll=") + c.written + "\nLzTrash=YES\n";
        for (int i = 1; i <= 3; ++i)
            script += "[" + std::to_string(i) + "]\nLz=a,b\n";
        const ScriptLoadResult r = Load(script);
        EXPECT_EQ(r.settings.All, c.all < 0 ? 0 : c.all) << c.written;
        EXPECT_TRUE(r.settings.LzTrash) << c.written;
        if (c.all < 0) {
            ASSERT_EQ(r.problems.size(), 1u) << c.written;
            EXPECT_EQ(r.problems[0].kind, ScriptProblemKind::AllOutOfRange);
            EXPECT_EQ(r.problems[0].value, FromAscii(c.written));
        }
    }
}

} // namespace
} // namespace quorin
