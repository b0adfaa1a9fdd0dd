// Setup's start-up: the program's identity from its own path, and in copies of this program
// under other names and places, refusing what it cannot start from with the exact message, the
// stop icon and OK alone, exit code 1 and nothing changed.
#include "setup/application.h"
#include "setup/program.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

// The script's path from the program's own is seen in the refusals below, which quote it.
TEST(Program, OwnFilesFromItsOwnName) {
    EXPECT_EQ(setup::OwnFiles(), (std::vector<Text>{u"setup_test.EXE", u"setup_test.INF", u"Setup.DLL"}));
}

// Run inside a copy of this program: the start-up, its box read here (the icon handles of
// message boxes are only comparable in the process that shows them).
TEST(Child, DISABLED_Start) {
    BoxAnswerer answerer;
    const int code = setup::RunSetup();
    const Box b = answerer.boxes.empty() ? Box() : answerer.boxes[0];
    const std::wstring seen = std::to_wstring(code) + L"|" + std::to_wstring(answerer.boxes.size()) + L"|" +
                              std::to_wstring(static_cast<int>(b.icon)) + (b.okOnly ? L"|OK|" : L"||") + b.caption + L"|" + b.text;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kPrograms.c_str(), L"Start", REG_SZ, seen.c_str(),
                      static_cast<DWORD>((seen.size() + 1) * sizeof(wchar_t)));
}

const Text kFaulty = u"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'";
const Text kMissing = u"セットアップ スクリプトが見つからないため、セットアップを終了します\n\n'";

// The package folders hold "$", as one on an administrative share (\\server\c$\pkg) does: the
// path, section, key and value arrive in their own places. Install.EXE reads Install.INF; at a
// drive root the script path has a doubled separator, which the profile functions accept.
TEST(SetupExe, WhatItCannotStartFromIsToldAndNothingChanges) {
    const struct {
        const char* what;
        const wchar_t *folderTag, *exeName; // folderTag null: the drive root
        std::vector<std::pair<std::wstring, Bytes>> files;
        const wchar_t* scriptName;
        Text head, tail; // the message around the script path
    } cases[] = {
        {"Lz without comma", L"bad$", L"Setup.EXE", {{L"Setup.INF", "[Main]\r\nAll=2\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=NO$COMMA\r\n"}},
         L"Setup.INF", kFaulty, u"'\n\nセクション [2] のキー Lz の値 'NO$COMMA' にコンマ (,) がありません"},
        {"All 65538", L"bad$", L"Setup.EXE", {{L"Setup.INF", "[Main]\r\nAll=65538\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=c,d\r\n"}},
         L"Setup.INF", kFaulty, u"'\n\nセクション [Main] のキー All の値 '65538' は 0 から 32767 までの範囲にありません"},
        {"no script", L"bad$", L"Setup.EXE", {}, L"Setup.INF", kMissing, u"'"},
        {"folder code page 932 cannot hold", L"\xD55C$", L"Setup.EXE", {{L"Setup.INF", "[Main]\r\nTitle=T\r\n"}}, L"Setup.INF",
         kMissing, u"'"},
        {"another name", L"install", L"Install.EXE",
         {{L"Install.INF", "[Main]\r\nAll=1\r\n"}, {L"Setup.INF", "[Main]\r\nAll=2\r\n[1]\r\nLz=a,b\r\n"}}, L"Install.INF",
         kFaulty, u"'\n\nセクション [1] にキー Lz がありません"},
        {"drive root", nullptr, L"QrnRoot.EXE", {{L"QrnRoot.INF", "[Main]\r\nAll=2\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=c\r\n"}},
         L"\\QrnRoot.INF", kFaulty, u"'\n\nセクション [2] のキー Lz の値 'c' にコンマ (,) がありません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp(c.folderTag ? c.folderTag : L"unused");
        const std::wstring folder = c.folderTag ? temp.Path() : L"C:";
        for (const auto& [name, data] : c.files)
            quorin::driver::WriteBytes(folder + L"\\" + name, data);
        temp.Write(L"a", "a compressed file's stand-in");
        const auto before = temp.Names();
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPrograms.c_str(), L"Start");
        EXPECT_EQ(RunChild(folder + L"\\" + c.exeName, "Start"), 0u);
        EXPECT_EQ(temp.Names(), before);
        for (const auto& [name, data] : c.files)
            ::DeleteFileW((folder + L"\\" + name).c_str());
        // The box goes through code page 932: a character it cannot hold shows as "?".
        Text path = quorin::win::FromWide((folder + L"\\" + c.scriptName).c_str());
        std::replace(path.begin(), path.end(), u'\xD55C', u'?');
        EXPECT_EQ(RegText(HKEY_CURRENT_USER, kPrograms, L"Start"),
                  L"1|1|" + std::to_wstring(static_cast<int>(Icon::Stop)) + L"|OK|Ombrel's Quorin Installer|" +
                      Wide(c.head + path + c.tail));
    }
}

} // namespace
} // namespace setup_test
