// The container hyperlink object the control's hidden Hyperlink member returns.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "joystick/interfaces.h"

namespace joystick {

// It navigates through the hyperlink frame of the container whose site is `site` (the one the
// control sat in when the object was made), or through the shell when there is none.
HRESULT CreateContainerHyperlink(IOleClientSite* site, IContainerHyperlink** out) noexcept;

} // namespace joystick
