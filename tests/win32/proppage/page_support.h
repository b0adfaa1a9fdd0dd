// What the property-page tests share: a page site of their own (the host's frame under Wine
// never applies), a host window, and lookups of the page's controls by caption.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace pagetest {

// The page's captions, exactly as the page must show them.
inline const wchar_t* W(const char16_t* s) {
    return reinterpret_cast<const wchar_t*>(s);
}
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

// Records what the page reports to its site.
class TestPageSite final : public IPropertyPageSite {
public:
    std::vector<DWORD> statusChanges;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPageSite) {
            *ppv = static_cast<IPropertyPageSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; } // lives on the test's stack
    STDMETHODIMP OnStatusChange(DWORD flags) override {
        statusChanges.push_back(flags);
        return S_OK;
    }
    STDMETHODIMP GetLocaleID(LCID* locale) override {
        if (!locale)
            return E_POINTER;
        *locale = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP GetPageContainer(IUnknown** container) override {
        if (container)
            *container = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

    bool SawDirty() const {
        for (DWORD f : statusChanges)
            if (f & PROPPAGESTATUS_DIRTY)
                return true;
        return false;
    }
    ULONG refs = 1;
};

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

// Wine waits up to two seconds for a window manager's answer whenever a shown top-level window
// is hidden, and the test display runs no window manager. Asking Wine, for this program only, to
// leave its windows unmanaged removes the wait (and lets Wine draw the title bars itself). The
// setting is read when the display driver starts, so a global object sets it before main, and
// removes it at exit.
class UnmanagedWindowsForThisProgram {
public:
    UnmanagedWindowsForThisProgram() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name = path;
        name = name.substr(name.find_last_of(L"\\/") + 1);
        key_ = L"Software\\Wine\\AppDefaults\\" + name;
        RegSetKeyValueW(HKEY_CURRENT_USER, (key_ + L"\\X11 Driver").c_str(), L"Managed", REG_SZ, L"N", 4);
    }
    ~UnmanagedWindowsForThisProgram() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::wstring key_;
};

// The page window is the host's only child.
inline HWND PageWindow(HWND host) {
    return GetWindow(host, GW_CHILD);
}

inline std::wstring Text(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(window, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(c);
    return out;
}

inline HWND ChildByText(HWND parent, const wchar_t* text) {
    for (HWND c : Children(parent))
        if (Text(c) == text)
            return c;
    return nullptr;
}

// The one text box of the page.
inline HWND TextInterval(HWND page) {
    for (HWND c : Children(page))
        if (_wcsicmp(ClassOf(c).c_str(), L"Edit") == 0)
            return c;
    return nullptr;
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
