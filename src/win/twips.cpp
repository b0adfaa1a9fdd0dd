#include "win/twips.h"

#include "win/unique_handle.h"

namespace quorin::win {

namespace {

constexpr int TwipsPerInch = 1440;
constexpr int HimetricPerInch = 2540;
constexpr int CentipointsPerInch = 7200;

} // namespace

ScreenDpi ReadScreenDpi() noexcept {
    ScreenDpi dpi;
    ScreenDc screen;
    if (screen.get()) {
        dpi.x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
        dpi.y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    if (dpi.x <= 0 || dpi.y <= 0)
        dpi = ScreenDpi{};
    return dpi;
}

int TwipsToPixels(int twips, int dpi) noexcept {
    return ::MulDiv(twips, dpi, TwipsPerInch);
}

RECT TwipsToPixels(const RECT& twips, ScreenDpi dpi) noexcept {
    return RECT{TwipsToPixels(twips.left, dpi.x), TwipsToPixels(twips.top, dpi.y),
                TwipsToPixels(twips.right, dpi.x), TwipsToPixels(twips.bottom, dpi.y)};
}

int PixelsToHimetric(int pixels, int dpi) noexcept {
    return ::MulDiv(pixels, HimetricPerInch, dpi);
}

HFONT CreatePointFont(const wchar_t* face, int centipoints, int weight, BYTE charset, ScreenDpi dpi,
                      bool underline) noexcept {
    return ::CreateFontW(-::MulDiv(centipoints, dpi.y, CentipointsPerInch), 0, 0, 0, weight, FALSE, underline, FALSE,
                         charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
}

HWND CreateLayoutControl(HINSTANCE instance, HWND parent, const ControlLayout& layout, ScreenDpi dpi,
                         HGDIOBJ font) noexcept {
    const RECT at = TwipsToPixels(layout.twips, dpi);
    HWND control = ::CreateWindowExW(layout.exStyle, layout.windowClass,
                                     reinterpret_cast<const wchar_t*>(layout.caption),
                                     WS_CHILD | WS_VISIBLE | layout.style, at.left, at.top, at.right, at.bottom,
                                     parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance,
                                     nullptr);
    if (control && font)
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

} // namespace quorin::win
