#include "ClassRegistry.h"

#include <string>

#include "GeneralWin32ExAPI.h"

#include "basic/string_routines.h"
#include "winsupport/ansi.h"

using quorin::Text;
using quorin::Variant;
using quorin::win::ToAnsi;

namespace setup {

namespace registry_api {

DeclaredFunction<decltype(&::RegOpenKeyExA)> RegOpenKeyExA("ADVAPI32", "RegOpenKeyExA");
DeclaredFunction<decltype(&::RegCloseKey)> RegCloseKey("ADVAPI32", "RegCloseKey");
DeclaredFunction<decltype(&::RegQueryValueExA)> RegQueryValueExA("ADVAPI32", "RegQueryValueExA");
DeclaredFunction<decltype(&::RegCreateKeyExA)> RegCreateKeyExA("ADVAPI32", "RegCreateKeyExA");
DeclaredFunction<decltype(&::RegSetValueExA)> RegSetValueExA("ADVAPI32", "RegSetValueExA");
DeclaredFunction<decltype(&::RegDeleteValueA)> RegDeleteValueA("ADVAPI32", "RegDeleteValueA");
DeclaredFunction<decltype(&::RegDeleteKeyA)> RegDeleteKeyA("ADVAPI32", "RegDeleteKeyA");

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

void ClassRegistry::KeepOpenedKey(HKEY opened) noexcept {
    openedKey_.reset(opened);
    handle_ = opened;
}

void ClassRegistry::OpenSetting(HKEY HKEY_, const Text& Section) {
    BindCloseFirst();
    // A key that cannot be opened leaves no handle, whatever the platform put in the out
    // parameter; the result is not examined otherwise.
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_, ToAnsi(Section).c_str(), 0, kAccess, &opened) != ERROR_SUCCESS)
        opened = nullptr;
    KeepOpenedKey(opened);
    RootKey_ = HKEY_;
    SubKeyPath_ = Section;
}

void ClassRegistry::CloseSetting() {
    openedKey_.reset();
    handle_ = nullptr;
}

Variant ClassRegistry::ReadSetting(const Text& Key, int32_t& DataBaseType, const Variant& Default) {
    const bool hasDefault = !Default.IsOmitted();
    const std::string key = ToAnsi(Key);
    // A successful query tells the caller the type the value is really stored in. (Some
    // platforms clear the type on a failed query; the caller's code then stays as it was.)
    // With no open key there is nothing to ask: the default answers.
    auto query = [&](BYTE* buffer, DWORD size) {
        if (handle_ == nullptr)
            return false;
        DWORD type = static_cast<DWORD>(DataBaseType);
        if (RegQueryValueExA(handle_, key.c_str(), nullptr, &type, buffer, &size) != ERROR_SUCCESS)
            return false;
        DataBaseType = static_cast<int32_t>(type);
        return true;
    };
    switch (DataBaseType) {
    case kText: {
        std::string buffer(kTextBufferSize, '\0');
        if (query(reinterpret_cast<BYTE*>(buffer.data()), kTextBufferSize))
            return Variant(quorin::win::FromAnsiBuffer(buffer.data(), buffer.size()));
        return hasDefault ? Variant(quorin::ToText(Default)) : Variant(Text());
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
        // Default when given, else an empty value, which converts to false.
        return Variant(quorin::ToBool(ValueIf(hasDefault, Default)));
    }
    case kNumber: {
        int32_t number = 0;
        if (query(reinterpret_cast<BYTE*>(&number), sizeof number))
            return Variant(number);
        return hasDefault ? Variant(quorin::ToLong(Default)) : Variant(int32_t{0});
    }
    default:
        return Variant();
    }
}

void ClassRegistry::WriteSetting(const Text& Key, int32_t DataBaseType, const Variant& DataBase) {
    // Reopens the remembered key for every code, so the key exists afterwards. The key the
    // object held before is closed rather than leaked.
    BindCloseFirst();
    SECURITY_ATTRIBUTES security{};
    security.nLength = 0;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = FALSE;
    DWORD disposition = 0;
    HKEY created = nullptr;
    if (RegCreateKeyExA(RootKey_, ToAnsi(SubKeyPath_).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess,
                        &security, &created, &disposition) != ERROR_SUCCESS)
        created = nullptr;
    KeepOpenedKey(created);

    // The value is converted whether or not the key could be created, so an unconvertible one
    // raises either way; a refused create then writes nothing, silently.
    DWORD type = 0;
    std::string data; // the bytes to store; a text's terminating NUL included
    switch (DataBaseType) {
    case kText:
        // The byte count is kept whole: texts of 32768 bytes and more are written in full.
        data = ToAnsi(quorin::ToText(DataBase));
        if (data.empty())
            return;
        data.push_back('\0');
        type = REG_SZ;
        break;
    case kYesNo:
        data.assign(quorin::ToBool(DataBase) ? std::string("YES", 4) : std::string("NO", 3));
        type = REG_EXPAND_SZ;
        break;
    case kNumber: {
        if (!quorin::IsNumeric(DataBase))
            return;
        const int32_t number = quorin::ToLong(DataBase);
        data.assign(reinterpret_cast<const char*>(&number), sizeof number);
        type = REG_DWORD;
        break;
    }
    default:
        return;
    }
    if (handle_ == nullptr)
        return;
    // The result is not examined: a refused write leaves the value as it was.
    RegSetValueExA(handle_, ToAnsi(Key).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}

void ClassRegistry::ClearSetting(const Text& Section, const Text& Key) {
    // With no open key nothing is deleted; a refused delete is as silent.
    if (handle_ == nullptr)
        return;
    if (!Key.empty())
        RegDeleteValueA(handle_, ToAnsi(Key).c_str());
    else if (!Section.empty())
        RegDeleteKeyA(handle_, ToAnsi(Section).c_str());
}

} // namespace setup
