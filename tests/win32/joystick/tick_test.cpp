// The scan tick end to end: the control polls the scripted joystick service (the test-only
// winmm.dll beside this program) on its own window timer, through this thread's message loop,
// with no container. The events reach a recording sink in order, and a host that binds them
// through the control's type library receives the same.
#include <memory>

#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

void (*g_script)(const char*) = nullptr;
LONG (*g_calls)() = nullptr;

class Tick : public testing::Test {
protected:
    void SetUp() override {
        HMODULE winmm = GetModuleHandleW(L"winmm.dll");
        g_script = reinterpret_cast<void (*)(const char*)>(reinterpret_cast<void*>(GetProcAddress(winmm, "FakeJoyScript")));
        g_calls = reinterpret_cast<LONG (*)()>(reinterpret_cast<void*>(GetProcAddress(winmm, "FakeJoyCalls")));
        ASSERT_TRUE(g_script && g_calls) << "the system's winmm.dll was loaded: WINEDLLOVERRIDES must say winmm=n,b";
    }
    void TearDown() override { g_script(""); } // every later reading: no joystick
    static void Scan(IControlJoystick* c, SHORT interval) {
        ASSERT_EQ(c->put_Interval(&interval), S_OK);
        ASSERT_EQ(c->Begin(), S_OK);
    }
    static bool PumpUntilReads(LONG reads) {
        return PumpUntil([&] { return g_calls() >= reads; });
    }
};

// A host that binds the events as the control's type library declares them: the members of
// __ControlJoystick, with their parameters and types, laid out as a vtable interface behind
// CreateStdDispatch. The platform converts every argument to its declared type before the
// call, passing by-reference arguments of exactly that type through and refusing any other.
class TypedSink final : public IUnknown {
public:
    std::vector<std::string> events;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // The events in dispatch-identifier order, as the view lays them out.
    virtual HRESULT STDMETHODCALLTYPE Begin() { return Record(DISPID_EvBegin, {}); }
    virtual HRESULT STDMETHODCALLTYPE Finish() { return Record(DISPID_EvFinish, {}); }
    virtual HRESULT STDMETHODCALLTYPE ScanButton(LONG* button) { return Record(DISPID_EvScanButton, {*button}); }
    virtual HRESULT STDMETHODCALLTYPE ScanCursor(LONG* x, LONG* y) { return Record(DISPID_EvScanCursor, {*x, *y}); }
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
    HRESULT Record(DISPID id, std::vector<LONG> args) { return events.push_back(Describe(id, args)), S_OK; }
};

// Adds the events of `events` to `view` as vtable members after IUnknown's, each parameter as
// declared, with references to enumerations made anew in the view's library.
HRESULT AddEventMembers(ITypeInfo* events, ICreateTypeInfo* view) {
    TYPEATTR* attr = nullptr;
    HRESULT hr = events->GetTypeAttr(&attr);
    for (UINT i = 0; SUCCEEDED(hr) && i < attr->cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        if (FAILED(hr = events->GetFuncDesc(i, &func)))
            break;
        if (func->memid >= DISPID_EvBegin && func->memid <= DISPID_EvError) {
            std::vector<ELEMDESC> params(func->lprgelemdescParam, func->lprgelemdescParam + func->cParams);
            std::vector<TYPEDESC> pointees(params.size());
            for (size_t p = 0; SUCCEEDED(hr) && p < params.size(); ++p) {
                TYPEDESC& type = params[p].tdesc;
                ComPtr<ITypeInfo> target;
                if (type.vt != VT_PTR || type.lptdesc->vt != VT_USERDEFINED)
                    continue;
                pointees[p] = *type.lptdesc;
                hr = events->GetRefTypeInfo(type.lptdesc->hreftype, &target);
                if (SUCCEEDED(hr))
                    hr = view->AddRefTypeInfo(target.Get(), &pointees[p].hreftype);
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
                hr = view->AddFuncDesc(index, &slot);
        }
        events->ReleaseFuncDesc(func);
    }
    if (attr)
        events->ReleaseTypeAttr(attr);
    return hr;
}

// The typed sink behind a dispatcher made from an in-memory view of __ControlJoystick, connected.
struct BoundSink {
    ComPtr<ICreateTypeLib2> library;
    ComPtr<ITypeInfo> view;
    TypedSink typed;
    ComPtr<IUnknown> dispatch;
    std::unique_ptr<Connection> connection;

    void Bind(IControlJoystick* c) {
        ComPtr<ITypeLib> control, standard;
        ComPtr<ITypeInfo> events, unknown;
        ComPtr<ICreateTypeInfo> created;
        HREFTYPE base = 0;
        wchar_t never[MAX_PATH + 16]; // the view library is never saved
        GetTempPathW(MAX_PATH, never);
        wcscat(never, L"events-view.tlb");
        ASSERT_EQ(LoadTypeLibEx(BesideExe(L"Joystick.OCX").c_str(), REGKIND_NONE, &control), S_OK);
        ASSERT_EQ(control->GetTypeInfoOfGuid(DIID___ControlJoystick, &events), S_OK);
        ASSERT_EQ(LoadTypeLib(L"stdole2.tlb", &standard), S_OK);
        ASSERT_EQ(standard->GetTypeInfoOfGuid(IID_IUnknown, &unknown), S_OK);
        ASSERT_EQ(CreateTypeLib2(SYS_WIN32, never, &library), S_OK);
        ASSERT_EQ(library->CreateTypeInfo(const_cast<LPOLESTR>(L"EventsView"), TKIND_INTERFACE, &created), S_OK);
        ASSERT_EQ(created->AddRefTypeInfo(unknown.Get(), &base), S_OK);
        ASSERT_EQ(created->AddImplType(0, base), S_OK);
        ASSERT_EQ(AddEventMembers(events.Get(), created.Get()), S_OK);
        ASSERT_EQ(created->LayOut(), S_OK);
        ASSERT_EQ(created.As(&view), S_OK);
        ASSERT_EQ(CreateStdDispatch(nullptr, &typed, view.Get(), &dispatch), S_OK);
        connection = std::make_unique<Connection>(c, DIID___ControlJoystick, dispatch.Get());
        ASSERT_EQ(connection->advised, S_OK);
    }
};

TEST_F(Tick, ScriptedReadingsBecomeEventsInOrder) {
    const struct {
        const char* script; // the port test's reading, then two per tick; the last repeats
        JoystickPortConstants port;
        LONG reads;
        std::vector<std::string> events;
    } rows[] = {
        {"32768,32768,0;"               // a joystick answers the port test: a beep, no Error
         "32768,32768,0;32768,32768,0;" // pad at rest: arms the cursor, no event
         "32768,32768,1;32768,32768,1;" // A pressed
         "256,32768,1;256,32768,1;"     // pad left while A is held
         "32768,32768,0;32768,32768,0", // everything released
         JoystickPort2,
         9,
         {"Begin()", "ButtonDown(-1,1)", "ScanButton(1)", "CursorPress(-1,0)", "ScanCursor(256,32768)",
          "ButtonUp(-1,1)", "CursorPress(0,-1)", "Finish()"}},
        {"0,0,0,165;"                  // no joystick on the port: Error
         "32768,32768,2;32768,32768,2;" // B pressed; the pad's first move only arms
         "0,0,0,165;32768,32768,2",     // a failed reading counts as (0, 0) without buttons
         JoystickPort3,
         5,
         {"Error(2)", "Begin()", "ButtonDown(-1,2)", "ScanButton(2)", "ButtonUp(-1,2)", "CursorPress(-1,0)",
          "ScanCursor(0,0)", "Finish()"}},
    };
    for (const auto& row : rows) {
        auto c = NewControl();
        Host host;
        Connection events(c.Get(), DIID___ControlJoystick, &host);
        BoundSink bound;
        bound.Bind(c.Get());
        g_script(row.script);
        JoystickPortConstants port = row.port;
        ASSERT_EQ(c->put_Port(&port), S_OK);
        Scan(c.Get(), 10);
        ASSERT_TRUE(PumpUntilReads(row.reads));
        ASSERT_EQ(c->Finish(), S_OK);
        const LONG afterFinish = g_calls();
        PumpPeriods(3, 10);
        EXPECT_EQ(g_calls(), afterFinish) << "ticks after Finish";
        EXPECT_EQ(host.events, row.events);
        EXPECT_TRUE(host.allByReference);
        EXPECT_EQ(bound.typed.events, row.events) << "a typed host misses events whose arguments differ in type";
    }
}

// Finish and Begin leave the saved state and the armed cursor alone: a button still held is no
// new press, and the first pad move of the next scan is a press at once.
TEST_F(Tick, SavedStateAndArmedCursorSurviveFinishAndBegin) {
    auto c = NewControl();
    Host host;
    Connection events(c.Get(), DIID___ControlJoystick, &host);
    g_script("32768,32768,0;32768,32768,0;32768,32768,1"); // at rest, then A held
    Scan(c.Get(), 10);
    ASSERT_TRUE(PumpUntilReads(4));
    ASSERT_EQ(c->Finish(), S_OK);
    g_script("256,32768,1"); // pad left, A still held
    ASSERT_EQ(c->Begin(), S_OK);
    ASSERT_TRUE(PumpUntilReads(2));
    ASSERT_EQ(c->Finish(), S_OK);
    EXPECT_EQ(host.events, (std::vector<std::string>{"Begin()", "ButtonDown(-1,1)", "ScanButton(1)", "Finish()",
                                                     "Begin()", "CursorPress(-1,0)", "ScanCursor(256,32768)",
                                                     "Finish()"}));
}

// Interval written while scanning changes the period at once; 0 stops the ticks but leaves the
// timer enabled, so a later interval starts them again without Begin.
TEST_F(Tick, IntervalWrittenWhileScanning) {
    auto c = NewControl();
    Host host;
    Connection events(c.Get(), DIID___ControlJoystick, &host);
    g_script("32768,32768,0");
    Scan(c.Get(), 10000);
    SHORT fast = 10, stopped = 0;
    ASSERT_EQ(c->put_Interval(&fast), S_OK);
    EXPECT_TRUE(PumpUntilReads(4)) << "at the old period this takes 20 s; the wait gives up at 15";
    ASSERT_EQ(c->put_Interval(&stopped), S_OK);
    const LONG reads = g_calls();
    PumpPeriods(3, 10);
    EXPECT_EQ(g_calls(), reads);
    ASSERT_EQ(c->put_Interval(&fast), S_OK);
    EXPECT_TRUE(PumpUntilReads(reads + 2));
    ASSERT_EQ(c->Finish(), S_OK);
    EXPECT_EQ(host.events, (std::vector<std::string>{"Begin()", "Finish()"}));
}

TEST_F(Tick, NoIntervalMeansNoTick) {
    auto c = NewControl();
    g_script("32768,32768,1");
    Scan(c.Get(), 0);
    PumpPeriods(5, 10);
    EXPECT_EQ(g_calls(), 0);
    c->Finish();
}

// A handler that runs a message loop gets no tick inside its own tick; a handler that calls
// Finish stops later ticks, and the tick in progress still takes its second reading.
class FinishingHost final : public Host {
public:
    IControlJoystick* control = nullptr;
    LONG readsDuringLoop = -1;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT* result,
                                     EXCEPINFO* error, UINT* argError) override {
        const HRESULT hr = Host::Invoke(id, iid, lcid, flags, p, result, error, argError);
        if (id == DISPID_EvButtonDown) {
            const LONG before = g_calls();
            PumpPeriods(3, 5); // the scan timer's messages keep coming meanwhile
            readsDuringLoop = g_calls() - before;
            control->Finish();
        }
        return hr;
    }
};

TEST_F(Tick, FinishFromAHandlerAndNoTickInsideATick) {
    auto c = NewControl();
    FinishingHost host;
    host.control = c.Get();
    Connection events(c.Get(), DIID___ControlJoystick, &host);
    g_script("32768,32768,0;32768,32768,0;32768,32768,4;32768,32768,4;32768,32768,0");
    Scan(c.Get(), 5);
    ASSERT_TRUE(PumpUntilReads(4));
    PumpPeriods(3, 5);
    EXPECT_EQ(host.readsDuringLoop, 0);
    EXPECT_EQ(g_calls(), 4);
    EXPECT_EQ(host.events, (std::vector<std::string>{"Begin()", "ButtonDown(-1,4)", "Finish()", "ScanButton(4)"}));
}

} // namespace
