// Setup.DLL as Setup.EXE uses it: loaded by its bare name beside the program, its three exports
// found by their undecorated names only, a full ANSI path in and IsOK right after. What Setup's
// registration tests do not show: the component's own folder searched for its imports, OLE ready
// inside its entry point and as it was after, the library released, and answers for paths that
// name no component.
#include <ole2.h>

#include "setup_test_support.h"

namespace setup_test {
namespace {

TEST(SetupDll, RegistersWithOleReadyAndLeavesNothingLoaded) {
    quorin::win::UniqueModule dll(::LoadLibraryA("Setup.DLL"));
    ASSERT_TRUE(dll);
    const auto reg = reinterpret_cast<LONG(WINAPI*)(const char*)>(reinterpret_cast<void*>(::GetProcAddress(dll.get(), "RegisterServer")));
    const auto isOk = reinterpret_cast<LONG(WINAPI*)()>(reinterpret_cast<void*>(::GetProcAddress(dll.get(), "IsOK")));
    ASSERT_TRUE(reg && isOk && ::GetProcAddress(dll.get(), "UnregisterServer"));
    for (const char* decorated : {"RegisterServer@4", "_RegisterServer@4", "IsOK@0", "_IsOK@0"})
        EXPECT_EQ(::GetProcAddress(dll.get(), decorated), nullptr) << decorated;

    TempFolder f(L"部品 テスト"); // reaches Setup.DLL as code page 932 bytes
    for (const wchar_t* name : {L"QTestDep.dll", L"QTestComp.dll"})
        ASSERT_TRUE(::CopyFileW(Beside(std::wstring(L"components\\") + name).c_str(), f.Path(name).c_str(), FALSE));
    reg(quorin::win::ToAnsi(f.Text(L"QTestComp.dll")).c_str());
    EXPECT_NE(isOk(), 0);
    EXPECT_NE(isOk(), 0) << "asking twice changes nothing";
    const std::wstring key = L"Software\\Quorin Fault Component";
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, key, L"Path"), f.Path(L"QTestComp.dll"));
    DWORD ole = 0, size = sizeof ole;
    ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"OleReady", RRF_RT_REG_DWORD, nullptr, &ole, &size);
    EXPECT_EQ(ole, 1u) << "OLE initialised around the entry point";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    EXPECT_EQ(::GetModuleHandleW(f.Path(L"QTestComp.dll").c_str()), nullptr) << "the library is released";
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(com, S_OK) << "OLE left as it was found";
    if (SUCCEEDED(com))
        ::CoUninitialize();
    for (const Text& path : {f.Text(L"QTestDep.dll"), Text(), f.Text(L"Missing.OCX")}) {
        reg(quorin::win::ToAnsi(path).c_str());
        EXPECT_EQ(isOk(), 0) << quorin::ToUtf8(path);
    }
    reg(nullptr);
    EXPECT_EQ(isOk(), 0);
}

} // namespace
} // namespace setup_test
