// The per-user application settings store: HKEY_CURRENT_USER\Software\<application>\<section>,
// one string value per key. An empty key is the section's unnamed value, so a product without
// a title has a record of its own and never reaches another product's value or the section.
#pragma once

#include <windows.h>

#include "installer/platform.h"

namespace setup {

class RegistrySettingsStore : public quorin::SettingsStore {
public:
    // `root` is HKEY_CURRENT_USER for Setup; tests may pass another root.
    explicit RegistrySettingsStore(HKEY root = HKEY_CURRENT_USER) noexcept : root_(root) {}

    quorin::Text GetSetting(const quorin::Text& app, const quorin::Text& section, const quorin::Text& key,
                            const quorin::Text& fallback) override;
    void SaveSetting(const quorin::Text& app, const quorin::Text& section, const quorin::Text& key,
                     const quorin::Text& value) override;
    void DeleteSetting(const quorin::Text& app, const quorin::Text& section,
                       const quorin::Text& key) override;
    std::optional<std::vector<std::pair<quorin::Text, quorin::Text>>>
    GetAllSettings(const quorin::Text& app, const quorin::Text& section) override;
    void DeleteSection(const quorin::Text& app, const quorin::Text& section) override;

    // "Software\<app>\<section>"; raises InvalidArgument for an empty application or section,
    // which would name a key shared with other programs.
    static quorin::Text SectionPath(const quorin::Text& app, const quorin::Text& section);

private:
    HKEY root_;
};

} // namespace setup
