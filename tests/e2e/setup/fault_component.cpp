// A self-registering library for the fault cases. Registering records its own path under
// HKEY_CURRENT_USER\Software\Quorin Fault Component and unregistering deletes that key, so an
// install and an uninstall leave the registry as they found it. While the registering process
// has QUORIN_REFUSE_REGISTRATION in its environment both entry points fail with E_FAIL, as a
// component does when its registration is refused; clearing the variable removes the fault.
// Built with QUORIN_FAULT_KEEPS_KEY, unregistering reports success but leaves the key behind, as
// a component does whose unregistration forgets what its registration wrote.
#include <windows.h>
#include <olectl.h>

#include <cstring>

namespace {

HMODULE g_module = nullptr;
const char kKey[] = "Software\\Quorin Fault Component";

bool Refused() {
    return ::GetEnvironmentVariableA("QUORIN_REFUSE_REGISTRATION", nullptr, 0) != 0;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    if (Refused())
        return E_FAIL;
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return E_UNEXPECTED;
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    const LONG rc = ::RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                                     static_cast<DWORD>(std::strlen(path) + 1));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    if (Refused())
        return E_FAIL;
#ifdef QUORIN_FAULT_KEEPS_KEY
    return S_OK;
#else
    const LONG rc = ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
#endif
}
