// The control's property page, created through the library's class factory.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace joystick {

// Creates a property page and queries it for riid (class-factory contract, no aggregation).
HRESULT CreatePropertyPage(REFIID riid, void** ppv) noexcept;

} // namespace joystick
