#include "setup/platform/registry_key.h"

#include <string>

#include "basic/string_routines.h"
#include "win/ansi.h"

using quorin::Text;
using quorin::Variant;
using quorin::win::ToAnsi;

namespace setup {

namespace registry_api {

quorin::win::DeclaredFunction<decltype(&::RegOpenKeyExA)> RegOpenKeyExA("ADVAPI32", "RegOpenKeyExA");
quorin::win::DeclaredFunction<decltype(&::RegCloseKey)> RegCloseKey("ADVAPI32", "RegCloseKey");
quorin::win::DeclaredFunction<decltype(&::RegQueryValueExA)> RegQueryValueExA("ADVAPI32", "RegQueryValueExA");
quorin::win::DeclaredFunction<decltype(&::RegCreateKeyExA)> RegCreateKeyExA("ADVAPI32", "RegCreateKeyExA");
quorin::win::DeclaredFunction<decltype(&::RegSetValueExA)> RegSetValueExA("ADVAPI32", "RegSetValueExA");
quorin::win::DeclaredFunction<decltype(&::RegDeleteValueA)> RegDeleteValueA("ADVAPI32", "RegDeleteValueA");
quorin::win::DeclaredFunction<decltype(&::RegDeleteKeyA)> RegDeleteKeyA("ADVAPI32", "RegDeleteKeyA");

bool OpenedKeyPolicy::IsValid(HKEY key) noexcept {
    // Predefined roots are the values from 0x80000000 up; a key handle the platform opens is
    // far below.
    return key != nullptr && (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key)) & 0x80000000u) == 0;
}

void OpenedKeyPolicy::Close(HKEY key) noexcept {
    // Bound before any key is opened (see BindCloseFirst), so this call cannot raise. Its
    // result is not examined.
    RegCloseKey(key);
}

} // namespace registry_api

using namespace registry_api;

namespace {

// A key is only opened once the function that closes it is bound: a missing RegCloseKey then
// raises before anything is opened, and closing later never can.
void BindCloseFirst() {
    RegCloseKey.Bind();
}

} // namespace

void RegistryKey::KeepOpenedKey(HKEY opened) noexcept {
    openedKey_.reset(opened);
    handle_ = opened;
}

void RegistryKey::Open(HKEY root, const Text& subKey) {
    BindCloseFirst();
    // A key that cannot be opened leaves no handle, whatever the platform put in the out
    // parameter; the result is not examined otherwise.
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, ToAnsi(subKey).c_str(), 0, kAccess, &opened) != ERROR_SUCCESS)
        opened = nullptr;
    KeepOpenedKey(opened);
    rootKey_ = root;
    subKeyPath_ = subKey;
}

void RegistryKey::Close() {
    openedKey_.reset();
    handle_ = nullptr;
}

Variant RegistryKey::Read(const Text& name, int32_t& type, const Variant& fallback) {
    const bool hasFallback = !fallback.IsOmitted();
    const std::string ansiName = ToAnsi(name);
    // A successful query tells the caller the type the value is really stored in. (Some
    // platforms clear the type on a failed query; the caller's code then stays as it was.)
    // With no open key there is nothing to ask: the default answers.
    auto query = [&](BYTE* buffer, DWORD size) {
        if (handle_ == nullptr)
            return false;
        DWORD stored = static_cast<DWORD>(type);
        if (RegQueryValueExA(handle_, ansiName.c_str(), nullptr, &stored, buffer, &size) != ERROR_SUCCESS)
            return false;
        type = static_cast<int32_t>(stored);
        return true;
    };
    switch (type) {
    case kText: {
        std::string buffer(kTextBufferSize, '\0');
        if (query(reinterpret_cast<BYTE*>(buffer.data()), kTextBufferSize))
            return Variant(quorin::win::FromAnsiBuffer(buffer.data(), buffer.size()));
        return hasFallback ? Variant(quorin::ToText(fallback)) : Variant(Text());
    }
    case kYesNo: {
        std::string buffer(kTextBufferSize, '\0');
        if (query(reinterpret_cast<BYTE*>(buffer.data()), kTextBufferSize)) {
            const Text text = quorin::win::FromAnsiBuffer(buffer.data(), buffer.size());
            if (quorin::EqualsNoCase(text, u"YES"))
                return Variant(true);
            if (quorin::EqualsNoCase(text, u"NO"))
                return Variant(false);
            return Variant();
        }
        // The fallback when given, else an empty value, which converts to false.
        return Variant(quorin::ToBool(hasFallback ? fallback.Value() : Variant()));
    }
    case kNumber: {
        int32_t number = 0;
        if (query(reinterpret_cast<BYTE*>(&number), sizeof number))
            return Variant(number);
        return hasFallback ? Variant(quorin::ToLong(fallback)) : Variant(int32_t{0});
    }
    default:
        return Variant();
    }
}

void RegistryKey::Write(const Text& name, int32_t type, const Variant& value) {
    // Reopens the remembered key for every code, so the key exists afterwards. The key the
    // object held before is closed rather than leaked.
    BindCloseFirst();
    SECURITY_ATTRIBUTES security{};
    security.nLength = 0;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = FALSE;
    DWORD disposition = 0;
    HKEY created = nullptr;
    if (RegCreateKeyExA(rootKey_, ToAnsi(subKeyPath_).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess,
                        &security, &created, &disposition) != ERROR_SUCCESS)
        created = nullptr;
    KeepOpenedKey(created);

    // The value is converted whether or not the key could be created, so an unconvertible one
    // raises either way; a refused create then writes nothing, silently.
    DWORD stored = 0;
    std::string data; // the bytes to store; a text's terminating NUL included
    switch (type) {
    case kText:
        // The byte count is kept whole: texts of 32768 bytes and more are written in full.
        data = ToAnsi(quorin::ToText(value));
        if (data.empty())
            return;
        data.push_back('\0');
        stored = REG_SZ;
        break;
    case kYesNo:
        data.assign(quorin::ToBool(value) ? std::string("YES", 4) : std::string("NO", 3));
        stored = REG_EXPAND_SZ;
        break;
    case kNumber: {
        if (!quorin::IsNumeric(value))
            return;
        const int32_t number = quorin::ToLong(value);
        data.assign(reinterpret_cast<const char*>(&number), sizeof number);
        stored = REG_DWORD;
        break;
    }
    default:
        return;
    }
    if (handle_ == nullptr)
        return;
    // The result is not examined: a refused write leaves the value as it was.
    RegSetValueExA(handle_, ToAnsi(name).c_str(), 0, stored, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}

void RegistryKey::Delete(const Text& subKey, const Text& name) {
    // With no open key nothing is deleted; a refused delete is as silent.
    if (handle_ == nullptr)
        return;
    if (!name.empty())
        RegDeleteValueA(handle_, ToAnsi(name).c_str());
    else if (!subKey.empty())
        RegDeleteKeyA(handle_, ToAnsi(subKey).c_str());
}

} // namespace setup
