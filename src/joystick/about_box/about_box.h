// The copyright and version box behind the control's hidden About member.
#pragma once

#include <windows.h>

namespace joystick {

// Loads the box, shows it modally without an owner until it is hidden (OK), then unloads and
// releases it. Returns a failure HRESULT instead of throwing; the caller swallows it.
HRESULT ShowAboutBox() noexcept;

} // namespace joystick
