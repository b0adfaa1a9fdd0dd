// Layout units: forms are designed in twips (1/1440 inch) and OLE extents are in HIMETRIC
// (1/100 mm); both become pixels at the screen's resolution. A form's controls are laid out
// from a table in twips.
#pragma once

#include <windows.h>

namespace quorin::win {

struct ScreenDpi {
    int x = 96;
    int y = 96;
};

// The screen's resolution; 96 dpi when it cannot be read.
ScreenDpi ReadScreenDpi() noexcept;

int TwipsToPixels(int twips, int dpi) noexcept;
// Every field of a twips rectangle converted, horizontal ones with dpi.x, vertical with dpi.y.
RECT TwipsToPixels(const RECT& twips, ScreenDpi dpi) noexcept;
int PixelsToHimetric(int pixels, int dpi) noexcept;

// A font of `face` at `centipoints` hundredths of a point for the screen's resolution.
HFONT CreatePointFont(const wchar_t* face, int centipoints, int weight, BYTE charset, ScreenDpi dpi,
                      bool underline = false) noexcept;

// One child control as designed. A form's table lists them in creation order, which is the tab
// order.
struct ControlLayout {
    int id;
    const wchar_t* windowClass;
    const char16_t* caption;
    DWORD style;
    DWORD exStyle;
    RECT twips;   // left, top, width, height
    int font = 0; // index into the form's fonts, for a form with more than one
};

// Creates the control, visible, at its designed place for dpi, with font when there is one.
HWND CreateLayoutControl(HINSTANCE instance, HWND parent, const ControlLayout& layout, ScreenDpi dpi,
                         HGDIOBJ font) noexcept;

} // namespace quorin::win
