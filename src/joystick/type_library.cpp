#include "joystick/type_library.h"

#include <wrl/client.h>

#include "joystick/module_state.h"
#include "win/hresult.h"

namespace joystick {

std::wstring TypeLibraryPath(WORD resource) {
    wchar_t path[MAX_PATH + 8];
    const DWORD n = ::GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    if (resource != 1)
        wsprintfW(path + n, L"\\%u", static_cast<unsigned>(resource));
    return path;
}

HRESULT LoadTypeInfo(WORD resource, REFGUID guid, ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    try {
        const std::wstring path = TypeLibraryPath(resource);
        if (path.empty())
            return quorin::win::LastErrorOr(E_FAIL);
        Microsoft::WRL::ComPtr<ITypeLib> lib;
        const HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
        if (FAILED(hr))
            return hr;
        return lib->GetTypeInfoOfGuid(guid, info);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace joystick
