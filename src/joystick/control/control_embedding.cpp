// Embedding: the OLE object a container holds, its in-place activation in a window of the
// container, and the OLE control's ambient-property and event-freezing contract.
#include "joystick/control/control.h"

#include "win/hresult.h"
#include "win/twips.h"

using Microsoft::WRL::ComPtr;

namespace joystick {

namespace {

constexpr DWORD MiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                             OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_NOUIACTIVATE |
                             OLEMISC_SETCLIENTSITEFIRST;
static_assert(MiscStatus == 0x24591, "registered and reported misc status");

} // namespace

// IOleObject --------------------------------------------------------------------------------

bool Control::DesignMode() const noexcept {
    return designMode_ == 1;
}

HRESULT Control::SetClientSite(IOleClientSite* site) noexcept {
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

HRESULT Control::GetClientSite(IOleClientSite** site) noexcept {
    if (!site)
        return E_POINTER;
    *site = site_.Get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

HRESULT Control::SetHostNames(LPCOLESTR, LPCOLESTR) noexcept {
    return S_OK;
}

HRESULT Control::Close(DWORD saveOption) noexcept {
    ComPtr<IControlJoystick> keepAlive(this);
    (void)InPlaceDeactivate();
    if (saveOption == OLECLOSE_SAVEIFDIRTY && dirty_ && site_)
        (void)site_->SaveObject();
    if (oleAdvise_)
        (void)oleAdvise_->SendOnClose();
    return S_OK;
}

HRESULT Control::SetMoniker(DWORD, IMoniker*) noexcept {
    return E_NOTIMPL;
}

HRESULT Control::GetMoniker(DWORD, DWORD, IMoniker** mk) noexcept {
    if (mk)
        *mk = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::InitFromData(IDataObject*, BOOL, DWORD) noexcept {
    return E_NOTIMPL;
}

HRESULT Control::GetClipboardData(DWORD, IDataObject** data) noexcept {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
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

HRESULT Control::InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT pos) noexcept {
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
    // The face is visible only at design time; at run time the control shows nothing.
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (DesignMode() ? WS_VISIBLE : 0);
    const RECT face{posRect.left, posRect.top, posRect.left + ControlSizePixels, posRect.top + ControlSizePixels};
    inPlaceWindow_ = CreateControlWindow(style, face, siteWindow);
    if (!inPlaceWindow_) {
        hr = quorin::win::LastErrorOr(E_FAIL);
        ips->OnInPlaceDeactivate();
        return hr;
    }
    inPlaceSite_ = ips;
    SizeBackTo24(&posRect);
    return S_OK;
}

void Control::SizeBackTo24(LPCRECT pos) noexcept {
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

HRESULT Control::EnumVerbs(IEnumOLEVERB** e) noexcept {
    if (e)
        *e = nullptr;
    return OLE_S_USEREG;
}

HRESULT Control::Update() noexcept {
    return S_OK;
}

HRESULT Control::IsUpToDate() noexcept {
    return S_OK;
}

HRESULT Control::GetUserClassID(CLSID* clsid) noexcept {
    return GetClassID(clsid);
}

HRESULT Control::GetUserType(DWORD, LPOLESTR* type) noexcept {
    if (type)
        *type = nullptr;
    return OLE_S_USEREG;
}

HRESULT Control::SetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    // The extent stays 24 x 24 pixels; GetExtent tells the container so.
    return S_OK;
}

HRESULT Control::GetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    const quorin::win::ScreenDpi dpi = quorin::win::ReadScreenDpi();
    size->cx = quorin::win::PixelsToHimetric(ControlSizePixels, dpi.x);
    size->cy = quorin::win::PixelsToHimetric(ControlSizePixels, dpi.y);
    return S_OK;
}

HRESULT Control::Advise(IAdviseSink* sink, DWORD* cookie) noexcept {
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

HRESULT Control::Unadvise(DWORD cookie) noexcept {
    if (!oleAdvise_)
        return OLE_E_NOCONNECTION;
    return oleAdvise_->Unadvise(cookie);
}

HRESULT Control::EnumAdvise(IEnumSTATDATA** e) noexcept {
    if (!e)
        return E_POINTER;
    *e = nullptr;
    if (!oleAdvise_)
        return S_FALSE;
    return oleAdvise_->EnumAdvise(e);
}

HRESULT Control::GetMiscStatus(DWORD, DWORD* status) noexcept {
    if (!status)
        return E_POINTER;
    *status = MiscStatus;
    return S_OK;
}

HRESULT Control::SetColorScheme(LOGPALETTE*) noexcept {
    return E_NOTIMPL;
}

// In-place ----------------------------------------------------------------------------------

HRESULT Control::GetWindow(HWND* hwnd) noexcept {
    if (!hwnd)
        return E_POINTER;
    *hwnd = inPlaceWindow_;
    return inPlaceWindow_ ? S_OK : E_FAIL;
}

HRESULT Control::ContextSensitiveHelp(BOOL) noexcept {
    return E_NOTIMPL;
}

HRESULT Control::InPlaceDeactivate() noexcept {
    if (!inPlaceSite_)
        return S_OK;
    if (inPlaceWindow_)
        ::DestroyWindow(inPlaceWindow_);
    inPlaceWindow_ = nullptr;
    ComPtr<IOleInPlaceSite> ips = std::move(inPlaceSite_);
    (void)ips->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT Control::UIDeactivate() noexcept {
    return S_OK;
}

HRESULT Control::SetObjectRects(LPCRECT pos, LPCRECT) noexcept {
    if (!pos)
        return E_POINTER;
    if (inPlaceWindow_)
        ::SetWindowPos(inPlaceWindow_, nullptr, pos->left, pos->top, ControlSizePixels, ControlSizePixels,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    SizeBackTo24(pos);
    return S_OK;
}

HRESULT Control::ReactivateAndUndo() noexcept {
    return E_NOTIMPL;
}

HRESULT Control::TranslateAccelerator(LPMSG) noexcept {
    return S_FALSE;
}

HRESULT Control::OnFrameWindowActivate(BOOL) noexcept {
    return S_OK;
}

HRESULT Control::OnDocWindowActivate(BOOL) noexcept {
    return S_OK;
}

HRESULT Control::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept {
    return S_OK;
}

HRESULT Control::EnableModeless(BOOL) noexcept {
    return S_OK;
}

// IOleControl -------------------------------------------------------------------------------

HRESULT Control::GetControlInfo(CONTROLINFO* info) noexcept {
    if (!info)
        return E_POINTER;
    if (info->cb < sizeof(CONTROLINFO))
        return E_INVALIDARG;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT Control::OnMnemonic(MSG*) noexcept {
    return S_OK;
}

HRESULT Control::OnAmbientPropertyChange(DISPID id) noexcept {
    if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) {
        ComPtr<IOleClientSite> site = site_;
        (void)SetClientSite(site.Get());
        if (inPlaceWindow_)
            ::ShowWindow(inPlaceWindow_, DesignMode() ? SW_SHOWNA : SW_HIDE);
    }
    return S_OK;
}

HRESULT Control::FreezeEvents(BOOL freeze) noexcept {
    if (freeze)
        ++freezeCount_;
    else if (freezeCount_ > 0)
        --freezeCount_;
    return S_OK;
}

} // namespace joystick
