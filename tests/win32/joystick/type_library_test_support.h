// Helpers shared by the type library and resource tests: where the built files are, reading
// them raw, and code page 932 bytes of texts.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace typelib_test {

using Microsoft::WRL::ComPtr;

// CMake hands over build-tree paths with forward slashes; under Wine a rooted path resolves on
// the current drive, which is the build tree's.
inline std::wstring WindowsPath(const char* path) {
    std::wstring out;
    for (const char* p = path; *p; ++p)
        out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    return out;
}

inline std::wstring OcxPath() {
    return WindowsPath(JOYSTICK_OCX_PATH);
}
inline std::wstring ControlTlbPath() {
    return WindowsPath(JOYSTICK_TLB_PATH);
}
inline std::wstring HyperlinkTlbPath() {
    return WindowsPath(JOYSTICK_HYPERLINK_TLB_PATH);
}

inline std::string Cp932(const wchar_t* text) {
    if (!text || !*text)
        return {};
    const int n = WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}
inline std::string Cp932(const char16_t* text) {
    return Cp932(reinterpret_cast<const wchar_t*>(text));
}

inline std::vector<unsigned char> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A module loaded for its resources only: DllMain does not run.
class ResourceModule {
public:
    explicit ResourceModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ResourceModule() {
        if (module_)
            FreeLibrary(module_);
    }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    HMODULE get() const { return module_; }

    // The bytes of one resource in language 1041; empty when it is missing.
    std::vector<unsigned char> Read(const wchar_t* type, const wchar_t* name) const {
        HRSRC info = FindResourceExW(module_, type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));
        if (!info)
            return {};
        HGLOBAL data = LoadResource(module_, info);
        const auto* bytes = static_cast<const unsigned char*>(LockResource(data));
        if (!bytes)
            return {};
        return std::vector<unsigned char>(bytes, bytes + SizeofResource(module_, info));
    }

private:
    HMODULE module_;
};

inline GUID ParseGuid(const wchar_t* text) {
    GUID guid = {};
    IIDFromString(const_cast<LPOLESTR>(text), &guid);
    return guid;
}

} // namespace typelib_test
