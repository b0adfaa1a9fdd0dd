// The type libraries the module carries as "TYPELIB" resources.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include <wrl/client.h>

namespace joystick {

// The name LoadTypeLib reads the library of resource `resource` of this module by: the module's
// path, followed by "\<n>" for any resource but the first. Empty when the path is too long.
std::wstring TypeLibraryPath(WORD resource);

// Loads the type information for guid from the library of resource `resource`, registering
// nothing.
HRESULT LoadTypeInfo(WORD resource, REFGUID guid, ITypeInfo** info) noexcept;

// IDispatch for an object of this module, answered from the type information of its interface in
// the library of resource `resource`, loaded at first use. GetTypeInfo hands out what the library
// gives for the interface (a dual interface's dispatch side); names and calls go through the
// vtable side. A host's arrays are checked before the platform reads them.
class TypeInfoDispatch {
public:
    TypeInfoDispatch(WORD resource, const IID& iid) noexcept : resource_(resource), iid_(iid) {}

    static HRESULT GetTypeInfoCount(UINT* count) noexcept;
    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) noexcept;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) noexcept;
    // `object` is the interface pointer whose vtable the type information describes.
    HRESULT Invoke(void* object, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr) noexcept;

private:
    HRESULT Load() noexcept;

    const WORD resource_;
    const IID iid_;
    Microsoft::WRL::ComPtr<ITypeInfo> described_; // as the library gives it
    Microsoft::WRL::ComPtr<ITypeInfo> vtable_;    // the side Invoke and GetIDsOfNames use
};

} // namespace joystick
