// Setup's start-up: the script path built from the running program, the script read into
// SetupSettings through ProfileFile, and the message and exit for scripts it cannot use.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <atomic>
#include <thread>

#include "message_box_icon.h"
#include "setup/platform/profile_file.h"
#include "installer/paths.h"
#include "setup/application.h"
#include "setup/platform/archive.h"
#include "setup/platform/registration.h"
#include "setup/platform/uninstall_entry.h"
#include "setup/program.h"
#include "setup/platform/routines.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

namespace {

using quorin::FromAscii;
using quorin::Text;
using quorin::win::FromWide;
using quorin::win::W;

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    quorin::win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadBytes(const std::wstring& path) {
    quorin::win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string out;
    char buf[4096];
    DWORD n = 0;
    while (file && ::ReadFile(file.get(), buf, sizeof buf, &n, nullptr) && n > 0)
        out.append(buf, n);
    return out;
}

// A temporary folder removed with its files at the end.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag) {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        static int counter = 0;
        path_ = std::wstring(base) + L"quorin-start-" + tag + L"-" +
                std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const auto& name : List())
            ::DeleteFileW((path_ + L"\\" + name.first).c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    // File names and sizes.
    std::map<std::wstring, DWORD> List() const {
        std::map<std::wstring, DWORD> out;
        WIN32_FIND_DATAW data;
        quorin::win::UniqueFind find(::FindFirstFileW((path_ + L"\\*").c_str(), &data));
        if (!find)
            return out;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                out[data.cFileName] = data.nFileSizeLow;
        } while (::FindNextFileW(find.get(), &data));
        return out;
    }

private:
    std::wstring path_;
};

std::wstring ThisProgram() {
    wchar_t buf[MAX_PATH];
    ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return buf;
}

// How a started program ended, and the first window it showed when watched.
struct Outcome {
    DWORD code = 9999;
    bool box = false; // a message box came up: read, then answered OK
    std::wstring caption, text;
    bool window = false; // another window came up instead: the program was ended
};

BOOL CALLBACK LongestChildText(HWND hwnd, LPARAM lp) {
    auto* text = reinterpret_cast<std::wstring*>(lp);
    wchar_t buf[2048] = {};
    ::GetWindowTextW(hwnd, buf, 2048);
    if (std::wstring(buf).size() > text->size())
        *text = buf;
    return TRUE;
}

struct FoundWindow {
    DWORD pid;
    HWND hwnd = nullptr;
};

BOOL CALLBACK FindVisibleWindow(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<FoundWindow*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == f->pid && ::IsWindowVisible(hwnd)) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool IsMessageBox(HWND hwnd) {
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    return std::wstring(cls) == L"#32770";
}

// Starts a program and waits for it (bounded). With `watch`, the first window it shows is
// looked at: a message box is read and answered OK, any other window ends the run.
Outcome RunProgram(const std::wstring& exe, const std::wstring& args, bool watch = false) {
    Outcome out;
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << quorin::ToUtf8(FromWide(exe.c_str()));
        return out;
    }
    quorin::win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
    FoundWindow f{pi.dwProcessId};
    for (int i = 0; watch && i < 300 && !f.hwnd; ++i) {
        if (::WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0)
            break;
        ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&f));
    }
    if (f.hwnd && IsMessageBox(f.hwnd)) {
        out.box = true;
        // The box may be shown before its text is set: wait until it has its text.
        for (int i = 0; i < 200 && out.text.size() <= 2; ++i) {
            out.text.clear();
            ::EnumChildWindows(f.hwnd, LongestChildText, reinterpret_cast<LPARAM>(&out.text));
            if (out.text.size() <= 2)
                ::Sleep(50);
        }
        wchar_t caption[256] = {};
        ::GetWindowTextW(f.hwnd, caption, 256);
        out.caption = caption;
        ::PostMessageW(f.hwnd, WM_COMMAND, IDOK, 0);
    } else if (f.hwnd) {
        out.window = true;
        ::TerminateProcess(process.get(), 98);
    }
    if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "program did not end";
        ::TerminateProcess(process.get(), 99);
        return out;
    }
    ::GetExitCodeProcess(process.get(), &out.code);
    return out;
}

// --- In-process loading through ProfileFile -------------------------------------------
// The loader's rules are the core's and are tested natively; here only what the platform's
// reader adds: the 16-bit All, blanks around names and values, the 254-byte buffer.

quorin::ScriptLoadResult LoadFile(const TempFolder& folder, const std::string& bytes) {
    const std::wstring path = folder.path() + L"\\Setup.INF";
    WriteBytes(path, bytes);
    setup::ProfileFile profiler;
    profiler.path = FromWide(path.c_str());
    return quorin::LoadSetupScriptFrom(profiler);
}

TEST(LoadSetupScript, SplittingAndYesNo) {
    TempFolder folder(L"edges");
    auto r = LoadFile(folder, "[main]\r\nALL=3\r\nLzTrash=yes\r\n[1]\r\nLz=,B\r\nSelfRegister=Yes\r\n"
                              "[2]\r\nlz=A,B,C\r\nSelfRegister=TRUE\r\n[3]\r\nLz = A.EX_ , A.EXE \r\n"
                              "SelfRegister=1\r\n[4]\r\nLz=unused,x\r\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.settings.All, 3);
    ASSERT_EQ(r.settings.Entries.size(), 3u);
    EXPECT_TRUE(r.settings.LzTrash);
    EXPECT_EQ(r.settings.Entries[0].LzSource, u"");
    EXPECT_EQ(r.settings.Entries[0].LzTarget, u"B");
    EXPECT_TRUE(r.settings.Entries[0].SelfRegister);
    EXPECT_EQ(r.settings.Entries[1].LzSource, u"A");
    EXPECT_EQ(r.settings.Entries[1].LzTarget, u"B,C");
    EXPECT_FALSE(r.settings.Entries[1].SelfRegister);
    EXPECT_EQ(r.settings.Entries[2].LzSource, u"A.EX_ ");
    EXPECT_EQ(r.settings.Entries[2].LzTarget, u" A.EXE");
    EXPECT_FALSE(r.settings.Entries[2].SelfRegister);
}

// The platform's integer reader wraps at 32 bits; the number as written decides, and the
// reader's own reading of hexadecimal and signs agrees with it.
TEST(LoadSetupScript, AllAsWrittenAgainstThePlatformsReader) {
    const struct {
        const char* written;
        int16_t all; // -1: refused
    } cases[] = {{"2", 2}, {" +2", 2}, {"0x2", 2}, {"2x", 2}, {"65538", -1}, {"4294967298", -1}, {"-1", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        TempFolder folder(L"all");
        auto r = LoadFile(folder, std::string("[Main]\r\nAll=") + c.written +
                                      "\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=c,d\r\n");
        if (c.all < 0) {
            ASSERT_EQ(r.problems.size(), 1u);
            EXPECT_EQ(r.problems[0].kind, quorin::ScriptProblemKind::AllOutOfRange);
            EXPECT_EQ(r.problems[0].value, FromAscii(c.written).substr(c.written[0] == ' ' ? 1 : 0));
            EXPECT_TRUE(r.settings.Entries.empty());
        } else {
            EXPECT_TRUE(r.ok());
            EXPECT_EQ(r.settings.All, c.all);
        }
    }
}

TEST(LoadSetupScript, LongTitleIsCutTo254Bytes) {
    TempFolder folder(L"long");
    std::string title;
    for (int i = 0; i < 150; ++i)
        title += "\x83\x4E"; // ク
    auto r = LoadFile(folder, "[Main]\r\nTitle=" + title + "\r\nDocument=" + std::string(300, 'd') + "\r\n");
    EXPECT_EQ(r.settings.Title, Text(127, u'ク'));
    EXPECT_EQ(r.settings.Document, Text(254, u'd'));
}

// --- The running program's identity -------------------------------------------------------

TEST(ProgramIdentity, FolderNameAndScriptPath) {
    const Text self = FromWide(ThisProgram().c_str());
    const Text folder = setup::ProgramFolder();
    EXPECT_EQ(self.substr(0, folder.size() + 1), folder + u"\\");
    EXPECT_NE(folder.back(), u'\\');
    EXPECT_EQ(setup::ExecutableName(), u"application_test");
    EXPECT_EQ(setup::ScriptPath(), folder + u"\\application_test.INF");
    EXPECT_EQ(quorin::JoinFolder(u"C:\\", u"Setup.INF"), u"C:\\\\Setup.INF");
    EXPECT_EQ(setup::ApplicationTitle(), u"Ombrel's Quorin Installer");
}

// Run inside a copy of this program: loads the script through LoadSetupScript and writes what
// it found to the file named by QUORIN_CHILD_OUT.
TEST(Child, DISABLED_DumpSettings) {
    const char* out = std::getenv("QUORIN_CHILD_OUT");
    ASSERT_NE(out, nullptr);
    quorin::SetupSettings s;
    const auto problems = setup::LoadSetupScript(setup::ScriptPath(), s);
    std::string dump = quorin::ToUtf8(setup::ProgramFolder()) + "\n" +
                       quorin::ToUtf8(setup::ExecutableName()) + "\n" +
                       quorin::ToUtf8(setup::ScriptPath()) + "\n" + quorin::ToUtf8(s.Title) + "\n" +
                       std::to_string(s.All) + "\n" + std::to_string(s.Entries.size()) + "\n" +
                       std::to_string(problems.size()) + "\n";
    std::ofstream(out, std::ios::binary) << dump;
}

std::vector<std::string> RunChild(const std::wstring& exe) {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    const std::wstring out =
        std::wstring(base) + L"quorin-child-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    ::SetEnvironmentVariableW(L"QUORIN_CHILD_OUT", out.c_str());
    const Outcome run =
        RunProgram(exe, L"--gtest_filter=Child.DISABLED_DumpSettings --gtest_also_run_disabled_tests");
    EXPECT_EQ(run.code, 0u);
    std::vector<std::string> lines;
    std::string all = ReadBytes(out), line;
    for (char c : all) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    ::DeleteFileW(out.c_str());
    return lines;
}

TEST(ProgramIdentity, InstallExeReadsInstallInf) {
    TempFolder folder(L"install");
    const std::wstring exe = folder.path() + L"\\Install.EXE";
    ASSERT_TRUE(::CopyFileW(ThisProgram().c_str(), exe.c_str(), FALSE));
    WriteBytes(folder.path() + L"\\Install.INF",
               "[Main]\r\nTitle=from Install.INF\r\nAll=1\r\n[1]\r\nLz=a,b\r\n");
    WriteBytes(folder.path() + L"\\Setup.INF", "[Main]\r\nTitle=from Setup.INF\r\n");
    auto lines = RunChild(exe);
    ASSERT_EQ(lines.size(), 7u);
    const std::string folderUtf8 = quorin::ToUtf8(FromWide(folder.path().c_str()));
    EXPECT_TRUE(::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, lines[0].c_str(), -1, folderUtf8.c_str(),
                                 -1) == CSTR_EQUAL)
        << lines[0] << " vs " << folderUtf8;
    EXPECT_EQ(lines[1], "Install");
    EXPECT_EQ(lines[2], lines[0] + "\\Install.INF");
    EXPECT_EQ(lines[3], "from Install.INF");
    EXPECT_EQ(lines[4], "1");
    EXPECT_EQ(lines[5], "1");
    EXPECT_EQ(lines[6], "0");
}

TEST(ProgramIdentity, AtADriveRootThePathHasADoubledSeparator) {
    // The prefix's C: drive is private to the test tree; unique names keep parallel runs apart.
    const std::wstring name = L"QrnRoot" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring exe = L"C:\\" + name + L".EXE", inf = L"C:\\" + name + L".INF";
    ASSERT_TRUE(::CopyFileW(ThisProgram().c_str(), exe.c_str(), FALSE));
    WriteBytes(inf, "[Main]\r\nTitle=at the root\r\nAll=2\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=c,d\r\n");
    auto lines = RunChild(exe);
    ::DeleteFileW(exe.c_str());
    ::DeleteFileW(inf.c_str());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "C:\\");
    EXPECT_EQ(lines[2], "C:\\\\" + quorin::ToUtf8(FromWide(name.c_str())) + ".INF");
    EXPECT_EQ(lines[3], "at the root"); // the platform accepts the doubled separator
    EXPECT_EQ(lines[4], "2");
}

// --- What Setup cannot start from ---------------------------------------------------------

// The first line of the messages, before the quoted script path.
const Text kScriptFaulty = u"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'";
const Text kScriptMissing = u"セットアップ スクリプトが見つからないため、セットアップを終了します\n\n'";

#ifdef QUORIN_SETUP_EXE

struct BadStart {
    const char* what;
    const wchar_t* folderTag; // part of the package folder's name
    const wchar_t* exeName;   // the name Setup.EXE is copied under
    const char* script;       // Setup.INF; null: none
    const wchar_t* scriptName;
    Text head, tail; // the message around the script path
};

// Every package folder holds "$", as one on an administrative share (\\server\c$\pkg) does: the
// path, section, key and value arrive in their places.
TEST(SetupExe, WhatItCannotStartFromIsToldAndNothingChanges) {
    const BadStart cases[] = {
        {"Lz without comma", L"bad$", L"Setup.EXE",
         "[Main]\r\nAll=2\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=NO$COMMA\r\n", L"Setup.INF", kScriptFaulty,
         u"'\n\nセクション [2] のキー Lz の値 'NO$COMMA' にコンマ (,) がありません"},
        {"missing Lz", L"bad$", L"Setup.EXE", "[Main]\r\nAll=1\r\n", L"Setup.INF", kScriptFaulty,
         u"'\n\nセクション [1] にキー Lz がありません"},
        {"All 40000", L"bad$", L"Setup.EXE", "[Main]\r\nAll=40000\r\n[1]\r\nLz=a,b\r\n", L"Setup.INF",
         kScriptFaulty,
         u"'\n\nセクション [Main] のキー All の値 '40000' は 0 から 32767 までの範囲にありません"},
        {"All 65538", L"bad$", L"Setup.EXE", "[Main]\r\nAll=65538\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=c,d\r\n",
         L"Setup.INF", kScriptFaulty,
         u"'\n\nセクション [Main] のキー All の値 '65538' は 0 から 32767 までの範囲にありません"},
        {"no script", L"bad$", L"Setup.EXE", nullptr, L"Setup.INF", kScriptMissing, u"'"},
        {"renamed program", L"bad$", L"Setup (1).EXE", "[Main]\r\nTitle=T\r\n", L"Setup (1).INF",
         kScriptMissing, u"'"},
        {"folder the code page cannot hold", L"\xD55C$", L"Setup.EXE", "[Main]\r\nTitle=T\r\n", L"Setup.INF",
         kScriptMissing, u"'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder(c.folderTag);
        const std::wstring exe = folder.path() + L"\\" + c.exeName;
        ASSERT_TRUE(::CopyFileW(L"" QUORIN_SETUP_EXE, exe.c_str(), FALSE));
        if (c.script)
            WriteBytes(folder.path() + L"\\Setup.INF", c.script);
        WriteBytes(folder.path() + L"\\a", "compressed stand-in");
        const auto before = folder.List();

        const Outcome run = RunProgram(exe, L"", true);
        EXPECT_FALSE(run.window) << "the main window opened";
        EXPECT_TRUE(run.box);
        if (!run.box)
            continue;
        EXPECT_EQ(run.code, 1u);
        EXPECT_EQ(folder.List(), before); // nothing placed, renamed or deleted

        // The box goes through code page 932: a character it cannot hold shows as "?".
        Text path = FromWide((folder.path() + L"\\" + c.scriptName).c_str());
        for (char16_t& ch : path)
            if (ch == u'\xD55C')
                ch = u'?';
        EXPECT_EQ(FromWide(run.caption.c_str()), u"Ombrel's Quorin Installer");
        EXPECT_EQ(FromWide(run.text.c_str()), c.head + path + c.tail);
    }
}

#endif

// Run inside a copy of this program named Setup.EXE: Setup's start-up in this process, its box
// read and answered from another thread. Writes Main's result, the box's icon and whether OK
// is its only button to the file named by QUORIN_CHILD_OUT.
TEST(Child, DISABLED_RunMain) {
    const char* out = std::getenv("QUORIN_CHILD_OUT");
    ASSERT_NE(out, nullptr);
    std::atomic<bool> done{false};
    quorin_test::BoxIcon icon = quorin_test::BoxIcon::None;
    bool okOnly = false, window = false;
    std::thread watcher([&] {
        while (!done) {
            FoundWindow f{::GetCurrentProcessId()};
            ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&f));
            if (f.hwnd && IsMessageBox(f.hwnd)) {
                icon = quorin_test::IconOfBox(f.hwnd);
                okOnly = ::GetDlgItem(f.hwnd, IDOK) && !::GetDlgItem(f.hwnd, IDCANCEL) &&
                         !::GetDlgItem(f.hwnd, IDYES) && !::GetDlgItem(f.hwnd, IDNO);
                ::PostMessageW(f.hwnd, WM_COMMAND, IDOK, 0);
                return;
            }
            if (f.hwnd) { // the main window instead of a message
                window = true;
                ::PostMessageW(f.hwnd, WM_CLOSE, 0, 0);
                return;
            }
            ::Sleep(30);
        }
    });
    const int code = setup::RunSetup();
    done = true;
    watcher.join();
    const char* names[] = {"none", "stop", "question", "exclamation", "information", "other"};
    std::ofstream(out, std::ios::binary) << code << "\n"
                                         << (window ? "window" : names[static_cast<int>(icon)]) << "\n"
                                         << (okOnly ? "OK" : "other buttons") << "\n";
}

// The stop icon and OK alone, whether the script is faulty or missing.
TEST(SetupStart, StopMessagesShowTheStopIconAndOk) {
    for (const char* script : {"[Main]\r\nAll=1\r\n", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(script ? script : "no script");
        TempFolder folder(L"icon");
        const std::wstring exe = folder.path() + L"\\Setup.EXE";
        ASSERT_TRUE(::CopyFileW(ThisProgram().c_str(), exe.c_str(), FALSE));
        if (script)
            WriteBytes(folder.path() + L"\\Setup.INF", script);
        const std::wstring outFile = folder.path() + L"\\child.txt";
        ::SetEnvironmentVariableW(L"QUORIN_CHILD_OUT", outFile.c_str());
        const Outcome run =
            RunProgram(exe, L"--gtest_filter=Child.DISABLED_RunMain --gtest_also_run_disabled_tests");
        EXPECT_EQ(run.code, 0u);
        EXPECT_EQ(ReadBytes(outFile), "1\nstop\nOK\n");
        ::DeleteFileW(outFile.c_str());
    }
}

} // namespace
