// Owners of device contexts and of an object selected into one.
#pragma once

#include <windows.h>

namespace quorin::win {

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
