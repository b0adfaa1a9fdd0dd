// Self-registration with real components: libraries through Setup.DLL (found beside the program
// by its bare name), programs started with their switch.
#include "setup/platform/registration.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

const std::wstring kComponentKey = L"Software\\Quorin Fault Component";

class Registration : public ::testing::Test {
protected:
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kComponentKey.c_str());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kPrograms.c_str());
    }
    Text Add(const wchar_t* from, const std::wstring& as) {
        EXPECT_TRUE(::CopyFileW(Beside(from).c_str(), folder_.Path(as).c_str(), FALSE));
        return folder_.Text(as);
    }
    // Whether the component at `path` is registered, as it records itself.
    static bool Registered(const Text& path) { return RegText(HKEY_CURRENT_USER, kComponentKey, L"Path") == Wide(path); }
    TempFolder folder_{L"registration"};
};

// First of the tests that register: nothing may have bound Setup.DLL before. Then which files
// register: a library does; a file of another extension does not and the routine says so, as it
// does for a component that refuses and for a missing file (the extension rules themselves are
// proved natively).
TEST_F(Registration, WithoutSetupDllNothingIsRegisteredThenLibrariesAre) {
    Add(L"components\\QTestDep.dll", L"QTestDep.dll");
    const Text ocx = Add(L"components\\QTestComp.dll", L"Gantrel.OCX");
    const std::wstring dll = Beside(L"Setup.DLL"), aside = dll + L".aside";
    ASSERT_TRUE(::MoveFileExW(dll.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    const bool registered = setup::RegisterComponent(ocx);
    ASSERT_TRUE(::MoveFileExW(aside.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(registered || Registered(ocx));
    const struct {
        const wchar_t *component, *name; // component null: a missing file
        bool registers;
    } cases[] = {{L"QTestComp.dll", L"Gantrel.OCX", true}, {L"QTestComp.dll", L"Help.HLP", false},
                 {L"QTestFail.dll", L"Fail.OCX", false},   {nullptr, L"Missing.OCX", false}};
    for (const auto& c : cases) {
        const Text path = c.component ? Add((std::wstring(L"components\\") + c.component).c_str(), c.name) : folder_.Text(c.name);
        EXPECT_EQ(setup::RegisterComponent(path), c.registers) << quorin::ToUtf8(path);
        EXPECT_EQ(Registered(path), c.registers);
        EXPECT_EQ(setup::UnregisterComponent(path), c.registers);
        EXPECT_FALSE(Registered(path));
    }
}

// A folder with a blank, and a program named like its first word beside it: the command line
// starts the component, never the program the words before the blank name.
TEST_F(Registration, ProgramsAreStartedWithTheirSwitch) {
    fs::create_directories(folder_.Path(L"My Apps"));
    Add(L"QTestProg.exe", L"My.exe");
    const Text player = Add(L"QTestProg.exe", L"My Apps\\PLAYER.EXE"), tool = Add(L"QTestProg.exe", L"My Apps\\tool.exe");
    EXPECT_TRUE(setup::RegisterComponent(player));
    EXPECT_EQ(RecordedCommandLine(L"PLAYER.EXE"), L"\"" + Wide(player) + L"\" /RegServer");
    EXPECT_TRUE(setup::UnregisterComponent(tool));
    EXPECT_EQ(RecordedCommandLine(L"tool.exe"), L"\"" + Wide(tool) + L"\" /UnRegServer");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kPrograms, L"My.exe"), L"<missing>") << "the program before the blank was started";
}

} // namespace
} // namespace setup_test
