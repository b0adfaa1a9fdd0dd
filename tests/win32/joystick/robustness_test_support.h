// Shared pieces of the control's robustness tests: the library loaded once for the whole
// program (no registration needed), a closer for the About box's modal loop, a message pump,
// and the process's resource counts.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <winternl.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "joystick/interfaces.h"
#include "ocx_test_support.h"

namespace robust {

using namespace ocxtest;

// Joystick.OCX for the whole test program, loaded by OcxEnvironment.
inline std::optional<OcxLibrary> g_ocx;

// The apartment and the library around all of a program's tests. At the end every object the
// tests made, and every object a member handed out, is gone.
class OcxEnvironment : public testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        g_ocx.emplace();
        ASSERT_NE(g_ocx->get(), nullptr) << "Joystick.OCX must be beside the test program";
    }
    void TearDown() override {
        if (g_ocx && g_ocx->get()) {
            EXPECT_EQ(g_ocx->CanUnloadNow(), S_OK);
        }
        CoUninitialize();
    }
};

// Answers OK on every dialog box this thread shows (the About box), from a thread timer that
// the box's own modal loop dispatches.
class BoxCloser {
public:
    BoxCloser() { timer_ = SetTimer(nullptr, 0, 20, &BoxCloser::Tick); }
    ~BoxCloser() { KillTimer(nullptr, timer_); }
    static LONG closed;

private:
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM) {
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (IsWindowVisible(hwnd) && lstrcmpW(cls, L"#32770") == 0 && GetParent(hwnd) == nullptr) {
            PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            InterlockedIncrement(&closed);
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        EnumThreadWindows(GetCurrentThreadId(), &BoxCloser::Visit, 0);
    }
    UINT_PTR timer_ = 0;
};
inline LONG BoxCloser::closed = 0;

// Dispatches this thread's messages for about `ms` milliseconds (timer ticks arrive this way).
inline void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

// The process's kernel handles, GDI objects and windows. GetProcessHandleCount and
// GetGuiResources are used where they answer; Wine's answer 0, and then the counts come from
// probing the handle values, the GDI handle table the PEB points to, and the windows of this
// thread (top-level, message-only and every child).
struct ResourceCounts {
    long handles = 0, gdi = 0, user = 0;
    bool operator==(const ResourceCounts& o) const {
        return handles == o.handles && gdi == o.gdi && user == o.user;
    }
};

inline long ProbeHandles() {
    long n = 0;
    DWORD flags = 0;
    for (ULONG_PTR h = 4; h < 0x8000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags))
            ++n;
    return n;
}

#pragma pack(push, 4)
struct GdiTableEntry { // the layout of PEB::GdiSharedHandleTable entries (32-bit)
    unsigned long long object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    unsigned long long user;
};
#pragma pack(pop)
static_assert(sizeof(GdiTableEntry) == 24, "GDI table entry layout");

inline long CountGdiTable() {
    const BYTE* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const auto* table = *reinterpret_cast<GdiTableEntry* const*>(peb + 0x94); // GdiSharedHandleTable
    if (!table)
        return -1;
    // Only consulted where GetGuiResources does not answer (Wine), whose table is per process.
    long n = 0;
    for (int i = 0; i < 0x10000; ++i)
        if (table[i].type != 0)
            ++n;
    return n;
}

inline BOOL CALLBACK CountChildren(HWND, LPARAM lp) {
    ++*reinterpret_cast<long*>(lp);
    return TRUE;
}

inline BOOL CALLBACK CountTree(HWND hwnd, LPARAM lp) {
    ++*reinterpret_cast<long*>(lp);
    EnumChildWindows(hwnd, &CountChildren, lp);
    return TRUE;
}

inline long CountThreadWindows() {
    long n = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountTree, reinterpret_cast<LPARAM>(&n));
    // Message-only windows are not enumerated above.
    for (HWND h = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
         h = FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr))
        if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId())
            CountTree(h, reinterpret_cast<LPARAM>(&n));
    return n;
}

inline ResourceCounts Measure() {
    ResourceCounts c;
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    c.handles = handles ? static_cast<long>(handles) : ProbeHandles();
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.gdi = gdi ? static_cast<long>(gdi) : CountGdiTable();
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    c.user = user ? static_cast<long>(user) : CountThreadWindows();
    return c;
}

} // namespace robust
