// The library's module entry points for a test program that builds one of the library's forms
// in: the program is the module, and the count lets a test see that every object went away.
#include "joystick/module_state.h"

namespace {
LONG g_moduleCount = 0;
}

namespace joystick {

HINSTANCE ModuleInstance() noexcept {
    return GetModuleHandleW(nullptr);
}
void ModuleAddRef() noexcept {
    InterlockedIncrement(&g_moduleCount);
}
void ModuleRelease() noexcept {
    InterlockedDecrement(&g_moduleCount);
}
LONG ModuleCount() noexcept {
    return g_moduleCount;
}

} // namespace joystick
