#include "joystick/about_box/embedded_control.h"

#include <new>

#include "joystick/interfaces.h"
#include "joystick/module_state.h"
#include "win/dispatch.h"
#include "win/automation.h"

using Microsoft::WRL::ComPtr;
using quorin::win::Bstr;
using quorin::win::Variant;

namespace joystick {

namespace {

// The box is the embedded control's container. It offers a plain client site: a top-level
// dialog has no hyperlink frame of its own, so the control's hyperlink object falls back to
// the system's handler for the address.
class AboutControlSite final : public ComObject<IOleClientSite, IID_IOleClientSite> {
public:
    static ComPtr<IOleClientSite> Create() {
        // Assigned, then our own first reference dropped: mingw's ComPtr::Attach adds a
        // reference of its own, unlike the platform's.
        ComPtr<IOleClientSite> site;
        if (auto* created = new (std::nothrow) AboutControlSite()) {
            site = created;
            created->Release();
        }
        return site;
    }
    STDMETHODIMP SaveObject() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) noexcept override {
        if (!container)
            return E_POINTER;
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() noexcept override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

private:
    AboutControlSite() noexcept = default;
    ~AboutControlSite() override = default;
};

// A VARIANT holding an empty string.
bool SetEmptyText(Variant& v) {
    v->vt = VT_BSTR;
    v->bstrVal = ::SysAllocString(L"");
    return v->bstrVal != nullptr;
}

// An object that offers only late binding is called by name.
HRESULT NavigateLateBound(IDispatch* hyperlink, BSTR target, Variant& location, Variant& frame,
                          Bstr* description) {
    DISPID navigate = DISPID_UNKNOWN;
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"NavigateTo")};
    const HRESULT hr = hyperlink->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &navigate);
    if (FAILED(hr))
        return hr;
    VARIANT args[3]; // reverse order: FrameName, Location, Target
    args[0] = *frame.get();
    args[1] = *location.get();
    ::VariantInit(&args[2]);
    args[2].vt = VT_BSTR;
    args[2].bstrVal = target;
    DISPPARAMS params = {args, nullptr, 3, 0};
    return quorin::win::InvokeReportingException(hyperlink, navigate, DISPATCH_METHOD, &params, nullptr,
                                                 description);
}

} // namespace

HRESULT EmbeddedControl::Create() {
    ComPtr<IClassFactory> factory;
    HRESULT hr = ::DllGetClassObject(CLSID_ControlJoystick, IID_IClassFactory, &factory);
    if (FAILED(hr))
        return hr;
    ComPtr<IDispatch> control;
    hr = factory->CreateInstance(nullptr, IID_IDispatch, &control);
    if (FAILED(hr))
        return hr;
    // A container hands its site over before initialising the control; a control that takes
    // neither step still serves its hyperlink object.
    if (SUCCEEDED(control.As(&oleObject_))) {
        site_ = AboutControlSite::Create();
        if (site_)
            oleObject_->SetClientSite(site_.Get());
    }
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(control.As(&persist)))
        persist->InitNew();
    control_ = control;
    return S_OK;
}

void EmbeddedControl::Release() noexcept {
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    oleObject_.Reset();
    control_.Reset();
    site_.Reset();
}

HRESULT EmbeddedControl::GetHyperlink(ComPtr<IUnknown>* hyperlink, Bstr* description) {
    Variant result;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    const HRESULT hr = quorin::win::InvokeReportingException(
        control_.Get(), DISPID_Hyperlink, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result.get(), description);
    if (FAILED(hr))
        return hr;
    IUnknown* object = result->vt == VT_DISPATCH  ? result->pdispVal
                       : result->vt == VT_UNKNOWN ? result->punkVal
                                                  : nullptr;
    if (!object)
        return DISP_E_TYPEMISMATCH;
    *hyperlink = object;
    return S_OK;
}

HRESULT EmbeddedControl::NavigateTo(BSTR target, Bstr* description) {
    if (!control_)
        return E_POINTER;
    ComPtr<IUnknown> hyperlink;
    HRESULT hr = GetHyperlink(&hyperlink, description);
    if (FAILED(hr))
        return hr;
    Variant location, frame;
    if (!SetEmptyText(location) || !SetEmptyText(frame))
        return E_OUTOFMEMORY;
    ComPtr<IContainerHyperlink> direct;
    if (SUCCEEDED(hyperlink.As(&direct))) {
        ::SetErrorInfo(0, nullptr);
        hr = direct->NavigateTo(target, *location.get(), *frame.get());
        ComPtr<IErrorInfo> info;
        if (FAILED(hr) && ::GetErrorInfo(0, &info) == S_OK)
            info->GetDescription(description->put());
        return hr;
    }
    ComPtr<IDispatch> late;
    hr = hyperlink.As(&late);
    if (FAILED(hr))
        return hr;
    return NavigateLateBound(late.Get(), target, location, frame, description);
}

} // namespace joystick
