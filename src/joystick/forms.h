// What the About box and the property page share: the library's help file and their form font.
#pragma once

#include <windows.h>

#include <string>

#include "joystick/module_state.h"
#include "win/module_info.h"
#include "win/twips.h"

namespace joystick {

inline constexpr wchar_t HelpFileName[] = L"Joystick.HLP";

// The help file beside the library.
inline std::wstring HelpFilePath() {
    return quorin::win::ModuleFolder(ModuleInstance()) + HelpFileName;
}

// The forms' text font: "MS UI Gothic", 9 point, Shift JIS.
inline HFONT CreateFormFont(quorin::win::ScreenDpi dpi) noexcept {
    return quorin::win::CreatePointFont(L"MS UI Gothic", 900, FW_NORMAL, SHIFTJIS_CHARSET, dpi);
}

} // namespace joystick
