#include "FormSupport.h"

#include "JoystickModule.h"

namespace joystick {

namespace {

constexpr wchar_t FormFontFace[] = L"MS UI Gothic";
constexpr int FormFontPoints = 9;

} // namespace

Bstr ReadWindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    Bstr text(::SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (text.get())
        ::GetWindowTextW(window, text.get(), length + 1);
    return text;
}

void FreeExcepInfo(EXCEPINFO& error) noexcept {
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    error.bstrSource = error.bstrDescription = error.bstrHelpFile = nullptr;
}

ScreenDpi ReadScreenDpi() noexcept {
    ScreenDpi dpi;
    if (HDC dc = ::GetDC(nullptr)) {
        dpi.x = ::GetDeviceCaps(dc, LOGPIXELSX);
        dpi.y = ::GetDeviceCaps(dc, LOGPIXELSY);
        ::ReleaseDC(nullptr, dc);
    }
    return dpi;
}

int TwipsToPixels(int twips, int dpi) noexcept {
    return ::MulDiv(twips, dpi, 1440);
}

RECT TwipsToPixels(const RECT& twips, ScreenDpi dpi) noexcept {
    return RECT{TwipsToPixels(twips.left, dpi.x), TwipsToPixels(twips.top, dpi.y),
                TwipsToPixels(twips.right, dpi.x), TwipsToPixels(twips.bottom, dpi.y)};
}

HFONT CreateFormFont(ScreenDpi dpi) noexcept {
    return ::CreateFontW(-::MulDiv(FormFontPoints, dpi.y, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                         SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, FormFontFace);
}

HWND CreateEmptyDialog(DWORD style, DWORD exStyle, HWND parent, DLGPROC proc, LPARAM param) noexcept {
    // No menu, the system's dialog class, no title: three zero words after the header.
    struct alignas(DWORD) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } tmpl = {{style, exStyle, 0, 0, 0, 0, 0}, 0, 0, 0};
    return ::CreateDialogIndirectParamW(ModuleInstance(), &tmpl.header, parent, proc, param);
}

HWND CreateLayoutControl(HWND parent, const ControlLayout& layout, ScreenDpi dpi, HGDIOBJ font) noexcept {
    const RECT at = TwipsToPixels(layout.twips, dpi);
    HWND control = ::CreateWindowExW(
        layout.exStyle, layout.windowClass, Wide(layout.caption), WS_CHILD | WS_VISIBLE | layout.style,
        at.left, at.top, at.right, at.bottom, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), ModuleInstance(), nullptr);
    if (control && font)
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

} // namespace joystick
