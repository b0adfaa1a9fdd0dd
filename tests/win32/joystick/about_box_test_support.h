// What the About-box tests share: driving the modal box from inside its own message loop, and
// lookups of the box's controls.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ocx_test_support.h"

namespace abouttest {

using namespace ocxtest;

inline const wchar_t* const Caption = W(u"著作権とバージョン情報について");
inline const wchar_t* const HelpCaption = W(u"ヘルプ(&H)");

inline HWND ChildByPrefix(HWND parent, const std::wstring& prefix) {
    for (HWND c : Children(parent))
        if (Text(c).compare(0, prefix.size(), prefix) == 0)
            return c;
    return nullptr;
}

// TextAbout, the box's one text box.
inline HWND TextAbout(HWND box) {
    return EditChild(box);
}

inline size_t Count(const std::wstring& haystack, const std::wstring& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::wstring::npos; at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

// A click on a link label, as the mouse gives it.
inline void ClickLabel(HWND label) {
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(label, WM_LBUTTONUP, 0, 0);
}

// Runs `open` (which shows the box modally) while `step` is called from a timer inside the
// box's own message loop, once per tick with the box (found by its caption) until it returns
// true. Ticks only come while a message loop runs, so the first one finds the box shown. A box
// that never finishes is closed after TickLimit() ticks (about five seconds) and reported.
struct BoxRun {
    HRESULT result = E_UNEXPECTED;
    int ticksWithBox = 0;
    bool timedOut = false;
};

inline int& TickLimit() {
    static int limit = 500;
    return limit;
}

inline BoxRun& CurrentRun() {
    static BoxRun run;
    return run;
}
inline std::function<bool(HWND)>& CurrentStep() {
    static std::function<bool(HWND)> step;
    return step;
}

// The box of this thread, found by its caption. Other test programs may show theirs at the
// same time on the same display, so a search of all windows would find theirs too.
inline BOOL CALLBACK MatchBox(HWND window, LPARAM result) {
    if (Text(window) != Caption)
        return TRUE;
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
}
inline HWND FindBox() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindBox();
    if (!box || !IsWindowVisible(box))
        return;
    BoxRun& run = CurrentRun();
    if (++run.ticksWithBox > TickLimit()) {
        run.timedOut = true;
        PostMessageW(box, WM_CLOSE, 0, 0);
        return;
    }
    if (CurrentStep() && CurrentStep()(box))
        CurrentStep() = nullptr;
}

inline BoxRun RunBox(const std::function<HRESULT()>& open, std::function<bool(HWND)> step) {
    CurrentRun() = BoxRun();
    CurrentStep() = std::move(step);
    UINT_PTR timer = SetTimer(nullptr, 0, 10, OnTick);
    HRESULT hr = open();
    KillTimer(nullptr, timer);
    CurrentStep() = nullptr;
    BoxRun run = CurrentRun();
    run.result = hr;
    return run;
}

} // namespace abouttest
