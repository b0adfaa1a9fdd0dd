// What Setup's Windows tests share: registry look-ups, a temporary folder, a reader and answerer
// of this thread's message boxes, a message pump that waits on a condition, and copies of this
// program run as children.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

namespace setup_test {

namespace fs = std::filesystem;
using quorin::Text;
using Bytes = std::string;

inline std::wstring Wide(const Text& t) {
    return quorin::win::W(t);
}

inline std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    return std::wstring(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
}

inline std::wstring Beside(const std::wstring& name) {
    const std::wstring self = ThisProgram();
    return self.substr(0, self.rfind(L'\\') + 1) + name;
}

inline bool KeyExists(HKEY root, const std::wstring& key) {
    quorin::win::UniqueHKey h;
    return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, h.put()) == ERROR_SUCCESS;
}

// A string value, or "<missing>".
inline std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    return ::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) == ERROR_SUCCESS
               ? buffer
               : L"<missing>";
}

// The code of the error `call` raises; none when it raises none.
template <typename F> std::optional<quorin::ErrorCode> Raised(F&& call) {
    try {
        call();
    } catch (const quorin::RuntimeError& e) {
        return e.Code();
    }
    return std::nullopt;
}

// Runs `commandLine` (its program first) to its end, or ends it after `timeoutMs`; its exit code.
inline DWORD RunToEnd(std::wstring commandLine, DWORD timeoutMs = INFINITE) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    DWORD code = 9999;
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return code;
    quorin::win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0)
        ::TerminateProcess(process.get(), code);
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

// Without a window manager the platform waits about 2 s for every window that closes, unless the
// program's windows are unmanaged, which it reads at start. No test here looks at frames, so a
// program started managed makes that setting for its own name and runs again.
inline const int g_unmanaged = [] {
    const std::wstring self = ThisProgram();
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + self.substr(self.rfind(L'\\') + 1) + L"\\X11 Driver";
    if (RegText(HKEY_CURRENT_USER, key, L"Managed") == L"N")
        return 0;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, L"N", 4);
    ::ExitProcess(RunToEnd(::GetCommandLineW()));
}();

// A fresh folder below the temporary folder (or `parent`), removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag, const std::wstring& parent = {}) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        path_ = fs::path(parent.empty() ? temp : parent) / (L"quorin-" + tag);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        for (const auto& e : fs::recursive_directory_iterator(path_, ignored))
            ::SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(path_, ignored);
    }
    std::wstring Path(const std::wstring& name = {}) const { return name.empty() ? path_.wstring() : (path_ / name).wstring(); }
    Text Text(const std::wstring& name = {}) const { return quorin::win::FromWide(Path(name).c_str()); }
    void Write(const std::wstring& name, const Bytes& data) const {
        std::ofstream(path_ / name, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    Bytes Read(const std::wstring& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // The names in the folder as stored, letter case kept.
    std::set<std::string> Names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(path_))
            out.insert(e.path().filename().string());
        return out;
    }

private:
    fs::path path_;
};

enum class Icon { None, Stop, Question, Exclamation, Information, Other };

// A message box as shown: its text, caption, icon and whether OK is its only button.
struct Box {
    std::wstring text, caption;
    Icon icon = Icon::None;
    bool okOnly = false;
};

inline BOOL CALLBACK FindIconPicture(HWND h, LPARAM found) {
    wchar_t cls[16] = {};
    ::GetClassNameW(h, cls, 16);
    if (::lstrcmpiW(cls, L"Static") == 0 && (::GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ::IsWindowVisible(h))
        *reinterpret_cast<HWND*>(found) = h;
    return *reinterpret_cast<HWND*>(found) == nullptr;
}

inline Box ReadBox(HWND box) {
    Box b;
    wchar_t text[2048] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 2048);
    b.text = text;
    ::GetWindowTextW(box, text, 2048);
    b.caption = text;
    // The box shows a shared standard icon, so loading the same one here returns its handle.
    HWND picture = nullptr;
    ::EnumChildWindows(box, FindIconPicture, reinterpret_cast<LPARAM>(&picture));
    const HICON shown = picture ? reinterpret_cast<HICON>(::SendMessageW(picture, STM_GETICON, 0, 0)) : nullptr;
    b.icon = shown ? Icon::Other : Icon::None;
    for (const auto& [id, icon] : {std::pair(IDI_HAND, Icon::Stop), std::pair(IDI_QUESTION, Icon::Question),
                                   std::pair(IDI_EXCLAMATION, Icon::Exclamation), std::pair(IDI_ASTERISK, Icon::Information)})
        if (shown == ::LoadIconW(nullptr, id))
            b.icon = icon;
    b.okOnly = ::GetDlgItem(box, IDOK) && !::GetDlgItem(box, IDYES) && !::GetDlgItem(box, IDNO);
    return b;
}

inline BOOL CALLBACK FindShownBox(HWND h, LPARAM found) {
    wchar_t cls[16] = {}, text[4] = {};
    ::GetClassNameW(h, cls, 16);
    if (::IsWindowVisible(h) && std::wstring(cls) == L"#32770" && ::GetDlgItemTextW(h, 0xFFFF, text, 4) > 0)
        *reinterpret_cast<HWND*>(found) = h;
    return *reinterpret_cast<HWND*>(found) == nullptr;
}

// Answers this thread's message boxes in order (then with OK) from a timer that fires inside
// their modal loops, and keeps what they showed. One at a time.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::deque<int> answers = {}) : answers_(std::move(answers)) {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 20, &Tick);
    }
    ~BoxAnswerer() {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    std::vector<std::wstring> Texts() const {
        std::vector<std::wstring> out;
        for (const Box& b : boxes)
            out.push_back(b.text);
        return out;
    }
    std::vector<Box> boxes;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), FindShownBox, reinterpret_cast<LPARAM>(&box));
        BoxAnswerer* self = current_;
        if (!self || !box || box == self->last_)
            return;
        self->last_ = box;
        self->boxes.push_back(ReadBox(box));
        const int answer = self->answers_.empty() ? IDOK : self->answers_.front();
        if (!self->answers_.empty())
            self->answers_.pop_front();
        ::PostMessageW(::GetDlgItem(box, answer), BM_CLICK, 0, 0);
    }
    inline static BoxAnswerer* current_ = nullptr;
    std::deque<int> answers_;
    HWND last_ = nullptr;
    UINT_PTR timer_ = 0;
};

// Runs the thread's messages until `done` holds; false when `timeoutMs` passed first.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs, HWND dialog = nullptr) {
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!done()) {
        if (::GetTickCount64() >= end)
            return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!dialog || !::IsDialogMessageW(dialog, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Runs the disabled test Child.DISABLED_<name> in a copy of this program at `copy`; its exit code.
inline DWORD RunChild(const std::wstring& copy, const std::string& name) {
    EXPECT_TRUE(::CopyFileW(ThisProgram().c_str(), copy.c_str(), FALSE));
    const DWORD code = RunToEnd(L"\"" + copy + L"\" --gtest_also_run_disabled_tests --gtest_filter=Child.DISABLED_" +
                                    std::wstring(name.begin(), name.end()),
                                60000);
    ::DeleteFileW(copy.c_str());
    return code;
}

} // namespace setup_test
