// The entry in the list of installed programs against the real registry: written and removed,
// the title in code page 932, and titles that would address another key touching nothing and
// telling that the install got no entry.
#include "setup/platform/uninstall_entry.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

const std::wstring kParent = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
using quorin::InstallState;

quorin::SetupSettings Titled(const Text& title) {
    quorin::SetupSettings s;
    s.Title = title;
    return s;
}

// A title in code page 932 (an ASCII one is checked end to end).
TEST(UninstallEntry, WrittenAndRemovedOnlyUnderItsOwnKey) {
    const Text program = u"C:\\Program Files\\ゲーム\\Setup.EXE", title = u"Quorin エントリ テスト";
    const std::wstring key = kParent + L"\\" + Wide(title);
    EXPECT_FALSE(setup::UninstallEntryIsUpdated(Titled(title), InstallState::NotInstalled, program)) << "none written";
    setup::UpdateUninstallEntry(Titled(title), InstallState::NotInstalled, program);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, key, L"DisplayName"), Wide(title));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, key, L"UninstallString"), L"\"" + Wide(program) + L"\"");
    EXPECT_TRUE(setup::UninstallEntryIsUpdated(Titled(title), InstallState::NotInstalled, program));
    EXPECT_FALSE(setup::UninstallEntryIsUpdated(Titled(title), InstallState::NotInstalled, u"C:\\Other.EXE"));
    setup::UpdateUninstallEntry(Titled(title), InstallState::InstalledElsewhere, program);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key)) << "installed elsewhere touches nothing";
    setup::UpdateUninstallEntry(Titled(title), InstallState::InstalledHere, program);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_TRUE(setup::UninstallEntryIsUpdated(Titled(title), InstallState::InstalledHere, program));
    // Titles that would address another key touch nothing.
    const std::wstring sibling = kParent + L"\\Quorin Sibling Test";
    quorin::win::UniqueHKey created;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, sibling.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.put(), nullptr),
              ERROR_SUCCESS);
    for (const char16_t* title : {u"", u"\\", u"Quorin Sibling Test\\", u"..\\Quorin Sibling Test"}) {
        for (InstallState state : {InstallState::NotInstalled, InstallState::InstalledHere}) {
            setup::UpdateUninstallEntry(Titled(title), state, u"C:\\PKG\\Setup.EXE");
            EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kParent, L"DisplayName"), L"<missing>");
            EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sibling));
            // An install under such a title got no entry (306); an uninstall has none to remove.
            EXPECT_EQ(setup::UninstallEntryIsUpdated(Titled(title), state, u"C:\\PKG\\Setup.EXE"),
                      state == InstallState::InstalledHere);
        }
    }
    created.reset();
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, sibling.c_str());
}

} // namespace
} // namespace setup_test
