// The library's entry points: DllMain, the class factory behind DllGetClassObject, the object
// and lock count behind DllCanUnloadNow, and self-registration.
#include "JoystickModule.h"

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "ComObject.h"
#include "ControlJoystick.h"
#include "JoystickIds.h"
#include "PropertyPageJoystick.h"
#include "typelib/JoystickTypeLib.h"
#include "winsupport/unique_handle.h"

using Microsoft::WRL::ComPtr;
using quorin::win::UniqueHKey;

namespace joystick {

namespace {

HINSTANCE g_instance = nullptr;
LONG g_count = 0;

using CreateFn = HRESULT (*)(REFIID, void**) noexcept;

struct ClassEntry {
    const CLSID* clsid;
    CreateFn create;
};

const ClassEntry g_classes[] = {
    {&CLSID_ControlJoystick, &CreateControlJoystick},
    {&CLSID_PropertyPageJoystick, &CreatePropertyPageJoystick},
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

// Registration -----------------------------------------------------------------------------------

constexpr wchar_t Description[] = L"Ombrel's Gantrel";
constexpr wchar_t ProgId[] = L"Joystick.ControlJoystick";

void GuidText(const GUID& g, wchar_t (&out)[40]) noexcept {
    if (::StringFromGUID2(g, out, 40) == 0)
        out[0] = L'\0';
}

// One registry value that registration writes; name nullptr is the key's default value.
struct RegValue {
    std::wstring key;
    const wchar_t* name;
    std::wstring data;
};

std::vector<RegValue> RegistryEntries(const wchar_t* path) {
    wchar_t control[40], page[40], lib[40];
    GuidText(CLSID_ControlJoystick, control);
    GuidText(CLSID_PropertyPageJoystick, page);
    GuidText(LIBID_Joystick, lib);
    const std::wstring c = std::wstring(L"CLSID\\") + control;
    const std::wstring misc = std::to_wstring(0x24591);
    wchar_t version[16];
    wsprintfW(version, L"%u.%u", LibVersionMajor, LibVersionMinor);
    std::vector<RegValue> v = {
        {c, nullptr, Description},
        {c + L"\\InprocServer32", nullptr, path},
        {c + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {c + L"\\ProgID", nullptr, ProgId},
        {c + L"\\VersionIndependentProgID", nullptr, ProgId},
        {c + L"\\Control", nullptr, L""},
        {c + L"\\ToolboxBitmap32", nullptr, std::wstring(path) + L", 30000"},
        {c + L"\\MiscStatus", nullptr, misc},
        {c + L"\\MiscStatus\\1", nullptr, misc},
        {c + L"\\TypeLib", nullptr, lib},
        {c + L"\\Version", nullptr, version},
        {ProgId, nullptr, Description},
        {std::wstring(ProgId) + L"\\CLSID", nullptr, control},
    };
    const std::wstring p = std::wstring(L"CLSID\\") + page;
    v.push_back({p, nullptr, Description});
    v.push_back({p + L"\\InprocServer32", nullptr, path});
    v.push_back({p + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});

    // The hyperlink library gets only its TypeLib key, which is how the control's library finds
    // its import. Its one interface belongs to the container: RegisterTypeLib would point the
    // system's Interface key of it at this file, and unregistering would delete that key from
    // under the container that owns it.
    wchar_t hlib[40];
    GuidText(LIBID_JoystickHyperlink, hlib);
    wchar_t hversion[16];
    wsprintfW(hversion, L"%u.%u", HyperlinkLibVersionMajor, HyperlinkLibVersionMinor);
    wchar_t hlcid[16];
    wsprintfW(hlcid, L"%x", static_cast<unsigned>(HyperlinkLibLocale));
    std::wstring folder = path;
    if (const size_t slash = folder.rfind(L'\\'); slash != std::wstring::npos)
        folder.resize(slash);
    const std::wstring h = std::wstring(L"TypeLib\\") + hlib + L"\\" + hversion;
    v.push_back({h, nullptr, L"JoystickHyperlink"});
    v.push_back({h + L"\\" + hlcid + L"\\win32", nullptr,
                 std::wstring(path) + L"\\" + std::to_wstring(TypeLibResourceHyperlink)});
    v.push_back({h + L"\\FLAGS", nullptr, L"0"});
    v.push_back({h + L"\\HELPDIR", nullptr, folder});
    return v;
}

HRESULT WriteValue(const RegValue& r) noexcept {
    UniqueHKey key;
    LONG e = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, r.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (e != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(e);
    const DWORD bytes = static_cast<DWORD>((r.data.size() + 1) * sizeof(wchar_t));
    e = ::RegSetValueExW(key.get(), r.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(r.data.c_str()), bytes);
    return e == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(e);
}

// Deletes the value, then the key and its parents up to the first level, as long as each is
// empty: whatever another program added under the same keys stays.
void RemoveValue(const RegValue& r) noexcept {
    {
        UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, r.key.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
            ::RegDeleteValueW(key.get(), r.name);
    }
    std::wstring path = r.key;
    for (;;) {
        {
            UniqueHKey key;
            if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
                ERROR_SUCCESS)
                return;
            DWORD subkeys = 0, values = 0;
            if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                   nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
                subkeys != 0 || values != 0)
                return;
        }
        if (::RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str()) != ERROR_SUCCESS)
            return;
        const size_t slash = path.rfind(L'\\');
        // "CLSID" and "TypeLib" themselves are never ours to remove.
        if (slash == std::wstring::npos || path.compare(0, slash, L"CLSID") == 0 ||
            path.compare(0, slash, L"TypeLib") == 0)
            return;
        path.resize(slash);
    }
}

HRESULT ModulePath(wchar_t (&path)[MAX_PATH]) noexcept {
    const DWORD n = ::GetModuleFileNameW(g_instance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return E_FAIL;
    return S_OK;
}

HRESULT RegisterLibrary(const wchar_t* path, WORD resource) noexcept {
    wchar_t full[MAX_PATH + 8];
    if (resource == 1)
        lstrcpynW(full, path, MAX_PATH);
    else
        wsprintfW(full, L"%s\\%u", path, static_cast<unsigned>(resource));
    ComPtr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(full, REGKIND_NONE, &lib);
    if (FAILED(hr))
        return hr;
    // The help folder is the library's own folder.
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, path, MAX_PATH);
    if (wchar_t* slash = wcsrchr(folder, L'\\'))
        *slash = L'\0';
    return ::RegisterTypeLib(lib.Get(), full, folder);
}

// Deletes a key and its subkeys, which have none of their own (an interface's key).
void DeleteKeyOfLeaves(const std::wstring& path) noexcept {
    {
        UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.put()) !=
            ERROR_SUCCESS)
            return;
        wchar_t name[256];
        DWORD length = 256;
        // Always the first: each deletion moves the rest up.
        while (::RegEnumKeyExW(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                   ERROR_SUCCESS &&
               ::RegDeleteKeyW(key.get(), name) == ERROR_SUCCESS)
            length = 256;
    }
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
}

// The system registers each interface of the library under "Interface", and unregistering the
// library finds them through the library's own key. When registering the library failed
// part-way, that key can be missing while interface keys exist; those that still name this
// library are removed here.
void RemoveInterfaceKeys(const wchar_t* path) noexcept {
    ComPtr<ITypeLib> lib;
    if (FAILED(::LoadTypeLibEx(path, REGKIND_NONE, &lib)))
        return;
    wchar_t libid[40];
    GuidText(LIBID_Joystick, libid);
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind{};
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH) ||
            FAILED(lib->GetTypeInfo(i, &info)) || FAILED(info->GetTypeAttr(&attr)))
            continue;
        wchar_t iid[40];
        GuidText(attr->guid, iid);
        info->ReleaseTypeAttr(attr);
        const std::wstring key = std::wstring(L"Interface\\") + iid;
        wchar_t owner[40] = {};
        DWORD size = sizeof owner - sizeof(wchar_t);
        UniqueHKey typeLibKey;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (key + L"\\TypeLib").c_str(), 0, KEY_QUERY_VALUE,
                            typeLibKey.put()) == ERROR_SUCCESS &&
            ::RegQueryValueExW(typeLibKey.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(owner),
                               &size) == ERROR_SUCCESS &&
            ::lstrcmpiW(owner, libid) == 0) {
            typeLibKey.reset();
            DeleteKeyOfLeaves(key);
        }
    }
}

HRESULT UnregisterAll(const wchar_t* path) noexcept {
    // The control's library first: unregistering it loads it, and loading it resolves its
    // import, which must still find the hyperlink library's key (a fallback load by file
    // name would register that library again).
    ::UnRegisterTypeLib(LIBID_Joystick, LibVersionMajor, LibVersionMinor, LibLocale, SYS_WIN32);
    RemoveInterfaceKeys(path);
    try {
        for (const RegValue& r : RegistryEntries(path))
            RemoveValue(r);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace

HINSTANCE ModuleInstance() noexcept {
    return g_instance;
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

using namespace joystick;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
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
    for (const ClassEntry& e : g_classes) {
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
    HRESULT hr = ModulePath(path);
    if (FAILED(hr))
        return hr;
    try {
        // The entries (with the hyperlink library's key) before the control's library, which
        // imports that library by registration; any failure undoes everything below.
        hr = S_OK;
        for (const RegValue& r : RegistryEntries(path)) {
            hr = WriteValue(r);
            if (FAILED(hr))
                break;
        }
        if (SUCCEEDED(hr))
            hr = RegisterLibrary(path, TypeLibResourceControl);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    // No half registration: what was written is taken back.
    if (FAILED(hr))
        UnregisterAll(path);
    return hr;
}

STDAPI DllUnregisterServer() {
    wchar_t path[MAX_PATH];
    HRESULT hr = ModulePath(path);
    if (FAILED(hr))
        return hr;
    return UnregisterAll(path);
}
