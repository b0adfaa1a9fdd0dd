// Setup's start-up: the script path built from the running program, the script read into
// SetupSettings through ClassProfiler, and the message and exit for scripts it cannot use.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "ClassProfiler.h"
#include "GeneralMain.h"
#include "GeneralWin32ExAPI.h"
#include "winsupport/ansi.h"
#include "winsupport/unique_handle.h"

namespace {

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

// Starts a program and waits for it (bounded); returns its exit code.
DWORD RunProgram(const std::wstring& exe, const std::wstring& args, HWND* box = nullptr,
                 std::wstring* boxText = nullptr);

// --- In-process loading through ClassProfiler -------------------------------------------
// The loader's rules are the core's and are tested natively; here only what the platform's
// reader adds: the 16-bit All, blanks around names and values, the 254-byte buffer.

quorin::ScriptLoadResult LoadFile(const TempFolder& folder, const std::string& bytes) {
    const std::wstring path = folder.path() + L"\\Setup.INF";
    WriteBytes(path, bytes);
    setup::ClassProfiler profiler;
    profiler.Path = FromWide(path.c_str());
    return quorin::LoadSetupScriptFrom(profiler);
}

TEST(LoadSetupScript, SplittingSixteenBitAllAndYesNo) {
    TempFolder folder(L"edges");
    auto r = LoadFile(folder, "[main]\r\nALL=65539\r\nLzTrash=yes\r\n[1]\r\nLz=,B\r\nSelfRegister=Yes\r\n"
                              "[2]\r\nlz=A,B,C\r\nSelfRegister=TRUE\r\n[3]\r\nLz = A.EX_ , A.EXE \r\n"
                              "SelfRegister=1\r\n[4]\r\nLz=unused,x\r\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.settings.All, 3); // 65539 keeps its low 16 bits
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
    EXPECT_EQ(setup::ExecutableName(), u"setup_start_test");
    EXPECT_EQ(setup::SetupScriptPath(), folder + u"\\setup_start_test.INF");
    EXPECT_EQ(setup::JoinPath(u"C:\\", u"Setup.INF"), u"C:\\\\Setup.INF");
    EXPECT_EQ(setup::ApplicationTitle(), u"Ombrel's Quorin Installer");
}

// Run inside a copy of this program: loads the script through LoadSetupScript and writes what
// it found to the file named by QUORIN_CHILD_OUT.
TEST(Child, DISABLED_DumpSettings) {
    const char* out = std::getenv("QUORIN_CHILD_OUT");
    ASSERT_NE(out, nullptr);
    const auto problems = setup::LoadSetupScript();
    const auto& s = setup::SetupSettings;
    std::string dump = quorin::ToUtf8(setup::ProgramFolder()) + "\n" +
                       quorin::ToUtf8(setup::ExecutableName()) + "\n" +
                       quorin::ToUtf8(setup::SetupScriptPath()) + "\n" + quorin::ToUtf8(s.Title) + "\n" +
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
    DWORD code =
        RunProgram(exe, L"--gtest_filter=Child.DISABLED_DumpSettings --gtest_also_run_disabled_tests");
    EXPECT_EQ(code, 0u);
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

// --- Setup.EXE and a script it cannot install from ----------------------------------------

#ifdef QUORIN_SETUP_EXE

struct FoundBox {
    DWORD pid;
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<FoundBox*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (pid == f->pid && std::wstring(cls) == L"#32770") {
        f->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK LongestChildText(HWND hwnd, LPARAM lp) {
    auto* text = reinterpret_cast<std::wstring*>(lp);
    wchar_t buf[2048] = {};
    ::GetWindowTextW(hwnd, buf, 2048);
    if (std::wstring(buf).size() > text->size())
        *text = buf;
    return TRUE;
}

#endif

DWORD RunProgram(const std::wstring& exe, const std::wstring& args, HWND* box, std::wstring* boxText) {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << quorin::ToUtf8(FromWide(exe.c_str()));
        return 9999;
    }
    quorin::win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
#ifdef QUORIN_SETUP_EXE
    if (box) {
        // Wait (bounded) for the message box, read it, answer OK.
        FoundBox f{pi.dwProcessId};
        for (int i = 0; i < 300 && !f.box; ++i) {
            if (::WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0)
                break;
            ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&f));
        }
        *box = f.box;
        if (f.box) {
            // The box exists before its texts are set: wait until it is shown with its text.
            std::wstring text;
            for (int i = 0; i < 200; ++i) {
                text.clear();
                ::EnumChildWindows(f.box, LongestChildText, reinterpret_cast<LPARAM>(&text));
                if (::IsWindowVisible(f.box) && text.size() > 2)
                    break;
                ::Sleep(50);
            }
            wchar_t caption[256] = {};
            ::GetWindowTextW(f.box, caption, 256);
            *boxText = std::wstring(caption) + L"|" + text;
            ::PostMessageW(f.box, WM_COMMAND, IDOK, 0);
        }
    }
#else
    (void)box;
    (void)boxText;
#endif
    if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "program did not end";
        ::TerminateProcess(process.get(), 99);
        return 9998;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

#ifdef QUORIN_SETUP_EXE

struct BadScript {
    const char* script;
    uint32_t id;
    std::vector<quorin::Variant> values; // after the script path
    const char* mentions;                // must appear in the text, whatever the template
};

TEST(SetupExe, BadScriptShowsWhyAndEndsWithoutChanges) {
    quorin::win::UniqueModule module(
        ::LoadLibraryExW(W(FromWide(L"" QUORIN_SETUP_EXE)), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    const BadScript cases[] = {
        {"[Main]\r\nAll=2\r\n[1]\r\nLz=a,b\r\n[2]\r\nLz=NOCOMMA\r\n",
         setup::kIdScriptLzWithoutComma,
         {Text(u"2"), Text(u"Lz"), Text(u"NOCOMMA")},
         "[2]"},
        {"[Main]\r\nAll=1\r\n", setup::kIdScriptMissingLz, {Text(u"1"), Text(u"Lz")}, "[1]"},
        {"[Main]\r\nAll=40000\r\n[1]\r\nLz=a,b\r\n",
         setup::kIdScriptNegativeAll,
         {Text(u"Main"), Text(u"All"), Text(u"-25536")},
         "-25536"},
    };
    for (const auto& c : cases) {
        TempFolder folder(L"badexe");
        const std::wstring exe = folder.path() + L"\\Setup.EXE";
        ASSERT_TRUE(::CopyFileW(L"" QUORIN_SETUP_EXE, exe.c_str(), FALSE));
        WriteBytes(folder.path() + L"\\Setup.INF", c.script);
        WriteBytes(folder.path() + L"\\A", "compressed stand-in");
        const auto before = folder.List();

        HWND box = nullptr;
        std::wstring text;
        DWORD code = RunProgram(exe, L"", &box, &text);
        ASSERT_NE(box, nullptr) << c.script;
        EXPECT_EQ(code, 1u);
        EXPECT_EQ(folder.List(), before); // nothing placed, renamed or deleted

        const Text scriptPath = FromWide((folder.path() + L"\\Setup.INF").c_str());
        std::vector<quorin::Variant> values{scriptPath};
        values.insert(values.end(), c.values.begin(), c.values.end());
        const Text expected = setup::EmbedValues(setup::LoadResStringFrom(module.get(), c.id), values);
        const Text shown = FromWide(text.c_str());
        EXPECT_EQ(shown, u"Ombrel's Quorin Installer|" + expected);
        EXPECT_NE(shown.find(scriptPath), Text::npos);
        EXPECT_NE(shown.find(quorin::FromAscii(c.mentions)), Text::npos);
        EXPECT_NE(shown.find(u"セットアップを終了します"), Text::npos);
    }
}

#endif

} // namespace
