// What Setup's Windows tests share besides the tier's support: a temporary folder, a reader and
// answerer of this thread's message boxes, and copies of this program run as children.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "win/ansi.h"
#include "win/unique_handle.h"
#include "../support/win32_test_support.h"

namespace setup_test {

namespace fs = std::filesystem;
using quorin::Text;
using Bytes = std::string;

using namespace win32test;
using quorin::driver::KeyExists;

inline std::wstring Wide(const Text& t) {
    return quorin::win::W(t);
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
        path_ = (parent.empty() ? fs::temp_directory_path() : fs::path(parent)) / (L"quorin-" + tag);
        quorin::driver::RemoveTree(path_.wstring());
        fs::create_directories(path_);
    }
    ~TempFolder() { quorin::driver::RemoveTree(path_.wstring()); }
    std::wstring Path(const std::wstring& name = {}) const { return name.empty() ? path_.wstring() : (path_ / name).wstring(); }
    Text Text(const std::wstring& name = {}) const { return quorin::win::FromWide(Path(name).c_str()); }
    void Write(const std::wstring& name, const Bytes& data) const {
        quorin::driver::WriteBytes(Path(name), data);
    }
    Bytes Read(const std::wstring& name) const {
        return quorin::driver::ReadBytes(Path(name)).value_or(Bytes());
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

enum class Icon { None, Stop, Exclamation }; // None: no icon, or one Setup never shows

// A message box as shown: its text, caption, icon and whether OK is its only button.
struct Box {
    std::wstring text, caption;
    Icon icon = Icon::None;
    bool okOnly = false;
};

inline Box ReadBox(HWND box) {
    Box b{TextOf(::GetDlgItem(box, 0xFFFF)), TextOf(box)};
    // The box shows a shared standard icon, so loading the same one here returns its handle.
    HWND picture = FindChild(box, [](HWND h) {
        return _wcsicmp(ClassOf(h).c_str(), L"Static") == 0 &&
               (::GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ::IsWindowVisible(h);
    });
    const HICON shown = picture ? reinterpret_cast<HICON>(::SendMessageW(picture, STM_GETICON, 0, 0)) : nullptr;
    b.icon = shown && shown == ::LoadIconW(nullptr, IDI_HAND)          ? Icon::Stop
             : shown && shown == ::LoadIconW(nullptr, IDI_EXCLAMATION) ? Icon::Exclamation
                                                                       : Icon::None;
    b.okOnly = ::GetDlgItem(box, IDOK) && !::GetDlgItem(box, IDYES) && !::GetDlgItem(box, IDNO);
    return b;
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
        // A message box: a dialog with a text; Setup's own window is a dialog too.
        HWND box = ThreadBox([](HWND h) { return ::GetWindowTextLengthW(::GetDlgItem(h, 0xFFFF)) > 0; });
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

// Where the stand-in program (test_program.cpp) and the children record what they saw, by name.
const std::wstring kPrograms = L"Software\\Quorin Test Programs";

// The command line the stand-in program recorded under its file name `name`, once it has.
inline std::wstring RecordedCommandLine(const wchar_t* name) {
    std::wstring seen;
    PumpUntil([&] { return (seen = RegText(HKEY_CURRENT_USER, kPrograms, name)) != L"<missing>"; }, 30000);
    return seen;
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
