// The library's entry points: DllMain, the class factory behind DllGetClassObject, the object
// and lock count behind DllCanUnloadNow, and self-registration. The only place that knows
// every class of the library.
#include <windows.h>
#include <ole2.h>

#include "joystick/control/control.h"
#include "joystick/identifiers.h"
#include "joystick/module_state.h"
#include "joystick/property_page/property_page.h"
#include "joystick/registration.h"

namespace joystick {

namespace {

using CreateFn = HRESULT (*)(REFIID, void**) noexcept;

struct ClassEntry {
    const CLSID* clsid;
    CreateFn create;
};

const ClassEntry Classes[] = {
    {&CLSID_ControlJoystick, &CreateControl},
    {&CLSID_PropertyPageJoystick, &CreatePropertyPage},
};

class ClassFactory final : public ComObject<IClassFactory, IID_IClassFactory> {
public:
    explicit ClassFactory(CreateFn create) noexcept : create_(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return create_(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }

private:
    ~ClassFactory() override = default;
    CreateFn create_;
};

HRESULT ModulePath(wchar_t (&path)[MAX_PATH]) noexcept {
    const DWORD n = ::GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return E_FAIL;
    return S_OK;
}

} // namespace

} // namespace joystick

using namespace joystick;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        SetModuleInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary (not at process exit).
        UnregisterControlWindowClass();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (const ClassEntry& e : Classes) {
        if (*e.clsid == clsid) {
            auto* factory = new (std::nothrow) ClassFactory(e.create);
            if (!factory)
                return E_OUTOFMEMORY;
            HRESULT hr = factory->QueryInterface(riid, ppv);
            factory->Release();
            return hr;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return ModuleCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH];
    const HRESULT hr = ModulePath(path);
    return FAILED(hr) ? hr : RegisterServer(path);
}

STDAPI DllUnregisterServer() {
    wchar_t path[MAX_PATH];
    const HRESULT hr = ModulePath(path);
    return FAILED(hr) ? hr : UnregisterServer(path);
}
