// Module-wide state of the control library: its instance handle and the count of live objects
// and server locks behind DllCanUnloadNow.
#pragma once

#include <windows.h>

namespace joystick {

HINSTANCE ModuleInstance() noexcept;
// Every COM object of the library calls ModuleAddRef in its constructor and ModuleRelease in
// its destructor; IClassFactory::LockServer uses the same pair.
void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
LONG ModuleCount() noexcept;

} // namespace joystick
