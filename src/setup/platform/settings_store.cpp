#include "setup/platform/settings_store.h"

#include "base/runtime_error.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

using quorin::ErrorCode;
using quorin::RuntimeError;
using quorin::Text;
using quorin::win::UniqueHKey;
using quorin::win::W;

namespace setup {

namespace {

[[noreturn]] void Fail(LONG rc, const char* what) {
    throw RuntimeError(rc == ERROR_FILE_NOT_FOUND ? ErrorCode::FileNotFound : ErrorCode::PlatformFailure,
                       what);
}

// Reads a string value; false when it is missing or not a string.
bool QueryString(HKEY key, const Text& name, Text& out) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, W(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    std::u16string buffer(size / sizeof(char16_t) + 1, u'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(char16_t));
    if (::RegQueryValueExW(key, W(name), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    buffer.resize(size / sizeof(char16_t));
    // Stored strings usually carry their terminating NUL; the value ends at the first one.
    const size_t nul = buffer.find(u'\0');
    out = nul == Text::npos ? buffer : buffer.substr(0, nul);
    return true;
}

} // namespace

Text RegistrySettingsStore::SectionPath(const Text& app, const Text& section) {
    if (app.empty() || section.empty())
        throw RuntimeError(ErrorCode::InvalidArgument, "settings store: empty application or section");
    return u"Software\\" + app + u"\\" + section;
}

Text RegistrySettingsStore::GetSetting(const Text& app, const Text& section, const Text& key,
                                       const Text& fallback) {
    UniqueHKey h;
    if (::RegOpenKeyExW(root_, W(SectionPath(app, section)), 0, KEY_QUERY_VALUE, h.put()) != ERROR_SUCCESS)
        return fallback;
    Text value;
    return QueryString(h.get(), key, value) ? value : fallback;
}

void RegistrySettingsStore::SaveSetting(const Text& app, const Text& section, const Text& key,
                                        const Text& value) {
    UniqueHKey h;
    LONG rc = ::RegCreateKeyExW(root_, W(SectionPath(app, section)), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, h.put(), nullptr);
    if (rc != ERROR_SUCCESS)
        Fail(rc, "settings store: cannot create the section");
    rc = ::RegSetValueExW(h.get(), W(key), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
    if (rc != ERROR_SUCCESS)
        Fail(rc, "settings store: cannot write the value");
}

void RegistrySettingsStore::DeleteSetting(const Text& app, const Text& section, const Text& key) {
    UniqueHKey h;
    LONG rc = ::RegOpenKeyExW(root_, W(SectionPath(app, section)), 0, KEY_SET_VALUE, h.put());
    if (rc != ERROR_SUCCESS)
        Fail(rc, "settings store: no such section");
    // An empty key names the unnamed value only, never the section.
    rc = ::RegDeleteValueW(h.get(), W(key));
    if (rc != ERROR_SUCCESS)
        Fail(rc, "settings store: no such value");
}

std::optional<std::vector<std::pair<Text, Text>>> RegistrySettingsStore::GetAllSettings(const Text& app,
                                                                                        const Text& section) {
    UniqueHKey h;
    if (::RegOpenKeyExW(root_, W(SectionPath(app, section)), 0, KEY_QUERY_VALUE, h.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD count = 0, maxName = 0;
    LONG rc = ::RegQueryInfoKeyW(h.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                 &maxName, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        Fail(rc, "settings store: cannot list the section");
    std::vector<std::pair<Text, Text>> settings;
    for (DWORD i = 0; i < count; ++i) {
        std::u16string name(maxName + 1, u'\0');
        DWORD nameLength = maxName + 1;
        if (::RegEnumValueW(h.get(), i, reinterpret_cast<wchar_t*>(name.data()), &nameLength, nullptr,
                            nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        name.resize(nameLength);
        Text value;
        if (QueryString(h.get(), name, value))
            settings.emplace_back(name, value);
    }
    if (settings.empty())
        return std::nullopt;
    return settings;
}

void RegistrySettingsStore::DeleteSection(const Text& app, const Text& section) {
    const Text path = SectionPath(app, section);
    // The section key goes with everything in it.
    LONG rc = ::RegDeleteTreeW(root_, W(path));
    if (rc != ERROR_SUCCESS)
        Fail(rc, "settings store: cannot delete the section");
    // The application's key goes with its last section, so that saving and deleting leave the
    // registry as it was. One that still holds anything stays.
    const Text appPath = u"Software\\" + app;
    UniqueHKey h;
    if (::RegOpenKeyExW(root_, W(appPath), 0, KEY_QUERY_VALUE, h.put()) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 0, values = 0;
    rc = ::RegQueryInfoKeyW(h.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr);
    h.reset();
    if (rc == ERROR_SUCCESS && subkeys == 0 && values == 0)
        ::RegDeleteKeyW(root_, W(appPath));
}

} // namespace setup
