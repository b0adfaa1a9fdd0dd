// What the property-page tests share: the page's captions, a host window, and lookups of the
// page's controls. They drive the page through a site of their own (ocxtest::TestPageSite):
// the host's frame under Wine never applies.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "ocx_test_support.h"

namespace pagetest {

using namespace ocxtest;

// The page's captions, exactly as the page must show them.
inline const wchar_t* const LabelTitle = W(u"ジョイスティックに関するプロパティを変更できます");
inline const wchar_t* const FrameInterval = W(u"スキャン間隔(&S)");
inline const wchar_t* const Option1 = W(u"ジョイスティックの動作と操作感をよくする(&R)");
inline const wchar_t* const Option2 = W(u"タスク処理をスムーズにする(&T)");
inline const wchar_t* const Option0 = W(u"その他(&O) ");
inline const wchar_t* const LabelInfo = W(u"任意のスキャン間隔(&I)");
inline const wchar_t* const LabelInterval = W(u"ミリ秒");
inline const wchar_t* const CheckButton = W(u"ボタンを連続してスキャンする(&B)");
inline const wchar_t* const CheckCursor = W(u"カーソルを連続してスキャンする(&C)");
inline const wchar_t* const TabTitle = W(u"ｼﾞｮｲｽﾃｨｯｸ");

// A visible top-level window the pages live in, as a host's property frame would give them.
// One serves the whole test program: Wine waits two seconds for a window manager's answer when
// a visible top-level window goes away, and the test display runs none.
inline HWND SharedHostWindow() {
    static HWND host = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = L"PageTestHost";
        RegisterClassW(&wc);
        return CreateWindowExW(WS_EX_CONTROLPARENT, L"PageTestHost", L"page host", WS_POPUP | WS_VISIBLE, 0,
                               0, 440, 240, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }();
    SetForegroundWindow(host);
    return host;
}

// A frame inside the shared host, for a test that needs a frame of its own to go away.
class FrameWindow {
public:
    FrameWindow() {
        hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, L"PageTestHost", L"", WS_CHILD | WS_VISIBLE, 0, 0, 440,
                               240, SharedHostWindow(), nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;
    ~FrameWindow() { DestroyWindow(hwnd); }
    HWND hwnd = nullptr;
};

// The page window is the host's only child.
inline HWND PageWindow(HWND host) {
    return GetWindow(host, GW_CHILD);
}

// The one text box of the page.
inline HWND TextInterval(HWND page) {
    return EditChild(page);
}

inline void Click(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
}

inline bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Typing into the box: the text changes and the box notifies its page.
inline void Type(HWND edit, const wchar_t* text) {
    SetWindowTextW(edit, text);
}

inline RECT RectIn(HWND child, HWND parent) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace pagetest
