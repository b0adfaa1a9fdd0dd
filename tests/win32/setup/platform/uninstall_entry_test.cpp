// UpdateUninstallEntry against Wine's HKEY_LOCAL_MACHINE, with titles of this test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "setup/application.h"
#include "setup/platform/archive.h"
#include "setup/platform/registration.h"
#include "setup/platform/uninstall_entry.h"
#include "setup/program.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

using quorin::InstallState;
using quorin::Text;
using quorin::win::ToAnsi;
using quorin::win::W;

namespace {

const Text kParent = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool KeyExists(const Text& path) {
    quorin::win::UniqueHKey h;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, KEY_READ, h.put()) == ERROR_SUCCESS;
}

// The value as text and its type; "<missing>" when absent.
std::pair<Text, DWORD> Value(const Text& path, const wchar_t* name) {
    quorin::win::UniqueHKey h;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, KEY_READ, h.put()) != ERROR_SUCCESS)
        return {u"<missing>", 0};
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(h.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS)
        return {u"<missing>", 0};
    return {quorin::win::FromWide(buf), type};
}

quorin::SetupSettings WithTitle(const Text& title) {
    quorin::SetupSettings s;
    s.Title = title;
    return s;
}

class UninstallEntry : public ::testing::Test {
protected:
    void SetUp() override {
        titles_ = {title_, u"Quorin エントリ テスト", u"Quorin Sibling Test", u"Quorin Other Name"};
        Clean();
    }
    void TearDown() override {
        Clean();
    }
    void Clean() {
        for (const auto& t : titles_)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, W(kParent + u"\\" + t));
    }
    void Update(InstallState state, const Text& title) {
        setup::UpdateUninstallEntry(WithTitle(title), state, setup::ProgramPath());
    }
    Text title_ = u"Quorin Entry Test";
    std::vector<Text> titles_;
};

TEST_F(UninstallEntry, InstallWritesTheTwoValuesAndUninstallRemovesTheKey) {
    const Text key = kParent + u"\\" + title_;
    const Text expectedCommand = setup::ProgramFolder() + u"\\" + setup::ExecutableName() + u".EXE";
    ASSERT_EQ(expectedCommand.find(u' '), Text::npos) << "the build folder must have no blank for this check";

    Update(InstallState::NotInstalled, title_);
    EXPECT_EQ(Value(key, L"DisplayName"), (std::pair<Text, DWORD>{title_, REG_SZ}));
    EXPECT_EQ(Value(key, L"UninstallString"), (std::pair<Text, DWORD>{expectedCommand, REG_SZ}));
    // Writing again overwrites in place.
    Update(InstallState::NotInstalled, title_);
    EXPECT_EQ(Value(key, L"DisplayName").first, title_);

    // Installed elsewhere: nothing is touched.
    Update(InstallState::InstalledElsewhere, title_);
    EXPECT_TRUE(KeyExists(key));

    Update(InstallState::InstalledHere, title_);
    EXPECT_FALSE(KeyExists(key));
    EXPECT_TRUE(KeyExists(kParent));
    // Removing a missing entry changes nothing and raises nothing.
    Update(InstallState::InstalledHere, title_);
    EXPECT_FALSE(KeyExists(key));
}

TEST_F(UninstallEntry, JapaneseTitleTravelsInCodePage932) {
    const Text title = u"Quorin エントリ テスト";
    Update(InstallState::NotInstalled, title);
    EXPECT_EQ(Value(kParent + u"\\" + title, L"DisplayName").first, title);
    Update(InstallState::InstalledHere, title);
    EXPECT_FALSE(KeyExists(kParent + u"\\" + title));
}

TEST_F(UninstallEntry, NamesThatWouldAddressAnotherKeyTouchNothing) {
    const Text sibling = kParent + u"\\Quorin Sibling Test";
    {
        quorin::win::UniqueHKey h;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(sibling), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  h.put(), nullptr),
                  ERROR_SUCCESS);
    }
    for (const Text& title :
         {Text(), Text(u"\\"), Text(u"Quorin Sibling Test\\"), Text(u"..\\Quorin Sibling Test")}) {
        for (InstallState state : {InstallState::NotInstalled, InstallState::InstalledHere}) {
            Update(state, title);
            EXPECT_EQ(Value(kParent, L"DisplayName").first, u"<missing>") << quorin::ToUtf8(title);
            EXPECT_EQ(Value(kParent, L"UninstallString").first, u"<missing>") << quorin::ToUtf8(title);
            EXPECT_TRUE(KeyExists(sibling)) << quorin::ToUtf8(title);
            EXPECT_TRUE(KeyExists(kParent));
            // An install that wrote no entry is told (306); an uninstall has none to remove.
            EXPECT_EQ(setup::UninstallEntryIsUpdated(WithTitle(title), state, setup::ProgramPath()),
                      state == InstallState::InstalledHere)
                << quorin::ToUtf8(title);
        }
    }
}

} // namespace
