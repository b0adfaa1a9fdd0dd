#include "win/dialog.h"

#include <vector>

namespace quorin::win {

namespace {

// While a modal box shows, the thread's other top-level windows take no input.
class ThreadWindowsDisabled {
public:
    explicit ThreadWindowsDisabled(HWND except) : except_(except) {
        ::EnumThreadWindows(::GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
        for (HWND window : windows_)
            ::EnableWindow(window, FALSE);
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;
    ~ThreadWindowsDisabled() {
        for (HWND window : windows_)
            if (::IsWindow(window))
                ::EnableWindow(window, TRUE);
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) {
        auto* me = reinterpret_cast<ThreadWindowsDisabled*>(self);
        if (window != me->except_ && ::IsWindowVisible(window) && ::IsWindowEnabled(window))
            me->windows_.push_back(window);
        return TRUE;
    }
    HWND except_;
    std::vector<HWND> windows_;
};

void DispatchUntilHidden(HWND box) {
    MSG msg;
    while (::IsWindow(box) && ::IsWindowVisible(box)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            return;
        if (got == 0) {
            // The host is quitting: end the box and let its loop see the quit too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!::IsDialogMessageW(box, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

} // namespace

HWND CreateEmptyDialog(HINSTANCE instance, DWORD style, DWORD exStyle, HWND parent, DLGPROC proc,
                       LPARAM param) noexcept {
    // No menu, the system's dialog class, no title: three zero words after the header.
    struct alignas(DWORD) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } tmpl = {{style, exStyle, 0, 0, 0, 0, 0}, 0, 0, 0};
    return ::CreateDialogIndirectParamW(instance, &tmpl.header, parent, proc, param);
}

void RunModalUntilHidden(HWND box) {
    HWND previous = ::GetActiveWindow();
    {
        ThreadWindowsDisabled disabled(box);
        ::ShowWindow(box, SW_SHOWNORMAL);
        ::SetForegroundWindow(box);
        DispatchUntilHidden(box);
    }
    if (previous && ::IsWindow(previous))
        ::SetActiveWindow(previous);
}

} // namespace quorin::win
