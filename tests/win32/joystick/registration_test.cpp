// Self-registration: what it writes, that unregistering takes back exactly that and nothing of
// anyone else's, that a failure part-way leaves nothing behind, and that a registered control
// is created by its program identifier through the system. The test environment has registered
// the library; each test leaves it so.
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
    return RegText(HKEY_CLASSES_ROOT, key, name);
}

// The subkey names of `path`, and with `deep` its values as "key\:name=data" and everything
// below it.
void Dump(const std::wstring& path, bool deep, std::set<std::wstring>& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    wchar_t name[512];
    BYTE data[2048];
    for (DWORD i = 0, n = 512, size = sizeof data;
         deep && RegEnumValueW(key, i, name, &n, nullptr, nullptr, data, &size) == ERROR_SUCCESS;
         ++i, n = 512, size = sizeof data)
        out.insert(path + L"\\:" + name + L"=" + std::wstring(reinterpret_cast<wchar_t*>(data), size / 2));
    std::vector<std::wstring> children;
    for (DWORD i = 0, n = 512; RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, n = 512)
        children.push_back(path + (path.empty() ? L"" : L"\\") + CharUpperW(name));
    RegCloseKey(key);
    out.insert(path);
    for (const std::wstring& child : children)
        deep ? Dump(child, true, out) : void(out.insert(child));
}

// What registration can touch: the names of every class, interface, type library and program
// identifier, and everything below the library's own keys.
std::set<std::wstring> RegistryState() {
    std::set<std::wstring> state;
    for (const wchar_t* folder : {L"", L"CLSID", L"Interface", L"TypeLib"})
        Dump(folder, false, state);
    for (const GUID* clsid : {&CLSID_ControlJoystick, &CLSID_PropertyPageJoystick})
        Dump(L"CLSID\\" + GuidText(*clsid), true, state);
    for (const GUID* iid : {&IID__ControlJoystick, &DIID___ControlJoystick, &IID__PropertyPageJoystick})
        Dump(L"INTERFACE\\" + GuidText(*iid), true, state);
    for (const GUID* lib : {&LIBID_Joystick, &LIBID_JoystickHyperlink})
        Dump(L"TYPELIB\\" + GuidText(*lib), true, state);
    Dump(L"JOYSTICK.CONTROLJOYSTICK", true, state);
    return state;
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
    const std::wstring path = Beside(L"Joystick.OCX"), c = L"CLSID\\" + GuidText(CLSID_ControlJoystick),
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
        {Read(L"TypeLib\\" + lib + L"\\1.2"), L"Ombrel's Gantrel powered by SideWinder GamePad"},
        {Read(L"TypeLib\\" + lib + L"\\1.2\\409\\win32"), path},
    };
    for (const auto& [read, expected] : values)
        EXPECT_EQ(_wcsicmp(read.c_str(), expected.c_str()), 0) << std::string(read.begin(), read.end());
    // A host creates the control by its program identifier through the system's registry.
    CLSID byName{};
    ComPtr<IControlJoystick> created;
    ASSERT_EQ(CLSIDFromProgID(L"Joystick.ControlJoystick", &byName), S_OK);
    EXPECT_EQ(CoCreateInstance(byName, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&created)), S_OK);
    created.Reset();
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

} // namespace
