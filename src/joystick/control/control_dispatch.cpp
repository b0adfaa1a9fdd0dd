// IDispatch through the type library, the events raised on every connected sink, and the
// control's connection points.
#include "joystick/control/control.h"


using Microsoft::WRL::ComPtr;

namespace joystick {

HRESULT Control::GetTypeInfoCount(UINT* count) noexcept {
    return TypeInfoDispatch::GetTypeInfoCount(count);
}

HRESULT Control::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
    return dispatch_.GetTypeInfo(index, info);
}

HRESULT Control::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    return dispatch_.GetIDsOfNames(riid, names, count, ids);
}

HRESULT Control::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) noexcept {
    // Handlers may release the host's last reference while a call is under way.
    ComPtr<IControlJoystick> keepAlive(this);
    ::SetErrorInfo(0, nullptr);
    return dispatch_.Invoke(static_cast<IControlJoystick*>(this), id, riid, flags, params, result, excep, argErr);
}

// Events ------------------------------------------------------------------------------------

void Control::RaiseEvent(DISPID id, VARIANTARG* args, UINT count) noexcept {
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

void Control::ButtonDown(int16_t first, int32_t button) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvButtonDown, [&](EventArgs& a) {
        a.Bool(1, first);
        a.Long(0, button);
        return 2u;
    });
}

void Control::ButtonUp(int16_t last, int32_t button) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvButtonUp, [&](EventArgs& a) {
        a.Bool(1, last);
        a.Long(0, button);
        return 2u;
    });
}

void Control::CursorPress(int16_t first, int16_t last) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvCursorPress, [&](EventArgs& a) {
        a.Bool(1, first);
        a.Bool(0, last);
        return 2u;
    });
}

void Control::ScanButton(int32_t button) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvScanButton, [&](EventArgs& a) {
        a.Long(0, button);
        return 1u;
    });
}

void Control::ScanCursor(int32_t cursorX, int32_t cursorY) noexcept {
    RaiseScanEvent(events_, freezeCount_, DISPID_EvScanCursor, [&](EventArgs& a) {
        a.Long(1, cursorX);
        a.Long(0, cursorY);
        return 2u;
    });
}

void Control::ReportChange(DISPID id) noexcept {
    dirty_ = true;
    propertyNotify_.ForEach<IPropertyNotifySink>(
        [&](IPropertyNotifySink* sink) { (void)sink->OnChanged(id); });
}

// Connection points -------------------------------------------------------------------------

HRESULT Control::EnumConnectionPoints(IEnumConnectionPoints** e) noexcept {
    return EnumerateConnectionPoints(&events_, &propertyNotify_, e);
}

HRESULT Control::FindConnectionPoint(REFIID riid, IConnectionPoint** cp) noexcept {
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

} // namespace joystick
