// The per-user settings store against Wine's registry, under an application name of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include "setup/platform/settings_store.h"
#include "base/runtime_error.h"
#include "win/unique_handle.h"

using quorin::Text;
using setup::RegistrySettingsStore;

namespace {

const Text kApp = u"Quorin Store Test";
const Text kSection = u"Installer";
const char kAppKey[] = "Software\\Quorin Store Test";
const char kSectionKey[] = "Software\\Quorin Store Test\\Installer";

bool KeyExists(const char* key) {
    quorin::win::UniqueHKey h;
    return RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, h.put()) == ERROR_SUCCESS;
}

using Settings = std::vector<std::pair<Text, Text>>;

class Store : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey); }
    RegistrySettingsStore store;
};

TEST_F(Store, ReadWriteDeleteOneValue) {
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"Gantrel", u"none"), u"none");
    EXPECT_FALSE(store.GetAllSettings(kApp, kSection).has_value()) << "a missing section gives no list";
    store.SaveSetting(kApp, kSection, u"Gantrel", u"C:\\PKG");
    store.SaveSetting(kApp, kSection, u"ゲーム", u"D:\\ゲーム");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"Gantrel", u""), u"C:\\PKG");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"gantrel", u""), u"C:\\PKG") << "names ignore letter case";
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"ゲーム", u""), u"D:\\ゲーム");
    store.SaveSetting(kApp, kSection, u"Gantrel", u"E:\\NEW");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"Gantrel", u""), u"E:\\NEW");

    store.DeleteSetting(kApp, kSection, u"Gantrel");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"Gantrel", u"gone"), u"gone");
    EXPECT_EQ(store.GetAllSettings(kApp, kSection), (Settings{{u"ゲーム", u"D:\\ゲーム"}}));
    EXPECT_THROW(store.DeleteSetting(kApp, kSection, u"Gantrel"), quorin::RuntimeError);

    store.DeleteSetting(kApp, kSection, u"ゲーム");
    EXPECT_FALSE(store.GetAllSettings(kApp, kSection).has_value()) << "an empty section gives no list";
    EXPECT_TRUE(KeyExists(kSectionKey));
    store.DeleteSection(kApp, kSection);
    EXPECT_FALSE(KeyExists(kSectionKey));
    EXPECT_FALSE(KeyExists(kAppKey)) << "the application's key outlived its last section";
    EXPECT_THROW(store.DeleteSection(kApp, kSection), quorin::RuntimeError);

    // An application key that holds anything else stays.
    store.SaveSetting(kApp, kSection, u"Gantrel", u"C:\\PKG");
    store.SaveSetting(kApp, u"Other", u"k", u"v");
    store.DeleteSection(kApp, kSection);
    EXPECT_TRUE(KeyExists(kAppKey));
    store.DeleteSection(kApp, u"Other");
    EXPECT_FALSE(KeyExists(kAppKey));
}

TEST_F(Store, AnEmptyKeyIsARecordOfItsOwn) {
    store.SaveSetting(kApp, kSection, u"Other", u"D:\\OTHER");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"", u"none"), u"none");
    store.SaveSetting(kApp, kSection, u"", u"C:\\UNTITLED");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"", u""), u"C:\\UNTITLED");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"Other", u""), u"D:\\OTHER");
    auto all = store.GetAllSettings(kApp, kSection);
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(all->size(), 2u);

    store.DeleteSetting(kApp, kSection, u"");
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"", u"none"), u"none");
    EXPECT_EQ(store.GetAllSettings(kApp, kSection), (Settings{{u"Other", u"D:\\OTHER"}}));
    EXPECT_THROW(store.DeleteSetting(kApp, kSection, u""), quorin::RuntimeError);
    EXPECT_TRUE(KeyExists(kSectionKey));
}

TEST_F(Store, EmptyApplicationOrSectionIsRefused) {
    EXPECT_THROW(store.SaveSetting(u"", kSection, u"k", u"v"), quorin::RuntimeError);
    EXPECT_THROW(store.SaveSetting(kApp, u"", u"k", u"v"), quorin::RuntimeError);
    EXPECT_THROW(store.DeleteSection(kApp, u""), quorin::RuntimeError);
    EXPECT_FALSE(KeyExists(kAppKey));
}

TEST_F(Store, OnlyStringsAreSettings) {
    store.SaveSetting(kApp, kSection, u"Text", u"t");
    quorin::win::UniqueHKey h;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSectionKey, 0, KEY_SET_VALUE, h.put()), ERROR_SUCCESS);
    const DWORD n = 5;
    RegSetValueExA(h.get(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
    EXPECT_EQ(store.GetSetting(kApp, kSection, u"Number", u"d"), u"d");
    EXPECT_EQ(store.GetAllSettings(kApp, kSection), (Settings{{u"Text", u"t"}}));
}

} // namespace
