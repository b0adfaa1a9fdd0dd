// What COM adds to the control's portable logic: properties through IDispatch, events and change
// reports on connected sinks, persistence through bags, streams and storages, embedding in a
// container, drawing, class information, the hyperlink object and the library's object count.
#include <map>
#include <memory>

#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

VARIANT Var(VARTYPE type, LONG value, const wchar_t* text = nullptr) {
    VARIANT v{};
    V_VT(&v) = type;
    V_I4(&v) = value; // VT_I2, VT_BOOL and VT_ERROR read the same bytes
    if (type == VT_BSTR)
        V_BSTR(&v) = SysAllocString(text);
    return v;
}

HRESULT Put(IDispatch* d, DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p{&value, &named, 1, 1};
    const HRESULT hr = d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr);
    VariantClear(&value);
    return hr;
}
LONG Get(IDispatch* d, DISPID id, VARTYPE type) {
    DISPPARAMS none{};
    VARIANT v{};
    EXPECT_EQ(d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr), S_OK);
    EXPECT_EQ(V_VT(&v), type);
    return type == VT_I4 ? V_I4(&v) : V_I2(&v);
}

TEST(Properties, WritesThroughIDispatchConvertAndCheckTheRange) {
    auto c = NewControl();
    const struct {
        DISPID id;
        VARIANT value;
        HRESULT hr;
        LONG after;
    } rows[] = {
        {DISPID_VALUE, Var(VT_I2, 100), S_OK, 100},            // Interval is the default member
        {DISPID_VALUE, Var(VT_I2, 10001), S_OK, 100},          // out of range: dropped, no error
        {DISPID_VALUE, Var(VT_BOOL, VARIANT_TRUE), S_OK, 100}, // -1
        {DISPID_VALUE, Var(VT_I4, 10000), S_OK, 10000},
        {DISPID_VALUE, Var(VT_BSTR, 0, L"250"), S_OK, 250},
        {DISPID_VALUE, Var(VT_BSTR, 0, L"abc"), DISP_E_TYPEMISMATCH, 250},
        {DISPID_VALUE, Var(VT_I4, 70000), DISP_E_OVERFLOW, 250},
        {DISPID_RepeatButton, Var(VT_I2, 1), S_OK, VARIANT_TRUE},
        {DISPID_RepeatCursor, Var(VT_BSTR, 0, L"maybe"), DISP_E_TYPEMISMATCH, VARIANT_FALSE},
        {DISPID_Port, Var(VT_I2, 3), S_OK, 3},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Put(c.Get(), row.id, row.value), row.hr) << row.id << " " << row.after;
        const VARTYPE type = row.id == DISPID_VALUE ? VT_I2 : row.id == DISPID_Port ? VT_I4 : VT_BOOL;
        EXPECT_EQ(Get(c.Get(), row.id, type), row.after) << row.id;
    }
}

// Events and change reports reach every sink, through the identifiers of every version; a failing
// sink, frozen events and disconnection stop only what they should.
TEST(Events, ReachTheSinksOfEveryVersionUntilFrozenOrDisconnected) {
    auto c = NewControl();
    Host host, second;
    host.assignPortOnError = 1; // a handler that assigns to its Port parameter changes the port
    Connection events(c.Get(), DIID___ControlJoystick, &host), next(c.Get(), DIID___ControlJoystick, &second),
        changes(c.Get(), IID_IPropertyNotifySink, &host);
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(c.As(&persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    SHORT refused = 20000, interval = 50;
    ASSERT_EQ(c->put_Interval(&refused), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE) << "a refused interval changes nothing";
    JoystickPortConstants port = JoystickPort4; // no joystick: Error with the port
    VARIANT_BOOL on = VARIANT_TRUE;
    ASSERT_EQ(c->put_Port(&port), S_OK);
    c->put_Interval(&interval);
    c->put_RepeatButton(&on);
    c->put_RepeatCursor(&on);
    EXPECT_EQ(c->Begin(), S_OK);
    EXPECT_EQ(c->Begin(), S_OK); // again while scanning: raised again
    EXPECT_EQ(c->Finish(), S_OK);
    EXPECT_EQ(host.events, (std::vector<std::string>{"Error(3)", "Begin()", "Begin()", "Finish()"}));
    EXPECT_EQ(second.events, (std::vector<std::string>{"Error(1)", "Begin()", "Begin()", "Finish()"}));
    EXPECT_TRUE(host.plainMethodCalls);
    EXPECT_EQ(host.changes, (std::vector<DISPID>{DISPID_Port, 0, DISPID_RepeatButton, DISPID_RepeatCursor}));
    c->get_Port(&port);
    EXPECT_EQ(port, 1);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    EXPECT_EQ(persist->Save(stream.Get(), FALSE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK) << "saving clears the dirty flag only when asked to";
    EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    Host failing, oldest, neither;
    failing.eventResult = E_FAIL;
    oldest.answersDispatch = neither.answersDispatch = false;
    oldest.eventIid = &DIID___ControlJoystick_v0; // a host built against the oldest library
    neither.eventIid = nullptr;
    auto first = std::make_unique<Connection>(c.Get(), DIID___ControlJoystick, &failing);
    Connection old(c.Get(), DIID___ControlJoystick_v0, &oldest), wrong(c.Get(), DIID___ControlJoystick, &neither);
    EXPECT_EQ(wrong.advised, CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(c->Begin(), S_OK);
    ComPtr<IOleControl> control;
    ASSERT_EQ(c.As(&control), S_OK);
    control->FreezeEvents(TRUE);
    c->Finish(); // not delivered
    control->FreezeEvents(FALSE);
    first.reset();
    EXPECT_EQ(old.point->Unadvise(12345), CONNECT_E_NOCONNECTION);
    c->Finish();
    EXPECT_EQ(failing.events, std::vector<std::string>{"Begin()"});
    EXPECT_EQ(oldest.events, (std::vector<std::string>{"Begin()", "Finish()"}));
    EXPECT_EQ(Connection(c.Get(), IID_IDispatch, &neither).advised, E_FAIL) << "no connection point for IDispatch";
}

// Values by name; a missing name answers E_INVALIDARG as bags do, VT_ERROR values fail the read.
class MemoryBag final : public TestObject<IPropertyBag, IID_IPropertyBag> {
public:
    std::map<std::wstring, VARIANT> values;
    std::wstring writes; // each name followed by a space
    ~MemoryBag() {
        for (auto& entry : values)
            VariantClear(&entry.second);
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        if (!values.count(name))
            return E_INVALIDARG;
        return V_VT(&values[name]) == VT_ERROR ? V_ERROR(&values[name]) : VariantCopy(v, &values[name]);
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* v) override {
        writes += std::wstring(name) + L" ";
        return VariantCopy(&values[name], v);
    }
};

// Only a missing value loads as its default; another failure of the bag ends the load with the
// bag's own status, a value that does not convert with the conversion's, and what loaded before
// stays loaded. The timer keeps a loaded interval whole, the property reads it cut to 16 bits,
// and saving writes it back whole and leaves defaults out. A loaded port is not tested.
TEST(Persistence, PropertyBagLoadsInOrderAndSavesAllButDefaults) {
    const struct {
        LONG interval; // stored before "Port"; "RepeatButton", stored true, comes after it
        VARIANT port;  // VT_ERROR: its read fails with that status
        HRESULT loaded;
        SHORT read;     // the property afterwards
        LONG portAfter; // from 3
        const wchar_t* saved;
    } rows[] = {
        {32767, Var(VT_I4, 1), S_OK, 32767, 1, L"Interval Port RepeatButton "},
        // missing: the default
        {40000, Var(VT_ERROR, E_INVALIDARG), S_OK, -25536, 0, L"Interval RepeatButton "},
        {70000, Var(VT_ERROR, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), S_OK, 4464, 0,
         L"Interval RepeatButton "},
        {-1, Var(VT_ERROR, STG_E_ACCESSDENIED), STG_E_ACCESSDENIED, -1, 3, L"Interval Port "},
        {77, Var(VT_BSTR, 0, L"two"), DISP_E_TYPEMISMATCH, 77, 3, L"Interval Port "},
        {77, Var(VT_BSTR, 0, L"1e20"), DISP_E_OVERFLOW, 77, 3, L"Interval Port "},
        {77, Var(VT_UNKNOWN, 0), DISP_E_TYPEMISMATCH, 77, 3, L"Interval Port "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        auto c = NewControl();
        Host host;
        JoystickPortConstants port = JoystickPort4;
        VARIANT_BOOL button = 5;
        c->put_Port(&port);
        Connection events(c.Get(), DIID___ControlJoystick, &host);
        MemoryBag bag, saved;
        bag.values = {{L"Interval", Var(VT_I4, row.interval)}, {L"RepeatButton", Var(VT_BOOL, VARIANT_TRUE)},
                      {L"Port", row.port}};
        ComPtr<IPersistPropertyBag> persist;
        ASSERT_EQ(c.As(&persist), S_OK);
        EXPECT_EQ(persist->Load(&bag, nullptr), row.loaded);
        EXPECT_TRUE(host.events.empty()) << "loading Port tests nothing";
        c->get_Port(&port);
        c->get_RepeatButton(&button);
        EXPECT_EQ(Get(c.Get(), DISPID_VALUE, VT_I2), row.read);
        EXPECT_EQ(port, row.portAfter);
        EXPECT_EQ(button, row.loaded == S_OK ? VARIANT_TRUE : VARIANT_FALSE) << "loaded only after Port";
        ASSERT_EQ(persist->Save(&saved, TRUE, FALSE), S_OK);
        EXPECT_EQ(saved.writes, row.saved);
        EXPECT_EQ(V_VT(&saved.values[L"Interval"]), VT_I4);
        EXPECT_EQ(V_I4(&saved.values[L"Interval"]), row.interval);
    }
}

TEST(Persistence, StreamAndStorageRoundTrips) {
    auto c = NewControl(), d = NewControl(), e = NewControl();
    JoystickPortConstants port = JoystickPort3;
    c->put_Port(&port);
    ComPtr<IPersistStreamInit> from, to;
    ComPtr<IStream> stream, cut;
    ULARGE_INTEGER max{};
    STATSTG stat{};
    ASSERT_EQ(c.As(&from), S_OK);
    ASSERT_EQ(d.As(&to), S_OK);
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ASSERT_EQ(from->GetSizeMax(&max), S_OK);
    ASSERT_EQ(from->Save(stream.Get(), TRUE), S_OK);
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, max.QuadPart);
    // What the container keeps after the control's record is still where it was.
    const DWORD marker = 0xC0FFEE;
    DWORD after = 0;
    stream->Write(&marker, sizeof marker, nullptr);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(to->Load(stream.Get()), S_OK);
    stream->Read(&after, sizeof after, nullptr);
    EXPECT_EQ(after, marker);
    // A cut record fails and changes nothing.
    const BYTE partial[] = {12, 0, 0, 0, 9, 0};
    CreateStreamOnHGlobal(nullptr, TRUE, &cut);
    cut->Write(partial, sizeof partial, nullptr);
    cut->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(to->Load(cut.Get())));
    // Storage containers keep the same record.
    ComPtr<IStorage> storage;
    ComPtr<IPersistStorage> saver, loader;
    const DWORD temporary = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE;
    ASSERT_EQ(StgCreateDocfile(nullptr, temporary, 0, &storage), S_OK);
    ASSERT_EQ(c.As(&saver), S_OK);
    ASSERT_EQ(e.As(&loader), S_OK);
    ASSERT_EQ(saver->Save(storage.Get(), TRUE), S_OK);
    ASSERT_EQ(loader->Load(storage.Get()), S_OK);
    for (auto* loaded : {d.Get(), e.Get()}) {
        loaded->get_Port(&port);
        EXPECT_EQ(port, JoystickPort3);
    }
}

// Whatever size the container offers, the face is 24 x 24 pixels, shown at design time only:
// the picture under a bump frame (edge 9, flags 15). The hyperlink object navigates through the
// container's frame; without one the shell opens the address (about_box_test.cpp's links).
TEST(Embedding, DesignTimeFaceSizeBackDrawingHyperlinkAndClose) {
    Host host; // outlives the control, which must hold none of its references by the end
    auto c = NewControl();
    host.window = CreateWindowExW(0, L"STATIC", L"form", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr, nullptr,
                                  nullptr, nullptr);
    ComPtr<IOleObject> ole;
    ComPtr<IOleInPlaceObject> inPlace;
    ComPtr<IOleControl> control;
    ComPtr<IViewObject2> view;
    ASSERT_EQ(c.As(&ole), S_OK);
    ASSERT_EQ(c.As(&inPlace), S_OK);
    ASSERT_EQ(c.As(&control), S_OK);
    ASSERT_EQ(c.As(&view), S_OK);
    DWORD misc = 0;
    SIZEL size{}, viewSize{};
    EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, 0x24591u);
    EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
    EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &viewSize), S_OK);
    EXPECT_TRUE(size.cx == 635 && size.cy == 635 && viewSize.cx == 635) << "24 pixels at 96 dpi in HIMETRIC";
    // Drawn: the picture, and a frame that drawing the expected one over it leaves unchanged.
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP drawn = CreateCompatibleBitmap(screen, 24, 24);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, drawn);
    RECT all{0, 0, 24, 24};
    const RECTL bounds{0, 0, 24, 24};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(dc, 12, 4), RGB(255, 0, 0)) << "the ball of the joystick picture";
    const COLORREF outer = GetPixel(dc, 0, 0), inner = GetPixel(dc, 1, 1);
    DrawEdge(dc, &all, EDGE_BUMP, BF_RECT);
    EXPECT_EQ(outer, GetPixel(dc, 0, 0));
    EXPECT_EQ(inner, GetPixel(dc, 1, 1));
    EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), DV_E_DVASPECT);
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    ASSERT_EQ(ole->SetClientSite(&host), S_OK);
    ComPtr<IContainerHyperlink> link;
    DISPPARAMS none{};
    VARIANT result{}, omitted{};
    ASSERT_EQ(c->Invoke(DISPID_Hyperlink, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(V_VT(&result), VT_DISPATCH);
    ASSERT_EQ(V_DISPATCH(&result)->QueryInterface(IID_PPV_ARGS(&link)), S_OK) << "the hyperlink interface";
    VariantClear(&result);
    quorin::win::Bstr mail(SysAllocString(L"mailto:someone@example.com"));
    EXPECT_EQ(link->NavigateTo(mail.get(), omitted, omitted), S_OK);
    EXPECT_EQ(host.navigated, L"mailto:someone@example.com");
    EXPECT_EQ(link->NavigateTo(nullptr, omitted, omitted), E_INVALIDARG);
    link.Reset();
    // In place: the face keeps its size and asks the container to take it back.
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &host, 0, host.window, &host.slot), S_OK);
    HWND face = nullptr;
    RECT r{};
    ASSERT_EQ(inPlace->GetWindow(&face), S_OK);
    GetClientRect(face, &r);
    EXPECT_TRUE(r.right == 24 && r.bottom == 24 && IsWindowVisible(face));
    const RECT bigger{5, 5, 305, 205}, first{10, 10, 34, 34}, second{5, 5, 29, 29};
    EXPECT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    ASSERT_EQ(host.sizeRequests.size(), 2u);
    EXPECT_TRUE(EqualRect(&host.sizeRequests[0], &first)) << "the container's 100 x 80 slot";
    EXPECT_TRUE(EqualRect(&host.sizeRequests[1], &second));
    host.userMode = true;
    EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE), S_OK);
    EXPECT_FALSE(IsWindowVisible(face)) << "run time shows nothing";
    SHORT interval = 20; // modified: closing saves it through the site
    c->put_Interval(&interval);
    EXPECT_EQ(ole->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(host.activations, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.deactivations, 1);
    EXPECT_FALSE(IsWindow(face));
    ole->SetClientSite(nullptr);
    EXPECT_EQ(host.refs, 1) << "the control let go of its site";
    DestroyWindow(host.window);
}

TEST(ClassInformation, PagesErrorsCategoriesAndOlderIdentifiers) {
    auto c = NewControl();
    ComPtr<IProvideClassInfo2> info;
    ComPtr<ISpecifyPropertyPages> pages;
    ComPtr<ISupportErrorInfo> errors;
    ComPtr<ICategorizeProperties> categories;
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(c.As(&info), S_OK);
    ASSERT_EQ(c.As(&pages), S_OK);
    ASSERT_EQ(c.As(&errors), S_OK);
    ASSERT_EQ(c->QueryInterface(IID_CategorizeProperties, reinterpret_cast<void**>(categories.GetAddressOf())), S_OK);
    GUID source{};
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, DIID___ControlJoystick);
    ASSERT_EQ(info->GetClassInfo(&coclass), S_OK);
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, CLSID_ControlJoystick);
    coclass->ReleaseTypeAttr(attr);
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_EQ(list.pElems[0], CLSID_PropertyPageJoystick);
    CoTaskMemFree(list.pElems);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID__ControlJoystick), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
    PROPCAT category = 0;
    quorin::win::Bstr name;
    EXPECT_EQ(categories->MapPropertyToCategory(DISPID_Port, &category), S_OK);
    EXPECT_EQ(categories->GetCategoryName(category, 0x411, name.put()), S_OK);
    EXPECT_STREQ(name.get(), Wide(u"その他"));
    EXPECT_NE(categories->MapPropertyToCategory(DISPID_VALUE, &category), S_OK);
    // Hosts built against earlier versions reach the same object through the older identifiers.
    ComPtr<IUnknown> self, older, back;
    ASSERT_EQ(c.As(&self), S_OK);
    for (const IID* iid : {&IID__ControlJoystick_v0, &IID__ControlJoystick_v1}) {
        ASSERT_EQ(c->QueryInterface(*iid, reinterpret_cast<void**>(older.ReleaseAndGetAddressOf())), S_OK);
        ASSERT_EQ(older.As(&back), S_OK);
        EXPECT_EQ(back.Get(), self.Get());
    }
}

TEST(Module, CanUnloadOnlyWithoutObjectsAndLocks) {
    ComPtr<IClassFactory> factory;
    ComPtr<IUnknown> object;
    ASSERT_EQ(OcxCall("DllCanUnloadNow"), S_OK);
    ASSERT_EQ(OcxClassFactory(CLSID_ControlJoystick, &factory), S_OK);
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_FALSE);
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_FALSE) << "the lock keeps the library";
    ASSERT_EQ(OcxClassFactory(CLSID_ControlJoystick, &factory), S_OK);
    factory->LockServer(FALSE);
    EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf())),
              CLASS_E_NOAGGREGATION);
    factory.Reset();
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_OK);
}

} // namespace
