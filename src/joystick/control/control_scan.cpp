// The scan timer: a window timer of the control, ticking through the host thread's message
// loop, and the window class the timer window and the in-place window share.
#include "joystick/control/control.h"

#include <mmsystem.h>

#include "joystick/module_state.h"
#include "win/hresult.h"

using Microsoft::WRL::ComPtr;
using quorin::joystick::JoyReading;
using quorin::win::LastErrorOr;

namespace joystick {

namespace {

constexpr UINT_PTR TimerScanId = 1;
constexpr wchar_t WindowClassName[] = L"JoystickControlWindow";

// The joystick service, bound by name through the import library.
class WinmmReader final : public quorin::joystick::JoystickReader {
public:
    uint32_t Read(int32_t port, JoyReading& record) noexcept override {
        static_assert(sizeof(JoyReading) == sizeof(JOYINFO), "same record");
        return ::joyGetPos(static_cast<UINT>(port), reinterpret_cast<JOYINFO*>(&record));
    }
};

WinmmReader g_reader;

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* control = reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY)
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (control)
        return control->OnWindowMessage(hwnd, msg, wp, lp);
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterWindowClass() noexcept {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(ModuleInstance(), WindowClassName, &wc))
        return true;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = WindowClassName;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

quorin::joystick::JoystickReader& JoystickService() noexcept {
    return g_reader;
}

void UnregisterControlWindowClass() noexcept {
    ::UnregisterClassW(WindowClassName, ModuleInstance());
}

HWND Control::CreateControlWindow(DWORD style, const RECT& at, HWND parent) noexcept {
    if (!RegisterWindowClass())
        return nullptr;
    return ::CreateWindowExW(0, WindowClassName, L"", style, at.left, at.top, at.right - at.left,
                             at.bottom - at.top, parent, nullptr, ModuleInstance(), this);
}

HRESULT Control::EnsureTimerWindow() noexcept {
    if (timerWindow_)
        return S_OK;
    // A message-only window of the calling (the host's) thread: the timer ticks through that
    // thread's message loop whether or not the control has a container.
    timerWindow_ = CreateControlWindow(0, RECT{0, 0, 0, 0}, HWND_MESSAGE);
    return timerWindow_ ? S_OK : LastErrorOr(E_FAIL);
}

HRESULT Control::UpdateTimer() noexcept {
    // A timer with interval 0 never fires; a negative interval can only come from a property
    // bag and is treated the same way.
    if (!timerEnabled_ || interval_ <= 0) {
        if (timerWindow_)
            ::KillTimer(timerWindow_, TimerScanId);
        return S_OK;
    }
    HRESULT hr = EnsureTimerWindow();
    if (FAILED(hr))
        return hr;
    // Setting the same timer again restarts it at the new period.
    if (!::SetTimer(timerWindow_, TimerScanId, static_cast<UINT>(interval_), nullptr))
        return LastErrorOr(E_FAIL);
    return S_OK;
}

void Control::OnTimerTick() noexcept {
    // A handler that pumps messages (a modal box, say) would otherwise start a tick inside a
    // tick; the nested one is dropped and the next period catches up.
    if (ticking_)
        return;
    ComPtr<IControlJoystick> keepAlive(this);
    ticking_ = true;
    quorin::joystick::ScanTick(state_, settings_, g_reader, *this);
    ticking_ = false;
}

LRESULT Control::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
    case WM_TIMER:
        if (hwnd == timerWindow_ && wp == TimerScanId) {
            OnTimerTick();
            return 0;
        }
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        if (dc) {
            RECT r{0, 0, ControlSizePixels, ControlSizePixels};
            PaintFace(dc, r);
            ::EndPaint(hwnd, &ps);
        }
        return 0;
    }
    case WM_NCDESTROY:
        if (hwnd == timerWindow_)
            timerWindow_ = nullptr;
        if (hwnd == inPlaceWindow_)
            inPlaceWindow_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace joystick
