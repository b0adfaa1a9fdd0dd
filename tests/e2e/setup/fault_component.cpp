// The self-registering library of Setup's tests. Registering records the library's own path
// under HKEY_CURRENT_USER\Software\Quorin Fault Component and unregistering deletes that key, so
// a round trip leaves the registry as it found it. Built with QUORIN_FAULT_CHECKS_HOST it needs
// what Setup.DLL owes a component: a library shipped only beside it is imported, and whether OLE
// was ready when the entry point ran is recorded too. Built with QUORIN_FAULT_REFUSES both entry
// points fail, as a component's do when its registration is refused.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#ifdef QUORIN_FAULT_CHECKS_HOST
extern "C" __declspec(dllimport) LONG TestDependencyValue();
#endif

namespace {

HMODULE g_module = nullptr;
const wchar_t kKey[] = L"Software\\Quorin Fault Component";

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
#ifdef QUORIN_FAULT_REFUSES
    return E_FAIL;
#endif
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH ||
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Path", REG_SZ, path, (n + 1) * sizeof(wchar_t)) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
#ifdef QUORIN_FAULT_CHECKS_HOST
    // S_FALSE: the caller initialised OLE on this thread before calling us.
    const HRESULT ole = ::OleInitialize(nullptr);
    if (SUCCEEDED(ole))
        ::OleUninitialize();
    const DWORD oleReady = ole == S_FALSE;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"OleReady", REG_DWORD, &oleReady, sizeof oleReady);
    return TestDependencyValue() == 4711 ? S_OK : SELFREG_E_CLASS;
#else
    return S_OK;
#endif
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
#ifdef QUORIN_FAULT_REFUSES
    return E_FAIL;
#endif
    const LONG rc = ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
