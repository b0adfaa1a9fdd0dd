// The C++ layout of the interfaces the control implements or hands out. Hosts built against
// the type library call through these vtables, so the order of their members may not change.
#pragma once

#include "joystick/identifiers.h"

namespace joystick {

// The container hyperlink interface (dual). NavigateTo's Location and FrameName are optional.
struct IContainerHyperlink : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE NavigateTo(BSTR Target, VARIANT Location, VARIANT FrameName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;
    virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;
};

// The dual default interface. The control's own members follow IDispatch in exactly this
// order; the type library's function table (oVft) must match it. Property writes take their
// value by reference.
struct IControlJoystick : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE About() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Interval(SHORT* Interval) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Interval(SHORT* Interval) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Port(JoystickPortConstants* Port) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Port(JoystickPortConstants* Port) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RepeatButton(VARIANT_BOOL* RepeatButton) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_RepeatButton(VARIANT_BOOL* RepeatButton) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RepeatCursor(VARIANT_BOOL* RepeatCursor) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_RepeatCursor(VARIANT_BOOL* RepeatCursor) = 0;
    virtual HRESULT STDMETHODCALLTYPE Begin() = 0;
    virtual HRESULT STDMETHODCALLTYPE Finish() = 0;
    virtual HRESULT STDMETHODCALLTYPE Hyperlink(IContainerHyperlink** Result) = 0;
};

// Number of IDispatch entries before the control's own members in the function table.
inline constexpr int ControlVtableBase = 7;

using PROPCAT = int;
inline constexpr PROPCAT PropertyCategoryMisc = -2;

struct ICategorizeProperties : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE MapPropertyToCategory(DISPID dispid, PROPCAT* category) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCategoryName(PROPCAT category, LCID lcid, BSTR* name) = 0;
};

} // namespace joystick

__CRT_UUID_DECL(joystick::IContainerHyperlink, 0x888A5A60, 0xB283, 0x11CF, 0x8A, 0xD5, 0x00, 0xA0, 0xC9, 0x0A,
                0xEA, 0x82)
__CRT_UUID_DECL(joystick::IControlJoystick, 0x8AECF5E4, 0x8EBC, 0x11D7, 0xBB, 0xAF, 0x44, 0x45, 0x53, 0x54,
                0x00, 0x00)
