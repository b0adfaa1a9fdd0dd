// What Setup's Windows tests share: a temporary folder, a process runner that reads the first
// message box a program shows, a watcher that answers this process's message boxes in order, a
// message pump that waits on a condition, and registry look-ups.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "base/text.h"
#include "win/ansi.h"
#include "win/unique_handle.h"
#include "test_thread.h"

namespace setup_test {

namespace fs = std::filesystem;
using quorin::Text;
using Bytes = std::string;

inline std::wstring Wide(const Text& t) {
    return std::wstring(reinterpret_cast<const wchar_t*>(t.c_str()));
}

inline std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    return std::wstring(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
}

inline std::wstring Beside(const std::wstring& name) {
    const std::wstring self = ThisProgram();
    return self.substr(0, self.rfind(L'\\') + 1) + name;
}

// A fresh folder below the temporary folder (or at `parent`), removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag, const std::wstring& parent = {}) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        path_ = fs::path(parent.empty() ? temp : parent) /
                (L"quorin-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
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

// A message box as shown: its text, caption, icon and buttons.
struct Box {
    std::wstring text, caption;
    Icon icon = Icon::None;
    bool okOnly = false;
};

inline BOOL CALLBACK FindIconPicture(HWND h, LPARAM lp) {
    wchar_t cls[16] = {};
    ::GetClassNameW(h, cls, 16);
    if (::lstrcmpiW(cls, L"Static") == 0 && (::GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ::IsWindowVisible(h))
        *reinterpret_cast<HWND*>(lp) = h;
    return *reinterpret_cast<HWND*>(lp) == nullptr;
}

inline Box ReadBox(HWND box) {
    Box b;
    wchar_t text[2048] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 2048);
    b.text = text;
    ::GetWindowTextW(box, text, 2048);
    b.caption = text;
    // The platform's box shows a shared standard icon, so the same load here returns its handle.
    HWND picture = nullptr;
    ::EnumChildWindows(box, FindIconPicture, reinterpret_cast<LPARAM>(&picture));
    const HICON shown = picture ? reinterpret_cast<HICON>(::SendMessageW(picture, STM_GETICON, 0, 0)) : nullptr;
    const std::pair<LPCWSTR, Icon> icons[] = {{IDI_HAND, Icon::Stop},
                                              {IDI_QUESTION, Icon::Question},
                                              {IDI_EXCLAMATION, Icon::Exclamation},
                                              {IDI_ASTERISK, Icon::Information}};
    b.icon = shown ? Icon::Other : Icon::None;
    for (const auto& [id, icon] : icons)
        if (shown == ::LoadIconW(nullptr, id))
            b.icon = icon;
    b.okOnly = ::GetDlgItem(box, IDOK) && !::GetDlgItem(box, IDYES) && !::GetDlgItem(box, IDNO);
    return b;
}

// The first visible message box of a process, once it has its text.
inline BOOL CALLBACK FindProcessBox(HWND h, LPARAM lp) {
    auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    wchar_t cls[16] = {}, text[4] = {};
    ::GetClassNameW(h, cls, 16);
    if (owner == found->first && ::IsWindowVisible(h) && std::wstring(cls) == L"#32770" &&
        ::GetDlgItemTextW(h, 0xFFFF, text, 4) > 0)
        found->second = h;
    return found->second == nullptr;
}

inline HWND FindBox(DWORD pid) {
    std::pair<DWORD, HWND> found{pid, nullptr};
    ::EnumWindows(FindProcessBox, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

// Answers this process's message boxes from another thread, in order, and keeps them.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::deque<int> answers) : answers_(std::move(answers)), thread_([this] { Run(); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.Join();
    }
    std::vector<Box> Boxes() {
        quorin_test::TestLock::Hold hold(lock_);
        return boxes_;
    }
    std::vector<std::wstring> Texts() {
        std::vector<std::wstring> out;
        for (const Box& b : Boxes())
            out.push_back(b.text);
        return out;
    }

private:
    void Run() {
        HWND last = nullptr;
        while (!stop_) {
            HWND box = FindBox(::GetCurrentProcessId());
            if (box && box != last) {
                quorin_test::TestLock::Hold hold(lock_);
                boxes_.push_back(ReadBox(box));
                const int answer = answers_.empty() ? IDOK : answers_.front();
                if (!answers_.empty())
                    answers_.pop_front();
                ::PostMessageW(::GetDlgItem(box, answer), BM_CLICK, 0, 0);
                last = box;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
    std::deque<int> answers_;
    std::vector<Box> boxes_;
    quorin_test::TestLock lock_;
    std::atomic<bool> stop_{false};
    quorin_test::TestThread thread_;
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

// How a started program ended and the first message box it showed, answered OK.
struct Outcome {
    DWORD code = 9999;
    Box box;
};

inline Outcome RunProgram(const std::wstring& exe, const std::wstring& args, bool watch) {
    Outcome out;
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << quorin::ToUtf8(quorin::win::FromWide(exe.c_str()));
        return out;
    }
    quorin::win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
    const ULONGLONG end = ::GetTickCount64() + 30000;
    while (watch && ::WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT && ::GetTickCount64() < end) {
        if (HWND box = FindBox(pi.dwProcessId)) {
            out.box = ReadBox(box);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            break;
        }
    }
    if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        ::TerminateProcess(process.get(), 99);
    }
    ::GetExitCodeProcess(process.get(), &out.code);
    return out;
}

// Runs the disabled test `name` of suite Child in a copy of this program at `copy`.
inline DWORD RunChild(const std::wstring& copy, const std::string& name) {
    EXPECT_TRUE(::CopyFileW(ThisProgram().c_str(), copy.c_str(), FALSE));
    const std::wstring filter(name.begin(), name.end());
    const DWORD code =
        RunProgram(copy, L"--gtest_filter=Child.DISABLED_" + filter + L" --gtest_also_run_disabled_tests", false).code;
    ::DeleteFileW(copy.c_str());
    return code;
}

inline bool KeyExists(HKEY root, const std::wstring& key) {
    quorin::win::UniqueHKey h;
    return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, h.put()) == ERROR_SUCCESS;
}

// A string value, or "<missing>".
inline std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

} // namespace setup_test
