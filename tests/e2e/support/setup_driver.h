// Driving Setup.EXE from another process as a user does: the program started in a package
// folder, its window and message boxes found by their captions, buttons pressed and boxes
// answered; and the folder helpers the drivers check the results with. Header-only, shared by
// the end-to-end drivers.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "basic/string_routines.h"
#include "basic/variant.h"
#include "winsupport/ansi.h"
#include "winsupport/unique_handle.h"

namespace quorin::e2e {

using Bytes = std::string;
using Clock = std::chrono::steady_clock;
using std::wstring;

inline constexpr wchar_t kApplicationTitle[] = L"Ombrel's Quorin Installer";
inline constexpr wchar_t kInstallCaption[] = L"\x8FFD\x52A0\x3059\x308B(&I)...";   // 追加する(&I)...
inline constexpr wchar_t kUninstallCaption[] = L"\x524A\x9664\x3059\x308B(&U)..."; // 削除する(&U)...
inline constexpr wchar_t kCancelCaption[] = L"\x30AD\x30E3\x30F3\x30BB\x30EB";     // キャンセル
inline constexpr int kBoxText = 0xFFFF;
inline constexpr int kIdOk = 1, kIdYes = 6, kIdNo = 7;

// ---------------------------------------------------------------------------------------------
// Files.

inline std::string Utf8(const wstring& s) {
    return quorin::ToUtf8(quorin::win::FromWide(s.c_str()));
}

// A Unix path reaches a Windows program through Wine's Z: drive.
inline wstring WindowsPath(const char* arg) {
    wstring p = quorin::win::W(quorin::win::FromAnsi(arg));
    for (auto& c : p)
        if (c == L'/')
            c = L'\\';
    return p.size() > 1 && p[0] == L'\\' ? L"Z:" + p : p;
}

inline std::optional<Bytes> ReadBytes(const wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline bool WriteBytes(const wstring& path, const Bytes& data) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

inline bool Exists(const wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Everything below a folder by full path: a file's contents, "<dir>" for a folder.
using TreeMap = std::map<wstring, Bytes>;
inline constexpr char kFolderMark[] = "<dir>";

inline void Tree(const wstring& folder, TreeMap& out) {
    WIN32_FIND_DATAW d;
    quorin::win::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &d));
    if (!find)
        return;
    do {
        const wstring name = d.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const wstring path = folder + L"\\" + name;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[path] = kFolderMark;
            Tree(path, out);
        } else {
            out[path] = ReadBytes(path).value_or("<unreadable>");
        }
    } while (FindNextFileW(find.get(), &d));
}

inline TreeMap Tree(const wstring& folder) {
    TreeMap t;
    Tree(folder, t);
    return t;
}

inline void RemoveTree(const wstring& folder) {
    const TreeMap t = Tree(folder);
    for (auto it = t.rbegin(); it != t.rend(); ++it) {
        SetFileAttributesW(it->first.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (it->second == kFolderMark)
            RemoveDirectoryW(it->first.c_str());
        else
            DeleteFileW(it->first.c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (Clock::now() > end)
            return false;
        Sleep(50);
    }
}

// ---------------------------------------------------------------------------------------------
// Registry.

inline std::optional<wstring> RegString(HKEY root, const wstring& key, const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return wstring(buf);
}

inline bool KeyExists(HKEY root, const wstring& key) {
    quorin::win::UniqueHKey h;
    return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, h.put()) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Windows of another process.

inline wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

// The text as the window's own procedure answers it (WM_GETTEXT works across processes).
inline wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length))
        return L"<no answer>";
    wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                        5000, &copied);
    text.resize(copied);
    return text;
}

struct WindowSearch {
    DWORD pid; // 0: every window
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (s->pid == 0 || (owner == s->pid && IsWindowVisible(hwnd)))
        s->found.push_back(hwnd);
    return TRUE;
}

// The visible top-level windows of a process.
inline std::vector<HWND> TopLevelWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The controls of `parent` at any depth, hidden ones too.
inline std::vector<HWND> Children(HWND parent) {
    WindowSearch search{0, {}};
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A control of `parent`, at any depth, by its class and caption (hidden ones too).
inline HWND Child(HWND parent, const wchar_t* cls, const wstring& caption) {
    for (HWND c : Children(parent))
        if (_wcsicmp(ClassOf(c).c_str(), cls) == 0 && TextOf(c) == caption)
            return c;
    return nullptr;
}

inline bool Usable(HWND h) {
    return h != nullptr && IsWindowVisible(h) && IsWindowEnabled(h);
}

// Presses a button the way the platform's click does, without waiting for its handler.
inline void Press(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Setup's string table, read from a Setup.EXE, and the text a box shows for an entry: through
// the ANSI message-box interface, so the round trip through code page 932.

inline wstring ResString(const wstring& setupExe, UINT id) {
    quorin::win::UniqueModule m(
        LoadLibraryExW(setupExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    const wchar_t* text = nullptr;
    const int n = m ? LoadStringW(m.get(), id, reinterpret_cast<LPWSTR>(&text), 0) : 0;
    return n > 0 ? wstring(text, static_cast<size_t>(n)) : wstring();
}

inline wstring BoxText(const wstring& setupExe, UINT id, const std::vector<wstring>& values = {}) {
    std::vector<quorin::Variant> v;
    for (const auto& s : values)
        v.emplace_back(quorin::win::FromWide(s.c_str()));
    const quorin::Text filled =
        quorin::EmbedValues(quorin::win::FromWide(ResString(setupExe, id).c_str()), v);
    return quorin::win::W(quorin::win::FromAnsi(quorin::win::ToAnsi(filled)));
}

// ---------------------------------------------------------------------------------------------
// One run of Setup.EXE.

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    wstring caption;
    wstring text;
    std::vector<int> buttons;
    int defaultButton = 0; // the one Enter would press; 0 when none is
};

class SetupRun {
public:
    explicit SetupRun(const wstring& folder) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        wstring commandLine = L"\"" + folder + L"\\Setup.EXE\"";
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                           &si, &pi)) {
            process_.reset(pi.hProcess);
            CloseHandle(pi.hThread);
            pid_ = pi.dwProcessId;
        }
    }
    ~SetupRun() { Terminate(); }
    SetupRun(const SetupRun&) = delete;
    SetupRun& operator=(const SetupRun&) = delete;

    bool started() const { return pid_ != 0; }
    DWORD pid() const { return pid_; }
    HWND main() const { return main_; }
    HWND Button(const wchar_t* caption) const { return main_ ? Child(main_, L"Button", caption) : nullptr; }

    // The main window, once up: not a message box, with the application title.
    HWND FindMain() {
        if (!main_)
            for (HWND h : TopLevelWindows(pid_))
                if (ClassOf(h) != L"#32770" && TextOf(h) == kApplicationTitle)
                    main_ = h;
        return main_;
    }
    HWND WaitForMain(int timeoutMs = 30000) {
        WaitUntil([&] { return FindMain() != nullptr; }, timeoutMs);
        return main_;
    }

    // A message box of this process, read: owner, caption, text, visible and default buttons.
    std::optional<MessageBoxSeen> FindBox() const {
        for (HWND h : TopLevelWindows(pid_))
            if (ClassOf(h) == L"#32770") {
                Sleep(100); // let the box finish laying itself out
                MessageBoxSeen seen;
                seen.hwnd = h;
                seen.owner = GetWindow(h, GW_OWNER);
                seen.caption = TextOf(h);
                if (HWND text = GetDlgItem(h, kBoxText))
                    seen.text = TextOf(text);
                for (int id : {kIdOk, 2, 3, 4, 5, kIdYes, kIdNo})
                    if (HWND b = GetDlgItem(h, id); b && IsWindowVisible(b)) {
                        seen.buttons.push_back(id);
                        if ((GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                            seen.defaultButton = id;
                    }
                return seen;
            }
        return std::nullopt;
    }
    std::optional<MessageBoxSeen> WaitForBox(int timeoutMs = 30000) const {
        std::optional<MessageBoxSeen> box;
        WaitUntil([&] { return (box = FindBox()).has_value(); }, timeoutMs);
        return box;
    }

    // Answers a box by one of its buttons and waits until it is gone.
    bool Answer(const MessageBoxSeen& box, int button) const {
        HWND b = GetDlgItem(box.hwnd, button);
        if (b == nullptr)
            return false;
        Press(b);
        return WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, 10000);
    }

    bool WaitForExit(int timeoutMs = 20000) const {
        return process_ &&
               WaitForSingleObject(process_.get(), static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
    }
    // Ends the program at once, as a crash or the task list does; true if it had to be ended.
    bool Terminate() {
        if (!process_ || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT)
            return false;
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 10000);
        return true;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    quorin::win::UniqueHandleObj process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// What one unattended run of Setup showed and how it ended.
struct Session {
    bool started = false, ended = false;
    DWORD exitCode = 0;
    bool installOffered = false, uninstallOffered = false;
    bool pressed = false;
    std::vector<MessageBoxSeen> boxes;
    double seconds = 0;
};

// Starts Setup in `folder`, presses the button captioned `button` when it is offered (null:
// none), answers every box (Yes where offered, otherwise OK) and, once the window is idle again,
// presses Cancel. After `seconds` Setup is terminated and the session counts as not ended.
inline Session Drive(const wstring& folder, const wchar_t* button, int seconds) {
    Session r;
    const auto start = Clock::now();
    // The idle tip is back once a procedure has finished, before its closing boxes; Cancel
    // pressed earlier would stay queued until a box's loop and end the program under it.
    const wstring idleTip = ResString(folder + L"\\Setup.EXE", 11);
    SetupRun run(folder);
    r.started = run.started();
    const auto end = start + std::chrono::seconds(seconds);
    auto quietSince = Clock::now();
    bool looked = false;
    while (r.started && Clock::now() < end) {
        if (run.WaitForExit(100)) {
            r.ended = true;
            break;
        }
        if (auto box = run.FindBox()) {
            r.boxes.push_back(*box);
            const bool yes =
                std::find(box->buttons.begin(), box->buttons.end(), kIdYes) != box->buttons.end();
            run.Answer(*box, yes ? kIdYes : kIdOk);
            quietSince = Clock::now();
            continue;
        }
        if (!run.FindMain())
            continue;
        if (!looked) {
            looked = true;
            r.installOffered = IsWindowVisible(run.Button(kInstallCaption));
            r.uninstallOffered = IsWindowVisible(run.Button(kUninstallCaption));
        }
        if (button && !r.pressed && Usable(run.Button(button))) {
            Press(run.Button(button));
            r.pressed = true;
            quietSince = Clock::now();
            continue;
        }
        // The look waits for Setup's thread to answer, so a box it was about to show is up by then.
        const bool idle = !r.pressed || (Child(run.main(), L"Static", idleTip) != nullptr);
        if (idle && Clock::now() - quietSince > std::chrono::milliseconds(500) && !run.FindBox()) {
            if (HWND cancel = run.Button(kCancelCaption))
                Press(cancel);
            quietSince = Clock::now();
        }
    }
    run.Terminate();
    r.exitCode = run.ExitCode();
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return r;
}

} // namespace quorin::e2e
