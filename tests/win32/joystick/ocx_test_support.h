// What the tests of Joystick.OCX share: the library beside the test program, IUnknown for the
// test's own objects, one recording host, a page site, waits on conditions through the thread's
// message loop, a driver for modal boxes, window lookups, a stand-in help viewer, and the
// system's link handlers pointed at this program. One program holds every test (main.cpp).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <hlink.h>
#include <wrl/client.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "joystick/interfaces.h"

namespace ocxtest {

using Microsoft::WRL::ComPtr;
using namespace joystick;

// Expected captions are UTF-16 literals; on this platform wchar_t is the same unit.
inline const wchar_t* W(const char16_t* s) {
    return reinterpret_cast<const wchar_t*>(s);
}

inline std::wstring BesideExe(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    std::wstring p(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

// Joystick.OCX beside the test program, loaded once and used through its exports; the test
// environment registers it.
inline HMODULE Ocx() {
    static HMODULE module = LoadLibraryW(BesideExe(L"Joystick.OCX").c_str());
    return module;
}
template <typename Fn> Fn OcxExport(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Ocx(), name)));
}
inline HRESULT OcxCall(const char* name) {
    return OcxExport<HRESULT(WINAPI*)()>(name)();
}
inline HRESULT OcxClassFactory(const CLSID& clsid, IClassFactory** factory) {
    return OcxExport<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, IID_IClassFactory,
                                                                                       reinterpret_cast<void**>(factory));
}
template <typename T> ComPtr<T> Create(const CLSID& clsid) {
    ComPtr<IClassFactory> factory;
    ComPtr<T> object;
    if (SUCCEEDED(OcxClassFactory(clsid, &factory)))
        factory->CreateInstance(nullptr, __uuidof(T), reinterpret_cast<void**>(object.GetAddressOf()));
    EXPECT_TRUE(object) << "the library's class factory";
    return object;
}
inline ComPtr<IControlJoystick> NewControl() {
    return Create<IControlJoystick>(CLSID_ControlJoystick);
}

// IUnknown for a test object on the stack or in a fixture: QueryInterface answers IUnknown and
// Iids through Itf; the count only counts, for a test to see references kept or dropped.
template <typename Itf, const IID&... Iids> class TestObject : public Itf {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        for (const IID* iid : {&IID_IUnknown, &Iids...})
            if (riid == *iid)
                return *ppv = static_cast<Itf*>(this), AddRef(), S_OK;
        return *ppv = nullptr, E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs); }
    LONG refs = 1;
};

// IDispatch with no type information and no members; a test object overrides what it answers.
template <typename Base> class NoMembers : public Base {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

// One raised event as "Name(arg,arg)": booleans as -1/0, enumerations as their values.
inline std::string Describe(DISPID id, const std::vector<LONG>& args) {
    static const char* const names[] = {"?",          "Begin",    "Finish",      "ScanButton", "ScanCursor",
                                        "ButtonDown", "ButtonUp", "CursorPress", "Error"};
    std::string s = std::string(id >= 1 && id <= 8 ? names[id] : "?") + "(";
    for (size_t i = 0; i < args.size(); ++i)
        s += (i ? "," : "") + std::to_string(args[i]);
    return s + ")";
}

// A container and event sink recording what the control tells it: events, change reports,
// saves, in-place activation and size requests, navigations through its hyperlink frame. Its
// IDispatch answers the ambient UserMode and takes every other call as an event.
class Host : public IOleClientSite, public IOleInPlaceSite, public IDispatch, public IPropertyNotifySink,
             public IServiceProvider, public IHlinkFrame {
public:
    const IID* eventIid = &DIID___ControlJoystick; // the event identifier it answers besides IDispatch
    bool answersDispatch = true, userMode = false, allByReference = true;
    HRESULT eventResult = S_OK;
    LONG assignPortOnError = -1; // >= 0: its Error handler assigns this to the Port parameter
    HWND window = nullptr;
    RECT slot{10, 10, 110, 90};
    std::vector<std::string> events;
    std::vector<DISPID> changes;
    std::vector<RECT> sizeRequests;
    int saves = 0, activations = 0, deactivations = 0;
    std::wstring navigated;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else if ((riid == IID_IDispatch && answersDispatch) || (eventIid && riid == *eventIid))
            *ppv = static_cast<IDispatch*>(this);
        else if (riid == IID_IPropertyNotifySink)
            *ppv = static_cast<IPropertyNotifySink*>(this);
        else if (riid == IID_IServiceProvider)
            *ppv = static_cast<IServiceProvider*>(this);
        else if (riid == IID_IHlinkFrame)
            *ppv = static_cast<IHlinkFrame*>(this);
        else
            return *ppv = nullptr, E_NOINTERFACE;
        return AddRef(), S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs); }
    HRESULT STDMETHODCALLTYPE SaveObject() override { return ++saves, S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override { return *c = nullptr, E_NOINTERFACE; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override { return *w = window, S_OK; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return ++activations, S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** f, IOleInPlaceUIWindow** d, LPRECT pos, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO) override {
        return *f = nullptr, *d = nullptr, *pos = *clip = slot, S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return ++deactivations, S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT r) override { return sizeRequests.push_back(*r), S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (id == DISPID_AMBIENT_USERMODE) {
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = userMode ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        std::vector<LONG> args;
        allByReference = allByReference && flags == DISPATCH_METHOD && p->cNamedArgs == 0;
        for (UINT i = p->cArgs; i-- > 0;) {
            VARIANTARG& a = p->rgvarg[i];
            allByReference = allByReference && (V_VT(&a) & VT_BYREF);
            const bool number = V_VT(&a) == (VT_I4 | VT_BYREF);
            args.push_back(number ? *V_I4REF(&a) : *V_BOOLREF(&a));
            // Scribbled over: the control must not read its arguments back; Error's Port is the
            // stored port itself.
            if (number && (id != DISPID_EvError || assignPortOnError >= 0))
                *V_I4REF(&a) = id == DISPID_EvError ? assignPortOnError : 12345;
        }
        events.push_back(Describe(id, args));
        return eventResult;
    }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override { return changes.push_back(id), S_OK; }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID sid, REFIID riid, void** ppv) override {
        return sid == IID_IHlinkFrame ? QueryInterface(riid, ppv) : (*ppv = nullptr, E_NOINTERFACE);
    }
    HRESULT STDMETHODCALLTYPE SetBrowseContext(IHlinkBrowseContext*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBrowseContext(IHlinkBrowseContext**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(DWORD, LPBC, IBindStatusCallback*, IHlink* link) override {
        LPWSTR target = nullptr;
        const HRESULT hr = link->GetStringReference(HLINKGETREF_DEFAULT, &target, nullptr);
        navigated = target ? target : L"";
        CoTaskMemFree(target);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE OnNavigate(DWORD, IMoniker*, LPCWSTR, LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateHlink(ULONG, IMoniker*, LPCWSTR, LPCWSTR) override { return S_OK; }
};

// A sink connected to one of the control's connection points while it lives.
struct Connection {
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    HRESULT advised = E_FAIL;
    Connection(IUnknown* control, const IID& iid, IUnknown* sink) {
        ComPtr<IConnectionPointContainer> container;
        if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&container))) &&
            SUCCEEDED(container->FindConnectionPoint(iid, &point)))
            advised = point->Advise(sink, &cookie);
    }
    Connection(IUnknown* control, const IID& iid, Host* host) : Connection(control, iid, static_cast<IDispatch*>(host)) {}
    ~Connection() {
        if (SUCCEEDED(advised))
            point->Unadvise(cookie);
    }
};

// A property page site that records whether the page reported a change.
class PageSite final : public TestObject<IPropertyPageSite, IID_IPropertyPageSite> {
public:
    bool dirty = false;
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override {
        return dirty = dirty || (flags & PROPPAGESTATUS_DIRTY), S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override { return *locale = LOCALE_USER_DEFAULT, S_OK; }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** c) override { return *c = nullptr, E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// Dispatches this thread's messages until `done` holds, waking for messages or for `wake`;
// false when it does not within fifteen seconds.
inline bool PumpUntil(const std::function<bool()>& done, HANDLE wake = nullptr) {
    for (const DWORD start = GetTickCount();;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD spent = GetTickCount() - start;
        if (done() || spent >= 15000)
            return done();
        MsgWaitForMultipleObjects(wake ? 1 : 0, &wake, FALSE, 15000 - spent, QS_ALLINPUT);
    }
}

// Dispatches this thread's messages until a timer of `periodMs` has fired `count` times: a scan
// timer of the same period that still ran would have ticked meanwhile too.
inline int g_periods = 0;
inline void CALLBACK CountPeriod(HWND, UINT, UINT_PTR, DWORD) {
    ++g_periods;
}
inline void PumpPeriods(int count, UINT periodMs) {
    g_periods = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, periodMs, CountPeriod);
    PumpUntil([&] { return g_periods >= count; });
    KillTimer(nullptr, timer);
}

inline std::wstring Text(HWND window) {
    std::wstring s(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(window, s.data(), static_cast<int>(s.size()))));
    return s;
}
inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}
inline HWND Child(HWND parent, const std::function<bool(HWND)>& match) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (match(c))
            return c;
    return nullptr;
}
inline HWND ChildByText(HWND parent, const std::wstring& text) {
    return Child(parent, [&](HWND c) { return Text(c) == text; });
}
inline HWND ChildByPrefix(HWND parent, const std::wstring& prefix) {
    return Child(parent, [&](HWND c) { return Text(c).rfind(prefix, 0) == 0; });
}
inline HWND ChildOfClass(HWND parent, const wchar_t* windowClass) {
    return Child(parent, [&](HWND c) { return _wcsicmp(ClassOf(c).c_str(), windowClass) == 0; });
}
inline LOGFONTW FontOf(HWND window) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}
// A key pressed and released, through the input queue.
inline void SendKey(WORD key) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}
inline void ClickLabel(HWND label) {
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, 0), SendMessageW(label, WM_LBUTTONUP, 0, 0);
}
// A window's screen rectangle as WIDTHxHEIGHT+LEFT+TOP, as screenshot.sh reads it.
inline bool WriteScreenRect(const wchar_t* file, HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    std::ofstream out(file);
    out << (r.right - r.left) << "x" << (r.bottom - r.top) << "+" << r.left << "+" << r.top << "\n";
    return static_cast<bool>(out);
}

// Runs `open`, which shows a modal box of this thread, and calls `step` with the box from a
// timer that the box's own loop dispatches, until it returns true. A box still open after
// `tickLimit` ticks of 10 ms is closed and the run reported as timed out.
struct BoxRun {
    HRESULT result = E_UNEXPECTED;
    int ticksWithBox = 0;
    bool timedOut = false;
    std::function<bool(HWND)> step;
    int tickLimit = 1000;
};
inline BoxRun* g_box = nullptr;
inline BOOL CALLBACK MatchBox(HWND w, LPARAM found) {
    if (!IsWindowVisible(w) || ClassOf(w) != L"#32770" || GetParent(w))
        return TRUE;
    return *reinterpret_cast<HWND*>(found) = w, FALSE;
}
// The box this thread shows; other test programs may show theirs on the same display.
inline HWND ThreadBox() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchBox, reinterpret_cast<LPARAM>(&found));
    return found;
}
inline void CALLBACK OnBoxTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = ThreadBox();
    if (!g_box || !box)
        return;
    if (++g_box->ticksWithBox > g_box->tickLimit) {
        g_box->timedOut = true;
        PostMessageW(box, WM_CLOSE, 0, 0);
    } else if (g_box->step && g_box->step(box))
        g_box->step = nullptr;
}
inline BoxRun RunBox(const std::function<HRESULT()>& open, std::function<bool(HWND)> step, int tickLimit = 1000) {
    BoxRun run;
    run.step = std::move(step);
    run.tickLimit = tickLimit;
    g_box = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, OnBoxTick);
    run.result = open();
    KillTimer(nullptr, timer);
    g_box = nullptr;
    EXPECT_EQ(ThreadBox(), nullptr) << "the box outlived its call";
    return run;
}
inline bool PressOk(HWND box) {
    return SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0), true;
}

// A stand-in for the help viewer: the system's help call looks for a window of this class and
// hands it the request through WM_COPYDATA: size, command, data, reserved, file-name offset,
// data offset, then the ANSI file name.
struct HelpRequest {
    UINT command = 0;
    DWORD context = 0;
    std::string file;
};
inline std::vector<HelpRequest> g_helpRequests;
inline LRESULT CALLBACK HelpViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (message != WM_COPYDATA || copy->cbData < 16)
        return DefWindowProcW(window, message, wParam, lParam);
    const auto* bytes = static_cast<const BYTE*>(copy->lpData);
    const WORD nameOffset = *reinterpret_cast<const WORD*>(bytes + 12);
    g_helpRequests.push_back({*reinterpret_cast<const WORD*>(bytes + 2), *reinterpret_cast<const DWORD*>(bytes + 4),
                              nameOffset < copy->cbData ? reinterpret_cast<const char*>(bytes + nameOffset) : ""});
    return TRUE;
}
class HelpViewer {
public:
    HelpViewer() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HelpViewerProc;
        wc.lpszClassName = L"MS_WINHELP";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, L"MS_WINHELP", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        g_helpRequests.clear();
    }
    ~HelpViewer() { DestroyWindow(window_); } // never shown: goes without waiting
    // The one request since the viewer started: context `context` of the help file beside the library.
    static void ExpectOneRequest(DWORD context) {
        char path[MAX_PATH] = {};
        const std::string library(path, GetModuleFileNameA(Ocx(), path, MAX_PATH));
        ASSERT_EQ(g_helpRequests.size(), 1u);
        EXPECT_EQ(g_helpRequests[0].command, static_cast<UINT>(HELP_CONTEXT));
        EXPECT_EQ(g_helpRequests[0].context, context);
        EXPECT_EQ(_stricmp(g_helpRequests[0].file.c_str(),
                           (library.substr(0, library.find_last_of('\\') + 1) + "Joystick.HLP").c_str()),
                  0);
    }

private:
    HWND window_;
};

// While it lives, the system's handlers for `schemes` are this program in --record-url mode
// (main.cpp), which appends each address to a file and signals the event Recorded(); or, not
// `working`, a program that does not exist.
class UrlRecorder {
public:
    explicit UrlRecorder(std::initializer_list<const wchar_t*> schemes, bool working = true)
        : recorded_(CreateEventW(nullptr, FALSE, FALSE, L"JoystickTestUrlRecorded")) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        file_ = std::wstring(temp) + L"joystick-test-urls.txt";
        DeleteFileW(file_.c_str());
        const std::wstring program = working ? BesideExe(L"joystick_ocx_test.exe") : BesideExe(L"missing.exe");
        const std::wstring command = L"\"" + program + L"\" --record-url \"" + file_ + L"\" \"%1\"";
        for (const wchar_t* scheme : schemes) {
            wchar_t value[1024];
            DWORD size = sizeof value;
            const std::wstring key = scheme + std::wstring(L"\\shell\\open\\command");
            const bool had = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                                          &size) == ERROR_SUCCESS;
            saved_.push_back({scheme, key, had ? value : L"", had});
            RegSetKeyValueW(HKEY_CLASSES_ROOT, scheme, L"URL Protocol", REG_SZ, L"", 2);
            SetCommand(key, command);
        }
    }
    ~UrlRecorder() {
        for (const Saved& s : saved_) {
            if (s.had)
                SetCommand(s.key, s.command);
            else
                RegDeleteTreeW(HKEY_CLASSES_ROOT, s.scheme.c_str());
        }
        CloseHandle(recorded_);
        DeleteFileW(file_.c_str());
    }
    HANDLE Recorded() const { return recorded_; }
    std::vector<std::string> Urls() const {
        std::vector<std::string> lines;
        std::ifstream in(file_.c_str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    static void SetCommand(const std::wstring& key, const std::wstring& command) {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(),
                        static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    struct Saved {
        std::wstring scheme, key, command;
        bool had;
    };
    HANDLE recorded_;
    std::wstring file_;
    std::vector<Saved> saved_;
};

// The screenshot modes (main.cpp): the window shows, its rectangle goes to `ready`, and it
// closes once the file `done` exists.
int ShowPageInFrameForScreenshot(const wchar_t* ready, const wchar_t* done);
int ShowAboutBoxForScreenshot(const wchar_t* ready, const wchar_t* done);

} // namespace ocxtest
