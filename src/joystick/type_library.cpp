#include "joystick/type_library.h"

#include <wrl/client.h>

#include "joystick/module_state.h"
#include "win/dispatch.h"
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

HRESULT TypeInfoDispatch::Load() noexcept {
    if (vtable_)
        return S_OK;
    Microsoft::WRL::ComPtr<ITypeInfo> described, vtable;
    HRESULT hr = LoadTypeInfo(resource_, iid_, &described);
    if (FAILED(hr))
        return hr;
    // A dual interface comes back as its dispatch side; Invoke needs the vtable side.
    HREFTYPE ref = 0;
    if (SUCCEEDED(described->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
        hr = described->GetRefTypeInfo(ref, &vtable);
    else
        vtable = described;
    if (FAILED(hr))
        return hr;
    described_ = described;
    vtable_ = vtable;
    return S_OK;
}

HRESULT TypeInfoDispatch::GetTypeInfoCount(UINT* count) noexcept {
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TypeInfoDispatch::GetTypeInfo(UINT index, ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    const HRESULT hr = Load();
    if (FAILED(hr))
        return hr;
    *info = described_.Get();
    described_->AddRef();
    return S_OK;
}

HRESULT TypeInfoDispatch::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) noexcept {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = quorin::win::CheckNameArrays(names, count, ids);
    if (SUCCEEDED(hr))
        hr = Load();
    if (FAILED(hr))
        return hr;
    return vtable_->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoDispatch::Invoke(void* object, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = Load();
    if (SUCCEEDED(hr))
        hr = quorin::win::CheckArgumentFrame(vtable_.Get(), id, flags, params);
    if (FAILED(hr))
        return hr;
    return vtable_->Invoke(object, id, flags, params, result, excep, argErr);
}

} // namespace joystick
