// The scan tick end to end: the control polls the scripted joystick service on its own
// window timer, through this thread's message loop, with no container; the events reach a
// C++ sink in order, and a host that binds them through the type library receives the same.
// Runs with the test-only winmm.dll loaded in place of the system's.
#include <gtest/gtest.h>

#include "joystick_test_support.h"

using namespace joytest;
using namespace joystick;

namespace {

HMODULE g_ocx = nullptr;
LONG(__cdecl* g_calls)() = nullptr;
void(__cdecl* g_reset)() = nullptr;

class FakeService : public testing::Environment {
public:
    void SetUp() override {
        ExitOnCrash();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        g_ocx = LoadLibraryW(BesideExe(L"Joystick.OCX").c_str());
        ASSERT_NE(g_ocx, nullptr);
        // The library's import of the joystick service must have bound to the stand-in.
        HMODULE winmm = GetModuleHandleW(L"winmm.dll");
        ASSERT_NE(winmm, nullptr);
        g_calls = reinterpret_cast<LONG(__cdecl*)()>(GetProcAddress(winmm, "FakeJoyCalls"));
        g_reset = reinterpret_cast<void(__cdecl*)()>(GetProcAddress(winmm, "FakeJoyReset"));
        ASSERT_NE(g_calls, nullptr)
            << "the system's winmm.dll was loaded: WINEDLLOVERRIDES must say winmm=n,b";
        ASSERT_NE(g_reset, nullptr);
    }
    void TearDown() override { CoUninitialize(); }
};
const auto* const g_env = testing::AddGlobalTestEnvironment(new FakeService);

ComPtr<IControlJoystick> NewControl() {
    auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(g_ocx, "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    ComPtr<IControlJoystick> c;
    EXPECT_EQ(get(CLSID_ControlJoystick, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
              S_OK);
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IID__ControlJoystick,
                                          reinterpret_cast<void**>(c.GetAddressOf())),
                  S_OK);
    }
    return c;
}

void UseScript(const char* script) {
    SetEnvironmentVariableA("FAKEWINMM_SCRIPT", script);
    g_reset();
}

// Runs the thread's message loop until the service has been read `reads` times, then a short
// while longer so that a tick too many would show; bounded so a broken timer fails, not hangs.
void PumpUntilReads(LONG reads, DWORD settleMs = 150) {
    const DWORD start = GetTickCount();
    DWORD reached = 0;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD now = GetTickCount();
        if (!reached && g_calls() >= reads)
            reached = now;
        if (reached && now - reached >= settleMs)
            return;
        if (now - start > 15000)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Runs the message loop for a fixed time, to show that nothing more happens.
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

struct Sink {
    EventSink events;
    Connected connection;
};

void Connect(IControlJoystick* c, Sink& s) {
    ComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(c->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.GetAddressOf())),
              S_OK);
    ASSERT_EQ(cpc->FindConnectionPoint(DIID___ControlJoystick, &s.connection.cp), S_OK);
    ASSERT_EQ(s.connection.cp->Advise(&s.events, &s.connection.cookie), S_OK);
}

std::vector<std::string> Names(const std::vector<RaisedEvent>& events) {
    std::vector<std::string> out;
    for (const auto& e : events)
        out.push_back(Describe(e));
    return out;
}

// A host that binds the events as the control's own type library declares them: the members of
// __ControlJoystick, with their parameters and types, laid out as a vtable interface behind
// CreateStdDispatch. Before each call the platform converts every argument to its declared
// type, passing by-reference arguments of exactly that type through and refusing any other.
class TypedSink final : public IUnknown {
public:
    std::vector<RaisedEvent> events;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // The events in dispatch-identifier order, as the view lays them out.
    virtual HRESULT STDMETHODCALLTYPE Begin() { return Record(DISPID_EvBegin, {}); }
    virtual HRESULT STDMETHODCALLTYPE Finish() { return Record(DISPID_EvFinish, {}); }
    virtual HRESULT STDMETHODCALLTYPE ScanButton(LONG* button) {
        return Record(DISPID_EvScanButton, {*button});
    }
    virtual HRESULT STDMETHODCALLTYPE ScanCursor(LONG* x, LONG* y) {
        return Record(DISPID_EvScanCursor, {*x, *y});
    }
    virtual HRESULT STDMETHODCALLTYPE ButtonDown(VARIANT_BOOL* first, LONG* button) {
        return Record(DISPID_EvButtonDown, {*first, *button});
    }
    virtual HRESULT STDMETHODCALLTYPE ButtonUp(VARIANT_BOOL* last, LONG* button) {
        return Record(DISPID_EvButtonUp, {*last, *button});
    }
    virtual HRESULT STDMETHODCALLTYPE CursorPress(VARIANT_BOOL* first, VARIANT_BOOL* last) {
        return Record(DISPID_EvCursorPress, {*first, *last});
    }
    virtual HRESULT STDMETHODCALLTYPE Error(LONG* port) { return Record(DISPID_EvError, {*port}); }

private:
    HRESULT Record(DISPID id, std::vector<LONG> args) {
        events.push_back({id, std::move(args)});
        return S_OK;
    }
};

// The vtable view of __ControlJoystick, made in memory from the library in Joystick.OCX.
struct EventsView {
    ComPtr<ICreateTypeLib2> library;
    ComPtr<ITypeInfo> info;
};

HRESULT MakeEventsView(EventsView& view) {
    ComPtr<ITypeLib> control, standard;
    ComPtr<ITypeInfo> events, unknown;
    HRESULT hr = LoadTypeLibEx(BesideExe(L"Joystick.OCX").c_str(), REGKIND_NONE, &control);
    if (SUCCEEDED(hr))
        hr = control->GetTypeInfoOfGuid(DIID___ControlJoystick, &events);
    if (SUCCEEDED(hr))
        hr = LoadTypeLib(L"stdole2.tlb", &standard);
    if (SUCCEEDED(hr))
        hr = standard->GetTypeInfoOfGuid(IID_IUnknown, &unknown);
    wchar_t path[MAX_PATH + 16];
    GetTempPathW(MAX_PATH, path);
    wcscat(path, L"events-view.tlb"); // never saved
    ComPtr<ICreateTypeInfo> created;
    HREFTYPE base = 0;
    if (SUCCEEDED(hr))
        hr = CreateTypeLib2(SYS_WIN32, path, &view.library);
    if (SUCCEEDED(hr))
        hr = view.library->CreateTypeInfo(const_cast<LPOLESTR>(L"EventsView"), TKIND_INTERFACE, &created);
    if (SUCCEEDED(hr))
        hr = created->AddRefTypeInfo(unknown.Get(), &base);
    if (SUCCEEDED(hr))
        hr = created->AddImplType(0, base);
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(hr))
        hr = events->GetTypeAttr(&attr);
    for (UINT i = 0; SUCCEEDED(hr) && i < attr->cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        if (FAILED(hr = events->GetFuncDesc(i, &func)))
            break;
        if (func->memid >= DISPID_EvBegin && func->memid <= DISPID_EvError) {
            // Each parameter as declared; a reference to an enumeration is made anew in the view.
            std::vector<ELEMDESC> params(func->lprgelemdescParam, func->lprgelemdescParam + func->cParams);
            std::vector<TYPEDESC> pointees(params.size());
            for (size_t p = 0; SUCCEEDED(hr) && p < params.size(); ++p) {
                TYPEDESC& type = params[p].tdesc;
                if (type.vt != VT_PTR || type.lptdesc->vt != VT_USERDEFINED)
                    continue;
                ComPtr<ITypeInfo> target;
                pointees[p] = *type.lptdesc;
                hr = events->GetRefTypeInfo(type.lptdesc->hreftype, &target);
                if (SUCCEEDED(hr))
                    hr = created->AddRefTypeInfo(target.Get(), &pointees[p].hreftype);
                type.lptdesc = &pointees[p];
            }
            FUNCDESC slot = *func;
            const UINT index = static_cast<UINT>(func->memid - DISPID_EvBegin);
            slot.funckind = FUNC_PUREVIRTUAL;
            slot.callconv = CC_STDCALL;
            slot.oVft = static_cast<SHORT>((3 + index) * sizeof(void*));
            slot.elemdescFunc.tdesc.vt = VT_HRESULT;
            slot.lprgelemdescParam = params.data();
            if (SUCCEEDED(hr))
                hr = created->AddFuncDesc(index, &slot);
        }
        events->ReleaseFuncDesc(func);
    }
    if (attr)
        events->ReleaseTypeAttr(attr);
    if (SUCCEEDED(hr))
        hr = created->LayOut();
    if (SUCCEEDED(hr))
        hr = created.As(&view.info);
    return hr;
}

// The typed host's sink, connected to the control's events.
constexpr const char* kRefusedArgumentsMissEvents =
    "an argument of another type than declared is refused, and the typed host misses its event";

struct BoundSink {
    EventsView view;
    TypedSink typed;
    ComPtr<IUnknown> dispatch;
    Connected connection;
};

void ConnectBound(IControlJoystick* c, BoundSink& s) {
    ASSERT_EQ(MakeEventsView(s.view), S_OK);
    ASSERT_EQ(CreateStdDispatch(nullptr, &s.typed, s.view.info.Get(), &s.dispatch), S_OK);
    ComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(c->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.GetAddressOf())),
              S_OK);
    ASSERT_EQ(cpc->FindConnectionPoint(DIID___ControlJoystick, &s.connection.cp), S_OK);
    ASSERT_EQ(s.connection.cp->Advise(s.dispatch.Get(), &s.connection.cookie), S_OK);
}

TEST(Tick, ScriptedReadingsBecomeEventsInOrder) {
    // One reading for the port test, then two per tick; the last entry repeats at rest.
    UseScript("32768,32768,0;"                // Port: a joystick answers, so a beep and no Error
              "32768,32768,0;32768,32768,0;"  // pad at rest: arms the cursor, no event
              "32768,32768,1;32768,32768,1;"  // A pressed
              "256,32768,1;256,32768,1;"      // pad left while A is held
              "32768,32768,0;32768,32768,0"); // everything released
    auto c = NewControl();
    ASSERT_TRUE(c);
    Sink sink;
    Connect(c.Get(), sink);
    BoundSink bound;
    ConnectBound(c.Get(), bound);
    JoystickPortConstants port = JoystickPort2;
    ASSERT_EQ(c->put_Port(&port), S_OK);
    SHORT interval = 10;
    ASSERT_EQ(c->put_Interval(&interval), S_OK);
    ASSERT_EQ(c->Begin(), S_OK);
    PumpUntilReads(1 + 8 + 4);
    ASSERT_EQ(c->Finish(), S_OK);
    const LONG afterFinish = g_calls();
    PumpFor(100); // nothing more may be read
    EXPECT_EQ(g_calls(), afterFinish);
    EXPECT_EQ(Names(sink.events.events),
              (std::vector<std::string>{"Begin()", "ButtonDown(-1,1)", "ScanButton(1)", "CursorPress(-1,0)",
                                        "ScanCursor(256,32768)", "ButtonUp(-1,1)", "CursorPress(0,-1)",
                                        "Finish()"}));
    EXPECT_TRUE(sink.events.allByRef);
    EXPECT_EQ(Names(bound.typed.events), Names(sink.events.events)) << kRefusedArgumentsMissEvents;
}

// Finish and Begin leave the saved state and the armed cursor alone: a button still held is no
// new press, and the first pad move of the next scan is a press at once.
TEST(Tick, SavedStateAndArmedCursorSurviveFinishAndBegin) {
    UseScript("32768,32768,0;32768,32768,0;32768,32768,1"); // at rest, then A pressed and held
    auto c = NewControl();
    ASSERT_TRUE(c);
    Sink sink;
    Connect(c.Get(), sink);
    SHORT interval = 10;
    ASSERT_EQ(c->put_Interval(&interval), S_OK);
    ASSERT_EQ(c->Begin(), S_OK);
    PumpUntilReads(4);
    ASSERT_EQ(c->Finish(), S_OK);
    UseScript("256,32768,1"); // pad left, A still held
    ASSERT_EQ(c->Begin(), S_OK);
    PumpUntilReads(4);
    ASSERT_EQ(c->Finish(), S_OK);
    EXPECT_EQ(Names(sink.events.events),
              (std::vector<std::string>{"Begin()", "ButtonDown(-1,1)", "ScanButton(1)", "Finish()", "Begin()",
                                        "CursorPress(-1,0)", "ScanCursor(256,32768)", "Finish()"}));
}

// Writing Interval while scanning changes the period at once; 0 stops the ticks but leaves the
// timer enabled, so a later interval starts them again without Begin.
TEST(Tick, IntervalWrittenWhileScanning) {
    UseScript("32768,32768,0");
    auto c = NewControl();
    ASSERT_TRUE(c);
    Sink sink;
    Connect(c.Get(), sink);
    SHORT interval = 10000;
    ASSERT_EQ(c->put_Interval(&interval), S_OK);
    ASSERT_EQ(c->Begin(), S_OK);
    interval = 10;
    ASSERT_EQ(c->put_Interval(&interval), S_OK);
    PumpUntilReads(4, 0); // at the old period this would take 20 s; the wait gives up at 15
    EXPECT_GE(g_calls(), 4);
    interval = 0;
    ASSERT_EQ(c->put_Interval(&interval), S_OK);
    const LONG stopped = g_calls();
    PumpFor(100);
    EXPECT_EQ(g_calls(), stopped);
    interval = 10;
    ASSERT_EQ(c->put_Interval(&interval), S_OK);
    PumpUntilReads(stopped + 2, 0);
    EXPECT_GE(g_calls(), stopped + 2);
    ASSERT_EQ(c->Finish(), S_OK);
    EXPECT_EQ(Names(sink.events.events), (std::vector<std::string>{"Begin()", "Finish()"}));
}

TEST(Tick, MissingJoystickRaisesErrorAndFailedReadingsScanAsZero) {
    UseScript("0,0,0,165;"                   // Port: unplugged
              "32768,32768,2;32768,32768,2;" // B: pressed (arms nothing: pad moved from zero)
              "0,0,0,165;32768,32768,2");    // a failed first reading: (0, 0), no buttons
    auto c = NewControl();
    ASSERT_TRUE(c);
    Sink sink;
    Connect(c.Get(), sink);
    BoundSink bound;
    ConnectBound(c.Get(), bound);
    JoystickPortConstants port = JoystickPort3;
    ASSERT_EQ(c->put_Port(&port), S_OK);
    SHORT interval = 10;
    c->put_Interval(&interval);
    c->Begin();
    PumpUntilReads(1 + 4);
    c->Finish();
    auto names = Names(sink.events.events);
    ASSERT_GE(names.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 7),
              (std::vector<std::string>{"Error(2)", "Begin()", "ButtonDown(-1,2)", "ScanButton(2)",
                                        "ButtonUp(-1,2)", "CursorPress(-1,0)", "ScanCursor(0,0)"}));
    EXPECT_EQ(names.back(), "Finish()");
    EXPECT_EQ(Names(bound.typed.events), names) << kRefusedArgumentsMissEvents;
}

TEST(Tick, NoIntervalMeansNoTick) {
    UseScript("32768,32768,1");
    auto c = NewControl();
    ASSERT_TRUE(c);
    Sink sink;
    Connect(c.Get(), sink);
    ASSERT_EQ(c->Begin(), S_OK);
    PumpFor(300); // a timer with interval 0 never fires
    EXPECT_EQ(g_calls(), 0);
    c->Finish();
    EXPECT_EQ(Names(sink.events.events), (std::vector<std::string>{"Begin()", "Finish()"}));
}

// A handler that calls Finish stops later ticks; the tick in progress still takes its second
// reading. A handler that runs a message loop gets no tick inside its own tick.
class FinishingSink final : public TestObject<IDispatch> {
public:
    IControlJoystick* control = nullptr;
    std::vector<DISPID> seen;
    LONG readsDuringPump = -1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        seen.push_back(id);
        if (id == DISPID_EvButtonDown) {
            const LONG before = g_calls();
            // A modal loop inside the handler: timer messages keep coming.
            const DWORD start = GetTickCount();
            while (GetTickCount() - start < 100) {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageW(&msg);
                Sleep(5);
            }
            readsDuringPump = g_calls() - before;
            control->Finish();
        }
        return S_OK;
    }
};

TEST(Tick, FinishFromAHandlerAndNoTickInsideATick) {
    UseScript("32768,32768,0;32768,32768,0;32768,32768,4;32768,32768,4;32768,32768,0");
    auto c = NewControl();
    ASSERT_TRUE(c);
    FinishingSink sink;
    sink.control = c.Get();
    Connected connection;
    ComPtr<IConnectionPointContainer> cpc;
    c.As(&cpc);
    cpc->FindConnectionPoint(DIID___ControlJoystick, &connection.cp);
    ASSERT_EQ(connection.cp->Advise(&sink, &connection.cookie), S_OK);
    SHORT interval = 5;
    c->put_Interval(&interval);
    c->Begin();
    PumpUntilReads(4, 200);
    // Second tick: ButtonDown, the handler's own loop (no nested tick), Finish, then the rest of
    // the tick (ScanButton) and its second reading; nothing after.
    EXPECT_EQ(sink.readsDuringPump, 0);
    EXPECT_EQ(g_calls(), 4);
    EXPECT_EQ(sink.seen, (std::vector<DISPID>{DISPID_EvBegin, DISPID_EvButtonDown, DISPID_EvFinish,
                                              DISPID_EvScanButton}));
}

TEST(Tick, LibraryCanUnloadWhenEverythingIsReleased) {
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(g_ocx, "DllCanUnloadNow"));
    EXPECT_EQ(canUnload(), S_OK);
}

} // namespace
