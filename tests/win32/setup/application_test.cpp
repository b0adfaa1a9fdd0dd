// Setup's start-up: the program's identity from its own path (in copies of this program under
// other names and places), and the built Setup.EXE refusing what it cannot start from, with
// the exact message, the stop icon, exit code 1 and nothing changed.
#include <cstdlib>

#include "installer/paths.h"
#include "setup/application.h"
#include "setup/program.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

TEST(Program, IdentityFromItsOwnPath) {
    const Text self = quorin::win::FromWide(ThisProgram().c_str());
    const Text folder = setup::ProgramFolder();
    EXPECT_EQ(self, folder + u"\\setup_test.exe");
    EXPECT_EQ(setup::ExecutableName(), u"setup_test");
    EXPECT_EQ(setup::ScriptPath(), folder + u"\\setup_test.INF");
    EXPECT_EQ(setup::OwnFiles(), (std::vector<Text>{u"setup_test.EXE", u"setup_test.INF", u"Setup.DLL"}));
}

// Run inside a copy of this program: what the start-up finds, written to QUORIN_CHILD_OUT.
TEST(Child, DISABLED_Identity) {
    quorin::SetupSettings s;
    const auto problems = setup::LoadSetupScript(setup::ScriptPath(), s);
    std::ofstream(std::getenv("QUORIN_CHILD_OUT"), std::ios::binary)
        << quorin::ToUtf8(setup::ProgramFolder()) << "|" << quorin::ToUtf8(setup::ScriptPath()) << "|"
        << quorin::ToUtf8(s.Title) << "|" << s.All << "|" << problems.size();
}

// Install.EXE reads Install.INF; at a drive root the script path has a doubled separator, which
// the platform's profile functions accept.
TEST(Program, AnotherNameAndADriveRoot) {
    TempFolder out(L"child");
    ::SetEnvironmentVariableW(L"QUORIN_CHILD_OUT", out.Path(L"out.txt").c_str());
    TempFolder folder(L"install");
    folder.Write(L"Install.INF", "[Main]\r\nTitle=from Install.INF\r\nAll=1\r\n[1]\r\nLz=a,b\r\n");
    folder.Write(L"Setup.INF", "[Main]\r\nTitle=from Setup.INF\r\n");
    EXPECT_EQ(RunChild(folder.Path(L"Install.EXE"), "Identity"), 0u);
    const std::string path = quorin::ToUtf8(folder.Text());
    EXPECT_EQ(out.Read(L"out.txt"), path + "|" + path + "\\Install.INF|from Install.INF|1|0");

    const std::wstring name = L"QrnRoot" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring inf = L"C:\\" + name + L".INF";
    std::ofstream(fs::path(inf), std::ios::binary) << "[Main]\r\nTitle=at the root\r\nAll=2\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=c,d\r\n";
    EXPECT_EQ(RunChild(L"C:\\" + name + L".EXE", "Identity"), 0u);
    ::DeleteFileW(inf.c_str());
    EXPECT_EQ(out.Read(L"out.txt"), "C:\\|C:\\\\" + quorin::ToUtf8(quorin::win::FromWide(name.c_str())) + ".INF|at the root|2|0");
}

const Text kFaulty = u"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'";
const Text kMissing = u"セットアップ スクリプトが見つからないため、セットアップを終了します\n\n'";

// Every package folder holds "$", as one on an administrative share (\\server\c$\pkg) does: the
// path, section, key and value arrive in their own places.
TEST(SetupExe, WhatItCannotStartFromIsToldAndNothingChanges) {
    const struct {
        const char* what;
        const wchar_t *folderTag, *exeName;
        const char* script; // Setup.INF; null: none
        const wchar_t* scriptName;
        Text head, tail; // the message around the script path
    } cases[] = {
        {"Lz without comma", L"bad$", L"Setup.EXE", "[Main]\r\nAll=2\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=NO$COMMA\r\n", L"Setup.INF",
         kFaulty, u"'\n\nセクション [2] のキー Lz の値 'NO$COMMA' にコンマ (,) がありません"},
        {"missing Lz", L"bad$", L"Setup.EXE", "[Main]\r\nAll=1\r\n", L"Setup.INF", kFaulty,
         u"'\n\nセクション [1] にキー Lz がありません"},
        {"All 40000", L"bad$", L"Setup.EXE", "[Main]\r\nAll=40000\r\n[1]\r\nLz=a,b\r\n", L"Setup.INF", kFaulty,
         u"'\n\nセクション [Main] のキー All の値 '40000' は 0 から 32767 までの範囲にありません"},
        {"All 65538", L"bad$", L"Setup.EXE", "[Main]\r\nAll=65538\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=c,d\r\n", L"Setup.INF",
         kFaulty, u"'\n\nセクション [Main] のキー All の値 '65538' は 0 から 32767 までの範囲にありません"},
        {"no script", L"bad$", L"Setup.EXE", nullptr, L"Setup.INF", kMissing, u"'"},
        {"renamed program", L"bad$", L"Setup (1).EXE", "[Main]\r\nTitle=T\r\n", L"Setup (1).INF", kMissing, u"'"},
        {"folder code page 932 cannot hold", L"\xD55C$", L"Setup.EXE", "[Main]\r\nTitle=T\r\n", L"Setup.INF", kMissing, u"'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder(c.folderTag);
        ASSERT_TRUE(::CopyFileW(L"" QUORIN_SETUP_EXE, folder.Path(c.exeName).c_str(), FALSE));
        if (c.script)
            folder.Write(L"Setup.INF", c.script);
        folder.Write(L"a", "a compressed file's stand-in");
        const auto before = folder.Names();
        const Outcome run = RunProgram(folder.Path(c.exeName), L"", true);
        EXPECT_EQ(run.code, 1u);
        EXPECT_EQ(folder.Names(), before);
        // The box goes through code page 932: a character it cannot hold shows as "?".
        Text path = folder.Text(c.scriptName);
        std::replace(path.begin(), path.end(), u'\xD55C', u'?');
        EXPECT_EQ(quorin::win::FromWide(run.box.text.c_str()), c.head + path + c.tail);
        EXPECT_EQ(run.box.caption, L"Ombrel's Quorin Installer");
    }
}

// Run inside a copy of this program named Setup.EXE: the start-up in this process, its box read
// here (the icon handles of message boxes are only comparable in the process that shows them).
TEST(Child, DISABLED_RunSetup) {
    std::vector<Box> boxes;
    int code = 0;
    {
        BoxAnswerer answerer({IDOK});
        code = setup::RunSetup();
        boxes = answerer.Boxes();
    }
    std::ofstream(std::getenv("QUORIN_CHILD_OUT"), std::ios::binary)
        << code << "|" << boxes.size() << "|" << (boxes.empty() ? -1 : static_cast<int>(boxes[0].icon)) << "|"
        << (!boxes.empty() && boxes[0].okOnly);
}

TEST(SetupExe, RefusalsShowTheStopIconAndOkAlone) {
    TempFolder out(L"child");
    ::SetEnvironmentVariableW(L"QUORIN_CHILD_OUT", out.Path(L"out.txt").c_str());
    for (const char* script : {"[Main]\r\nAll=1\r\n", static_cast<const char*>(nullptr)}) {
        TempFolder folder(L"icon");
        if (script)
            folder.Write(L"Setup.INF", script);
        EXPECT_EQ(RunChild(folder.Path(L"Setup.EXE"), "RunSetup"), 0u);
        EXPECT_EQ(out.Read(L"out.txt"), "1|1|" + std::to_string(static_cast<int>(Icon::Stop)) + "|1");
    }
}

} // namespace
} // namespace setup_test
