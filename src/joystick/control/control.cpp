#include "joystick/control/control.h"

#include <new>

#include "joystick/about_box/about_box.h"
#include "joystick/control/hyperlink.h"
#include "joystick/module_state.h"
#include "joystick/type_library.h"
#include "win/com_object.h"
#include "win/hresult.h"

using Microsoft::WRL::ComPtr;

namespace joystick {

namespace {

// Hands an error to ITypeInfo::Invoke's caller as rich error information.
HRESULT SetError(HRESULT hr, const wchar_t* description) noexcept {
    return quorin::win::SetErrorInfoFor(hr, IID__ControlJoystick, L"Joystick.ControlJoystick", description);
}

} // namespace

HRESULT CreateControl(REFIID riid, void** ppv) noexcept {
    return quorin::win::CreateAndQuery<Control>(riid, ppv);
}

// Lifetime and IUnknown ---------------------------------------------------------------------

// Sinks built against earlier versions answer only the event identifier they knew; any of them,
// or plain IDispatch, receives the same events.
Control::Control() noexcept
    : events_(*this, DIID___ControlJoystick,
              {&DIID___ControlJoystick, &DIID___ControlJoystick_v1, &DIID___ControlJoystick_v0, &IID_IDispatch}),
      propertyNotify_(*this, IID_IPropertyNotifySink, {&IID_IPropertyNotifySink}) {
    ModuleAddRef();
}

Control::~Control() {
    if (inPlaceWindow_)
        ::DestroyWindow(inPlaceWindow_);
    if (timerWindow_)
        ::DestroyWindow(timerWindow_);
    ModuleRelease();
}

HRESULT Control::QueryInterface(REFIID riid, void** ppv) noexcept {
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

ULONG Control::AddRef() noexcept {
    return ::InterlockedIncrement(&refs_);
}

ULONG Control::Release() noexcept {
    const ULONG n = ::InterlockedDecrement(&refs_);
    if (n == 0)
        delete this;
    return n;
}

// _ControlJoystick --------------------------------------------------------------------------

HRESULT Control::About() noexcept {
    // Every failure of the box is swallowed: a host's About command never sees an error.
    (void)ShowAboutBox();
    return S_OK;
}

HRESULT Control::get_Interval(SHORT* Interval) noexcept {
    if (!Interval)
        return E_POINTER;
    *Interval = static_cast<SHORT>(interval_);
    return S_OK;
}

HRESULT Control::put_Interval(SHORT* Interval) noexcept {
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

HRESULT Control::get_Port(JoystickPortConstants* Port) noexcept {
    if (!Port)
        return E_POINTER;
    *Port = static_cast<JoystickPortConstants>(settings_.port);
    return S_OK;
}

HRESULT Control::put_Port(JoystickPortConstants* Port) noexcept {
    if (!Port)
        return E_POINTER;
    ComPtr<IControlJoystick> keepAlive(this);
    settings_.port = static_cast<int32_t>(*Port);
    if (quorin::joystick::PortTestFails(settings_.port, JoystickService())) {
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

HRESULT Control::get_RepeatButton(VARIANT_BOOL* RepeatButton) noexcept {
    if (!RepeatButton)
        return E_POINTER;
    *RepeatButton = settings_.repeatButton;
    return S_OK;
}

HRESULT Control::put_RepeatButton(VARIANT_BOOL* RepeatButton) noexcept {
    if (!RepeatButton)
        return E_POINTER;
    settings_.repeatButton = *RepeatButton;
    ReportChange(DISPID_RepeatButton);
    return S_OK;
}

HRESULT Control::get_RepeatCursor(VARIANT_BOOL* RepeatCursor) noexcept {
    if (!RepeatCursor)
        return E_POINTER;
    *RepeatCursor = settings_.repeatCursor;
    return S_OK;
}

HRESULT Control::put_RepeatCursor(VARIANT_BOOL* RepeatCursor) noexcept {
    if (!RepeatCursor)
        return E_POINTER;
    settings_.repeatCursor = *RepeatCursor;
    ReportChange(DISPID_RepeatCursor);
    return S_OK;
}

HRESULT Control::Begin() noexcept {
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

HRESULT Control::Finish() noexcept {
    ComPtr<IControlJoystick> keepAlive(this);
    RaiseEvent(DISPID_EvFinish, nullptr, 0);
    timerEnabled_ = false;
    return UpdateTimer();
}

HRESULT Control::Hyperlink(IContainerHyperlink** Result) noexcept {
    if (!Result)
        return E_POINTER;
    return CreateContainerHyperlink(site_.Get(), Result);
}

// Class information, property pages, error information, categories -------------------------

HRESULT Control::GetClassInfo(ITypeInfo** info) noexcept {
    return LoadTypeInfo(TypeLibResourceControl, CLSID_ControlJoystick, info);
}

HRESULT Control::GetGUID(DWORD kind, GUID* guid) noexcept {
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID___ControlJoystick;
    return S_OK;
}

HRESULT Control::GetPages(CAUUID* pages) noexcept {
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

HRESULT Control::InterfaceSupportsErrorInfo(REFIID riid) noexcept {
    return riid == IID__ControlJoystick || riid == IID__ControlJoystick_v1 || riid == IID__ControlJoystick_v0
               ? S_OK
               : S_FALSE;
}

HRESULT Control::MapPropertyToCategory(DISPID dispid, PROPCAT* category) noexcept {
    if (!category)
        return E_POINTER;
    if (dispid != DISPID_Port)
        return E_FAIL; // no category of its own: the host's default
    *category = PropertyCategoryMisc;
    return S_OK;
}

HRESULT Control::GetCategoryName(PROPCAT category, LCID, BSTR* name) noexcept {
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (category != PropertyCategoryMisc)
        return E_INVALIDARG;
    *name = ::SysAllocString(reinterpret_cast<const OLECHAR*>(u"その他"));
    return *name ? S_OK : E_OUTOFMEMORY;
}

} // namespace joystick
