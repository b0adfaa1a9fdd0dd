// Module-wide state of the control library: its instance handle, and the count of live
// objects and server locks behind DllCanUnloadNow. A leaf: every object of the library counts
// itself here, and only the server knows the classes.
#pragma once

#include <windows.h>

#include "win/com_object.h"

namespace joystick {

HINSTANCE ModuleInstance() noexcept;
void SetModuleInstance(HINSTANCE instance) noexcept;

// Every COM object of the library calls ModuleAddRef in its constructor and ModuleRelease in
// its destructor; IClassFactory::LockServer uses the same pair.
void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
LONG ModuleCount() noexcept;

struct ModuleLock {
    static void Lock() noexcept { ModuleAddRef(); }
    static void Unlock() noexcept { ModuleRelease(); }
};

// A single-vtable COM object of this library.
template <typename Itf, const IID&... Iids> using ComObject = quorin::win::ComObject<ModuleLock, Itf, Iids...>;

} // namespace joystick
