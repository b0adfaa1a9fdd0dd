#include "joystick/module_state.h"

namespace joystick {

namespace {

HINSTANCE g_instance = nullptr;
LONG g_count = 0;

} // namespace

HINSTANCE ModuleInstance() noexcept {
    return g_instance;
}

void SetModuleInstance(HINSTANCE instance) noexcept {
    g_instance = instance;
}

void ModuleAddRef() noexcept {
    ::InterlockedIncrement(&g_count);
}

void ModuleRelease() noexcept {
    ::InterlockedDecrement(&g_count);
}

LONG ModuleCount() noexcept {
    return g_count;
}

} // namespace joystick
