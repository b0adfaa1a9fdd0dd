// Self-registration: what it writes, that unregistering takes back exactly that and nothing of
// anyone else's, that a failure part-way leaves nothing behind, and the real clients of a
// registered control: regsvr32 and a script host creating it by name. The test environment has
// registered the library; each test leaves it so.
#include <algorithm>
#include <set>

#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

std::wstring GuidText(const GUID& g) {
    wchar_t s[40];
    StringFromGUID2(g, s, 40);
    return s;
}

std::wstring Read(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

// Keys and values below `path` as "key\:name=data".
void Dump(const std::wstring& path, std::set<std::wstring>& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    wchar_t name[512];
    BYTE data[2048];
    for (DWORD i = 0, n = 512, size = sizeof data;
         RegEnumValueW(key, i, name, &n, nullptr, nullptr, data, &size) == ERROR_SUCCESS; ++i, n = 512, size = sizeof data)
        out.insert(path + L"\\:" + name + L"=" + std::wstring(reinterpret_cast<wchar_t*>(data), size / 2));
    std::vector<std::wstring> children;
    for (DWORD i = 0, n = 512; RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, n = 512)
        children.push_back(path + L"\\" + name);
    RegCloseKey(key);
    out.insert(path);
    for (const std::wstring& child : children)
        Dump(child, out);
}

// What registration can touch: the names of every class, interface, type library and program
// identifier, and everything below the library's own keys.
std::set<std::wstring> RegistryState() {
    std::set<std::wstring> state;
    for (const wchar_t* folder : {L"", L"CLSID", L"Interface", L"TypeLib"}) {
        HKEY key = nullptr;
        wchar_t name[512];
        RegOpenKeyExW(HKEY_CLASSES_ROOT, folder, 0, KEY_READ, &key);
        for (DWORD i = 0, n = 512; RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, n = 512)
            state.insert(std::wstring(folder) + L"|" + CharUpperW(name));
        RegCloseKey(key);
    }
    for (const GUID* clsid : {&CLSID_ControlJoystick, &CLSID_PropertyPageJoystick})
        Dump(L"CLSID\\" + GuidText(*clsid), state);
    for (const GUID* iid : {&IID__ControlJoystick, &DIID___ControlJoystick, &IID__PropertyPageJoystick})
        Dump(L"Interface\\" + GuidText(*iid), state);
    Dump(L"TypeLib\\" + GuidText(LIBID_Joystick), state);
    Dump(L"TypeLib\\" + GuidText(LIBID_JoystickHyperlink), state);
    Dump(L"Joystick.ControlJoystick", state);
    return state;
}

DWORD RunSystemProgram(const std::wstring& program, const std::wstring& arguments, std::string* output = nullptr) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\" + program + L"\" " + arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    char buffer[4096];
    for (DWORD got = 0; started && ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0;)
        if (output)
            output->append(buffer, got);
    CloseHandle(read);
    DWORD code = 0xFFFFFFFF;
    if (started) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    return code;
}

class Registration : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(OcxCall("DllUnregisterServer"), S_OK);
        unregistered = RegistryState();
    }
    void TearDown() override { EXPECT_EQ(OcxCall("DllRegisterServer"), S_OK); }
    std::set<std::wstring> unregistered;
};

TEST_F(Registration, WritesItsEntriesAndTakesBackExactlyThem) {
    ASSERT_EQ(OcxCall("DllRegisterServer"), S_OK);
    const auto registered = RegistryState();
    const std::wstring path = BesideExe(L"Joystick.OCX"), c = L"CLSID\\" + GuidText(CLSID_ControlJoystick),
                       page = L"CLSID\\" + GuidText(CLSID_PropertyPageJoystick), lib = GuidText(LIBID_Joystick);
    const std::pair<std::wstring, std::wstring> values[] = {
        {Read(c), L"Ombrel's Gantrel"},
        {Read(c + L"\\InprocServer32"), path},
        {Read(c + L"\\InprocServer32", L"ThreadingModel"), L"Apartment"},
        {Read(c + L"\\ProgID"), L"Joystick.ControlJoystick"},
        {Read(c + L"\\VersionIndependentProgID"), L"Joystick.ControlJoystick"},
        {Read(c + L"\\Control"), L""},
        {Read(c + L"\\ToolboxBitmap32"), path + L", 30000"},
        {Read(c + L"\\MiscStatus"), L"148881"},
        {Read(c + L"\\MiscStatus\\1"), L"148881"},
        {Read(c + L"\\TypeLib"), lib},
        {Read(c + L"\\Version"), L"1.2"},
        {Read(page), L"Ombrel's Gantrel"},
        {Read(page + L"\\InprocServer32"), path},
        {Read(L"Joystick.ControlJoystick"), L"Ombrel's Gantrel"},
        {Read(L"Joystick.ControlJoystick\\CLSID"), GuidText(CLSID_ControlJoystick)},
        {Read(L"TypeLib\\" + lib + L"\\1.2"), L"Ombrel's Gantrel powered by SideWinder GamePad"},
        {Read(L"TypeLib\\" + lib + L"\\1.2\\409\\win32"), path},
    };
    for (const auto& [read, expected] : values)
        EXPECT_EQ(_wcsicmp(read.c_str(), expected.c_str()), 0) << std::string(read.begin(), read.end());
    ASSERT_EQ(OcxCall("DllRegisterServer"), S_OK);
    EXPECT_EQ(RegistryState(), registered) << "registering twice differs from once";
    // A value and a key another program added under the library's keys stay, and only they.
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L"Joystick.ControlJoystick", L"Foreign", REG_SZ, L"x", 4);
    RegSetKeyValueW(HKEY_CLASSES_ROOT, (c + L"\\Implemented Categories").c_str(), L"Foreign", REG_SZ, L"y", 4);
    ASSERT_EQ(OcxCall("DllUnregisterServer"), S_OK);
    EXPECT_EQ(Read(L"Joystick.ControlJoystick", L"Foreign"), L"x");
    EXPECT_EQ(Read(c + L"\\Implemented Categories", L"Foreign"), L"y");
    EXPECT_EQ(Read(c), L"<missing>");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Joystick.ControlJoystick");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, c.c_str());
    EXPECT_EQ(RegistryState(), unregistered);
    EXPECT_EQ(OcxCall("DllUnregisterServer"), S_OK) << "nothing left to remove is no error";
    // The system's registration program does the same through the exports.
    ASSERT_EQ(RunSystemProgram(L"regsvr32.exe", L"/s \"" + path + L"\""), 0u);
    EXPECT_EQ(RegistryState(), registered);
    ASSERT_EQ(RunSystemProgram(L"regsvr32.exe", L"/u /s \"" + path + L"\""), 0u);
    EXPECT_EQ(RegistryState(), unregistered);
}

// The registry refuses for real: a lasting key cannot be made under a volatile one, and the test
// puts one where registration is about to write, with a value of its own so that it stays the
// test's. Registration fails and takes back everything it wrote.
TEST_F(Registration, FailingPartWayLeavesNothingBehind) {
    for (const std::wstring& blocked : {L"CLSID\\" + GuidText(CLSID_PropertyPageJoystick), // after the control's class
                                        L"TypeLib\\" + GuidText(LIBID_Joystick)}) {        // the type library itself
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, blocked.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"Owner", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"test"), 10);
        RegCloseKey(key);
        const auto before = RegistryState();
        EXPECT_TRUE(FAILED(OcxCall("DllRegisterServer")));
        EXPECT_EQ(RegistryState(), before) << std::string(blocked.begin(), blocked.end());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, blocked.c_str());
    }
}

// A late-bound script host creates the control by its program identifier and drives it by name.
TEST(RegisteredControl, ScriptHostDrivesItByName) {
    std::string output;
    EXPECT_EQ(RunSystemProgram(L"cscript.exe", L"//nologo \"" + BesideExe(L"control_script.vbs") + L"\"", &output), 0u)
        << output;
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    EXPECT_EQ(output, "Default=100\nRefused=100\nWrongType=13\nFromText=250\nRepeatButton=-1\nDone\n");
}

} // namespace
