// The type-library identifiers the control and its registration need. They come from the
// generated libraries' header; until that folder is part of the checkout the same values are
// defined here so the control still builds (without a type library it registers nothing).
#pragma once

#include <windows.h>

#if __has_include("typelib/JoystickTypeLib.h")
#include "typelib/JoystickTypeLib.h"
#else
namespace joystick {
inline constexpr WORD TypeLibResourceControl = 1;
inline constexpr WORD TypeLibResourceHyperlink = 2;
// {3A158410-718C-4862-8341-29DAAC02F924}
inline constexpr GUID LIBID_JoystickHyperlink = {
    0x3A158410, 0x718C, 0x4862, {0x83, 0x41, 0x29, 0xDA, 0xAC, 0x02, 0xF9, 0x24}};
inline constexpr WORD HyperlinkLibVersionMajor = 1;
inline constexpr WORD HyperlinkLibVersionMinor = 0;
inline constexpr LCID HyperlinkLibLocale = 0x0409;
} // namespace joystick
#endif
