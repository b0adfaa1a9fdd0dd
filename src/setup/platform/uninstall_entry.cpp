#include "setup/platform/uninstall_entry.h"

#include <optional>
#include <string>

#include "setup/platform/registry_key.h"
#include "setup/platform/routines.h"
#include "win/ansi.h"

namespace setup {
namespace {

bool GetsAnEntry(const quorin::Text& title) {
    return !title.empty() && title.find(u'\\') == quorin::Text::npos;
}

} // namespace

void UpdateUninstallEntry(const quorin::SetupSettings& settings, quorin::InstallState state,
                          const quorin::Text& program) {
    if (!GetsAnEntry(settings.Title))
        return;
    RegistryKey key;
    if (state == quorin::InstallState::NotInstalled) {
        key.Open(HKEY_LOCAL_MACHINE, kUninstallParentKey + u"\\" + settings.Title);
        key.Write(u"DisplayName", RegistryKey::kText, quorin::Variant(settings.Title));
        key.Write(u"UninstallString", RegistryKey::kText, quorin::Variant(QuotedIfBlank(program)));
        key.Close();
    } else if (state == quorin::InstallState::InstalledHere) {
        key.Open(HKEY_LOCAL_MACHINE, kUninstallParentKey);
        key.Delete(settings.Title);
        key.Close();
    }
}

bool UninstallEntryIsUpdated(const quorin::SetupSettings& settings, quorin::InstallState state,
                             const quorin::Text& program) {
    if (!GetsAnEntry(settings.Title))
        return state != quorin::InstallState::NotInstalled;
    // Read back through the same declared functions that wrote it.
    using registry_api::RegOpenKeyExA;
    using registry_api::RegQueryValueExA;
    const std::string path = quorin::win::ToAnsi(kUninstallParentKey + u"\\" + settings.Title);
    registry_api::RegCloseKey.Bind(); // before a key is opened, so closing it cannot raise
    registry_api::OpenedKey key;
    HKEY opened = nullptr;
    const bool present = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS;
    key.reset(present ? opened : nullptr);
    auto value = [&](const char* name) {
        char buffer[1024] = {};
        DWORD size = sizeof buffer - 1, type = 0;
        if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return std::optional<std::string>();
        return std::optional<std::string>(buffer);
    };
    switch (state) {
    case quorin::InstallState::NotInstalled:
        return present && value("DisplayName") == quorin::win::ToAnsi(settings.Title) &&
               value("UninstallString") == quorin::win::ToAnsi(QuotedIfBlank(program));
    case quorin::InstallState::InstalledHere:
        return !present;
    default:
        return true;
    }
}

} // namespace setup
