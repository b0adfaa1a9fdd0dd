// Setup.DLL as Setup.EXE uses it: loaded by its bare name, the three functions looked up by
// their undecorated names, a full ANSI path in, IsOK right after. Components are copied into
// fresh temporary folders so that their imports are found only through their own folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "win/ansi.h"
#include "win/unique_handle.h"

using quorin::win::ToAnsi;
using quorin::win::UniqueHKey;
using quorin::win::UniqueModule;

namespace {

using ServerCall = LONG(WINAPI*)(const char*);
using IsOkCall = LONG(WINAPI*)();

const char kComponentsKey[] = "Software\\Quorin Test Components";

std::string ExeFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

std::string ComponentsFolder() {
    return ExeFolder() + "\\components";
}

// A temporary folder removed with its files at the end of the test.
class TempFolder {
public:
    explicit TempFolder(const std::u16string& leaf) {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + ToAnsi(leaf) + std::to_string(GetCurrentProcessId());
        EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_ << " error " << GetLastError();
    }
    ~TempFolder() {
        for (const auto& f : files_)
            EXPECT_TRUE(DeleteFileA((path_ + "\\" + f).c_str())) << f << " error " << GetLastError();
        EXPECT_TRUE(RemoveDirectoryA(path_.c_str())) << path_;
    }
    std::string CopyIn(const std::string& name, const std::string& as = {}) {
        std::string target = path_ + "\\" + (as.empty() ? name : as);
        EXPECT_TRUE(CopyFileA((ComponentsFolder() + "\\" + name).c_str(), target.c_str(), FALSE)) << name;
        files_.push_back(as.empty() ? name : as);
        return target;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

std::string KeyOf(const std::string& fileName) {
    return std::string(kComponentsKey) + "\\" + fileName;
}

bool KeyExists(const std::string& key) {
    UniqueHKey k;
    return RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

std::string ReadString(const std::string& key, const char* name) {
    char buf[MAX_PATH * 2] = {};
    DWORD size = sizeof buf - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return buf;
}

DWORD ReadDword(const std::string& key, const char* name) {
    DWORD v = 0xFFFFFFFF, size = sizeof v;
    RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size);
    return v;
}

class SetupDll : public ::testing::Test {
protected:
    void SetUp() override {
        module_.reset(LoadLibraryA("Setup.DLL"));
        ASSERT_TRUE(module_) << "Setup.DLL must lie beside the test";
        reg_ = reinterpret_cast<ServerCall>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), "RegisterServer")));
        unreg_ = reinterpret_cast<ServerCall>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), "UnregisterServer")));
        isOk_ = reinterpret_cast<IsOkCall>(reinterpret_cast<void*>(GetProcAddress(module_.get(), "IsOK")));
        ASSERT_NE(reg_, nullptr);
        ASSERT_NE(unreg_, nullptr);
        ASSERT_NE(isOk_, nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, kComponentsKey);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kComponentsKey); }

    LONG Register(const std::string& path) {
        reg_(path.c_str());
        return isOk_();
    }
    LONG Unregister(const std::string& path) {
        unreg_(path.c_str());
        return isOk_();
    }

    UniqueModule module_;
    ServerCall reg_ = nullptr;
    ServerCall unreg_ = nullptr;
    IsOkCall isOk_ = nullptr;
};

TEST_F(SetupDll, ExportsOnlyUndecoratedNames) {
    for (const char* decorated :
         {"RegisterServer@4", "_RegisterServer@4", "UnregisterServer@4", "IsOK@0", "_IsOK@0"})
        EXPECT_EQ(GetProcAddress(module_.get(), decorated), nullptr) << decorated;
}

TEST_F(SetupDll, RegistersAndUnregistersAComponentWithItsDependencyBesideIt) {
    // No other copy of the dependency is on the search path, so the component loads only when
    // its own folder is searched for its imports. (Wine searches that folder for a library
    // loaded by full path even without the flag, so this cannot tell the flag's effect apart
    // there.) The Japanese folder name reaches Setup.DLL as code page 932 bytes.
    TempFolder folder(u"部品 テスト");
    folder.CopyIn("QTestDep.dll");
    const std::string component = folder.CopyIn("QTestComp.dll", "Gantrel.OCX");
    const std::string key = KeyOf("Gantrel.OCX");

    ASSERT_NE(Register(component), 0);
    ASSERT_TRUE(KeyExists(key));
    EXPECT_EQ(ReadString(key, "Path"), component);
    EXPECT_EQ(ReadDword(key, "Dependency"), 4711u);
    EXPECT_EQ(ReadDword(key, "OleReady"), 1u) << "OLE must be initialised around the entry point";
    // The library is released after the call, and OLE is left as it was found.
    EXPECT_EQ(GetModuleHandleA(component.c_str()), nullptr);
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(com, S_OK);
    if (SUCCEEDED(com))
        CoUninitialize();

    ASSERT_NE(Unregister(component), 0);
    EXPECT_FALSE(KeyExists(key));
    EXPECT_EQ(GetModuleHandleA(component.c_str()), nullptr);
}

TEST_F(SetupDll, FailuresReportZero) {
    TempFolder folder(u"QuorinFail");
    const std::string failing = folder.CopyIn("QTestFail.dll");
    const std::string plain = folder.CopyIn("QTestPlain.dll");
    struct Case {
        const char* what;
        std::string path;
    } cases[] = {
        {"failing HRESULT", failing},
        {"no entry points", plain},
        {"missing file", folder.path() + "\\Missing.OCX"},
        {"empty path", ""},
        {"not a library", ExeFolder() + "\\CTestTestfile.cmake"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Register(c.path), 0) << c.what;
        EXPECT_EQ(Unregister(c.path), 0) << c.what;
    }
    reg_(nullptr);
    EXPECT_EQ(isOk_(), 0);
}

TEST_F(SetupDll, IsOkReportsTheLastCallOnly) {
    TempFolder folder(u"QuorinLast");
    folder.CopyIn("QTestDep.dll");
    const std::string good = folder.CopyIn("QTestComp.dll");
    const std::string failing = folder.CopyIn("QTestFail.dll");
    EXPECT_NE(Register(good), 0);
    EXPECT_EQ(Register(failing), 0);
    EXPECT_NE(Unregister(good), 0);
    EXPECT_EQ(Unregister(failing), 0);
    EXPECT_NE(Register(good), 0);
    EXPECT_NE(isOk_(), 0) << "asking twice does not change the answer";
    EXPECT_NE(Unregister(good), 0);
}

} // namespace
