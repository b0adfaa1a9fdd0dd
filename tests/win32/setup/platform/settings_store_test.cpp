// The per-user settings store in the registry: values by application, section and key, an
// empty key a record of its own, and the application's key gone with its last section.
#include <algorithm>

#include "setup/platform/settings_store.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

const Text kApp = u"Quorin Store Test";
const std::wstring kAppKey = L"Software\\Quorin Store Test";

TEST(SettingsStore, RecordsAndTheirSection) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey.c_str());
    setup::RegistrySettingsStore s;
    using All = std::vector<std::pair<Text, Text>>;
    const auto all = [&] { // in no particular order
        auto list = s.GetAllSettings(kApp, u"Installer");
        if (list)
            std::sort(list->begin(), list->end());
        return list;
    };
    EXPECT_FALSE(s.GetAllSettings(kApp, u"Installer").has_value());
    s.SaveSetting(kApp, u"Installer", u"Gantrel", u"C:\\PKG");
    s.SaveSetting(kApp, u"Installer", u"", u"C:\\UNTITLED");
    EXPECT_EQ(s.GetSetting(kApp, u"Installer", u"gantrel", u"none"), u"C:\\PKG");
    EXPECT_EQ(all(), (All{{u"", u"C:\\UNTITLED"}, {u"Gantrel", u"C:\\PKG"}}));
    s.DeleteSetting(kApp, u"Installer", u"");
    EXPECT_EQ(all(), (All{{u"Gantrel", u"C:\\PKG"}}));
    EXPECT_THROW(s.DeleteSetting(kApp, u"Installer", u""), quorin::RuntimeError);
    s.DeleteSetting(kApp, u"Installer", u"Gantrel");
    EXPECT_FALSE(s.GetAllSettings(kApp, u"Installer").has_value()) << "an empty section gives no list";
    s.SaveSetting(kApp, u"Other", u"k", u"v");
    s.DeleteSection(kApp, u"Installer");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAppKey)) << "it still holds another section";
    s.DeleteSection(kApp, u"Other");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAppKey)) << "the application's key outlived its last section";
    EXPECT_THROW(s.SaveSetting(u"", u"Installer", u"k", u"v"), quorin::RuntimeError);
    EXPECT_THROW(s.SaveSetting(kApp, u"", u"k", u"v"), quorin::RuntimeError);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAppKey));
}

} // namespace
} // namespace setup_test
