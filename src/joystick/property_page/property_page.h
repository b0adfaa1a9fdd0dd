// The control's property page, created through the library's class factory.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace joystick {

// Creates a PropertyPageJoystick and queries it for riid (same contract as CreateInstance of a
// class factory without aggregation).
HRESULT CreatePropertyPageJoystick(REFIID riid, void** ppv) noexcept;

} // namespace joystick
