// The test program of Joystick.OCX. Around all tests: code page 932, an OLE apartment, and the
// library beside the program registered as a host's installer leaves it (the registration
// tests take it back and restore it); at the end every object of the library is gone.
#include <cstdio>

#include "ocx_test_support.h"

namespace {

using namespace ocxtest;

// Wine waits up to two seconds for a window manager whenever a shown top-level window is
// hidden, and the test display runs none. Unmanaged windows (for this program only) close at
// once. The setting is read when the display driver starts: set before main, removed at exit.
class UnmanagedWindowsForThisProgram {
public:
    UnmanagedWindowsForThisProgram() {
        const std::wstring name = ThisProgram();
        key_ = L"Software\\Wine\\AppDefaults\\" + name.substr(name.find_last_of(L"\\/") + 1);
        RegSetKeyValueW(HKEY_CURRENT_USER, (key_ + L"\\X11 Driver").c_str(), L"Managed", REG_SZ, L"N", 4);
    }
    ~UnmanagedWindowsForThisProgram() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::wstring key_;
} g_unmanaged;

// A crash names the test under way and ends the program at once instead of waiting for a
// debugger, so a faulty build fails quickly instead of hanging its suite.
LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* e) {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "\ncrash 0x%08lX at %p in %s.%s\n", e->ExceptionRecord->ExceptionCode,
                 e->ExceptionRecord->ExceptionAddress, test ? test->test_suite_name() : "-", test ? test->name() : "-");
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

class OcxEnvironment : public testing::Environment {
public:
    void SetUp() override {
        SetUnhandledExceptionFilter(ExitOnCrash);
        ASSERT_EQ(GetACP(), 932u) << "texts are compared in code page 932";
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        ASSERT_NE(Ocx(), nullptr) << "Joystick.OCX must be beside the test program";
        ASSERT_EQ(OcxCall("DllRegisterServer"), S_OK);
    }
    void TearDown() override {
        EXPECT_EQ(OcxCall("DllUnregisterServer"), S_OK);
        EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_OK) << "an object of the library is still alive";
        OleUninitialize();
    }
};
testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new OcxEnvironment);

} // namespace
