#include "ControlJoystick.h"

#include <mmsystem.h>
#include <shellapi.h>
#include <hlink.h>

#include <new>
#include <string>

#include "ComObject.h"
#include "FormAbout.h"
#include "JoystickModule.h"
#include "typelib/JoystickTypeLib.h"
#include "winsupport/unique_handle.h"

using Microsoft::WRL::ComPtr;
using quorin::joystick::JoyReading;
using quorin::joystick::PersistedProperties;
using quorin::win::UniqueGdi;

namespace joystick {

namespace {

constexpr UINT_PTR TimerScanId = 1;
constexpr wchar_t WindowClassName[] = L"JoystickControlWindow";
// The stream a storage container gives the control holds the same record as a plain stream.
constexpr wchar_t StorageStreamName[] = L"Contents";
constexpr DWORD MiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                             OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_NOUIACTIVATE |
                             OLEMISC_SETCLIENTSITEFIRST;
static_assert(MiscStatus == 0x24591, "registered and reported misc status");

// The IHlinkFrame the container may offer, and the hyperlink it navigates.
// {79EAC9C5-BAF9-11CE-8C82-00AA004BA90B}
constexpr GUID IID_HyperlinkFrame = {
    0x79EAC9C5, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};
// {79EAC9C3-BAF9-11CE-8C82-00AA004BA90B}
constexpr GUID IID_Hyperlink = {0x79EAC9C3, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};

// The joystick service, bound by name through the import library.
class WinmmReader final : public quorin::joystick::JoystickReader {
public:
    uint32_t Read(int32_t port, JoyReading& record) noexcept override {
        static_assert(sizeof(JoyReading) == sizeof(JOYINFO), "same record");
        return ::joyGetPos(static_cast<UINT>(port), reinterpret_cast<JOYINFO*>(&record));
    }
};

WinmmReader g_reader;

int PixelsToHimetric(int pixels, bool horizontal) noexcept {
    HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, horizontal ? LOGPIXELSX : LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    if (dpi <= 0)
        dpi = 96;
    return ::MulDiv(pixels, 2540, dpi);
}

// ITypeInfo::Invoke trusts the caller's argument frame. A malformed one from a host must come
// back as an error, never as a read through a null or short array in the host's process.
HRESULT CheckArgumentFrame(ITypeInfo* info, DISPID id, WORD flags, const DISPPARAMS* params) noexcept {
    if (!params)
        return E_INVALIDARG;
    if ((params->cArgs > 0 && !params->rgvarg) || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) ||
        params->cNamedArgs > params->cArgs)
        return E_INVALIDARG;
    // More arguments than the member takes: the platform's dispatcher would ignore the rest.
    ComPtr<ITypeInfo2> info2;
    if (FAILED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(info2.GetAddressOf()))))
        return S_OK;
    const INVOKEKIND kinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF};
    const WORD bits[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                         DISPATCH_PROPERTYPUTREF};
    UINT most = 0;
    bool found = false;
    for (int k = 0; k < 4; ++k) {
        UINT index = 0;
        if (!(flags & bits[k]) || FAILED(info2->GetFuncIndexOfMemId(id, kinds[k], &index)))
            continue;
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(index, &desc)))
            continue;
        UINT takes = 0;
        for (SHORT i = 0; i < desc->cParams; ++i)
            if (!(desc->lprgelemdescParam[i].paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)))
                ++takes;
        info->ReleaseFuncDesc(desc);
        found = true;
        if (takes > most)
            most = takes;
    }
    if (found && params->cArgs > most)
        return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

// GetIDsOfNames with arrays the platform would read through unchecked.
HRESULT CheckNameArrays(LPOLESTR* names, UINT count, const DISPID* ids) noexcept {
    if (count == 0)
        return S_OK;
    if (!names || !ids)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        if (!names[i])
            return E_INVALIDARG;
    return S_OK;
}

// Hands an error to ITypeInfo::Invoke's caller as rich error information.
HRESULT SetError(HRESULT hr, const wchar_t* description) noexcept {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(::CreateErrorInfo(&create))) {
        create->SetGUID(IID__ControlJoystick);
        create->SetSource(const_cast<LPOLESTR>(L"Joystick.ControlJoystick"));
        create->SetDescription(const_cast<LPOLESTR>(description));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(&info)))
            ::SetErrorInfo(0, info.Get());
    }
    return hr;
}

HRESULT LastErrorOr(HRESULT fallback) noexcept {
    const DWORD e = ::GetLastError();
    return e ? HRESULT_FROM_WIN32(e) : fallback;
}

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* control = reinterpret_cast<ControlJoystick*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY)
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (control)
        return control->OnWindowMessage(hwnd, msg, wp, lp);
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterWindowClass() noexcept {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(ModuleInstance(), WindowClassName, &wc))
        return true;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = WindowClassName;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Maps a property-bag VARIANT onto the core's value kinds. Numeric kinds the core does not
// distinguish are widened to a double first.
quorin::joystick::PropValue ToPropValue(const VARIANT& v, VARIANT& scratch) noexcept {
    using quorin::joystick::PropValue;
    using quorin::joystick::ValueKind;
    switch (V_VT(&v)) {
    case VT_EMPTY:
        return PropValue::Of(ValueKind::Empty);
    case VT_NULL:
        return PropValue::Of(ValueKind::Null);
    case VT_I2:
        return PropValue::Int16(V_I2(&v));
    case VT_I4:
    case VT_INT:
        return PropValue::Int32(V_I4(&v));
    case VT_BOOL:
        return PropValue::Bool(V_BOOL(&v));
    case VT_BSTR: {
        const BSTR s = V_BSTR(&v);
        return PropValue::Of(
            quorin::joystick::TextView(reinterpret_cast<const char16_t*>(s ? s : L""), ::SysStringLen(s)));
    }
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL:
        if (SUCCEEDED(::VariantChangeType(&scratch, const_cast<VARIANT*>(&v), 0, VT_R8)))
            return PropValue::Double(V_R8(&scratch));
        break;
    default:
        break;
    }
    return PropValue::Of(ValueKind::Unsupported);
}

// Only a missing value means "use the default". Bags report it as E_INVALIDARG, the status the
// interface documents, or, when they keep their values in the registry, as its file-not-found.
bool IsMissingValue(HRESULT hr) noexcept {
    return hr == E_INVALIDARG || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

class BagReader final : public quorin::joystick::PropertyBagReader {
public:
    BagReader(IPropertyBag* bag, IErrorLog* log) noexcept : bag_(bag), log_(log) {
        ::VariantInit(&value_);
        ::VariantInit(&scratch_);
    }
    ~BagReader() {
        ::VariantClear(&value_);
        ::VariantClear(&scratch_);
    }

    // The bag's own status when a read failed for another reason than a missing value.
    HRESULT failure = S_OK;

    quorin::joystick::ReadOutcome Read(const char16_t* name,
                                       quorin::joystick::PropValue& out) noexcept override {
        using quorin::joystick::ReadOutcome;
        ::VariantClear(&value_);
        ::VariantClear(&scratch_);
        VARIANT raw;
        ::VariantInit(&raw);
        const HRESULT hr = bag_->Read(reinterpret_cast<LPCOLESTR>(name), &raw, log_);
        if (FAILED(hr)) {
            ::VariantClear(&raw);
            if (IsMissingValue(hr))
                return ReadOutcome::Missing;
            failure = hr;
            return ReadOutcome::Failed;
        }
        // A value that refers to another is read through the reference.
        if (FAILED(::VariantCopyInd(&value_, &raw))) {
            ::VariantClear(&raw);
            out = quorin::joystick::PropValue::Of(quorin::joystick::ValueKind::Unsupported);
            return ReadOutcome::Stored;
        }
        ::VariantClear(&raw);
        out = ToPropValue(value_, scratch_);
        return ReadOutcome::Stored;
    }

private:
    IPropertyBag* bag_;
    IErrorLog* log_;
    VARIANT value_;
    VARIANT scratch_;
};

class BagWriter final : public quorin::joystick::PropertyBagWriter {
public:
    explicit BagWriter(IPropertyBag* bag) noexcept : bag_(bag) {}
    HRESULT status = S_OK;

    bool Write(const char16_t* name, const quorin::joystick::PropValue& v) noexcept override {
        VARIANT var;
        ::VariantInit(&var);
        if (v.kind == quorin::joystick::ValueKind::Bool) {
            V_VT(&var) = VT_BOOL;
            V_BOOL(&var) = static_cast<VARIANT_BOOL>(v.integer);
        } else {
            V_VT(&var) = VT_I4;
            V_I4(&var) = v.integer;
        }
        status = bag_->Write(reinterpret_cast<LPCOLESTR>(name), &var);
        return SUCCEEDED(status);
    }

private:
    IPropertyBag* bag_;
};

HRESULT ReadExactly(IStream* stream, void* buffer, ULONG size) noexcept {
    ULONG got = 0;
    HRESULT hr = stream->Read(buffer, size, &got);
    if (FAILED(hr))
        return hr;
    return got == size ? S_OK : STG_E_READFAULT;
}

// Small enumerators the container interfaces hand out.
class EnumConnectionPointsImpl final : public ComObject<IEnumConnectionPoints, IID_IEnumConnectionPoints> {
public:
    EnumConnectionPointsImpl(IConnectionPoint* a, IConnectionPoint* b, ULONG pos) noexcept : pos_(pos) {
        points_[0] = a;
        points_[1] = b;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** out, ULONG* fetched) noexcept override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < 2) {
            out[n] = points_[pos_++].Get();
            out[n++]->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        const ULONG left = 2 - pos_;
        pos_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = new (std::nothrow) EnumConnectionPointsImpl(points_[0].Get(), points_[1].Get(), pos_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~EnumConnectionPointsImpl() override = default;
    ComPtr<IConnectionPoint> points_[2];
    ULONG pos_;
};

class EnumConnectionsImpl final : public ComObject<IEnumConnections, IID_IEnumConnections> {
public:
    EnumConnectionsImpl() noexcept = default;
    std::vector<CONNECTDATA> items; // each punk holds a reference
    ULONG pos = 0;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, CONNECTDATA* out, ULONG* fetched) noexcept override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && pos < items.size()) {
            out[n] = items[pos++];
            out[n++].pUnk->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        const ULONG left = static_cast<ULONG>(items.size()) - pos;
        pos += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        pos = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        auto* copy = new (std::nothrow) EnumConnectionsImpl();
        if (!copy)
            return E_OUTOFMEMORY;
        try {
            copy->items = items;
        } catch (...) {
            copy->Release();
            return E_OUTOFMEMORY;
        }
        for (auto& c : copy->items)
            c.pUnk->AddRef();
        copy->pos = pos;
        *out = copy;
        return S_OK;
    }

private:
    ~EnumConnectionsImpl() override {
        for (auto& c : items)
            c.pUnk->Release();
    }
};

// The object the hidden Hyperlink member hands out. It navigates through the hyperlink frame of
// the container the control sat in when it was created, or through the shell without one.
class ContainerHyperlink final
    : public ComObject<IContainerHyperlink, IID_IDispatch, IID_ContainerHyperlink> {
public:
    explicit ContainerHyperlink(IOleClientSite* site) noexcept : site_(site) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr))
            return hr;
        *info = info_.Get();
        info_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = CheckNameArrays(names, count, ids);
        if (SUCCEEDED(hr))
            hr = EnsureTypeInfo();
        if (FAILED(hr))
            return hr;
        return info_->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTypeInfo();
        if (SUCCEEDED(hr))
            hr = CheckArgumentFrame(info_.Get(), id, flags, params);
        if (FAILED(hr))
            return hr;
        return info_->Invoke(static_cast<IContainerHyperlink*>(this), id, flags, params, result, excep,
                             argErr);
    }

    HRESULT STDMETHODCALLTYPE NavigateTo(BSTR Target, VARIANT Location, VARIANT FrameName) noexcept override {
        if (!Target || !*Target)
            return E_INVALIDARG;
        const BSTR location = TextArgument(Location);
        const BSTR frameName = TextArgument(FrameName);
        if (ComPtr<IHlinkFrame> frame = FindFrame())
            return NavigateFrame(frame.Get(), Target, location);
        return NavigateShell(Target, location, frameName);
    }
    HRESULT STDMETHODCALLTYPE GoForward() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoBack() noexcept override { return E_NOTIMPL; }

private:
    ~ContainerHyperlink() override = default;

    HRESULT EnsureTypeInfo() noexcept {
        if (info_)
            return S_OK;
        return LoadJoystickTypeInfo(TypeLibResourceHyperlink, IID_ContainerHyperlink, &info_);
    }

    // Optional text arguments: omitted, empty or not text mean "none".
    static BSTR TextArgument(const VARIANT& v) noexcept {
        const VARIANT* p = &v;
        if (V_VT(p) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(p))
            p = V_VARIANTREF(p);
        if (V_VT(p) == VT_BSTR && V_BSTR(p) && *V_BSTR(p))
            return V_BSTR(p);
        if (V_VT(p) == (VT_BSTR | VT_BYREF) && V_BSTRREF(p) && *V_BSTRREF(p) && **V_BSTRREF(p))
            return *V_BSTRREF(p);
        return nullptr;
    }

    // The container's hyperlink frame: from its service provider, else from the container.
    ComPtr<IHlinkFrame> FindFrame() noexcept {
        ComPtr<IHlinkFrame> frame;
        if (!site_)
            return frame;
        ComPtr<IServiceProvider> services;
        if (SUCCEEDED(site_.As(&services)) &&
            SUCCEEDED(services->QueryService(IID_HyperlinkFrame, IID_HyperlinkFrame,
                                             reinterpret_cast<void**>(frame.GetAddressOf()))) &&
            frame)
            return frame;
        frame.Reset();
        ComPtr<IOleContainer> container;
        if (SUCCEEDED(site_->GetContainer(&container)) && container)
            container->QueryInterface(IID_HyperlinkFrame, reinterpret_cast<void**>(frame.GetAddressOf()));
        return frame;
    }

    // IHlinkFrame::Navigate with a hyperlink made by the system's hyperlink library, which is
    // bound by name at this first use.
    static HRESULT NavigateFrame(IHlinkFrame* frame, BSTR target, BSTR location) noexcept {
        using CreateFn = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, void*, DWORD, IUnknown*, REFIID, void**);
        static HMODULE library = ::LoadLibraryW(L"hlink.dll");
        if (!library)
            return LastErrorOr(E_FAIL);
        auto create = reinterpret_cast<CreateFn>(
            reinterpret_cast<void*>(::GetProcAddress(library, "HlinkCreateFromString")));
        if (!create)
            return LastErrorOr(E_FAIL);
        ComPtr<IHlink> link;
        HRESULT hr = create(target, location, nullptr, nullptr, 0, nullptr, IID_Hyperlink,
                            reinterpret_cast<void**>(link.GetAddressOf()));
        if (FAILED(hr))
            return hr;
        return frame->Navigate(0, nullptr, nullptr, link.Get());
    }

    static HRESULT NavigateShell(BSTR target, BSTR location, BSTR frameName) noexcept {
        (void)frameName; // the shell has no frames
        try {
            std::wstring full(target);
            if (location) {
                if (*location != L'#')
                    full += L'#';
                full += location;
            }
            const auto result = reinterpret_cast<INT_PTR>(
                ::ShellExecuteW(nullptr, L"open", full.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
            if (result > 32)
                return S_OK;
            switch (result) {
            case 0:
            case SE_ERR_OOM:
                return E_OUTOFMEMORY;
            case SE_ERR_FNF:
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            case SE_ERR_PNF:
                return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
            case SE_ERR_ACCESSDENIED:
                return E_ACCESSDENIED;
            case SE_ERR_NOASSOC:
                return HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
            default:
                return E_FAIL;
            }
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    ComPtr<IOleClientSite> site_;
    ComPtr<ITypeInfo> info_;
};

} // namespace

HRESULT LoadJoystickTypeInfo(WORD resource, REFGUID guid, ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    wchar_t path[MAX_PATH + 8];
    const DWORD n = ::GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return LastErrorOr(E_FAIL);
    // LoadTypeLib reads a resource other than the first from "<path>\<n>".
    if (resource != 1)
        wsprintfW(path + n, L"\\%u", static_cast<unsigned>(resource));
    ComPtr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr))
        return hr;
    return lib->GetTypeInfoOfGuid(guid, info);
}

void UnregisterControlWindowClass() noexcept {
    ::UnregisterClassW(WindowClassName, ModuleInstance());
}

HRESULT CreateControlJoystick(REFIID riid, void** ppv) noexcept {
    return ControlJoystick::CreateInstance(riid, ppv);
}

// ConnectionPoint ---------------------------------------------------------------------------

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
ULONG ConnectionPoint::AddRef() noexcept {
    return owner_.AddRef();
}
ULONG ConnectionPoint::Release() noexcept {
    return owner_.Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** cpc) noexcept {
    if (!cpc)
        return E_POINTER;
    *cpc = static_cast<IConnectionPointContainer*>(&owner_);
    (*cpc)->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    ComPtr<IUnknown> accepted;
    if (iid_ == IID_IPropertyNotifySink) {
        sink->QueryInterface(IID_IPropertyNotifySink, reinterpret_cast<void**>(accepted.GetAddressOf()));
    } else {
        // Sinks built against earlier versions answer only the identifier they knew; any of
        // them, or plain IDispatch, receives the same events.
        for (const IID* iid : {&DIID___ControlJoystick, &DIID___ControlJoystick_v1,
                               &DIID___ControlJoystick_v0, &IID_IDispatch}) {
            if (SUCCEEDED(sink->QueryInterface(*iid, reinterpret_cast<void**>(accepted.GetAddressOf()))) &&
                accepted)
                break;
        }
    }
    if (!accepted)
        return CONNECT_E_CANNOTCONNECT;
    try {
        connections_.push_back({nextCookie_, accepted});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) noexcept {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->cookie == cookie) {
            // Release after the entry is gone: the sink's destructor may call back in.
            ComPtr<IUnknown> sink = std::move(it->sink);
            connections_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** e) noexcept {
    if (!e)
        return E_POINTER;
    *e = nullptr;
    auto* en = new (std::nothrow) EnumConnectionsImpl();
    if (!en)
        return E_OUTOFMEMORY;
    try {
        for (const auto& c : connections_) {
            en->items.push_back({c.sink.Get(), c.cookie});
            c.sink->AddRef();
        }
    } catch (const std::bad_alloc&) {
        en->Release();
        return E_OUTOFMEMORY;
    }
    *e = en;
    return S_OK;
}

template <typename Sink, typename F> void ConnectionPoint::ForEach(F&& f) noexcept {
    if (connections_.empty())
        return;
    // Cookies only grow and the list stays in cookie order, so walking by cookie survives
    // sinks that connect or disconnect during a call; later connections wait for the next event.
    const DWORD last = connections_.back().cookie;
    DWORD done = 0;
    for (;;) {
        ComPtr<IUnknown> sink;
        DWORD cookie = 0;
        for (const auto& c : connections_) {
            if (c.cookie > done) {
                sink = c.sink;
                cookie = c.cookie;
                break;
            }
        }
        if (!sink || cookie > last)
            return;
        done = cookie;
        f(static_cast<Sink*>(sink.Get()));
    }
}

// ControlJoystick: lifetime and IUnknown ----------------------------------------------------

ControlJoystick::ControlJoystick() noexcept
    : events_(*this, DIID___ControlJoystick), propertyNotify_(*this, IID_IPropertyNotifySink) {
    ModuleAddRef();
}

ControlJoystick::~ControlJoystick() {
    if (inPlaceWindow_)
        ::DestroyWindow(inPlaceWindow_);
    if (timerWindow_)
        ::DestroyWindow(timerWindow_);
    ModuleRelease();
}

HRESULT ControlJoystick::CreateInstance(REFIID riid, void** ppv) noexcept {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    auto* control = new (std::nothrow) ControlJoystick();
    if (!control)
        return E_OUTOFMEMORY;
    HRESULT hr = control->QueryInterface(riid, ppv);
    control->Release();
    return hr;
}

HRESULT ControlJoystick::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv)
        return E_POINTER;
    struct Entry {
        const IID* iid;
        void* itf;
    };
    const Entry table[] = {
        {&IID_IUnknown, static_cast<IControlJoystick*>(this)},
        {&IID_IDispatch, static_cast<IControlJoystick*>(this)},
        {&IID__ControlJoystick, static_cast<IControlJoystick*>(this)},
        // Hosts built against earlier versions of the library keep working.
        {&IID__ControlJoystick_v1, static_cast<IControlJoystick*>(this)},
        {&IID__ControlJoystick_v0, static_cast<IControlJoystick*>(this)},
        {&IID_IPersist, static_cast<IPersistStreamInit*>(this)},
        {&IID_IPersistStreamInit, static_cast<IPersistStreamInit*>(this)},
        {&IID_IPersistPropertyBag, static_cast<IPersistPropertyBag*>(this)},
        {&IID_IPersistStorage, static_cast<IPersistStorage*>(this)},
        {&IID_IOleObject, static_cast<IOleObject*>(this)},
        {&IID_IOleWindow, static_cast<IOleInPlaceObject*>(this)},
        {&IID_IOleInPlaceObject, static_cast<IOleInPlaceObject*>(this)},
        {&IID_IOleInPlaceActiveObject, static_cast<IOleInPlaceActiveObject*>(this)},
        {&IID_IOleControl, static_cast<IOleControl*>(this)},
        {&IID_IViewObject, static_cast<IViewObject2*>(this)},
        {&IID_IViewObject2, static_cast<IViewObject2*>(this)},
        {&IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)},
        {&IID_IProvideClassInfo, static_cast<IProvideClassInfo2*>(this)},
        {&IID_IProvideClassInfo2, static_cast<IProvideClassInfo2*>(this)},
        {&IID_ISpecifyPropertyPages, static_cast<ISpecifyPropertyPages*>(this)},
        {&IID_ISupportErrorInfo, static_cast<ISupportErrorInfo*>(this)},
        {&IID_CategorizeProperties, static_cast<ICategorizeProperties*>(this)},
    };
    for (const Entry& e : table) {
        if (*e.iid == riid) {
            *ppv = e.itf;
            AddRef();
            return S_OK;
        }
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG ControlJoystick::AddRef() noexcept {
    return ::InterlockedIncrement(&refs_);
}

ULONG ControlJoystick::Release() noexcept {
    const ULONG n = ::InterlockedDecrement(&refs_);
    if (n == 0)
        delete this;
    return n;
}

// IDispatch -------------------------------------------------------------------------------

HRESULT ControlJoystick::EnsureTypeInfo() noexcept {
    if (interfaceInfo_)
        return S_OK;
    ComPtr<ITypeInfo> dispatch;
    HRESULT hr = LoadJoystickTypeInfo(TypeLibResourceControl, IID__ControlJoystick, &dispatch);
    if (FAILED(hr))
        return hr;
    // A dual interface comes back as its dispatch side; Invoke needs the vtable side.
    ComPtr<ITypeInfo> vtable;
    HREFTYPE ref = 0;
    if (SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
        hr = dispatch->GetRefTypeInfo(ref, &vtable);
    else
        vtable = dispatch;
    if (FAILED(hr))
        return hr;
    dispatchInfo_ = dispatch;
    interfaceInfo_ = vtable;
    return S_OK;
}

HRESULT ControlJoystick::GetTypeInfoCount(UINT* count) noexcept {
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT ControlJoystick::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    HRESULT hr = EnsureTypeInfo();
    if (FAILED(hr))
        return hr;
    *info = dispatchInfo_.Get();
    dispatchInfo_->AddRef();
    return S_OK;
}

HRESULT ControlJoystick::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = CheckNameArrays(names, count, ids);
    if (SUCCEEDED(hr))
        hr = EnsureTypeInfo();
    if (FAILED(hr))
        return hr;
    return interfaceInfo_->GetIDsOfNames(names, count, ids);
}

HRESULT ControlJoystick::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excep, UINT* argErr) noexcept {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = EnsureTypeInfo();
    if (SUCCEEDED(hr))
        hr = CheckArgumentFrame(interfaceInfo_.Get(), id, flags, params);
    if (FAILED(hr))
        return hr;
    // Handlers may release the host's last reference while a call is under way.
    ComPtr<IControlJoystick> keepAlive(this);
    ::SetErrorInfo(0, nullptr);
    return interfaceInfo_->Invoke(static_cast<IControlJoystick*>(this), id, flags, params, result, excep,
                                  argErr);
}

// _ControlJoystick -------------------------------------------------------------------------

HRESULT ControlJoystick::About() noexcept {
    // Every failure of the box is swallowed: a host's About command never sees an error.
    (void)ShowFormAbout();
    return S_OK;
}

HRESULT ControlJoystick::get_Interval(SHORT* Interval) noexcept {
    if (!Interval)
        return E_POINTER;
    *Interval = static_cast<SHORT>(interval_);
    return S_OK;
}

HRESULT ControlJoystick::put_Interval(SHORT* Interval) noexcept {
    if (!Interval)
        return E_POINTER;
    const SHORT value = *Interval;
    if (value < 0 || value > 10000)
        return S_OK; // outside the property's range: dropped without an error or a report
    interval_ = value;
    HRESULT hr = UpdateTimer();
    if (FAILED(hr))
        return SetError(hr, L"The scan timer could not be set.");
    ReportChange(DISPID_Interval);
    return S_OK;
}

HRESULT ControlJoystick::get_Port(JoystickPortConstants* Port) noexcept {
    if (!Port)
        return E_POINTER;
    *Port = static_cast<JoystickPortConstants>(settings_.port);
    return S_OK;
}

HRESULT ControlJoystick::put_Port(JoystickPortConstants* Port) noexcept {
    if (!Port)
        return E_POINTER;
    ComPtr<IControlJoystick> keepAlive(this);
    settings_.port = static_cast<int32_t>(*Port);
    if (quorin::joystick::PortTestFails(settings_.port, g_reader)) {
        // The handler's Port refers to the stored port itself: what it assigns stays, with no
        // test and no change report of its own.
        VARIANTARG arg;
        V_VT(&arg) = VT_I4 | VT_BYREF;
        V_I4REF(&arg) = reinterpret_cast<LONG*>(&settings_.port);
        RaiseEvent(DISPID_EvError, &arg, 1);
    } else {
        ::MessageBeep(MB_OK);
    }
    ReportChange(DISPID_Port);
    return S_OK;
}

HRESULT ControlJoystick::get_RepeatButton(VARIANT_BOOL* RepeatButton) noexcept {
    if (!RepeatButton)
        return E_POINTER;
    *RepeatButton = settings_.repeatButton;
    return S_OK;
}

HRESULT ControlJoystick::put_RepeatButton(VARIANT_BOOL* RepeatButton) noexcept {
    if (!RepeatButton)
        return E_POINTER;
    settings_.repeatButton = *RepeatButton;
    ReportChange(DISPID_RepeatButton);
    return S_OK;
}

HRESULT ControlJoystick::get_RepeatCursor(VARIANT_BOOL* RepeatCursor) noexcept {
    if (!RepeatCursor)
        return E_POINTER;
    *RepeatCursor = settings_.repeatCursor;
    return S_OK;
}

HRESULT ControlJoystick::put_RepeatCursor(VARIANT_BOOL* RepeatCursor) noexcept {
    if (!RepeatCursor)
        return E_POINTER;
    settings_.repeatCursor = *RepeatCursor;
    ReportChange(DISPID_RepeatCursor);
    return S_OK;
}

HRESULT ControlJoystick::Begin() noexcept {
    ComPtr<IControlJoystick> keepAlive(this);
    timerEnabled_ = true;
    HRESULT hr = UpdateTimer();
    if (FAILED(hr)) {
        timerEnabled_ = false;
        return SetError(hr, L"The scan timer could not be started.");
    }
    RaiseEvent(DISPID_EvBegin, nullptr, 0);
    return S_OK;
}

HRESULT ControlJoystick::Finish() noexcept {
    ComPtr<IControlJoystick> keepAlive(this);
    RaiseEvent(DISPID_EvFinish, nullptr, 0);
    timerEnabled_ = false;
    return UpdateTimer();
}

HRESULT ControlJoystick::Hyperlink(IContainerHyperlink** Result) noexcept {
    if (!Result)
        return E_POINTER;
    *Result = new (std::nothrow) ContainerHyperlink(site_.Get());
    return *Result ? S_OK : E_OUTOFMEMORY;
}

// Timer and scan tick ---------------------------------------------------------------------------

HRESULT ControlJoystick::EnsureTimerWindow() noexcept {
    if (timerWindow_)
        return S_OK;
    if (!RegisterWindowClass())
        return LastErrorOr(E_FAIL);
    // A message-only window of the calling (the host's) thread: the timer ticks through that
    // thread's message loop whether or not the control has a container.
    timerWindow_ = ::CreateWindowExW(0, WindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     ModuleInstance(), this);
    return timerWindow_ ? S_OK : LastErrorOr(E_FAIL);
}

HRESULT ControlJoystick::UpdateTimer() noexcept {
    // A timer with interval 0 never fires; a negative interval can only come from a property
    // bag and is treated the same way.
    if (!timerEnabled_ || interval_ <= 0) {
        if (timerWindow_)
            ::KillTimer(timerWindow_, TimerScanId);
        return S_OK;
    }
    HRESULT hr = EnsureTimerWindow();
    if (FAILED(hr))
        return hr;
    // Setting the same timer again restarts it at the new period.
    if (!::SetTimer(timerWindow_, TimerScanId, static_cast<UINT>(interval_), nullptr))
        return LastErrorOr(E_FAIL);
    return S_OK;
}

void ControlJoystick::OnTimerTick() noexcept {
    // A handler that pumps messages (a modal box, say) would otherwise start a tick inside a
    // tick; the nested one is dropped and the next period catches up.
    if (ticking_)
        return;
    ComPtr<IControlJoystick> keepAlive(this);
    ticking_ = true;
    quorin::joystick::ScanTick(state_, settings_, g_reader, *this);
    ticking_ = false;
}

LRESULT ControlJoystick::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
    case WM_TIMER:
        if (hwnd == timerWindow_ && wp == TimerScanId) {
            OnTimerTick();
            return 0;
        }
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        if (dc) {
            RECT r{0, 0, ControlSizePixels, ControlSizePixels};
            PaintFace(dc, r);
            ::EndPaint(hwnd, &ps);
        }
        return 0;
    }
    case WM_NCDESTROY:
        if (hwnd == timerWindow_)
            timerWindow_ = nullptr;
        if (hwnd == inPlaceWindow_)
            inPlaceWindow_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// Events ------------------------------------------------------------------------------------------

void ControlJoystick::RaiseEvent(DISPID id, VARIANTARG* args, UINT count) noexcept {
    // A container that froze its events is not ready for them; they are dropped, as a form
    // runtime does.
    if (freezeCount_ > 0)
        return;
    // Only Begin, Finish and Error come through here; Error's one argument refers to the
    // stored port, so a handler's assignment is meant to be seen by the next sink too.
    events_.ForEach<IDispatch>([&](IDispatch* sink) {
        DISPPARAMS dp{args, nullptr, count, 0};
        // A sink's failure is its own affair: the next sink and the next step still run.
        (void)sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr,
                           nullptr);
    });
}

namespace {

// By-reference arguments of one event; reset before each sink so every sink sees the raised
// values, whatever an earlier handler wrote into them.
struct EventArgs {
    VARIANTARG v[2];
    LONG longs[2];
    VARIANT_BOOL bools[2];
    UINT count = 0;

    // Arguments are stored last first, as DISPPARAMS wants them.
    void Long(UINT slot, LONG value) noexcept {
        longs[slot] = value;
        V_VT(&v[slot]) = VT_I4 | VT_BYREF;
        V_I4REF(&v[slot]) = &longs[slot];
    }
    void Bool(UINT slot, int16_t value) noexcept {
        bools[slot] = value;
        V_VT(&v[slot]) = VT_BOOL | VT_BYREF;
        V_BOOLREF(&v[slot]) = &bools[slot];
    }
};

// Raises one scan event to every sink, unless the container froze its events; `fill` sets the
// arguments afresh for each sink and returns their count.
template <typename Sinks, typename Count, typename Fill>
void RaiseScanEvent(Sinks& sinks, Count freezeCount, DISPID id, Fill fill) noexcept {
    if (freezeCount > 0)
        return;
    sinks.template ForEach<IDispatch>([&](IDispatch* sink) {
        EventArgs a;
        DISPPARAMS dp{a.v, nullptr, fill(a), 0};
        (void)sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr,
                           nullptr);
    });
}

} // namespace

void ControlJoystick::ButtonDown(int16_t first, int32_t button) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvButtonDown, [&](EventArgs& a) {
        a.Bool(1, first);
        a.Long(0, button);
        return 2u;
    });
}

void ControlJoystick::ButtonUp(int16_t last, int32_t button) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvButtonUp, [&](EventArgs& a) {
        a.Bool(1, last);
        a.Long(0, button);
        return 2u;
    });
}

void ControlJoystick::CursorPress(int16_t first, int16_t last) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvCursorPress, [&](EventArgs& a) {
        a.Bool(1, first);
        a.Bool(0, last);
        return 2u;
    });
}

void ControlJoystick::ScanButton(int32_t button) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvScanButton, [&](EventArgs& a) {
        a.Long(0, button);
        return 1u;
    });
}

void ControlJoystick::ScanCursor(int32_t cursorX, int32_t cursorY) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvScanCursor, [&](EventArgs& a) {
        a.Long(1, cursorX);
        a.Long(0, cursorY);
        return 2u;
    });
}

void ControlJoystick::ReportChange(DISPID id) noexcept {
    dirty_ = true;
    propertyNotify_.ForEach<IPropertyNotifySink>(
        [&](IPropertyNotifySink* sink) { (void)sink->OnChanged(id); });
}

// Persistence ----------------------------------------------------------------------------------

PersistedProperties ControlJoystick::Persisted() const noexcept {
    return {interval_, settings_.port, settings_.repeatButton, settings_.repeatCursor};
}

void ControlJoystick::ApplyPersisted(const PersistedProperties& p) noexcept {
    // Straight to the fields: no range test, no port test, no change report.
    interval_ = p.interval;
    settings_.port = p.port;
    settings_.repeatButton = p.repeatButton;
    settings_.repeatCursor = p.repeatCursor;
    (void)UpdateTimer();
}

HRESULT ControlJoystick::GetClassID(CLSID* clsid) noexcept {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_ControlJoystick;
    return S_OK;
}

HRESULT ControlJoystick::IsDirty() noexcept {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT ControlJoystick::InitNew() noexcept {
    // A new instance: the timer's interval keeps its initial value.
    settings_.port = 0;
    settings_.repeatButton = 0;
    settings_.repeatCursor = 0;
    dirty_ = false;
    return S_OK;
}

HRESULT ControlJoystick::Load(IStream* stream) noexcept {
    if (!stream)
        return E_POINTER;
    uint8_t header[quorin::joystick::StreamHeaderSize];
    HRESULT hr = ReadExactly(stream, header, sizeof header);
    if (FAILED(hr))
        return hr;
    uint32_t bodyLength = 0;
    if (quorin::joystick::DecodeStreamHeader(header, sizeof header, bodyLength) !=
        quorin::joystick::StreamStatus::Ok)
        return E_UNEXPECTED;
    uint8_t body[quorin::joystick::StreamBodySize];
    hr = ReadExactly(stream, body, sizeof body);
    if (FAILED(hr))
        return hr;
    PersistedProperties p;
    if (quorin::joystick::DecodeStreamBody(body, sizeof body, p) != quorin::joystick::StreamStatus::Ok)
        return E_UNEXPECTED;
    // Fields a later version appended are skipped so the container's stream stays in step.
    if (bodyLength > sizeof body) {
        LARGE_INTEGER skip;
        skip.QuadPart = bodyLength - sizeof body;
        hr = stream->Seek(skip, STREAM_SEEK_CUR, nullptr);
        if (FAILED(hr))
            return hr;
    }
    ApplyPersisted(p);
    dirty_ = false;
    return S_OK;
}

HRESULT ControlJoystick::Save(IStream* stream, BOOL clearDirty) noexcept {
    if (!stream)
        return E_POINTER;
    uint8_t record[quorin::joystick::StreamRecordSize];
    quorin::joystick::EncodeStreamRecord(Persisted(), record);
    ULONG written = 0;
    HRESULT hr = stream->Write(record, sizeof record, &written);
    if (FAILED(hr))
        return hr;
    if (written != sizeof record)
        return STG_E_WRITEFAULT;
    if (clearDirty)
        dirty_ = false;
    return S_OK;
}

HRESULT ControlJoystick::GetSizeMax(ULARGE_INTEGER* size) noexcept {
    if (!size)
        return E_POINTER;
    size->QuadPart = quorin::joystick::StreamRecordSize;
    return S_OK;
}

HRESULT ControlJoystick::Load(IPropertyBag* bag, IErrorLog* log) noexcept {
    if (!bag)
        return E_POINTER;
    BagReader reader(bag, log);
    PersistedProperties p = Persisted();
    const quorin::joystick::LoadResult r = quorin::joystick::LoadProperties(reader, p);
    // Values loaded before a failing one stay loaded.
    ApplyPersisted(p);
    switch (r.status) {
    case quorin::joystick::LoadStatus::Ok:
        dirty_ = false;
        return S_OK;
    case quorin::joystick::LoadStatus::Overflow:
        return DISP_E_OVERFLOW;
    case quorin::joystick::LoadStatus::ReadFailed:
        return FAILED(reader.failure) ? reader.failure : E_FAIL;
    case quorin::joystick::LoadStatus::TypeMismatch:
        break;
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT ControlJoystick::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) noexcept {
    if (!bag)
        return E_POINTER;
    BagWriter writer(bag);
    if (!quorin::joystick::SaveProperties(Persisted(), writer))
        return FAILED(writer.status) ? writer.status : E_FAIL;
    if (clearDirty)
        dirty_ = false;
    return S_OK;
}

HRESULT ControlJoystick::InitNew(IStorage* storage) noexcept {
    if (!storage)
        return E_POINTER;
    return InitNew();
}

HRESULT ControlJoystick::Load(IStorage* storage) noexcept {
    if (!storage)
        return E_POINTER;
    ComPtr<IStream> stream;
    HRESULT hr =
        storage->OpenStream(StorageStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr))
        return hr;
    return Load(stream.Get());
}

HRESULT ControlJoystick::Save(IStorage* storage, BOOL) noexcept {
    if (!storage)
        return E_POINTER;
    ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(StorageStreamName, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0,
                                       0, &stream);
    if (FAILED(hr))
        return hr;
    // The container calls SaveCompleted afterwards; the flag is cleared as for a stream.
    return Save(stream.Get(), TRUE);
}

HRESULT ControlJoystick::SaveCompleted(IStorage*) noexcept {
    return S_OK;
}

HRESULT ControlJoystick::HandsOffStorage() noexcept {
    return S_OK;
}

// IOleObject --------------------------------------------------------------------------------------

bool ControlJoystick::DesignMode() const noexcept {
    return designMode_ == 1;
}

HRESULT ControlJoystick::SetClientSite(IOleClientSite* site) noexcept {
    site_ = site;
    designMode_ = -1;
    if (site_) {
        // The ambient UserMode tells design from run time; a container without ambients
        // (or without the property) is running.
        ComPtr<IDispatch> ambients;
        if (SUCCEEDED(site_.As(&ambients))) {
            VARIANT v;
            ::VariantInit(&v);
            DISPPARAMS none{nullptr, nullptr, 0, 0};
            if (SUCCEEDED(ambients->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                           DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr)) &&
                SUCCEEDED(::VariantChangeType(&v, &v, 0, VT_BOOL)))
                designMode_ = V_BOOL(&v) ? 0 : 1;
            ::VariantClear(&v);
        }
    }
    return S_OK;
}

HRESULT ControlJoystick::GetClientSite(IOleClientSite** site) noexcept {
    if (!site)
        return E_POINTER;
    *site = site_.Get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

HRESULT ControlJoystick::SetHostNames(LPCOLESTR, LPCOLESTR) noexcept {
    return S_OK;
}

HRESULT ControlJoystick::Close(DWORD saveOption) noexcept {
    ComPtr<IControlJoystick> keepAlive(this);
    (void)InPlaceDeactivate();
    if (saveOption == OLECLOSE_SAVEIFDIRTY && dirty_ && site_)
        (void)site_->SaveObject();
    if (oleAdvise_)
        (void)oleAdvise_->SendOnClose();
    return S_OK;
}

HRESULT ControlJoystick::SetMoniker(DWORD, IMoniker*) noexcept {
    return E_NOTIMPL;
}

HRESULT ControlJoystick::GetMoniker(DWORD, DWORD, IMoniker** mk) noexcept {
    if (mk)
        *mk = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlJoystick::InitFromData(IDataObject*, BOOL, DWORD) noexcept {
    return E_NOTIMPL;
}

HRESULT ControlJoystick::GetClipboardData(DWORD, IDataObject** data) noexcept {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlJoystick::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                LPCRECT pos) noexcept {
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(site ? site : site_.Get(), parent, pos);
    case OLEIVERB_HIDE:
        return InPlaceDeactivate();
    default:
        return OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT ControlJoystick::InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT pos) noexcept {
    if (inPlaceSite_)
        return S_OK;
    if (!site)
        return E_UNEXPECTED;
    ComPtr<IOleInPlaceSite> ips;
    HRESULT hr = site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(ips.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    if (ips->CanInPlaceActivate() != S_OK)
        return E_FAIL;
    hr = ips->OnInPlaceActivate();
    if (FAILED(hr))
        return hr;
    HWND siteWindow = nullptr;
    if (FAILED(ips->GetWindow(&siteWindow)) || !siteWindow)
        siteWindow = parent;
    RECT posRect{0, 0, ControlSizePixels, ControlSizePixels};
    RECT clipRect = posRect;
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> doc;
    if (FAILED(ips->GetWindowContext(&frame, &doc, &posRect, &clipRect, &frameInfo)) && pos)
        posRect = *pos;
    if (!RegisterWindowClass()) {
        hr = LastErrorOr(E_FAIL);
        ips->OnInPlaceDeactivate();
        return hr;
    }
    // The face is visible only at design time; at run time the control shows nothing.
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (DesignMode() ? WS_VISIBLE : 0);
    inPlaceWindow_ =
        ::CreateWindowExW(0, WindowClassName, L"", style, posRect.left, posRect.top, ControlSizePixels,
                          ControlSizePixels, siteWindow, nullptr, ModuleInstance(), this);
    if (!inPlaceWindow_) {
        hr = LastErrorOr(E_FAIL);
        ips->OnInPlaceDeactivate();
        return hr;
    }
    inPlaceSite_ = ips;
    SizeBackTo24(&posRect);
    return S_OK;
}

void ControlJoystick::SizeBackTo24(LPCRECT pos) noexcept {
    if (!pos)
        return;
    if (pos->right - pos->left == ControlSizePixels && pos->bottom - pos->top == ControlSizePixels)
        return;
    // Whatever size the host set, the control asks for 24 x 24 back; a container that
    // cannot move its sites simply keeps the larger slot around the 24 x 24 face.
    RECT r{pos->left, pos->top, pos->left + ControlSizePixels, pos->top + ControlSizePixels};
    if (inPlaceSite_)
        (void)inPlaceSite_->OnPosRectChange(&r);
}

HRESULT ControlJoystick::EnumVerbs(IEnumOLEVERB** e) noexcept {
    if (e)
        *e = nullptr;
    return OLE_S_USEREG;
}

HRESULT ControlJoystick::Update() noexcept {
    return S_OK;
}

HRESULT ControlJoystick::IsUpToDate() noexcept {
    return S_OK;
}

HRESULT ControlJoystick::GetUserClassID(CLSID* clsid) noexcept {
    return GetClassID(clsid);
}

HRESULT ControlJoystick::GetUserType(DWORD, LPOLESTR* type) noexcept {
    if (type)
        *type = nullptr;
    return OLE_S_USEREG;
}

HRESULT ControlJoystick::SetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    // The extent stays 24 x 24 pixels; GetExtent tells the container so.
    return S_OK;
}

HRESULT ControlJoystick::GetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    size->cx = PixelsToHimetric(ControlSizePixels, true);
    size->cy = PixelsToHimetric(ControlSizePixels, false);
    return S_OK;
}

HRESULT ControlJoystick::Advise(IAdviseSink* sink, DWORD* cookie) noexcept {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!oleAdvise_) {
        HRESULT hr = ::CreateOleAdviseHolder(&oleAdvise_);
        if (FAILED(hr))
            return hr;
    }
    return oleAdvise_->Advise(sink, cookie);
}

HRESULT ControlJoystick::Unadvise(DWORD cookie) noexcept {
    if (!oleAdvise_)
        return OLE_E_NOCONNECTION;
    return oleAdvise_->Unadvise(cookie);
}

HRESULT ControlJoystick::EnumAdvise(IEnumSTATDATA** e) noexcept {
    if (!e)
        return E_POINTER;
    *e = nullptr;
    if (!oleAdvise_)
        return S_FALSE;
    return oleAdvise_->EnumAdvise(e);
}

HRESULT ControlJoystick::GetMiscStatus(DWORD, DWORD* status) noexcept {
    if (!status)
        return E_POINTER;
    *status = MiscStatus;
    return S_OK;
}

HRESULT ControlJoystick::SetColorScheme(LOGPALETTE*) noexcept {
    return E_NOTIMPL;
}

// In-place ----------------------------------------------------------------------------------------

HRESULT ControlJoystick::GetWindow(HWND* hwnd) noexcept {
    if (!hwnd)
        return E_POINTER;
    *hwnd = inPlaceWindow_;
    return inPlaceWindow_ ? S_OK : E_FAIL;
}

HRESULT ControlJoystick::ContextSensitiveHelp(BOOL) noexcept {
    return E_NOTIMPL;
}

HRESULT ControlJoystick::InPlaceDeactivate() noexcept {
    if (!inPlaceSite_)
        return S_OK;
    if (inPlaceWindow_)
        ::DestroyWindow(inPlaceWindow_);
    inPlaceWindow_ = nullptr;
    ComPtr<IOleInPlaceSite> ips = std::move(inPlaceSite_);
    (void)ips->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT ControlJoystick::UIDeactivate() noexcept {
    return S_OK;
}

HRESULT ControlJoystick::SetObjectRects(LPCRECT pos, LPCRECT) noexcept {
    if (!pos)
        return E_POINTER;
    if (inPlaceWindow_)
        ::SetWindowPos(inPlaceWindow_, nullptr, pos->left, pos->top, ControlSizePixels, ControlSizePixels,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    SizeBackTo24(pos);
    return S_OK;
}

HRESULT ControlJoystick::ReactivateAndUndo() noexcept {
    return E_NOTIMPL;
}

HRESULT ControlJoystick::TranslateAccelerator(LPMSG) noexcept {
    return S_FALSE;
}

HRESULT ControlJoystick::OnFrameWindowActivate(BOOL) noexcept {
    return S_OK;
}

HRESULT ControlJoystick::OnDocWindowActivate(BOOL) noexcept {
    return S_OK;
}

HRESULT ControlJoystick::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept {
    return S_OK;
}

HRESULT ControlJoystick::EnableModeless(BOOL) noexcept {
    return S_OK;
}

// IOleControl ------------------------------------------------------------------------------------

HRESULT ControlJoystick::GetControlInfo(CONTROLINFO* info) noexcept {
    if (!info)
        return E_POINTER;
    if (info->cb < sizeof(CONTROLINFO))
        return E_INVALIDARG;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT ControlJoystick::OnMnemonic(MSG*) noexcept {
    return S_OK;
}

HRESULT ControlJoystick::OnAmbientPropertyChange(DISPID id) noexcept {
    if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) {
        ComPtr<IOleClientSite> site = site_;
        (void)SetClientSite(site.Get());
        if (inPlaceWindow_)
            ::ShowWindow(inPlaceWindow_, DesignMode() ? SW_SHOWNA : SW_HIDE);
    }
    return S_OK;
}

HRESULT ControlJoystick::FreezeEvents(BOOL freeze) noexcept {
    if (freeze)
        ++freezeCount_;
    else if (freezeCount_ > 0)
        --freezeCount_;
    return S_OK;
}

// IViewObject2 ------------------------------------------------------------------------------------

void ControlJoystick::PaintFace(HDC dc, const RECT& bounds) noexcept {
    // The picture from the top left corner, then the bump frame over the control's face.
    UniqueGdi bitmap(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(BitmapControlFace)));
    if (bitmap) {
        HDC mem = ::CreateCompatibleDC(dc);
        if (mem) {
            HGDIOBJ old = ::SelectObject(mem, bitmap.get());
            const int w = bounds.right - bounds.left < ControlSizePixels ? bounds.right - bounds.left
                                                                         : ControlSizePixels;
            const int h = bounds.bottom - bounds.top < ControlSizePixels ? bounds.bottom - bounds.top
                                                                         : ControlSizePixels;
            ::BitBlt(dc, bounds.left, bounds.top, w, h, mem, 0, 0, SRCCOPY);
            ::SelectObject(mem, old);
            ::DeleteDC(mem);
        }
    }
    RECT frame = bounds;
    ::DrawEdge(dc, &frame, EDGE_BUMP, BF_RECT);
}

HRESULT ControlJoystick::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                              LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc || !bounds)
        return E_INVALIDARG;
    RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
    PaintFace(dc, r);
    return S_OK;
}

HRESULT ControlJoystick::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) noexcept {
    if (colors)
        *colors = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlJoystick::Freeze(DWORD, LONG, void*, DWORD* cookie) noexcept {
    if (cookie)
        *cookie = 0;
    return E_NOTIMPL;
}

HRESULT ControlJoystick::Unfreeze(DWORD) noexcept {
    return E_NOTIMPL;
}

HRESULT ControlJoystick::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) noexcept {
    viewAdvise_ = sink;
    viewAdviseAspects_ = aspects;
    viewAdviseFlags_ = flags;
    return S_OK;
}

HRESULT ControlJoystick::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) noexcept {
    if (aspects)
        *aspects = viewAdviseAspects_;
    if (flags)
        *flags = viewAdviseFlags_;
    if (sink) {
        *sink = viewAdvise_.Get();
        if (*sink)
            (*sink)->AddRef();
    }
    return S_OK;
}

HRESULT ControlJoystick::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept {
    return GetExtent(aspect, size);
}

// Connection points, class info, pages, errors, categories ----------------------------------------

HRESULT ControlJoystick::EnumConnectionPoints(IEnumConnectionPoints** e) noexcept {
    if (!e)
        return E_POINTER;
    *e = new (std::nothrow) EnumConnectionPointsImpl(&events_, &propertyNotify_, 0);
    return *e ? S_OK : E_OUTOFMEMORY;
}

HRESULT ControlJoystick::FindConnectionPoint(REFIID riid, IConnectionPoint** cp) noexcept {
    if (!cp)
        return E_POINTER;
    *cp = nullptr;
    if (riid == DIID___ControlJoystick || riid == DIID___ControlJoystick_v1 ||
        riid == DIID___ControlJoystick_v0)
        *cp = &events_;
    else if (riid == IID_IPropertyNotifySink)
        *cp = &propertyNotify_;
    else
        return CONNECT_E_NOCONNECTION;
    (*cp)->AddRef();
    return S_OK;
}

HRESULT ControlJoystick::GetClassInfo(ITypeInfo** info) noexcept {
    return LoadJoystickTypeInfo(TypeLibResourceControl, CLSID_ControlJoystick, info);
}

HRESULT ControlJoystick::GetGUID(DWORD kind, GUID* guid) noexcept {
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID___ControlJoystick;
    return S_OK;
}

HRESULT ControlJoystick::GetPages(CAUUID* pages) noexcept {
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems)
        return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_PropertyPageJoystick;
    pages->cElems = 1;
    return S_OK;
}

HRESULT ControlJoystick::InterfaceSupportsErrorInfo(REFIID riid) noexcept {
    return riid == IID__ControlJoystick || riid == IID__ControlJoystick_v1 || riid == IID__ControlJoystick_v0
               ? S_OK
               : S_FALSE;
}

HRESULT ControlJoystick::MapPropertyToCategory(DISPID dispid, PROPCAT* category) noexcept {
    if (!category)
        return E_POINTER;
    if (dispid != DISPID_Port)
        return E_FAIL; // no category of its own: the host's default
    *category = PropertyCategoryMisc;
    return S_OK;
}

HRESULT ControlJoystick::GetCategoryName(PROPCAT category, LCID, BSTR* name) noexcept {
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (category != PropertyCategoryMisc)
        return E_INVALIDARG;
    *name = ::SysAllocString(reinterpret_cast<const OLECHAR*>(u"その他"));
    return *name ? S_OK : E_OUTOFMEMORY;
}

} // namespace joystick
