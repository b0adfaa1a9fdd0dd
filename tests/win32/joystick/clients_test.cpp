// Real clients of the built Joystick.OCX: regsvr32 and an installer-style LoadLibrary +
// DllRegisterServer (the registry before, between and after), VBScript through cscript, and
// the platform's control container window hosting the control.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "joystick_test_support.h"

using namespace joytest;
using namespace joystick;

namespace {

std::wstring Guid(const GUID& g) {
    wchar_t s[40];
    StringFromGUID2(g, s, 40);
    return s;
}

// Key names below a classes-root folder ("" for the root itself), upper-cased.
std::set<std::wstring> SubKeys(const std::wstring& path) {
    std::set<std::wstring> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return out;
    wchar_t name[512];
    for (DWORD i = 0;; ++i) {
        DWORD len = 512;
        if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::wstring n(name, len);
        CharUpperBuffW(n.data(), static_cast<DWORD>(n.size()));
        out.insert(n);
    }
    RegCloseKey(key);
    return out;
}

// Every key below the classes root that a COM registration can touch, as "folder\key".
std::set<std::wstring> Snapshot() {
    std::set<std::wstring> all;
    for (const wchar_t* folder : {L"", L"CLSID", L"Interface", L"TypeLib"})
        for (const auto& k : SubKeys(folder))
            all.insert(std::wstring(folder) + L"\\" + k);
    return all;
}

std::set<std::wstring> Added(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
    std::set<std::wstring> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::inserter(out, out.end()));
    return out;
}

std::wstring Upper(std::wstring s) {
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::wstring ReadString(const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t buf[1024];
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

// Runs a program of the prefix and returns its exit code; its standard output goes to *out.
DWORD RunProgram(const std::wstring& commandLine, std::string* out = nullptr) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &sa, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(read);
        CloseHandle(write);
        return 0xFFFFFFFF;
    }
    CloseHandle(write);
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(read, buf, sizeof buf, &got, nullptr) && got > 0)
        text.append(buf, got);
    CloseHandle(read);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFE;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (out)
        *out = text;
    return code;
}

std::wstring SystemProgram(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(L"\"") + dir + L"\\" + name + L"\"";
}

// What registration must add, and nothing else.
std::set<std::wstring> ExpectedKeys() {
    std::set<std::wstring> keys = {
        L"\\JOYSTICK.CONTROLJOYSTICK",
        L"CLSID\\" + Upper(Guid(CLSID_ControlJoystick)),
        L"TypeLib\\" + Upper(Guid(LIBID_Joystick)),
        L"TypeLib\\{3A158410-718C-4862-8341-29DAAC02F924}",
        L"Interface\\" + Upper(Guid(IID__ControlJoystick)),
        L"Interface\\" + Upper(Guid(DIID___ControlJoystick)),
        L"Interface\\" + Upper(Guid(IID__PropertyPageJoystick)),
    };
    keys.insert(L"CLSID\\" + Upper(Guid(CLSID_PropertyPageJoystick)));
    return keys;
}

void CheckRegisteredValues(const std::wstring& path) {
    const std::wstring c = L"CLSID\\" + Guid(CLSID_ControlJoystick);
    EXPECT_EQ(ReadString(c), L"Ombrel's Gantrel");
    EXPECT_EQ(Upper(ReadString(c + L"\\InprocServer32")), Upper(path));
    EXPECT_EQ(ReadString(c + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadString(c + L"\\ProgID"), L"Joystick.ControlJoystick");
    EXPECT_EQ(ReadString(c + L"\\VersionIndependentProgID"), L"Joystick.ControlJoystick");
    EXPECT_EQ(ReadString(c + L"\\Control"), L"");
    EXPECT_EQ(Upper(ReadString(c + L"\\ToolboxBitmap32")), Upper(path + L", 30000"));
    EXPECT_EQ(ReadString(c + L"\\MiscStatus"), L"148881");
    EXPECT_EQ(ReadString(c + L"\\MiscStatus\\1"), L"148881");
    EXPECT_EQ(ReadString(c + L"\\TypeLib"), Guid(LIBID_Joystick));
    EXPECT_EQ(ReadString(c + L"\\Version"), L"1.2");
    EXPECT_EQ(SubKeys(c), (std::set<std::wstring>{L"CONTROL", L"INPROCSERVER32", L"MISCSTATUS", L"PROGID",
                                                  L"TOOLBOXBITMAP32", L"TYPELIB", L"VERSION",
                                                  L"VERSIONINDEPENDENTPROGID"}));
    const std::wstring p = L"CLSID\\" + Guid(CLSID_PropertyPageJoystick);
    EXPECT_EQ(ReadString(p), L"Ombrel's Gantrel");
    EXPECT_EQ(Upper(ReadString(p + L"\\InprocServer32")), Upper(path));
    EXPECT_EQ(ReadString(L"Joystick.ControlJoystick"), L"Ombrel's Gantrel");
    EXPECT_EQ(ReadString(L"Joystick.ControlJoystick\\CLSID"), Guid(CLSID_ControlJoystick));
    EXPECT_EQ(Upper(ReadString(L"TypeLib\\" + Guid(LIBID_Joystick) + L"\\1.2\\409\\win32")), Upper(path));
    EXPECT_EQ(ReadString(L"TypeLib\\" + Guid(LIBID_Joystick) + L"\\1.2"),
              L"Ombrel's Gantrel powered by SideWinder GamePad");
}

class Clients : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ExitOnCrash();
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // Other programs in this prefix load the hyperlink library from a file beside them,
        // which registers it as a side effect. It is our library: start from a registry
        // without it so the snapshots below see exactly what registration adds.
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TypeLib\\{3A158410-718C-4862-8341-29DAAC02F924}");
    }
    static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(Clients, Regsvr32RegistersExactlyAndUnregistersEverything) {
    ASSERT_EQ(GetACP(), 932u);
    const std::wstring path = BesideExe(L"Joystick.OCX");
    const auto before = Snapshot();
    ASSERT_EQ(RunProgram(SystemProgram(L"regsvr32.exe") + L" /s \"" + path + L"\""), 0u);
    const auto between = Snapshot();
    EXPECT_EQ(Added(before, between), ExpectedKeys());
    CheckRegisteredValues(path);
    // Created by name through the registry, in this process.
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(L"Joystick.ControlJoystick", &clsid), S_OK);
    {
        // Late-bound Hyperlink resolves the imported hyperlink library through its registered
        // TypeLib key alone (no copy of it beside this program).
        IDispatch* control = nullptr;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&control)),
                  S_OK);
        DISPPARAMS none{};
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(
            control->Invoke(DISPID_Hyperlink, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            S_OK);
        EXPECT_TRUE(V_VT(&result) == VT_DISPATCH || V_VT(&result) == VT_UNKNOWN);
        VariantClear(&result);
        control->Release();
    }
    ASSERT_EQ(RunProgram(SystemProgram(L"regsvr32.exe") + L" /u /s \"" + path + L"\""), 0u);
    const auto after = Snapshot();
    EXPECT_EQ(Added(before, after), std::set<std::wstring>{});
    EXPECT_EQ(Added(after, before), std::set<std::wstring>{}) << "unregistration removed someone else's key";
}

TEST_F(Clients, InstallerStyleLoadLibraryAndEntryPoints) {
    const std::wstring path = BesideExe(L"Joystick.OCX");
    const auto before = Snapshot();
    // As an installer's helper does it: the ANSI path, the entry point by name.
    std::string ansi(MAX_PATH * 2, '\0');
    ansi.resize(WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi.data(), static_cast<int>(ansi.size()),
                                    nullptr, nullptr) -
                1);
    HMODULE lib = LoadLibraryA(ansi.c_str());
    ASSERT_NE(lib, nullptr);
    auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(lib, "DllRegisterServer")));
    auto unreg = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(lib, "DllUnregisterServer")));
    ASSERT_TRUE(reg && unreg);
    EXPECT_EQ(reg(), S_OK);
    EXPECT_EQ(reg(), S_OK); // registering twice changes nothing
    EXPECT_EQ(Added(before, Snapshot()), ExpectedKeys());
    {
        ComPtr<IUnknown> control;
        EXPECT_EQ(CoCreateInstance(CLSID_ControlJoystick, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(control.GetAddressOf())),
                  S_OK);
    }
    EXPECT_EQ(unreg(), S_OK);
    EXPECT_EQ(unreg(), S_OK); // nothing left to remove is not an error
    EXPECT_EQ(Added(before, Snapshot()), std::set<std::wstring>{});
    ComPtr<IUnknown> none;
    EXPECT_EQ(CoCreateInstance(CLSID_ControlJoystick, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(none.GetAddressOf())),
              REGDB_E_CLASSNOTREG);
    CoFreeUnusedLibraries();
    FreeLibrary(lib);
}

// Registration that fails part-way takes back everything it wrote. The registry refuses for
// real: a non-volatile key cannot be made under a volatile one, and the test puts one where
// registration is about to write, with a value of its own so that the key stays the test's.
TEST_F(Clients, RegistrationFailingPartWayLeavesNothingBehind) {
    const std::wstring path = BesideExe(L"Joystick.OCX");
    HMODULE lib = LoadLibraryW(path.c_str());
    ASSERT_NE(lib, nullptr);
    auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(lib, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    const std::wstring blocked[] = {
        L"CLSID\\" + Guid(CLSID_PropertyPageJoystick), // after the control's class and program identifier
        L"TypeLib\\" + Guid(LIBID_Joystick),           // after every entry: the type library itself
    };
    for (const std::wstring& key : blocked) {
        SCOPED_TRACE(testing::Message() << std::string(key.begin(), key.end()));
        HKEY volatileKey = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            RegSetValueExW(volatileKey, L"Owner", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"test"), 10),
            ERROR_SUCCESS);
        HKEY probe = nullptr;
        ASSERT_NE(RegCreateKeyExW(volatileKey, L"Probe", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &probe, nullptr),
                  ERROR_SUCCESS)
            << "the registry must refuse a lasting key under a volatile one";
        RegCloseKey(volatileKey);
        const auto before = Snapshot();
        EXPECT_TRUE(FAILED(reg()));
        const auto after = Snapshot();
        EXPECT_EQ(Added(before, after), std::set<std::wstring>{});
        EXPECT_EQ(Added(after, before), std::set<std::wstring>{});
        EXPECT_EQ(ReadString(key), L"<missing>") << "the value registration wrote is gone";
        EXPECT_EQ(ReadString(key, L"Owner"), L"test");
        EXPECT_EQ(SubKeys(key), std::set<std::wstring>{});
        RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    }
    FreeLibrary(lib);
}

TEST_F(Clients, UnregistrationKeepsWhatOthersAddedUnderOurKeys) {
    const std::wstring path = BesideExe(L"Joystick.OCX");
    HMODULE lib = LoadLibraryW(path.c_str());
    auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(lib, "DllRegisterServer")));
    auto unreg = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(lib, "DllUnregisterServer")));
    ASSERT_EQ(reg(), S_OK);
    // A category manager adds its own key below the class.
    const std::wstring extra = L"CLSID\\" + Guid(CLSID_ControlJoystick) + L"\\Implemented Categories";
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CLASSES_ROOT, extra.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(unreg(), S_OK);
    EXPECT_EQ(SubKeys(L"CLSID\\" + Guid(CLSID_ControlJoystick)),
              (std::set<std::wstring>{L"IMPLEMENTED CATEGORIES"}));
    EXPECT_EQ(ReadString(L"CLSID\\" + Guid(CLSID_ControlJoystick)), L"<missing>");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + Guid(CLSID_ControlJoystick)).c_str());
    FreeLibrary(lib);
}

TEST_F(Clients, VBScriptThroughCscript) {
    const std::wstring path = BesideExe(L"Joystick.OCX");
    ASSERT_EQ(RunProgram(SystemProgram(L"regsvr32.exe") + L" /s \"" + path + L"\""), 0u);
    std::string out;
    const DWORD code = RunProgram(
        SystemProgram(L"cscript.exe") + L" //nologo \"" + BesideExe(L"control_script.vbs") + L"\"", &out);
    RunProgram(SystemProgram(L"regsvr32.exe") + L" /u /s \"" + path + L"\"");
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    EXPECT_EQ(code, 0u) << out;
    EXPECT_EQ(out, "Interval=0\n"
                   "Interval=100\n"
                   "Default=100\n"
                   "Refused=100\n"
                   "WrongType=13\n"
                   "FromText=250\n"
                   "Port=2\n"
                   "RepeatButton=-1\n"
                   "RepeatCursor=0\n"
                   "Done\n");
}

TEST_F(Clients, ControlContainerWindowHostsTheControl) {
    const std::wstring path = BesideExe(L"Joystick.OCX");
    ASSERT_EQ(RunProgram(SystemProgram(L"regsvr32.exe") + L" /s \"" + path + L"\""), 0u);
    HMODULE atl = LoadLibraryW(L"atl.dll");
    ASSERT_NE(atl, nullptr);
    auto init =
        reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto getControl = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    ASSERT_TRUE(init && getControl);
    ASSERT_TRUE(init());

    HWND form = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(form, nullptr);
    HWND host = CreateWindowExW(0, L"AtlAxWin", L"Joystick.ControlJoystick", WS_CHILD | WS_VISIBLE, 10, 10,
                                100, 80, form, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    {
        ComPtr<IUnknown> unk;
        ASSERT_EQ(getControl(host, &unk), S_OK);
        ComPtr<IControlJoystick> control;
        ASSERT_EQ(unk.As(&control), S_OK);
        ComPtr<IOleObject> ole;
        ASSERT_EQ(unk.As(&ole), S_OK);
        ComPtr<IOleClientSite> site;
        EXPECT_EQ(ole->GetClientSite(&site), S_OK);
        EXPECT_TRUE(site);

        HDC screen = GetDC(nullptr);
        const LONG himetric = MulDiv(24, 2540, GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
        // The container sized it to its window; it came back as 24 x 24 pixels.
        SIZEL size{};
        EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
        EXPECT_EQ(size.cx, himetric);
        EXPECT_EQ(size.cy, himetric);
        ComPtr<IOleInPlaceObject> inPlace;
        ASSERT_EQ(unk.As(&inPlace), S_OK);
        HWND face = nullptr;
        ASSERT_EQ(inPlace->GetWindow(&face), S_OK);
        EXPECT_EQ(GetParent(face), host);
        RECT r{};
        GetWindowRect(face, &r);
        EXPECT_EQ(r.right - r.left, 24);
        EXPECT_EQ(r.bottom - r.top, 24);
        // Run time (the container offers no ambient UserMode): nothing shows.
        EXPECT_FALSE(IsWindowVisible(face));

        MoveWindow(host, 10, 10, 200, 150, TRUE);
        EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
        EXPECT_EQ(size.cx, himetric);
        GetWindowRect(face, &r);
        EXPECT_EQ(r.right - r.left, 24);
        EXPECT_FALSE(IsWindowVisible(face));

        // It still works as a control while hosted.
        SHORT interval = 30;
        EXPECT_EQ(control->put_Interval(&interval), S_OK);
        EXPECT_EQ(control->Begin(), S_OK);
        EXPECT_EQ(control->Finish(), S_OK);
    }
    DestroyWindow(host);
    DestroyWindow(form);
    CoFreeUnusedLibraries();
    RunProgram(SystemProgram(L"regsvr32.exe") + L" /u /s \"" + path + L"\"");
}

} // namespace
