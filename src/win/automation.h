// Owners of the automation values COM code hands around: BSTRs, VARIANTs and the strings of an
// exception record; and the UTF-16 texts the forms hand to the system.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace quorin::win {

// Captions are kept as UTF-16 literals; on this platform wchar_t is the same 16-bit unit.
inline const wchar_t* Wide(const char16_t* s) noexcept {
    return reinterpret_cast<const wchar_t*>(s);
}

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

// The text of a window as a new BSTR, or null when it cannot be allocated.
inline Bstr ReadWindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    Bstr text(::SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (text.get())
        ::GetWindowTextW(window, text.get(), length + 1);
    return text;
}

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

// Frees the strings an IDispatch::Invoke failure left in its exception record.
inline void FreeExcepInfo(EXCEPINFO& error) noexcept {
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    error.bstrSource = error.bstrDescription = error.bstrHelpFile = nullptr;
}

} // namespace quorin::win
