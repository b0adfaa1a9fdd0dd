// The trial record the driver writes and the tool reads back: its text form, and registry data as
// the record shows it.
#include <gtest/gtest.h>

#include "try/record.h"

namespace {

using namespace quorin::pack;

// Written as expected to the byte, and read back whole: writing what was read gives the same text.
TEST(TrialRecord, TextFormEscapesAndReadsBack) {
    TrialRecord r;
    r.title = "タイトル\twith a tab\\and a backslash";
    r.notes = {"line one\nline two\r\n", std::string("nul \0 del \x7f", 11)};
    r.strings = {{303, "Not installed:\n\n$"}};
    r.lzTrash = {"JOYSTICK.OC_"};
    SetupRunRecord run{
        kRunInstall, Offered::Install, Offered::Neither, true, {}, true, false, -1073741819, 3.25, {}, {}};
    run.boxes = {{"Caption", "\\x41 is no escape"}};
    run.screenshots = {"not-installed.png"};
    run.problems = {"a problem"};
    r.runs = {run};
    r.snapshots[kSnapshotBefore].folder = {{"sub", {true, 0, 0}},
                                           {"sub/ファイル.txt", {false, 1ull << 40, 0xFFFFFFFFFFFFFFFEull}}};
    r.snapshots[kSnapshotBefore].registry["HKEY_CURRENT_USER\\Software\\Multi"] = {
        {"", {"REG_MULTI_SZ", "a\nb"}}, {"tab\tname", {"REG_BINARY", "00 ff"}}};
    const std::string text =
        "quorin-pack-try-record 1\n"
        "title\tタイトル\\twith a tab\\\\and a backslash\nfolder\t\n"
        "note\tline one\\nline two\\r\\n\nnote\tnul \\x00 del \\x7f\n"
        "string\t303\tNot installed:\\n\\n$\nlztrash\tJOYSTICK.OC_\n"
        "run\tinstall\npress\tinstall\noffered\tneither\npressed\t1\n"
        "box\tCaption\t\\\\x41 is no escape\nprocess\t1\t0\t-1073741819\t3.250\n"
        "screenshot\tnot-installed.png\nproblem\ta problem\n"
        "snapshot\tbefore\nd\tsub\nf\tsub/ファイル.txt\t1099511627776\tfffffffffffffffe\n"
        "k\tHKEY_CURRENT_USER\\\\Software\\\\Multi\nv\t\tREG_MULTI_SZ\ta\\nb\n"
        "v\ttab\\tname\tREG_BINARY\t00 ff\nend\n";
    EXPECT_EQ(WriteTrialRecord(r), text);
    TrialRecord back;
    std::string error;
    ASSERT_TRUE(ParseTrialRecord(text, back, error)) << error;
    EXPECT_EQ(WriteTrialRecord(back), text);
}

TEST(TrialRecord, RejectsWhatIsNotACompleteRecord) {
    const std::string head = "quorin-pack-try-record 1\n";
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"", "cut short"},
        {"quorin-pack-try-record 2\nend\n", "not a trial record"},
        {head + "title\tT\n", "cut short"},
        {head + "end\ntitle\tT\n", "after the end"},
        {head + "title\tT\textra\nend\n", "unexpected"},
        {head + "colour\tblue\nend\n", "unexpected"},
        {head + "title\ta\\qb\nend\n", "bad escape"},
        {head + "title\t\\xZZ\nend\n", "bad escape"},
        {head + "title\tends in \\\nend\n", "bad escape"},
        {head + "press\tinstall\nend\n", "unexpected"},
        {head + "run\tr\npress\tsideways\nend\n", "bad button"},
        {head + "run\tr\npressed\t2\nend\n", "bad flag"},
        {head + "run\tr\nprocess\t1\t1\tx\t1.0\nend\n", "bad process"},
        {head + "run\tr\nprocess\t1\t1\t99999999999999999999\t1\nend\n", "bad process"},
        {head + "run\tr\nprocess\t1\t1\t0\tnan\nend\n", "bad process"},
        {head + "run\tr\nprocess\t1\t1\t0\t1e300\nend\n", "bad process"},
        {head + "string\t70000\tx\nend\n", "bad string id"},
        {head + "snapshot\ts\nv\tname\tREG_SZ\tdata\nend\n", "unexpected"},
        {head + "snapshot\ts\nf\tpath\t12\tnothex0000000000\nend\n", "bad file"},
        {head + "snapshot\ts\nsnapshot\ts\nend\n", "twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TrialRecord r;
        std::string error;
        EXPECT_FALSE(ParseTrialRecord(c.text, r, error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

TEST(TrialRecord, RegistryDataReadsAsTheRegistryShowsIt) {
    auto utf16 = [](const std::u16string& s) {
        std::vector<uint8_t> b;
        for (const char16_t c : s)
            b.insert(b.end(), {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)});
        return b;
    };
    const struct {
        uint32_t type;
        std::vector<uint8_t> bytes;
        const char* shownType;
        const char* shown;
    } cases[] = {
        {1, utf16(u"C:\\pkg\\Joystick.OCX\0"), "REG_SZ", "C:\\pkg\\Joystick.OCX"},
        {1, utf16(u"no terminator"), "REG_SZ", "no terminator"},
        {1, utf16(u"cut\0hidden\0"), "REG_SZ", "cut"},
        {2, utf16(u"%SystemRoot%\\ゲーム\0"), "REG_EXPAND_SZ", "%SystemRoot%\\ゲーム"},
        {7, utf16(std::u16string(u"one\0two\0\0", 9)), "REG_MULTI_SZ", "one\ntwo"},
        {1, {0x41, 0x00, 0x42}, "REG_SZ", "41 00 42"},
        {4, {0x2A, 0x00, 0x00, 0x80}, "REG_DWORD", "2147483690"},
        {4, {0x2A, 0x00}, "REG_DWORD", "2a 00"},
        {11, {1, 0, 0, 0, 1, 0, 0, 0}, "REG_QWORD", "4294967297"},
        {3, {0x00, 0xFF, 0x10}, "REG_BINARY", "00 ff 10"},
        {3, {}, "REG_BINARY", ""},
        {0, {0x01}, "REG_NONE", "01"},
        {99, {0x07}, "type 99", "07"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const RegistryValue v = FormatRegistryData(c.type, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(v.type, c.shownType);
        EXPECT_EQ(v.data, c.shown);
    }
}

} // namespace
