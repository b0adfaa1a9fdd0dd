// What the tests of Joystick.OCX share besides the tier's support: the library beside the test
// program and a seam in its imports, IUnknown for the test's own objects, one recording host, a
// page site, timer periods waited out, a driver for modal boxes and control look-ups. One program
// holds every test (test_environment.cpp).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <hlink.h>
#include <wrl/client.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "joystick/interfaces.h"
#include "win/automation.h"
#include "../support/win32_test_support.h"

namespace ocxtest {

using Microsoft::WRL::ComPtr;
using namespace joystick;
using namespace win32test;

using quorin::win::Wide;

// Joystick.OCX beside the test program, loaded once and used through its exports; the test
// environment registers it.
inline HMODULE Ocx() {
    static HMODULE module = LoadLibraryW(Beside(L"Joystick.OCX").c_str());
    return module;
}
inline HRESULT OcxCall(const char* name) {
    return reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(Ocx(), name)))();
}
inline HRESULT OcxClassFactory(const CLSID& clsid, IClassFactory** factory) {
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(Ocx(), "DllGetClassObject")));
    return get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
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

// While it lives, the library's calls of one imported system function go to `replacement`: the
// seam for the services whose effect the test cannot watch (joystick readings, the help viewer,
// the shell, the event log). The library imports them by name, so its import table names them.
class ImportPatch {
public:
    ImportPatch(const char* function, const void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(Ocx());
        const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); dll->Name && !slot_; ++dll) {
            auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
            for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk); name->u1.AddressOfData; ++name, ++slot)
                if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) &&
                    strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name, function) == 0)
                    slot_ = &slot->u1.Function;
        }
        EXPECT_NE(slot_, nullptr) << "Joystick.OCX does not import " << function;
        if (slot_)
            original_ = Swap(reinterpret_cast<DWORD>(replacement));
    }
    ~ImportPatch() {
        if (slot_)
            Swap(original_);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

private:
    DWORD Swap(DWORD target) {
        DWORD protection = 0, previous = *slot_;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        *slot_ = target;
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
        return previous;
    }
    DWORD* slot_ = nullptr;
    DWORD original_ = 0;
};

// The help viewer's entry point, recorded: each request as "file command context".
inline std::vector<std::wstring> g_helpRequests;
inline BOOL WINAPI RecordHelp(HWND, LPCWSTR file, UINT command, ULONG_PTR context) {
    g_helpRequests.push_back(std::wstring(file ? file : L"") + L" " + std::to_wstring(command) + L" " +
                             std::to_wstring(context));
    return TRUE;
}
struct HelpRecorder : ImportPatch {
    HelpRecorder() : ImportPatch("WinHelpW", reinterpret_cast<const void*>(RecordHelp)) { g_helpRequests.clear(); }
    // The one request since it started: topic `context` (HELP_CONTEXT, 1) of the help file
    // beside the library.
    static void ExpectOneRequest(ULONG_PTR context) {
        EXPECT_EQ(g_helpRequests, std::vector<std::wstring>{Beside(L"Joystick.HLP") + L" 1 " + std::to_wstring(context)});
    }
};

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

// An event's argument as the type library declares it, by reference: an enumeration as a 32-bit
// integer, a switch as true or false; anything else as "vtN".
inline std::string DescribeArgument(const VARIANTARG& a) {
    if (V_VT(&a) == (VT_I4 | VT_BYREF))
        return std::to_string(*V_I4REF(&a));
    if (V_VT(&a) != (VT_BOOL | VT_BYREF))
        return "vt" + std::to_string(V_VT(&a));
    const VARIANT_BOOL value = *V_BOOLREF(&a);
    return value == VARIANT_TRUE ? "true" : value == VARIANT_FALSE ? "false" : std::to_string(value);
}

// A container and event sink recording what the control tells it: events, change reports,
// saves, in-place activation and size requests, navigations through its hyperlink frame. Its
// IDispatch answers the ambient UserMode and takes every other call as an event.
class Host : public IOleClientSite, public IOleInPlaceSite, public NoMembers<IDispatch>,
             public IPropertyNotifySink, public IServiceProvider, public IHlinkFrame {
public:
    const IID* eventIid = &DIID___ControlJoystick; // the event identifier it answers besides IDispatch
    bool answersDispatch = true, userMode = false;
    bool plainMethodCalls = true; // every event a method call without named arguments
    HRESULT eventResult = S_OK;
    LONG assignPortOnError = -1; // >= 0: its Error handler assigns this to the Port parameter
    HWND window = nullptr;
    RECT slot{10, 10, 110, 90};
    std::vector<std::string> events; // each as "Name(argument,argument)"
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
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (id == DISPID_AMBIENT_USERMODE) {
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = userMode ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        static const char* const names[] = {"?",        "Begin",       "Finish", "ScanButton", "ScanCursor",
                                            "ButtonDown", "ButtonUp", "CursorPress", "Error"};
        std::string event = std::string(id >= 1 && id <= 8 ? names[id] : "?") + "(";
        plainMethodCalls = plainMethodCalls && flags == DISPATCH_METHOD && p->cNamedArgs == 0;
        for (UINT i = p->cArgs; i-- > 0;) {
            VARIANTARG& a = p->rgvarg[i];
            event += DescribeArgument(a) + (i ? "," : "");
            // Scribbled over: the control must not read its arguments back; Error's Port is the
            // stored port itself.
            if (V_VT(&a) == (VT_I4 | VT_BYREF) && (id != DISPID_EvError || assignPortOnError >= 0))
                *V_I4REF(&a) = id == DISPID_EvError ? assignPortOnError : 12345;
        }
        events.push_back(event + ")");
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

inline HWND ChildByText(HWND parent, const std::wstring& text) {
    return FindChild(parent, [&](HWND c) { return TextOf(c) == text; });
}
inline HWND ChildByPrefix(HWND parent, const std::wstring& prefix) {
    return FindChild(parent, [&](HWND c) { return TextOf(c).rfind(prefix, 0) == 0; });
}
inline HWND ChildOfClass(HWND parent, const wchar_t* windowClass) {
    return FindChild(parent, [&](HWND c) { return _wcsicmp(ClassOf(c).c_str(), windowClass) == 0; });
}
// A window's font as "face height weight charset".
inline std::wstring FontOf(HWND window) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return std::wstring(font.lfFaceName) + L" " + std::to_wstring(font.lfHeight) + L" " + std::to_wstring(font.lfWeight) +
           L" " + std::to_wstring(font.lfCharSet);
}
// The forms' font: MS UI Gothic, 9 point at 96 dpi, Japanese.
inline const std::wstring FormFont = L"MS UI Gothic -12 400 128";

// Runs `open`, which shows a modal box of this thread (a dialog or the system's property
// frame), and calls `step` with the box and the ticks since it showed, from a 10 ms timer that
// the box's own loop dispatches, until it returns true. A box still open after `tickLimit` ticks
// is closed and the run reported as timed out.
struct BoxRun {
    HRESULT result = E_UNEXPECTED;
    int ticksWithBox = 0;
    bool timedOut = false;
    std::function<bool(HWND, int)> step;
    int tickLimit = 1000;
};
inline BoxRun* g_box = nullptr;
// The box this thread shows: a dialog or frame of its own, not one shown over it.
inline HWND ThreadBox() {
    return win32test::ThreadBox([](HWND w) { return GetParent(w) == nullptr; });
}
inline void CALLBACK OnBoxTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = ThreadBox();
    if (!g_box || !box)
        return;
    if (++g_box->ticksWithBox > g_box->tickLimit) {
        g_box->timedOut = true;
        PostMessageW(box, WM_CLOSE, 0, 0);
    } else if (g_box->step && g_box->step(box, g_box->ticksWithBox))
        g_box->step = nullptr;
}
inline BoxRun RunBox(const std::function<HRESULT()>& open, std::function<bool(HWND, int)> step, int tickLimit = 1000) {
    BoxRun run{E_UNEXPECTED, 0, false, std::move(step), tickLimit};
    g_box = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, OnBoxTick);
    run.result = open();
    KillTimer(nullptr, timer);
    g_box = nullptr;
    EXPECT_EQ(ThreadBox(), nullptr) << "the box outlived its call";
    return run;
}
inline bool PressOk(HWND box, int = 0) {
    return SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0), true;
}

} // namespace ocxtest
