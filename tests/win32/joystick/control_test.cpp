// ControlJoystick in process, created through COM after the library registered itself: the
// dispatch interface by identifier with right and wrong argument types, events to a C++ sink,
// change reports and the dirty flag, persistence round trips, the OLE control interfaces and
// the library's object count.
#include <gtest/gtest.h>

#include <hlink.h>

#include <cstdio>

#include "joystick_test_support.h"

using namespace joytest;
using namespace joystick;

namespace {

HMODULE g_ocx = nullptr;

class Registration : public testing::Environment {
public:
    void SetUp() override {
        ExitOnCrash();
        ASSERT_EQ(GetACP(), 932u);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        g_ocx = LoadLibraryW(BesideExe(L"Joystick.OCX").c_str());
        ASSERT_NE(g_ocx, nullptr);
        auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(g_ocx, "DllRegisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
    }
    void TearDown() override {
        auto unreg = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(g_ocx, "DllUnregisterServer"));
        EXPECT_EQ(unreg(), S_OK);
        CoUninitialize();
    }
};
const auto* const g_env = testing::AddGlobalTestEnvironment(new Registration);

ComPtr<IControlJoystick> NewControl() {
    ComPtr<IControlJoystick> c;
    EXPECT_EQ(CoCreateInstance(CLSID_ControlJoystick, nullptr, CLSCTX_INPROC_SERVER, IID__ControlJoystick,
                               reinterpret_cast<void**>(c.GetAddressOf())),
              S_OK);
    return c;
}

HRESULT PutProp(IDispatch* d, DISPID id, VARIANT value, VARIANT* = nullptr) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p{&value, &named, 1, 1};
    EXCEPINFO ei{};
    UINT argErr = 0;
    HRESULT hr =
        d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &p, nullptr, &ei, &argErr);
    SysFreeString(ei.bstrSource);
    SysFreeString(ei.bstrDescription);
    SysFreeString(ei.bstrHelpFile);
    return hr;
}

HRESULT GetProp(IDispatch* d, DISPID id, VARIANT* out) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VariantInit(out);
    return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
}

HRESULT Call(IDispatch* d, DISPID id) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT r;
    VariantInit(&r);
    HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &r, nullptr, nullptr);
    VariantClear(&r);
    return hr;
}

SHORT Interval(IControlJoystick* c) {
    SHORT v = -99;
    EXPECT_EQ(c->get_Interval(&v), S_OK);
    return v;
}

void Connect(IUnknown* control, const IID& iid, IUnknown* sink, Connected& out) {
    ComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(
        control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.GetAddressOf())),
        S_OK);
    ASSERT_EQ(cpc->FindConnectionPoint(iid, &out.cp), S_OK);
    ASSERT_EQ(out.cp->Advise(sink, &out.cookie), S_OK);
}

TEST(Registration, ProgIdFindsTheClass) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(L"Joystick.ControlJoystick", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_ControlJoystick);
}

TEST(Dispatch, NamesAndIdentifiers) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    struct {
        const wchar_t* name;
        DISPID id;
    } names[] = {{L"Port", DISPID_Port},
                 {L"Interval", 0},
                 {L"RepeatButton", DISPID_RepeatButton},
                 {L"RepeatCursor", DISPID_RepeatCursor},
                 {L"Begin", DISPID_Begin},
                 {L"Finish", DISPID_Finish},
                 {L"About", DISPID_ABOUTBOX},
                 {L"Hyperlink", DISPID_Hyperlink}};
    for (auto& n : names) {
        LPOLESTR name = const_cast<LPOLESTR>(n.name);
        DISPID id = 12345;
        EXPECT_EQ(c->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK) << n.name;
        EXPECT_EQ(id, n.id) << n.name;
    }
    UINT count = 0;
    EXPECT_EQ(c->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
}

TEST(Dispatch, IntervalThroughTheDefaultMember) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    struct Case {
        VARIANT value;
        HRESULT hr;
        SHORT after;
    } cases[] = {
        {VarI2(100), S_OK, 100},
        {VarI4(10000), S_OK, 10000},
        {VarI2(10001), S_OK, 10000}, // ignored, no error
        {VarI2(-1), S_OK, 10000},
        {VarI2(0), S_OK, 0},
        {VarStr(L"250"), S_OK, 250},
        {VarStr(L"abc"), DISP_E_TYPEMISMATCH, 250},
        {VarI4(70000), DISP_E_OVERFLOW, 250},
        {VarBool(true), S_OK, 250}, // True is -1: out of range, dropped
    };
    for (auto& k : cases) {
        EXPECT_EQ(PutProp(c.Get(), DISPID_VALUE, k.value), k.hr) << V_VT(&k.value);
        EXPECT_EQ(Interval(c.Get()), k.after) << V_VT(&k.value);
        VARIANT got;
        ASSERT_EQ(GetProp(c.Get(), DISPID_VALUE, &got), S_OK);
        EXPECT_EQ(V_VT(&got), VT_I2);
        EXPECT_EQ(V_I2(&got), k.after);
        VariantClear(&k.value);
    }
    // No arguments for a property write: refused, not crashed.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_NE(c->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(
        c->Invoke(DISPID_VALUE, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
        DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(c->Invoke(0x7777, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST(Dispatch, BooleansAndPort) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    EXPECT_EQ(PutProp(c.Get(), DISPID_RepeatButton, VarBool(true)), S_OK);
    EXPECT_EQ(PutProp(c.Get(), DISPID_RepeatCursor, VarI2(1)), S_OK); // coerced to True
    VARIANT v;
    ASSERT_EQ(GetProp(c.Get(), DISPID_RepeatButton, &v), S_OK);
    EXPECT_EQ(V_VT(&v), VT_BOOL);
    EXPECT_EQ(V_BOOL(&v), VARIANT_TRUE);
    ASSERT_EQ(GetProp(c.Get(), DISPID_RepeatCursor, &v), S_OK);
    EXPECT_EQ(V_BOOL(&v), VARIANT_TRUE);
    VARIANT bad = VarStr(L"maybe");
    EXPECT_EQ(PutProp(c.Get(), DISPID_RepeatCursor, bad), DISP_E_TYPEMISMATCH);
    VariantClear(&bad);

    EXPECT_EQ(PutProp(c.Get(), DISPID_Port, VarI4(3)), S_OK);
    ASSERT_EQ(GetProp(c.Get(), DISPID_Port, &v), S_OK);
    EXPECT_EQ(V_VT(&v), VT_I4);
    EXPECT_EQ(V_I4(&v), 3);
}

TEST(Events, BeginFinishAndPortErrorOnWine) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    EventSink sink;
    ChangeSink changes;
    Connected events, notify;
    Connect(c.Get(), DIID___ControlJoystick, &sink, events);
    Connect(c.Get(), IID_IPropertyNotifySink, &changes, notify);

    // No joystick exists under Wine: writing Port raises Error with the port, keeps it stored.
    EXPECT_EQ(PutProp(c.Get(), DISPID_Port, VarI4(2)), S_OK);
    EXPECT_EQ(Call(c.Get(), DISPID_Begin), S_OK);
    EXPECT_EQ(Call(c.Get(), DISPID_Begin), S_OK); // again while scanning: raised again
    EXPECT_EQ(Call(c.Get(), DISPID_Finish), S_OK);
    std::vector<RaisedEvent> expected = {
        {DISPID_EvError, {2}}, {DISPID_EvBegin, {}}, {DISPID_EvBegin, {}}, {DISPID_EvFinish, {}}};
    EXPECT_EQ(sink.events, expected);
    EXPECT_TRUE(sink.allByRef);
    EXPECT_EQ(changes.changed, (std::vector<DISPID>{DISPID_Port}));
    JoystickPortConstants port{};
    EXPECT_EQ(c->get_Port(&port), S_OK);
    EXPECT_EQ(port, 2);
}

TEST(Events, ErrorHandlerWritesThroughToPort) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    EventSink first, second;
    first.assignPortOnError = 1;
    ChangeSink changes;
    Connected a, b, n;
    Connect(c.Get(), DIID___ControlJoystick, &first, a);
    Connect(c.Get(), DIID___ControlJoystick, &second, b);
    Connect(c.Get(), IID_IPropertyNotifySink, &changes, n);
    JoystickPortConstants p = JoystickPort4;
    EXPECT_EQ(c->put_Port(&p), S_OK);
    JoystickPortConstants now{};
    c->get_Port(&now);
    EXPECT_EQ(now, 1);
    // Every sink is called; the second sees the port as the first left it.
    EXPECT_EQ(first.events, (std::vector<RaisedEvent>{{DISPID_EvError, {3}}}));
    EXPECT_EQ(second.events, (std::vector<RaisedEvent>{{DISPID_EvError, {1}}}));
    EXPECT_EQ(changes.changed.size(), 1u);
}

TEST(Events, OldEventIdentifiersFailingSinksAndDisconnect) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    EventSink failing, old(DIID___ControlJoystick_v0);
    failing.result = E_FAIL;
    Connected a, b;
    Connect(c.Get(), DIID___ControlJoystick, &failing, a);
    // A host built against the oldest library finds the same events by its identifier.
    Connect(c.Get(), DIID___ControlJoystick_v0, &old, b);
    EXPECT_EQ(c->Begin(), S_OK);
    EXPECT_EQ(failing.events.size(), 1u);
    EXPECT_EQ(old.events.size(), 1u);
    EXPECT_EQ(a.cp->Unadvise(a.cookie), S_OK);
    EXPECT_EQ(a.cp->Unadvise(a.cookie), CONNECT_E_NOCONNECTION);
    a.cp.Reset();
    EXPECT_EQ(c->Finish(), S_OK);
    EXPECT_EQ(failing.events.size(), 1u);
    EXPECT_EQ(old.events.size(), 2u);

    ComPtr<IConnectionPointContainer> cpc;
    c.As(&cpc);
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(cpc->FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    ComPtr<IEnumConnectionPoints> en;
    ASSERT_EQ(cpc->EnumConnectionPoints(&en), S_OK);
    IConnectionPoint* pts[3] = {};
    ULONG got = 0;
    EXPECT_EQ(en->Next(3, pts, &got), S_FALSE);
    EXPECT_EQ(got, 2u);
    for (ULONG i = 0; i < got; ++i)
        pts[i]->Release();
    // A sink that answers neither identifier nor IDispatch cannot connect.
    ChangeSink wrong;
    DWORD cookie = 0;
    ComPtr<IConnectionPoint> cp;
    cpc->FindConnectionPoint(DIID___ControlJoystick, &cp);
    EXPECT_EQ(cp->Advise(&wrong, &cookie), CONNECT_E_CANNOTCONNECT);
}

TEST(Changes, ReportsAndDirtyFlag) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    ComPtr<IPersistStreamInit> ps;
    ASSERT_EQ(c.As(&ps), S_OK);
    ASSERT_EQ(ps->InitNew(), S_OK);
    EXPECT_EQ(ps->IsDirty(), S_FALSE);
    ChangeSink changes;
    Connected n;
    Connect(c.Get(), IID_IPropertyNotifySink, &changes, n);
    SHORT bad = 20000, good = 50;
    EXPECT_EQ(c->put_Interval(&bad), S_OK);
    EXPECT_EQ(ps->IsDirty(), S_FALSE);
    EXPECT_EQ(c->put_Interval(&good), S_OK);
    VARIANT_BOOL t = VARIANT_TRUE;
    c->put_RepeatButton(&t);
    c->put_RepeatCursor(&t);
    EXPECT_EQ(changes.changed, (std::vector<DISPID>{0, DISPID_RepeatButton, DISPID_RepeatCursor}));
    EXPECT_EQ(ps->IsDirty(), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    EXPECT_EQ(ps->Save(stream.Get(), FALSE), S_OK);
    EXPECT_EQ(ps->IsDirty(), S_OK);
    EXPECT_EQ(ps->Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(ps->IsDirty(), S_FALSE);
}

TEST(Persistence, PropertyBagRoundTripSkipsDefaults) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    ComPtr<IPersistPropertyBag> pb;
    ASSERT_EQ(c.As(&pb), S_OK);
    ASSERT_EQ(pb->InitNew(), S_OK);
    MemoryBag empty;
    ASSERT_EQ(pb->Save(&empty, TRUE, TRUE), S_OK);
    EXPECT_TRUE(empty.writes.empty());

    SHORT interval = 40;
    c->put_Interval(&interval);
    VARIANT_BOOL t = VARIANT_TRUE;
    c->put_RepeatCursor(&t);
    MemoryBag bag;
    ASSERT_EQ(pb->Save(&bag, TRUE, FALSE), S_OK);
    EXPECT_EQ(bag.writes, (std::vector<std::wstring>{L"Interval", L"RepeatCursor"}));
    EXPECT_EQ(V_VT(&bag.values[L"Interval"]), VT_I4);
    EXPECT_EQ(V_VT(&bag.values[L"RepeatCursor"]), VT_BOOL);

    // A saved interval outside the property's range still loads, straight to the timer.
    VARIANT big = VarI4(20000);
    bag.Set(L"Interval", big);
    bag.Set(L"Port", VarI4(1));
    auto d = NewControl();
    ComPtr<IPersistPropertyBag> pd;
    ASSERT_EQ(d.As(&pd), S_OK);
    EventSink sink;
    Connected e;
    Connect(d.Get(), DIID___ControlJoystick, &sink, e);
    ASSERT_EQ(pd->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(Interval(d.Get()), 20000);
    JoystickPortConstants port{};
    d->get_Port(&port);
    EXPECT_EQ(port, 1);
    VARIANT_BOOL rb = 5, rc = 5;
    d->get_RepeatButton(&rb);
    d->get_RepeatCursor(&rc);
    EXPECT_EQ(rb, VARIANT_FALSE);
    EXPECT_EQ(rc, VARIANT_TRUE);
    EXPECT_TRUE(sink.events.empty()) << "loading Port tests nothing";
}

TEST(Persistence, PropertyBagWithWrongKinds) {
    struct Case {
        const wchar_t* key;
        VARIANT value;
        HRESULT hr;
    } cases[] = {
        {L"Port", VarStr(L"two"), DISP_E_TYPEMISMATCH},
        {L"Interval", VarStr(L"1e20"), DISP_E_OVERFLOW},
        {L"RepeatButton", VarStr(L"perhaps"), DISP_E_TYPEMISMATCH},
        {L"RepeatCursor", VARIANT{}, S_OK}, // VT_EMPTY is false
    };
    for (auto& k : cases) {
        MemoryBag bag;
        bag.Set(L"Interval", VarI4(77));
        bag.Set(k.key, k.value);
        auto c = NewControl();
        ComPtr<IPersistPropertyBag> pb;
        ASSERT_EQ(c.As(&pb), S_OK);
        EXPECT_EQ(pb->Load(&bag, nullptr), k.hr) << k.key;
        if (wcscmp(k.key, L"Interval") != 0) {
            EXPECT_EQ(Interval(c.Get()), 77) << "values before the bad one stay loaded";
        }
        VariantClear(&k.value);
    }
    // An object or an array where a number belongs.
    MemoryBag bag;
    VARIANT obj;
    VariantInit(&obj);
    V_VT(&obj) = VT_UNKNOWN;
    V_UNKNOWN(&obj) = static_cast<IPropertyBag*>(&bag);
    bag.AddRef();
    bag.Set(L"Port", obj);
    VariantClear(&obj);
    auto c = NewControl();
    ComPtr<IPersistPropertyBag> pb;
    c.As(&pb);
    EXPECT_EQ(pb->Load(&bag, nullptr), DISP_E_TYPEMISMATCH);
    bag.values.erase(L"Port");
    EXPECT_EQ(pb->Load(nullptr, nullptr), E_POINTER);
}

// Only a missing value loads as its default; any other failure of the bag ends the load with
// the bag's own status, and what loaded before it stays loaded.
TEST(Persistence, PropertyBagReadFailuresEndTheLoad) {
    struct {
        HRESULT portRead; // the bag's answer for "Port"
        HRESULT loaded;
        LONG port;                 // from 3
        VARIANT_BOOL repeatButton; // stored true, after "Port"
    } const cases[] = {
        {E_INVALIDARG, S_OK, 0, VARIANT_TRUE}, // missing
        {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), S_OK, 0, VARIANT_TRUE},
        {E_FAIL, E_FAIL, 3, VARIANT_FALSE},
        {E_OUTOFMEMORY, E_OUTOFMEMORY, 3, VARIANT_FALSE},
        {STG_E_ACCESSDENIED, STG_E_ACCESSDENIED, 3, VARIANT_FALSE},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << k.portRead);
        auto c = NewControl();
        ASSERT_TRUE(c);
        JoystickPortConstants three = JoystickPort4;
        c->put_Port(&three);
        MemoryBag bag;
        bag.Set(L"Interval", VarI4(77));
        bag.Set(L"RepeatButton", VarBool(true));
        bag.readFailures[L"Port"] = k.portRead;
        ComPtr<IPersistPropertyBag> pb;
        ASSERT_EQ(c.As(&pb), S_OK);
        EXPECT_EQ(pb->Load(&bag, nullptr), k.loaded);
        EXPECT_EQ(Interval(c.Get()), 77);
        JoystickPortConstants port{};
        c->get_Port(&port);
        EXPECT_EQ(port, k.port);
        VARIANT_BOOL repeat = 5;
        c->get_RepeatButton(&repeat);
        EXPECT_EQ(repeat, k.repeatButton);
    }
}

// The timer keeps a loaded interval whole; the property reads it cut to its 16 bits, and saving
// writes the whole value back.
TEST(Persistence, LoadedIntervalReadsBackCutTo16Bits) {
    struct {
        LONG stored;
        SHORT read;
    } const cases[] = {{32767, 32767}, {40000, -25536}, {70000, 4464}, {-1, -1}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.stored);
        auto c = NewControl();
        ASSERT_TRUE(c);
        MemoryBag bag;
        bag.Set(L"Interval", VarI4(k.stored));
        ComPtr<IPersistPropertyBag> pb;
        ASSERT_EQ(c.As(&pb), S_OK);
        ASSERT_EQ(pb->Load(&bag, nullptr), S_OK);
        EXPECT_EQ(Interval(c.Get()), k.read);
        VARIANT byDefault;
        ASSERT_EQ(GetProp(c.Get(), DISPID_VALUE, &byDefault), S_OK);
        EXPECT_EQ(V_VT(&byDefault), VT_I2);
        EXPECT_EQ(V_I2(&byDefault), k.read);
        MemoryBag saved;
        ASSERT_EQ(pb->Save(&saved, TRUE, FALSE), S_OK);
        EXPECT_EQ(V_VT(&saved.values[L"Interval"]), VT_I4);
        EXPECT_EQ(V_I4(&saved.values[L"Interval"]), k.stored);
    }
}

TEST(Persistence, StreamAndStorageRoundTrips) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    SHORT interval = 15;
    c->put_Interval(&interval);
    JoystickPortConstants port = JoystickPort3;
    c->put_Port(&port);
    VARIANT_BOOL t = VARIANT_TRUE;
    c->put_RepeatButton(&t);

    ComPtr<IPersistStreamInit> ps;
    ASSERT_EQ(c.As(&ps), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ULARGE_INTEGER max{};
    EXPECT_EQ(ps->GetSizeMax(&max), S_OK);
    ASSERT_EQ(ps->Save(stream.Get(), TRUE), S_OK);
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    EXPECT_EQ(st.cbSize.QuadPart, max.QuadPart);
    // Something the container keeps after the control's record must still be where it was.
    const DWORD marker = 0xC0FFEE;
    stream->Write(&marker, sizeof marker, nullptr);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);

    auto d = NewControl();
    ComPtr<IPersistStreamInit> pd;
    ASSERT_EQ(d.As(&pd), S_OK);
    ASSERT_EQ(pd->Load(stream.Get()), S_OK);
    DWORD after = 0;
    stream->Read(&after, sizeof after, nullptr);
    EXPECT_EQ(after, marker);
    EXPECT_EQ(Interval(d.Get()), 15);
    d->get_Port(&port);
    EXPECT_EQ(port, JoystickPort3);
    VARIANT_BOOL rb = 0;
    d->get_RepeatButton(&rb);
    EXPECT_EQ(rb, VARIANT_TRUE);

    // A truncated record fails and changes nothing.
    ComPtr<IStream> shortStream;
    CreateStreamOnHGlobal(nullptr, TRUE, &shortStream);
    const BYTE partial[] = {12, 0, 0, 0, 9, 0};
    shortStream->Write(partial, sizeof partial, nullptr);
    shortStream->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(pd->Load(shortStream.Get())));
    EXPECT_EQ(Interval(d.Get()), 15);

    // Storage containers.
    ComPtr<ILockBytes> bytes;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                           0, &storage),
              S_OK);
    ComPtr<IPersistStorage> pst;
    ASSERT_EQ(c.As(&pst), S_OK);
    ASSERT_EQ(pst->Save(storage.Get(), TRUE), S_OK);
    EXPECT_EQ(pst->SaveCompleted(nullptr), S_OK);
    auto e = NewControl();
    ComPtr<IPersistStorage> pe;
    ASSERT_EQ(e.As(&pe), S_OK);
    ASSERT_EQ(pe->Load(storage.Get()), S_OK);
    EXPECT_EQ(Interval(e.Get()), 15);
    CLSID clsid{};
    EXPECT_EQ(pe->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_ControlJoystick);
}

TEST(OleControl, StatusExtentsAndDrawing) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    ComPtr<IOleObject> ole;
    ASSERT_EQ(c.As(&ole), S_OK);
    DWORD misc = 0;
    EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, 0x24591u);
    SIZEL big{5000, 3000};
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &big), S_OK);
    SIZEL size{};
    EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(size.cx, MulDiv(24, 2540, dpi));
    EXPECT_EQ(size.cy, size.cx);

    ComPtr<IViewObject2> view;
    ASSERT_EQ(c.As(&view), S_OK);
    SIZEL viewSize{};
    EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &viewSize), S_OK);
    EXPECT_EQ(viewSize.cx, size.cx);

    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 24, -24, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, 24, 24};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECTL bounds{0, 0, 24, 24};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
              S_OK);
    // The red ball of the picture, and the bump frame over the picture's edge: its two rings
    // are the colours DrawEdge gives a bump edge on this system.
    EXPECT_EQ(GetPixel(dc, 12, 4), RGB(255, 0, 0));
    HDC ref = CreateCompatibleDC(dc);
    HBITMAP refBmp = CreateCompatibleBitmap(dc, 24, 24);
    HGDIOBJ refOld = SelectObject(ref, refBmp);
    FillRect(ref, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawEdge(ref, &all, EDGE_BUMP, BF_RECT);
    for (POINT p : {POINT{0, 0}, POINT{1, 1}, POINT{23, 23}, POINT{22, 22}, POINT{12, 0}, POINT{0, 12}}) {
        EXPECT_EQ(GetPixel(dc, p.x, p.y), GetPixel(ref, p.x, p.y)) << p.x << "," << p.y;
        EXPECT_NE(GetPixel(dc, p.x, p.y), RGB(0, 0, 0));
    }
    SelectObject(ref, refOld);
    DeleteObject(refBmp);
    DeleteDC(ref);
    EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
              DV_E_DVASPECT);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);

    ComPtr<IOleControl> control;
    ASSERT_EQ(c.As(&control), S_OK);
    CONTROLINFO ci{};
    ci.cb = sizeof ci;
    EXPECT_EQ(control->GetControlInfo(&ci), S_OK);
    EXPECT_EQ(ci.cAccel, 0);
    // Frozen events are not delivered.
    EventSink sink;
    Connected e;
    Connect(c.Get(), DIID___ControlJoystick, &sink, e);
    control->FreezeEvents(TRUE);
    c->Begin();
    control->FreezeEvents(FALSE);
    c->Finish();
    EXPECT_EQ(sink.events, (std::vector<RaisedEvent>{{DISPID_EvFinish, {}}}));
}

TEST(OleControl, ClassInfoPagesErrorsAndCategories) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    ComPtr<IProvideClassInfo2> pci;
    ASSERT_EQ(c.As(&pci), S_OK);
    GUID g{};
    EXPECT_EQ(pci->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &g), S_OK);
    EXPECT_EQ(g, DIID___ControlJoystick);
    ComPtr<ITypeInfo> ti;
    ASSERT_EQ(pci->GetClassInfo(&ti), S_OK);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(ti->GetTypeAttr(&ta), S_OK);
    EXPECT_EQ(ta->guid, CLSID_ControlJoystick);
    EXPECT_EQ(ta->typekind, TKIND_COCLASS);
    ti->ReleaseTypeAttr(ta);

    ComPtr<ISpecifyPropertyPages> spp;
    ASSERT_EQ(c.As(&spp), S_OK);
    CAUUID pages{};
    ASSERT_EQ(spp->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_EQ(pages.pElems[0], CLSID_PropertyPageJoystick);
    CoTaskMemFree(pages.pElems);

    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(c.As(&sei), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID__ControlJoystick), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);

    ComPtr<ICategorizeProperties> cat;
    ASSERT_EQ(c->QueryInterface(IID_CategorizeProperties, reinterpret_cast<void**>(cat.GetAddressOf())),
              S_OK);
    PROPCAT pc = 0;
    EXPECT_EQ(cat->MapPropertyToCategory(DISPID_Port, &pc), S_OK);
    BSTR name = nullptr;
    EXPECT_EQ(cat->GetCategoryName(pc, 0x411, &name), S_OK);
    EXPECT_STREQ(name, reinterpret_cast<const wchar_t*>(u"その他"));
    SysFreeString(name);
    EXPECT_NE(cat->MapPropertyToCategory(DISPID_VALUE, &pc), S_OK);
}

TEST(QueryInterface, OlderIdentifiersAndIdentity) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    ComPtr<IUnknown> unk;
    ASSERT_EQ(c.As(&unk), S_OK);
    for (const IID* iid : {&IID__ControlJoystick_v0, &IID__ControlJoystick_v1, &IID_IDispatch}) {
        ComPtr<IUnknown> itf;
        ASSERT_EQ(c->QueryInterface(*iid, reinterpret_cast<void**>(itf.GetAddressOf())), S_OK);
        ComPtr<IUnknown> back;
        itf.As(&back);
        EXPECT_EQ(back.Get(), unk.Get());
    }
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(c->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    // Reference counts come back to where they were.
    const ULONG base = c->AddRef() - 1;
    {
        ComPtr<IOleObject> a;
        ComPtr<IViewObject2> b;
        ComPtr<IConnectionPointContainer> d;
        c.As(&a), c.As(&b), c.As(&d);
        ComPtr<IConnectionPoint> cp;
        d->FindConnectionPoint(IID_IPropertyNotifySink, &cp);
    }
    EXPECT_EQ(c->Release(), base);
}

TEST(About, ShowsABoxAndSucceeds) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    BoxCloser closer;
    EXPECT_EQ(Call(c.Get(), DISPID_ABOUTBOX), S_OK);
    EXPECT_GT(closer.closed(), 0);
    EXPECT_EQ(c->About(), S_OK);
}

// A client site whose service provider offers a hyperlink frame that records the navigation.
class FrameSite final : public TestObject<IOleClientSite, IServiceProvider, IHlinkFrame> {
public:
    std::wstring target;
    std::wstring location;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IServiceProvider)
            *ppv = static_cast<IServiceProvider*>(this);
        else if (riid == IID_IHlinkFrame)
            *ppv = static_cast<IHlinkFrame*>(this);
        else
            return *ppv = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override { return *c = nullptr, E_NOINTERFACE; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID sid, REFIID riid, void** ppv) override {
        if (sid == IID_IHlinkFrame)
            return QueryInterface(riid, ppv);
        return *ppv = nullptr, E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE SetBrowseContext(IHlinkBrowseContext*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBrowseContext(IHlinkBrowseContext**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(DWORD, LPBC, IBindStatusCallback*, IHlink* link) override {
        LPWSTR t = nullptr, l = nullptr;
        HRESULT hr = link->GetStringReference(HLINKGETREF_DEFAULT, &t, &l);
        if (t)
            target = t;
        if (l)
            location = l;
        CoTaskMemFree(t);
        CoTaskMemFree(l);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE OnNavigate(DWORD, IMoniker*, LPCWSTR, LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateHlink(ULONG, IMoniker*, LPCWSTR, LPCWSTR) override { return S_OK; }
};

TEST(Hyperlink, NavigatesThroughTheContainersFrame) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    FrameSite site;
    ComPtr<IOleObject> ole;
    c.As(&ole);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    VARIANT result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VariantInit(&result);
    ASSERT_EQ(c->Invoke(DISPID_Hyperlink, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(V_VT(&result), VT_DISPATCH);
    ComPtr<IContainerHyperlink> link;
    ASSERT_EQ(V_DISPATCH(&result)->QueryInterface(IID_ContainerHyperlink,
                                                  reinterpret_cast<void**>(link.GetAddressOf())),
              S_OK);
    VariantClear(&result);
    VARIANT empty;
    VariantInit(&empty);
    BSTR target = SysAllocString(L"mailto:someone@example.com");
    EXPECT_EQ(link->NavigateTo(target, empty, empty), S_OK);
    EXPECT_EQ(site.target, L"mailto:someone@example.com");
    SysFreeString(target);
    ole->SetClientSite(nullptr);
    link.Reset();
    EXPECT_EQ(site.refs, 1);
}

TEST(Hyperlink, WithoutAFrameTheShellOpensTheTarget) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    ComPtr<IContainerHyperlink> link;
    ASSERT_EQ(c->Hyperlink(&link), S_OK);
    VARIANT empty;
    VariantInit(&empty);
    // A scheme of this test's own whose open command leaves a marker file.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"joystick-hyperlink-marker.txt";
    DeleteFileW(marker.c_str());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"joysticktest\\shell\\open\\command", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring command = L"cmd.exe /c echo %1> \"" + marker + L"\"";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * 2));
    RegCloseKey(key);
    HKEY scheme = nullptr;
    RegOpenKeyExW(HKEY_CLASSES_ROOT, L"joysticktest", 0, KEY_WRITE, &scheme);
    RegSetValueExW(scheme, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), 2);
    RegCloseKey(scheme);

    BSTR target = SysAllocString(L"joysticktest:hello");
    EXPECT_EQ(link->NavigateTo(target, empty, empty), S_OK);
    SysFreeString(target);
    bool found = false;
    for (int i = 0; i < 200 && !found; ++i) {
        found = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!found)
            Sleep(50);
    }
    EXPECT_TRUE(found);
    Sleep(100);
    DeleteFileW(marker.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"joysticktest");

    target = SysAllocString(L"Z:\\no\\such\\file.joystick-none");
    EXPECT_TRUE(FAILED(link->NavigateTo(target, empty, empty)));
    SysFreeString(target);
    EXPECT_EQ(link->NavigateTo(nullptr, empty, empty), E_INVALIDARG);
}

// A container of our own that answers the ambient UserMode and records what the control asks
// of its in-place site.
class DesignSite final : public TestObject<IOleClientSite, IOleInPlaceSite, IDispatch> {
public:
    HWND window = nullptr;
    RECT slot{10, 10, 110, 90};
    bool userMode = false;
    int saves = 0;
    int activations = 0;
    int deactivations = 0;
    std::vector<RECT> posRequests;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IDispatch)
            *ppv = static_cast<IDispatch*>(this);
        else
            return *ppv = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return ++saves, S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override { return *c = nullptr, E_NOINTERFACE; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override { return *w = window, S_OK; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return ++activations, S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** f, IOleInPlaceUIWindow** d, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
        *f = nullptr;
        *d = nullptr;
        *pos = slot;
        *clip = slot;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return ++deactivations, S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT r) override {
        posRequests.push_back(*r);
        return S_OK;
    }
    // IDispatch: the ambient properties
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*,
                                     UINT*) override {
        if (id != DISPID_AMBIENT_USERMODE || !r)
            return DISP_E_MEMBERNOTFOUND;
        V_VT(r) = VT_BOOL;
        V_BOOL(r) = userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
};

TEST(OleControl, DesignTimeFaceAndSizeBackInAContainer) {
    auto c = NewControl();
    ASSERT_TRUE(c);
    HWND form = CreateWindowExW(0, L"STATIC", L"designer", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(form, nullptr);
    DesignSite site;
    site.window = form;
    ComPtr<IOleObject> ole;
    ASSERT_EQ(c.As(&ole), S_OK);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, form, &site.slot), S_OK);
    EXPECT_EQ(site.activations, 1);
    // The container's 100 x 80 slot is answered with a 24 x 24 request at the same place.
    ASSERT_FALSE(site.posRequests.empty());
    const RECT want{10, 10, 34, 34};
    EXPECT_TRUE(EqualRect(&site.posRequests.back(), &want));

    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(c.As(&inPlace), S_OK);
    HWND face = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&face), S_OK);
    EXPECT_TRUE(IsWindowVisible(face)) << "design time shows the face";
    RECT r{};
    GetClientRect(face, &r);
    EXPECT_EQ(r.right, 24);
    EXPECT_EQ(r.bottom, 24);
    UpdateWindow(face);
    HDC dc = GetDC(face);
    EXPECT_EQ(GetPixel(dc, 12, 4), RGB(255, 0, 0));
    ReleaseDC(face, dc);

    RECT bigger{5, 5, 305, 205};
    EXPECT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    GetWindowRect(face, &r);
    EXPECT_EQ(r.right - r.left, 24);
    const RECT want2{5, 5, 29, 29};
    EXPECT_TRUE(EqualRect(&site.posRequests.back(), &want2));

    // Switching the container to run mode hides the face.
    site.userMode = true;
    ComPtr<IOleControl> control;
    c.As(&control);
    EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE), S_OK);
    EXPECT_FALSE(IsWindowVisible(face));

    // Closing saves a modified control through its site and leaves the in-place state.
    SHORT interval = 20;
    c->put_Interval(&interval);
    EXPECT_EQ(ole->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(site.saves, 1);
    EXPECT_EQ(site.deactivations, 1);
    EXPECT_FALSE(IsWindow(face));
    EXPECT_EQ(inPlace->GetWindow(&face), E_FAIL);
    ole->SetClientSite(nullptr);
    inPlace.Reset();
    control.Reset();
    ole.Reset();
    c.Reset();
    EXPECT_EQ(site.refs, 1) << "the control let go of its site";
    DestroyWindow(form);
}

// Last: every object of the library is gone.
TEST(Module, CanUnloadAtTheEnd) {
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(g_ocx, "DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(CoGetClassObject(CLSID_ControlJoystick, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(factory.GetAddressOf())),
                  S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);
        factory->LockServer(TRUE);
        factory.Reset();
        EXPECT_EQ(canUnload(), S_FALSE);
        ASSERT_EQ(CoGetClassObject(CLSID_ControlJoystick, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(factory.GetAddressOf())),
                  S_OK);
        factory->LockServer(FALSE);
        ComPtr<IUnknown> outer;
        ComPtr<IUnknown> obj;
        EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown,
                                          reinterpret_cast<void**>(obj.GetAddressOf())),
                  CLASS_E_NOAGGREGATION);
    }
    EXPECT_EQ(canUnload(), S_OK);
}

} // namespace
