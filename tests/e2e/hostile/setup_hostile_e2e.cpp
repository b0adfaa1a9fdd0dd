// Setup.EXE started in package folders whose scripts are hostile or broken. For each: the
// program ends on its own once its boxes are answered (no crash, no hang), the files outside
// the package folder are as they were, and Setup.EXE, Setup.INF and Setup.DLL are unchanged.
// Installs are answered Yes, so every entry Setup accepts is tried; entries are few, as each
// placed entry pauses 2 s.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::string;
std::wstring g_payload;
const std::wstring kRoot = L"C:\\quorin-hostile";

Bytes ReadFile(const std::wstring& p) {
    std::ifstream in(std::filesystem::path(p), std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void WriteFile(const std::wstring& p, const Bytes& b) {
    std::ofstream(std::filesystem::path(p), std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
}

void Tree(const std::wstring& folder, std::map<std::wstring, Bytes>& out) {
    WIN32_FIND_DATAW d;
    HANDLE f = FindFirstFileW((folder + L"\\*").c_str(), &d);
    if (f == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = d.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[path] = "<dir>";
            Tree(path, out);
        } else {
            out[path] = ReadFile(path);
        }
    } while (FindNextFileW(f, &d));
    FindClose(f);
}

void RemoveTree(const std::wstring& folder) {
    std::map<std::wstring, Bytes> t;
    Tree(folder, t);
    for (auto it = t.rbegin(); it != t.rend(); ++it) {
        SetFileAttributesW(it->first.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (it->second == "<dir>")
            RemoveDirectoryW(it->first.c_str());
        else
            DeleteFileW(it->first.c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

struct Search {
    DWORD pid;
    HWND box = nullptr, main = nullptr;
};
BOOL CALLBACK Visit(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != s->pid || !IsWindowVisible(h))
        return TRUE;
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    if (lstrcmpW(cls, L"#32770") == 0)
        s->box = h;
    else
        s->main = h;
    return TRUE;
}

HWND ButtonOf(HWND parent, const wchar_t* caption) {
    for (HWND c = FindWindowExW(parent, nullptr, L"Button", nullptr); c;
         c = FindWindowExW(parent, c, L"Button", nullptr)) {
        wchar_t text[64] = {};
        SendMessageTimeoutW(c, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000, nullptr);
        if (lstrcmpW(text, caption) == 0)
            return c;
    }
    return nullptr;
}

struct RunResult {
    bool ended = false;
    DWORD exitCode = 0;
    int boxes = 0;
    bool installed = false;
};

// Starts Setup in `folder`, presses Install and answers Yes when offered, OK to every other box,
// then Cancel; gives up (and fails) after `seconds`.
RunResult RunSetup(const std::wstring& folder, int seconds) {
    RunResult r;
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + folder + L"\\Setup.EXE\"";
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return r;
    CloseHandle(pi.hThread);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    bool pressedInstall = false;
    auto quietSince = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < end) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) {
            r.ended = true;
            break;
        }
        Search s{pi.dwProcessId};
        EnumWindows(&Visit, reinterpret_cast<LPARAM>(&s));
        if (s.box) {
            ++r.boxes;
            HWND yes = GetDlgItem(s.box, IDYES);
            PostMessageW(yes && IsWindowVisible(yes) ? yes : GetDlgItem(s.box, IDOK), BM_CLICK, 0, 0);
            Sleep(300);
            quietSince = std::chrono::steady_clock::now();
            continue;
        }
        if (!s.main)
            continue;
        HWND install = ButtonOf(s.main, L"\x8FFD\x52A0\x3059\x308B(&I)...");
        if (!pressedInstall && install && IsWindowVisible(install) && IsWindowEnabled(install)) {
            PostMessageW(install, BM_CLICK, 0, 0);
            pressedInstall = r.installed = true;
            quietSince = std::chrono::steady_clock::now();
            continue;
        }
        // Idle with no box for a while: Cancel, again every few seconds, since the window takes
        // no click while a procedure runs.
        if (std::chrono::steady_clock::now() - quietSince > std::chrono::seconds(3)) {
            if (HWND cancel = ButtonOf(s.main, L"\x30AD\x30E3\x30F3\x30BB\x30EB"))
                PostMessageW(cancel, BM_CLICK, 0, 0);
            quietSince = std::chrono::steady_clock::now();
        }
    }
    if (!r.ended)
        TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &r.exitCode);
    CloseHandle(pi.hProcess);
    return r;
}

struct Case {
    const char* name;
    std::string script; // empty: written by `make`
    std::string (*make)();
};

std::string Entries(const std::vector<std::string>& lz, bool trash = false) {
    std::string s = "[Main]\r\nTitle=Quorin Hostile\r\nAll=" + std::to_string(lz.size()) +
                    "\r\nLzTrash=" + (trash ? "YES" : "NO") + "\r\n";
    for (size_t i = 0; i < lz.size(); ++i)
        s += "[" + std::to_string(i + 1) + "]\r\nLz=" + lz[i] + "\r\n";
    return s;
}

void CleanRegistry() {
    HKEY k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Ombrel's Quorin\\Installer", 0, KEY_SET_VALUE, &k) ==
        0) {
        RegDeleteValueW(k, L"Quorin Hostile");
        RegCloseKey(k);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE,
                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorin Hostile");
}

TEST(HostileScripts, SetupNeitherCrashesNorHangsNorLeavesItsFolder) {
    ASSERT_EQ(GetACP(), 932u);
    RemoveTree(kRoot);
    ASSERT_TRUE(CreateDirectoryW(kRoot.c_str(), nullptr));
    WriteFile(kRoot + L"\\outside.txt", "outside the package\r\n");
    // The uncompressed "compressed" file every case offers.
    const std::string plain = "plain data\r\n";

    std::string big = Entries({"DATA.TXT,Copy.TXT"}) + "[Padding]\r\n";
    while (big.size() < (10u << 20))
        big += "Key" + std::to_string(big.size()) + "=" + std::string(120, 'z') + "\r\n";
    std::string garbage(70000, '\0');
    uint32_t x = 7;
    for (char& c : garbage) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    std::string all = "[Main]\r\nTitle=Quorin Hostile\r\nAll=32767\r\n[1]\r\nLz=DATA.TXT,Copy.TXT\r\n";

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"absolute, drive, colon, parent",
         Entries({"DATA.TXT,C:\\quorin-hostile\\outside.txt", "DATA.TXT,\\outside.txt",
                  "DATA.TXT,C:outside.txt", "DATA.TXT,Copy.TXT:stream", "DATA.TXT,..\\outside.txt",
                  "..\\outside.txt,Copy.TXT"})},
        {"devices and folder", Entries({"DATA.TXT,CON", "NUL,Copy.TXT", "DATA.TXT,COM1", "DATA.TXT,Sub"})},
        {"own files",
         Entries({"DATA.TXT,Setup.EXE", "DATA.TXT,setup.inf", "DATA.TXT,SETUP.DLL", "Setup.INF,Copy.TXT"},
                 true)},
        {"duplicate targets", Entries({"DATA.TXT,Copy.TXT", "DATA.TXT,copy.txt"})},
        {"All 32767, one section", all},
        {"10 MB script", big},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + Entries({"DATA.TXT,Copy.TXT"})},
        {"binary garbage", garbage},
    };
    int held = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].first);
        CleanRegistry();
        const std::wstring folder = kRoot + L"\\case" + std::to_wstring(i);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(
            CopyFileW((g_payload + L"\\Setup.EXE").c_str(), (folder + L"\\Setup.EXE").c_str(), FALSE));
        ASSERT_TRUE(
            CopyFileW((g_payload + L"\\Setup.DLL").c_str(), (folder + L"\\Setup.DLL").c_str(), FALSE));
        CreateDirectoryW((folder + L"\\Sub").c_str(), nullptr);
        WriteFile(folder + L"\\DATA.TXT", plain);
        WriteFile(folder + L"\\Setup.INF", cases[i].second);
        std::map<std::wstring, Bytes> before;
        Tree(kRoot, before);

        const auto start = std::chrono::steady_clock::now();
        const RunResult r = RunSetup(folder, 90);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("[hostile-e2e] %s: ended %d exit %lu, %d boxes, install %d, %.1f s\n", cases[i].first,
                    r.ended, r.exitCode, r.boxes, r.installed, seconds);
        EXPECT_TRUE(r.ended) << "Setup hung";
        EXPECT_LE(r.exitCode, 1u) << "Setup crashed";

        std::map<std::wstring, Bytes> after;
        Tree(kRoot, after);
        for (const auto& [path, data] : before) {
            const bool inFolder = path.compare(0, folder.size() + 1, folder + L"\\") == 0;
            const bool own = path == folder + L"\\Setup.EXE" || path == folder + L"\\Setup.INF" ||
                             path == folder + L"\\Setup.DLL";
            if (!inFolder || own) {
                auto it = after.find(path);
                EXPECT_TRUE(it != after.end() && it->second == data)
                    << "changed or removed: " << std::string(path.begin(), path.end());
            }
        }
        for (const auto& [path, data] : after)
            if (!before.count(path))
                EXPECT_EQ(path.compare(0, folder.size() + 1, folder + L"\\"), 0)
                    << "created outside the package: " << std::string(path.begin(), path.end());
        held += !HasFailure();
        CleanRegistry();
    }
    RemoveTree(kRoot);
    std::printf("[hostile-e2e] %d of %zu hostile scripts held\n", held, cases.size());
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        const std::string a = argv[1];
        g_payload.assign(a.begin(), a.end());
        for (auto& c : g_payload)
            if (c == L'/')
                c = L'\\';
        if (g_payload.size() > 1 && g_payload[0] == L'\\')
            g_payload = L"Z:" + g_payload; // a Unix path through Wine's Z: drive
    }
    return RUN_ALL_TESTS();
}
