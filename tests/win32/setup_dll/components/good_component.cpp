// A COM-less self-registering library for tests. Registering writes
// HKEY_CURRENT_USER\Software\Quorin Test Components\<own file name> with what the test checks:
// the library's own path, a value from the library it imports, and whether OLE was ready when
// the entry point ran. Unregistering deletes that key.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>

#ifdef QUORIN_TEST_STANDALONE
// The stand-alone build imports nothing of ours, for packages that list it without its library.
static LONG TestDependencyValue() {
    return 0;
}
#else
extern "C" __declspec(dllimport) LONG TestDependencyValue();
#endif

namespace {

HMODULE g_module = nullptr;

// Builds the component's key from its own file name, so copies under other names (an OCX in a
// package) register separately.
bool ComponentKey(char* key, size_t size, char* path, size_t pathSize) {
    DWORD n = ::GetModuleFileNameA(g_module, path, static_cast<DWORD>(pathSize));
    if (n == 0 || n >= pathSize)
        return false;
    const char* name = path;
    for (const char* p = path; *p; p = ::CharNextA(p))
        if (*p == '\\' || *p == '/')
            name = p + 1;
    const char prefix[] = "Software\\Quorin Test Components\\";
    if (sizeof(prefix) + std::strlen(name) > size)
        return false;
    std::strcpy(key, prefix);
    std::strcat(key, name);
    return true;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    char key[MAX_PATH + 64];
    char path[MAX_PATH];
    if (!ComponentKey(key, sizeof key, path, sizeof path))
        return E_UNEXPECTED;
    // S_FALSE: the caller initialised OLE on this thread before calling us.
    const HRESULT ole = ::OleInitialize(nullptr);
    const DWORD oleReady = ole == S_FALSE ? 1 : 0;
    if (SUCCEEDED(ole))
        ::OleUninitialize();
    HKEY hkey = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hkey, nullptr) !=
        ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    const DWORD dep = static_cast<DWORD>(TestDependencyValue());
    ::RegSetValueExA(hkey, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                     static_cast<DWORD>(std::strlen(path) + 1));
    ::RegSetValueExA(hkey, "Dependency", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dep), sizeof dep);
    ::RegSetValueExA(hkey, "OleReady", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&oleReady),
                     sizeof oleReady);
    ::RegCloseKey(hkey);
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    char key[MAX_PATH + 64];
    char path[MAX_PATH];
    if (!ComponentKey(key, sizeof key, path, sizeof path))
        return E_UNEXPECTED;
    LONG rc = ::RegDeleteKeyA(HKEY_CURRENT_USER, key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
