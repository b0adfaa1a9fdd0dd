// What the tests of the control library's forms and objects share: the library loaded from
// beside the test program, IUnknown and IDispatch plumbing for the test's own COM objects, a
// property page site that records what it hears, lookups of a form's child windows, and a
// stand-in for the help viewer.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>
#include <wrl/client.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace ocxtest {

using Microsoft::WRL::ComPtr;

// Expected captions are written as UTF-16 literals; on this platform wchar_t is the same unit.
inline const wchar_t* W(const char16_t* s) {
    return reinterpret_cast<const wchar_t*>(s);
}

// Full path of a file beside the running test program.
inline std::wstring BesideExe(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

// Joystick.OCX loaded from beside the test program and used through its exports, without
// registration.
class OcxLibrary {
public:
    OcxLibrary() : module_(LoadLibraryW(BesideExe(L"Joystick.OCX").c_str())) {}
    OcxLibrary(const OcxLibrary&) = delete;
    OcxLibrary& operator=(const OcxLibrary&) = delete;
    ~OcxLibrary() {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

    HRESULT Factory(const CLSID& clsid, IClassFactory** factory) const {
        auto get = Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
        return get ? get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory)) : E_FAIL;
    }
    HRESULT Create(const CLSID& clsid, REFIID riid, void** ppv) const {
        ComPtr<IClassFactory> factory;
        HRESULT hr = Factory(clsid, &factory);
        if (FAILED(hr))
            return hr;
        return factory->CreateInstance(nullptr, riid, ppv);
    }
    template <typename T> HRESULT Create(const CLSID& clsid, ComPtr<T>& out) const {
        return Create(clsid, __uuidof(T), reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    }
    HRESULT CanUnloadNow() const { return Call("DllCanUnloadNow"); }
    HRESULT RegisterServer() const { return Call("DllRegisterServer"); }
    HRESULT UnregisterServer() const { return Call("DllUnregisterServer"); }

private:
    template <typename Fn> Fn Export(const char* name) const {
        return module_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }
    HRESULT Call(const char* name) const {
        auto entry = Export<HRESULT(WINAPI*)()>(name);
        return entry ? entry() : E_FAIL;
    }

    HMODULE module_;
};

// IUnknown for a test object that lives on the stack or in a fixture: QueryInterface answers
// IUnknown and Iids through Itf, and the count only counts, so that a test can compare it to
// see references kept or dropped; nothing is deleted.
template <typename Itf, const IID&... Iids> class StackObject : public Itf {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        for (const IID* iid : {&IID_IUnknown, &Iids...}) {
            if (riid == *iid) {
                *ppv = static_cast<Itf*>(this);
                AddRef();
                return S_OK;
            }
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs); }
    LONG refs = 1;
};

// The same for an object made with new, which goes at its last Release.
template <typename Itf, const IID&... Iids> class HeapObject : public StackObject<Itf, Iids...> {
public:
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&this->refs);
        if (n == 0)
            delete this;
        return n;
    }

protected:
    virtual ~HeapObject() = default;
};

// IDispatch with no type information and no members; a test object overrides what it answers.
template <typename Base> class NoMembers : public Base {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

// A property page site that records the status changes the page reports.
class TestPageSite final : public StackObject<IPropertyPageSite, IID_IPropertyPageSite> {
public:
    std::vector<DWORD> statusChanges;

    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override {
        statusChanges.push_back(flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override {
        if (!locale)
            return E_POINTER;
        *locale = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override {
        if (container)
            *container = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

    bool SawDirty() const {
        for (DWORD f : statusChanges)
            if (f & PROPPAGESTATUS_DIRTY)
                return true;
        return false;
    }
};

inline std::wstring Text(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(window, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(c);
    return out;
}

inline HWND ChildByText(HWND parent, const std::wstring& text) {
    for (HWND c : Children(parent))
        if (Text(c) == text)
            return c;
    return nullptr;
}

// A form's one text box.
inline HWND EditChild(HWND parent) {
    for (HWND c : Children(parent))
        if (_wcsicmp(ClassOf(c).c_str(), L"Edit") == 0)
            return c;
    return nullptr;
}

// Writes a window's screen rectangle as WIDTHxHEIGHT+LEFT+TOP, as the screenshot scripts read it.
inline bool WriteScreenRect(const wchar_t* file, HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    std::ofstream out(file);
    out << (r.right - r.left) << "x" << (r.bottom - r.top) << "+" << r.left << "+" << r.top << "\n";
    return static_cast<bool>(out);
}

// An extra mode of a test program, for the scripts around the tests: its flag and what it runs
// with the two arguments that follow the flag.
struct ExtraMode {
    const wchar_t* flag;
    int (*run)(const wchar_t* first, const wchar_t* second);
};

// Runs the extra mode the command line names, else the tests.
inline int RunModeOrTests(int argc, char** argv, std::initializer_list<ExtraMode> modes) {
    int wargc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    for (const ExtraMode& mode : modes) {
        if (wargv && wargc == 4 && wcscmp(wargv[1], mode.flag) == 0) {
            const int status = mode.run(wargv[2], wargv[3]);
            LocalFree(wargv);
            return status;
        }
    }
    LocalFree(wargv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Wine waits up to two seconds for a window manager's answer whenever a shown top-level window
// is hidden, and the test display runs no window manager. Asking Wine, for this program only, to
// leave its windows unmanaged removes the wait (and lets Wine draw the title bars itself). The
// setting is read when the display driver starts, so a global object sets it before main, and
// removes it at exit.
class UnmanagedWindowsForThisProgram {
public:
    UnmanagedWindowsForThisProgram() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name = path;
        name = name.substr(name.find_last_of(L"\\/") + 1);
        key_ = L"Software\\Wine\\AppDefaults\\" + name;
        RegSetKeyValueW(HKEY_CURRENT_USER, (key_ + L"\\X11 Driver").c_str(), L"Managed", REG_SZ, L"N", 4);
    }
    UnmanagedWindowsForThisProgram(const UnmanagedWindowsForThisProgram&) = delete;
    UnmanagedWindowsForThisProgram& operator=(const UnmanagedWindowsForThisProgram&) = delete;
    ~UnmanagedWindowsForThisProgram() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::wstring key_;
};

// A stand-in for the help viewer: the system's help call looks for a window of this class and
// hands it the request through WM_COPYDATA.
struct HelpRequest {
    UINT command = 0;
    DWORD data = 0;
    std::string file;
};

class HelpViewer {
public:
    HelpViewer() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MS_WINHELP";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, L"MS_WINHELP", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        Requests().clear();
    }
    HelpViewer(const HelpViewer&) = delete;
    HelpViewer& operator=(const HelpViewer&) = delete;
    ~HelpViewer() { DestroyWindow(hwnd); } // never shown: goes away without waiting
    static std::vector<HelpRequest>& Requests() {
        static std::vector<HelpRequest> requests;
        return requests;
    }
    HWND hwnd = nullptr;

private:
    // The request block: size, command, data, reserved, file-name offset, data offset, then the
    // ANSI file name.
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            const auto* bytes = static_cast<const BYTE*>(copy->lpData);
            HelpRequest r;
            if (copy->cbData >= 16) {
                WORD command, nameOffset;
                memcpy(&command, bytes + 2, 2);
                memcpy(&r.data, bytes + 4, 4);
                memcpy(&nameOffset, bytes + 12, 2);
                r.command = command;
                if (nameOffset && nameOffset < copy->cbData)
                    r.file.assign(reinterpret_cast<const char*>(bytes + nameOffset));
            }
            Requests().push_back(r);
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

// The folder of a module, ANSI, with its trailing separator.
inline std::string FolderOf(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of("\\/") + 1);
}

} // namespace ocxtest
