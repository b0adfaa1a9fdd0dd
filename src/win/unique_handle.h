// One move-only owner for every kind of handle the deliverables hold, with a policy per kind, and
// owners of device contexts and of an object selected into one.
#pragma once

#include <windows.h>

namespace quorin::win {

template <typename T, typename Policy>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T value) noexcept : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return Policy::IsValid(value_); }
    void reset(T value = Policy::Invalid()) noexcept {
        T old = value_;
        value_ = value;
        if (Policy::IsValid(old))
            Policy::Close(old);
    }
    T release() noexcept {
        T v = value_;
        value_ = Policy::Invalid();
        return v;
    }
    // For out-parameters: closes what is held first.
    T* put() noexcept {
        reset();
        return &value_;
    }

private:
    T value_ = Policy::Invalid();
};

struct HandlePolicy {
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandlePolicy {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandlePolicy {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct RegKeyPolicy {
    static HKEY Invalid() noexcept { return nullptr; }
    static bool IsValid(HKEY h) noexcept { return h != nullptr; }
    static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};
struct ModulePolicy {
    static HMODULE Invalid() noexcept { return nullptr; }
    static bool IsValid(HMODULE h) noexcept { return h != nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
struct GdiPolicy {
    static HGDIOBJ Invalid() noexcept { return nullptr; }
    static bool IsValid(HGDIOBJ h) noexcept { return h != nullptr; }
    static void Close(HGDIOBJ h) noexcept { ::DeleteObject(h); }
};
struct IconPolicy {
    static HICON Invalid() noexcept { return nullptr; }
    static bool IsValid(HICON h) noexcept { return h != nullptr; }
    static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
struct WindowPolicy {
    static HWND Invalid() noexcept { return nullptr; }
    static bool IsValid(HWND h) noexcept { return h != nullptr; }
    static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};

using UniqueHandleObj = UniqueHandle<HANDLE, HandlePolicy>;
using UniqueFile = UniqueHandle<HANDLE, FileHandlePolicy>;
using UniqueFind = UniqueHandle<HANDLE, FindHandlePolicy>;
using UniqueHKey = UniqueHandle<HKEY, RegKeyPolicy>;
using UniqueModule = UniqueHandle<HMODULE, ModulePolicy>;
using UniqueGdi = UniqueHandle<HGDIOBJ, GdiPolicy>;
using UniqueIcon = UniqueHandle<HICON, IconPolicy>;
using UniqueWindow = UniqueHandle<HWND, WindowPolicy>;


// The screen's device context, released when it goes.
class ScreenDc {
public:
    ScreenDc() noexcept : dc_(::GetDC(nullptr)) {}
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc_)
            ::ReleaseDC(nullptr, dc_);
    }
    HDC get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// A memory device context compatible with another, deleted when it goes.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) noexcept : dc_(::CreateCompatibleDC(compatibleWith)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc_)
            ::DeleteDC(dc_);
    }
    HDC get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back when it goes, so that
// the object can be deleted afterwards.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_)
            ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};


} // namespace quorin::win
