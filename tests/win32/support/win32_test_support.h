// What the Windows tier's test programs share: the files beside the test program, a message pump
// that waits on a condition, registry and window look-ups (the driver library's, which the
// end-to-end tests use too), a key press, this thread's shown dialog box and a program run to its
// end.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "tools/quorin-pack/driver/setup_driver.h"
#include "win/unique_handle.h"

namespace win32test {

using quorin::driver::ClassOf;
using quorin::driver::TextOf;

inline std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

inline std::wstring Beside(const std::wstring& name) {
    const std::wstring self = ThisProgram();
    return self.substr(0, self.find_last_of(L"\\/") + 1) + name;
}

// Dispatches this thread's messages until `done` holds; false when `timeoutMs` passes first. With
// `dialog`, its keyboard messages go to it as its own loop would hand them over.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 15000, HWND dialog = nullptr) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!dialog || !IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        if (done())
            return true;
        if (GetTickCount64() >= end)
            return false;
        // Woken by the next message, or after 10 ms for a condition no message announces.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A string value, or "<missing>".
inline std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
    return quorin::driver::RegString(root, key, name).value_or(L"<missing>");
}

// The first control below `parent`, at any depth, that `match` accepts.
inline HWND FindChild(HWND parent, const std::function<bool(HWND)>& match) {
    for (HWND c : quorin::driver::Children(parent))
        if (match(c))
            return c;
    return nullptr;
}

// A key pressed and released, through the input queue.
inline void SendKey(WORD key) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

struct BoxSearch {
    const std::function<bool(HWND)>& match;
    HWND found;
};
inline BOOL CALLBACK MatchBox(HWND w, LPARAM search) {
    auto* s = reinterpret_cast<BoxSearch*>(search);
    if (IsWindowVisible(w) && ClassOf(w) == L"#32770" && s->match(w))
        s->found = w;
    return s->found == nullptr;
}
// This thread's shown dialog box that `match` accepts; other test programs may show theirs on the
// same display.
inline HWND ThreadBox(const std::function<bool(HWND)>& match) {
    BoxSearch search{match, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs `commandLine` (its program first) to its end, or ends it after `timeoutMs`; its exit code.
inline DWORD RunToEnd(std::wstring commandLine, DWORD timeoutMs = INFINITE) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    DWORD code = 9999;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return code;
    quorin::win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), code);
    GetExitCodeProcess(process.get(), &code);
    return code;
}

} // namespace win32test
