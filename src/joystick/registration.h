// Self-registration of the library found at `path`.
#pragma once

#include <windows.h>

namespace joystick {

// Writes the classes, the program identifier and the type libraries. A failure part-way takes
// back everything written before it and is returned.
HRESULT RegisterServer(const wchar_t* path) noexcept;
// Removes what RegisterServer writes; keys that another program added values or subkeys to
// stay. Nothing left to remove is no error.
HRESULT UnregisterServer(const wchar_t* path) noexcept;

} // namespace joystick
