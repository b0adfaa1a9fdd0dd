// RegisterComponent and UnregisterComponent with real components: libraries through Setup.DLL
// (found beside the program by its bare name), programs started with their switch.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "setup/application.h"
#include "setup/platform/archive.h"
#include "setup/platform/registration.h"
#include "setup/platform/uninstall_entry.h"
#include "setup/program.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

using quorin::Text;
using quorin::win::FromAnsi;

namespace {

const char kComponentsKey[] = "Software\\Quorin Test Components";

std::string ExeFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

bool KeyExists(const std::string& name) {
    quorin::win::UniqueHKey k;
    return RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kComponentsKey) + "\\" + name).c_str(), 0, KEY_READ,
                         k.put()) == ERROR_SUCCESS;
}

std::string CommandLineOf(const std::string& name) {
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, (std::string(kComponentsKey) + "\\" + name).c_str(), "CommandLine",
                     RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return {};
    return buf;
}

// A started program writes its key on its own time: wait for it, generously.
std::string WaitForCommandLine(const std::string& name) {
    for (int i = 0; i < 300; ++i) {
        std::string c = CommandLineOf(name);
        if (!c.empty())
            return c;
        Sleep(50);
    }
    return {};
}

class Folder {
public:
    explicit Folder(const std::string& path) : path_(path) { CreateDirectoryA(path_.c_str(), nullptr); }
    ~Folder() {
        for (auto it = files_.rbegin(); it != files_.rend(); ++it)
            DeleteFileA(it->c_str());
        RemoveDirectoryA(path_.c_str());
    }
    Text Add(const std::string& component, const std::string& as) {
        const std::string target = path_ + "\\" + as;
        EXPECT_TRUE(CopyFileA((ExeFolder() + "\\components\\" + component).c_str(), target.c_str(), FALSE))
            << as;
        files_.push_back(target);
        return FromAnsi(target);
    }
    Text PathOf(const std::string& name) const { return FromAnsi(path_ + "\\" + name); }

private:
    std::string path_;
    std::vector<std::string> files_;
};

std::string TempBase() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    return base;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kComponentsKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kComponentsKey); }
};

// First in this file: Setup.DLL has not been bound yet, so hiding it shows the missing library.
TEST_F(Registration, WithoutSetupDllALibraryIsNotRegisteredAndNothingIsRaised) {
    Folder folder(TempBase() + "QuorinNoDll" + std::to_string(GetCurrentProcessId()));
    folder.Add("QTestDep.dll", "QTestDep.dll");
    const Text ocx = folder.Add("QTestComp.dll", "Gantrel.OCX");
    const std::string dll = ExeFolder() + "\\Setup.DLL";
    const std::string hidden = ExeFolder() + "\\Setup.DLL.hidden";
    ASSERT_TRUE(MoveFileExA(dll.c_str(), hidden.c_str(), MOVEFILE_REPLACE_EXISTING));
    const bool without = setup::RegisterComponent(ocx);
    ASSERT_TRUE(MoveFileExA(hidden.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(without);
    EXPECT_FALSE(KeyExists("Gantrel.OCX"));
    // The next call binds the library that is back in place.
    EXPECT_TRUE(setup::RegisterComponent(ocx));
    EXPECT_TRUE(KeyExists("Gantrel.OCX"));
    EXPECT_TRUE(setup::UnregisterComponent(ocx));
    EXPECT_FALSE(KeyExists("Gantrel.OCX"));
}

TEST_F(Registration, LibrariesByTheirLastExtension) {
    Folder folder(TempBase() + "QuorinLibs" + std::to_string(GetCurrentProcessId()));
    folder.Add("QTestDep.dll", "QTestDep.dll");
    struct Case {
        const char* component; // copied from the components folder, or null for a missing file
        const char* name;
        bool result;
        bool registers;
    } cases[] = {
        {"QTestComp.dll", "lib.dll", true, true},        {"QTestComp.dll", "ctl.ocx", true, true},
        {"QTestComp.dll", "CTL2.OCX", true, true},       {"QTestComp.dll", "A.B.OCX", true, true},
        {"QTestComp.dll", "Help.HLP", false, false},     {"QTestComp.dll", "NOEXTENSION", false, false},
        {"QTestComp.dll", "tail.OCX.bak", false, false}, {"QTestFail.dll", "Fail.OCX", false, false},
        {nullptr, "Missing.OCX", false, false},
    };
    for (const auto& c : cases) {
        const Text path = c.component ? folder.Add(c.component, c.name) : folder.PathOf(c.name);
        EXPECT_EQ(setup::RegisterComponent(path), c.result) << c.name;
        EXPECT_EQ(KeyExists(c.name), c.registers) << c.name;
        EXPECT_EQ(setup::UnregisterComponent(path), c.result) << c.name;
        EXPECT_FALSE(KeyExists(c.name)) << c.name;
    }
}

TEST_F(Registration, AFolderDotDoesNotMakeAnExtension) {
    Folder dotted(TempBase() + "Quorin.OCX" + std::to_string(GetCurrentProcessId()));
    const Text readme = dotted.Add("QTestComp.dll", "README");
    EXPECT_FALSE(setup::RegisterComponent(readme));
    EXPECT_FALSE(KeyExists("README"));
}

TEST_F(Registration, ProgramsAreStartedWithTheirSwitch) {
    const std::string pid = std::to_string(GetCurrentProcessId());
    // A folder with a blank, and a program named like its first word beside it: the command
    // line must start the component, not the program named by the words before the blank.
    Folder base(TempBase() + "QuorinReg" + pid);
    Folder spaced(TempBase() + "QuorinReg" + pid + "\\My Apps");
    const Text decoy = base.Add("regprog.exe", "My.exe");
    const Text player = spaced.Add("regprog.exe", "PLAYER.EXE");
    const Text lower = spaced.Add("regprog.exe", "tool.exe");

    EXPECT_TRUE(setup::RegisterComponent(player));
    const std::string registered = WaitForCommandLine("PLAYER.EXE");
    EXPECT_NE(registered.find("PLAYER.EXE\" /RegServer"), std::string::npos) << registered;

    EXPECT_TRUE(setup::UnregisterComponent(lower));
    const std::string unregistered = WaitForCommandLine("tool.exe");
    EXPECT_NE(unregistered.find("tool.exe\" /UnRegServer"), std::string::npos) << unregistered;
    EXPECT_FALSE(KeyExists("My.exe")) << "the program before the blank was started";
    (void)decoy;

    // A program that cannot be started ends the routine with false.
    EXPECT_FALSE(setup::RegisterComponent(spaced.PathOf("Missing.EXE")));
    EXPECT_FALSE(setup::UnregisterComponent(spaced.PathOf("Missing.EXE")));
}

} // namespace
