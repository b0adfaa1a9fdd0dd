// Setup.DLL: registers and unregisters self-registering libraries on behalf of Setup.EXE.
// Setup calls RegisterServer or UnregisterServer with the library's full path in the ANSI code
// page and asks IsOK right afterwards, so the outcome of the last call is all the state kept.
#include <windows.h>
#include <ole2.h>

namespace {

// Outcome of the last RegisterServer / UnregisterServer call; Setup runs on one thread.
LONG g_lastOutcome = 0;

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

// Loads the library with its own folder searched first for its dependencies, so a component
// finds the DLLs shipped beside it, and calls the named self-registration entry point with OLE
// initialised for the call.
bool CallServerEntry(const char* path, const char* entryName) noexcept {
    if (path == nullptr || *path == '\0')
        return false;
    HMODULE module = ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr)
        return false;
    bool ok = false;
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(::GetProcAddress(module, entryName)));
    if (entry != nullptr) {
        // S_FALSE means OLE was already initialised on this thread; the call still needs a
        // matching uninitialise. RPC_E_CHANGED_MODE leaves the thread as it was.
        const HRESULT init = ::OleInitialize(nullptr);
        ok = SUCCEEDED(entry());
        if (SUCCEEDED(init))
            ::OleUninitialize();
    }
    ::FreeLibrary(module);
    return ok;
}

} // namespace

// Exported undecorated through Setup.def.
extern "C" {

LONG WINAPI RegisterServer(const char* path) noexcept {
    g_lastOutcome = CallServerEntry(path, "DllRegisterServer") ? 1 : 0;
    return g_lastOutcome;
}

LONG WINAPI UnregisterServer(const char* path) noexcept {
    g_lastOutcome = CallServerEntry(path, "DllUnregisterServer") ? 1 : 0;
    return g_lastOutcome;
}

LONG WINAPI IsOK() noexcept {
    return g_lastOutcome;
}

} // extern "C"
