#include "win/module_info.h"

#include <winver.h>

#include <vector>

#include "win/unique_handle.h"

namespace quorin::win {

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ModuleFolder(HMODULE module) {
    const std::wstring path = ModulePath(module);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

namespace {

// The version functions are bound by name at the call, like the other declared system
// functions, so that a binary links against nothing beyond the system's core DLLs.
struct VersionFunctions {
    UniqueModule library{::LoadLibraryW(L"version.dll")};
    decltype(&::GetFileVersionInfoSizeW) sizeOf = Bind<decltype(&::GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    decltype(&::GetFileVersionInfoW) read = Bind<decltype(&::GetFileVersionInfoW)>("GetFileVersionInfoW");
    decltype(&::VerQueryValueW) query = Bind<decltype(&::VerQueryValueW)>("VerQueryValueW");

    template <typename Fn> Fn Bind(const char* name) const {
        return library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library.get(), name)))
                       : nullptr;
    }
    bool Bound() const { return sizeOf && read && query; }
};

} // namespace

VersionInfo ReadVersionInfo(HMODULE module) {
    VersionInfo info;
    const VersionFunctions version;
    if (!version.Bound())
        return info;
    const std::wstring path = ModulePath(module);
    DWORD ignored = 0;
    const DWORD size = version.sizeOf(path.c_str(), &ignored);
    if (size == 0)
        return info;
    std::vector<BYTE> block(size);
    if (!version.read(path.c_str(), 0, size, block.data()))
        return info;
    void* value = nullptr;
    UINT length = 0;
    if (version.query(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        info.major = HIWORD(fixed->dwFileVersionMS);
        info.minor = LOWORD(fixed->dwFileVersionMS);
        info.revision = LOWORD(fixed->dwFileVersionLS);
    }
    if (version.query(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && length >= 2 * sizeof(WORD)) {
        const auto* translation = static_cast<const WORD*>(value);
        wchar_t key[64];
        ::wsprintfW(key, L"\\StringFileInfo\\%04x%04x\\ProductName", translation[0], translation[1]);
        if (version.query(block.data(), key, &value, &length) && length > 0)
            info.productName.assign(static_cast<const wchar_t*>(value));
    }
    return info;
}

} // namespace quorin::win
