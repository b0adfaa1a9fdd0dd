// Self-registration: the registry entries of the two classes, the program identifier and the
// hyperlink library, then the control's type library; and their removal, which keeps whatever
// another program added under the same keys.
#include "joystick/registration.h"

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "joystick/identifiers.h"
#include "win/unique_handle.h"

using Microsoft::WRL::ComPtr;
using quorin::win::UniqueHKey;

namespace joystick {

namespace {

constexpr wchar_t Description[] = L"Ombrel's Gantrel";
constexpr wchar_t ProgId[] = L"Joystick.ControlJoystick";

std::wstring GuidText(const GUID& g) {
    wchar_t text[40];
    if (::StringFromGUID2(g, text, 40) == 0)
        text[0] = L'\0';
    return text;
}

// Numbers go through wsprintfW: std::to_wstring links the C runtime's floating-point formatter
// into the control.
std::wstring DecimalText(unsigned value) {
    wchar_t text[16];
    ::wsprintfW(text, L"%u", value);
    return text;
}

std::wstring VersionText(WORD major, WORD minor) {
    return DecimalText(major) + L"." + DecimalText(minor);
}

// One registry value that registration writes; name nullptr is the key's default value.
struct RegValue {
    std::wstring key;
    const wchar_t* name;
    std::wstring data;
};
using RegValues = std::vector<RegValue>;

void AddControlClass(const std::wstring& path, RegValues& v) {
    const std::wstring control = GuidText(CLSID_ControlJoystick);
    const std::wstring c = L"CLSID\\" + control;
    const std::wstring misc = DecimalText(0x24591);
    v.insert(v.end(), {
                          {c, nullptr, Description},
                          {c + L"\\InprocServer32", nullptr, path},
                          {c + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
                          {c + L"\\ProgID", nullptr, ProgId},
                          {c + L"\\VersionIndependentProgID", nullptr, ProgId},
                          {c + L"\\Control", nullptr, L""},
                          {c + L"\\ToolboxBitmap32", nullptr, path + L", 30000"},
                          {c + L"\\MiscStatus", nullptr, misc},
                          {c + L"\\MiscStatus\\1", nullptr, misc},
                          {c + L"\\TypeLib", nullptr, GuidText(LIBID_Joystick)},
                          {c + L"\\Version", nullptr, VersionText(LibVersionMajor, LibVersionMinor)},
                          {ProgId, nullptr, Description},
                          {std::wstring(ProgId) + L"\\CLSID", nullptr, control},
                      });
}

void AddPageClass(const std::wstring& path, RegValues& v) {
    const std::wstring p = L"CLSID\\" + GuidText(CLSID_PropertyPageJoystick);
    v.insert(v.end(), {
                          {p, nullptr, Description},
                          {p + L"\\InprocServer32", nullptr, path},
                          {p + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
                      });
}

// The hyperlink library gets only its TypeLib key, which is how the control's library finds its
// import. Its one interface belongs to the container: RegisterTypeLib would point the system's
// Interface key of it at this file, and unregistering would delete that key from under the
// container that owns it.
void AddHyperlinkLibrary(const std::wstring& path, RegValues& v) {
    wchar_t locale[16];
    wsprintfW(locale, L"%x", static_cast<unsigned>(HyperlinkLibLocale));
    const std::wstring h = L"TypeLib\\" + GuidText(LIBID_JoystickHyperlink) + L"\\" +
                           VersionText(HyperlinkLibVersionMajor, HyperlinkLibVersionMinor);
    v.insert(v.end(), {
                          {h, nullptr, L"JoystickHyperlink"},
                          {h + L"\\" + locale + L"\\win32", nullptr,
                           path + L"\\" + DecimalText(TypeLibResourceHyperlink)},
                          {h + L"\\FLAGS", nullptr, L"0"},
                          {h + L"\\HELPDIR", nullptr, path.substr(0, path.rfind(L'\\'))},
                      });
}

RegValues RegistryEntries(const wchar_t* path) {
    RegValues v;
    AddControlClass(path, v);
    AddPageClass(path, v);
    AddHyperlinkLibrary(path, v);
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

HRESULT RegisterControlLibrary(const wchar_t* path) noexcept {
    ComPtr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr))
        return hr;
    // The help folder is the library's own folder.
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, path, MAX_PATH);
    if (wchar_t* slash = wcsrchr(folder, L'\\'))
        *slash = L'\0';
    return ::RegisterTypeLib(lib.Get(), const_cast<wchar_t*>(path), folder);
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
void RemoveInterfaceKeys(const wchar_t* path) {
    ComPtr<ITypeLib> lib;
    if (FAILED(::LoadTypeLibEx(path, REGKIND_NONE, &lib)))
        return;
    const std::wstring libid = GuidText(LIBID_Joystick);
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind{};
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH) ||
            FAILED(lib->GetTypeInfo(i, &info)) || FAILED(info->GetTypeAttr(&attr)))
            continue;
        const std::wstring key = L"Interface\\" + GuidText(attr->guid);
        info->ReleaseTypeAttr(attr);
        wchar_t owner[40] = {};
        DWORD size = sizeof owner - sizeof(wchar_t);
        UniqueHKey typeLibKey;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (key + L"\\TypeLib").c_str(), 0, KEY_QUERY_VALUE,
                            typeLibKey.put()) == ERROR_SUCCESS &&
            ::RegQueryValueExW(typeLibKey.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(owner),
                               &size) == ERROR_SUCCESS &&
            ::lstrcmpiW(owner, libid.c_str()) == 0) {
            typeLibKey.reset();
            DeleteKeyOfLeaves(key);
        }
    }
}

} // namespace

HRESULT UnregisterServer(const wchar_t* path) noexcept {
    // The control's library first: unregistering it loads it, and loading it resolves its
    // import, which must still find the hyperlink library's key (a fallback load by file
    // name would register that library again).
    ::UnRegisterTypeLib(LIBID_Joystick, LibVersionMajor, LibVersionMinor, LibLocale, SYS_WIN32);
    try {
        RemoveInterfaceKeys(path);
        for (const RegValue& r : RegistryEntries(path))
            RemoveValue(r);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT RegisterServer(const wchar_t* path) noexcept {
    HRESULT hr = S_OK;
    try {
        // The entries (with the hyperlink library's key) before the control's library, which
        // imports that library by registration; any failure undoes everything below.
        for (const RegValue& r : RegistryEntries(path)) {
            hr = WriteValue(r);
            if (FAILED(hr))
                break;
        }
        if (SUCCEEDED(hr))
            hr = RegisterControlLibrary(path);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    // No half registration: what was written is taken back.
    if (FAILED(hr))
        UnregisterServer(path);
    return hr;
}

} // namespace joystick
