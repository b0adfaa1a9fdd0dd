// What the About box and the property page share: owners for the automation values they hand
// to other objects, and their child controls, laid out in twips and built from a table.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace joystick {

inline constexpr wchar_t HelpFileName[] = L"Joystick.HLP";

// Captions are kept as UTF-16 literals; on this platform wchar_t is the same 16-bit unit.
inline const wchar_t* Wide(const char16_t* s) noexcept {
    return reinterpret_cast<const wchar_t*>(s);
}

// Owner of a BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(BSTR s) noexcept : value_(s) {}
    Bstr(Bstr&& other) noexcept : value_(other.release()) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other)
            *put() = other.release();
        return *this;
    }
    ~Bstr() { ::SysFreeString(value_); }
    BSTR get() const noexcept { return value_; }
    // For an out parameter: what was held is freed first.
    BSTR* put() noexcept {
        ::SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    BSTR release() noexcept {
        BSTR v = value_;
        value_ = nullptr;
        return v;
    }

private:
    BSTR value_ = nullptr;
};

// A VARIANT cleared when it goes.
class Variant {
public:
    Variant() noexcept { ::VariantInit(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&value_); }
    VARIANT* get() noexcept { return &value_; }
    VARIANT* operator->() noexcept { return &value_; }

private:
    VARIANT value_;
};

// The text of a window as a new BSTR, or null when it cannot be allocated.
Bstr ReadWindowText(HWND window);

// Frees the strings an IDispatch::Invoke failure left in its exception record.
void FreeExcepInfo(EXCEPINFO& error) noexcept;

struct ScreenDpi {
    int x = 96;
    int y = 96;
};

ScreenDpi ReadScreenDpi() noexcept;

int TwipsToPixels(int twips, int dpi) noexcept;
// Every field of a twips rectangle converted, horizontal ones with dpi.x, vertical with dpi.y.
RECT TwipsToPixels(const RECT& twips, ScreenDpi dpi) noexcept;

// The forms' text font: "MS UI Gothic", 9 point, Shift JIS.
HFONT CreateFormFont(ScreenDpi dpi) noexcept;

// A dialog without a template's controls, made from style bits alone; the form creates its
// controls in WM_INITDIALOG, and the dialog manager still handles their tab order and access keys.
HWND CreateEmptyDialog(DWORD style, DWORD exStyle, HWND parent, DLGPROC proc, LPARAM param) noexcept;

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
HWND CreateLayoutControl(HWND parent, const ControlLayout& layout, ScreenDpi dpi, HGDIOBJ font) noexcept;

} // namespace joystick
