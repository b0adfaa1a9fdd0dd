// The library's one control, as plain C++ COM. It polls the joystick service on its own window
// timer (on the host's thread) and raises its events synchronously on every connected sink; the
// scan logic itself lives in joystick_logic. Its members are implemented by interface family:
// control.cpp (lifetime, properties, methods, class information), control_dispatch.cpp
// (IDispatch, events, connection points), control_persistence.cpp, control_embedding.cpp (OLE
// object, in-place activation, OLE control), control_view.cpp (drawing and extents) and
// control_scan.cpp (the scan timer and the control's window).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include "joystick/control/connection_point.h"
#include "joystick/interfaces.h"
#include "joystick/type_library.h"
#include "joystick_logic/property_bag.h"
#include "joystick_logic/scan.h"

namespace joystick {

// Creates a control and queries it for riid (class-factory contract, no aggregation).
HRESULT CreateControl(REFIID riid, void** ppv) noexcept;

// Removes the control's window class; called when the library is unloaded so that a later
// load at another address registers its own window procedure.
void UnregisterControlWindowClass() noexcept;

// The joystick service the control reads: the platform's, bound by name.
quorin::joystick::JoystickReader& JoystickService() noexcept;

// The design-time picture: a 24 x 24, 16-colour bitmap in the module's resources.
inline constexpr WORD BitmapControlFace = 31000;
// The face is always this many pixels square, whatever size the host asks for.
inline constexpr int ControlSizePixels = 24;

class Control final : public IControlJoystick,
                              public IPersistStreamInit,
                              public IPersistPropertyBag,
                              public IPersistStorage,
                              public IOleObject,
                              public IOleInPlaceObject,
                              public IOleInPlaceActiveObject,
                              public IOleControl,
                              public IViewObject2,
                              public IConnectionPointContainer,
                              public IProvideClassInfo2,
                              public ISpecifyPropertyPages,
                              public ISupportErrorInfo,
                              public ICategorizeProperties,
                              private quorin::joystick::ScanEvents {
public:
    Control() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // IDispatch, through the type library
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept override;

    // _ControlJoystick
    HRESULT STDMETHODCALLTYPE About() noexcept override;
    HRESULT STDMETHODCALLTYPE get_Interval(SHORT* Interval) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Interval(SHORT* Interval) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Port(JoystickPortConstants* Port) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Port(JoystickPortConstants* Port) noexcept override;
    HRESULT STDMETHODCALLTYPE get_RepeatButton(VARIANT_BOOL* RepeatButton) noexcept override;
    HRESULT STDMETHODCALLTYPE put_RepeatButton(VARIANT_BOOL* RepeatButton) noexcept override;
    HRESULT STDMETHODCALLTYPE get_RepeatCursor(VARIANT_BOOL* RepeatCursor) noexcept override;
    HRESULT STDMETHODCALLTYPE put_RepeatCursor(VARIANT_BOOL* RepeatCursor) noexcept override;
    HRESULT STDMETHODCALLTYPE Begin() noexcept override;
    HRESULT STDMETHODCALLTYPE Finish() noexcept override;
    HRESULT STDMETHODCALLTYPE Hyperlink(IContainerHyperlink** Result) noexcept override;

    // IPersist, IPersistStreamInit, IPersistPropertyBag, IPersistStorage
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE IsDirty() noexcept override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) noexcept override;
    HRESULT STDMETHODCALLTYPE InitNew() noexcept override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) noexcept override;
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) noexcept override;
    HRESULT STDMETHODCALLTYPE Load(IStorage* storage) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) noexcept override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) noexcept override;
    HRESULT STDMETHODCALLTYPE HandsOffStorage() noexcept override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) noexcept override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR obj) noexcept override;
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* mk) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** mk) noexcept override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation,
                                           DWORD reserved) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) noexcept override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                                     LPCRECT pos) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** e) noexcept override;
    HRESULT STDMETHODCALLTYPE Update() noexcept override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) noexcept override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) noexcept override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** e) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) noexcept override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* pal) noexcept override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) noexcept override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) noexcept override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() noexcept override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() noexcept override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) noexcept override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() noexcept override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) noexcept override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) noexcept override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) noexcept override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* ui,
                                           BOOL frame) noexcept override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) noexcept override;

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) noexcept override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) noexcept override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) noexcept override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) noexcept override;

    // IViewObject, IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target,
                                   HDC targetDc, HDC dc, LPCRECTL bounds, LPCRECTL wBounds,
                                   BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                                   ULONG_PTR contArg) noexcept override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target,
                                          HDC targetDc, LOGPALETTE** colors) noexcept override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo,
                                     DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) noexcept override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) noexcept override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target,
                                        LPSIZEL size) noexcept override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** e) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** cp) noexcept override;

    // IProvideClassInfo, IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) noexcept override;

    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) noexcept override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) noexcept override;

    // ICategorizeProperties
    HRESULT STDMETHODCALLTYPE MapPropertyToCategory(DISPID dispid, PROPCAT* category) noexcept override;
    HRESULT STDMETHODCALLTYPE GetCategoryName(PROPCAT category, LCID lcid, BSTR* name) noexcept override;

    // The control's window procedure (timer window and in-place window).
    LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

private:
    ~Control();

    // ScanEvents: the tick's events, raised on the event interface.
    void ButtonDown(int16_t first, int32_t button) noexcept override;
    void ButtonUp(int16_t last, int32_t button) noexcept override;
    void CursorPress(int16_t first, int16_t last) noexcept override;
    void ScanButton(int32_t button) noexcept override;
    void ScanCursor(int32_t cursorX, int32_t cursorY) noexcept override;

    void OnTimerTick() noexcept;
    HRESULT UpdateTimer() noexcept;
    HRESULT EnsureTimerWindow() noexcept;
    // A window of the control's class, whose messages come to OnWindowMessage.
    HWND CreateControlWindow(DWORD style, const RECT& at, HWND parent) noexcept;
    void RaiseEvent(DISPID id, VARIANTARG* args, UINT count) noexcept;
    void ReportChange(DISPID id) noexcept;
    HRESULT InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT pos) noexcept;
    void SizeBackTo24(LPCRECT pos) noexcept;
    bool DesignMode() const noexcept;
    void ApplyPersisted(const quorin::joystick::PersistedProperties& p) noexcept;
    quorin::joystick::PersistedProperties Persisted() const noexcept;
    void PaintFace(HDC dc, const RECT& bounds) noexcept;

    LONG refs_ = 1;

    // Properties and scan state. interval_ is the timer's interval (the control keeps no other
    // copy); settings_ holds Port and the repeat switches the tick reads.
    int32_t interval_ = 0;
    bool timerEnabled_ = false;
    quorin::joystick::ScanSettings settings_;
    quorin::joystick::ScanState state_;
    bool ticking_ = false;
    bool dirty_ = false;
    LONG freezeCount_ = 0;

    HWND timerWindow_ = nullptr;
    HWND inPlaceWindow_ = nullptr;

    TypeInfoDispatch dispatch_{TypeLibResourceControl, IID__ControlJoystick};

    Microsoft::WRL::ComPtr<IOleClientSite> site_;
    Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
    Microsoft::WRL::ComPtr<IOleAdviseHolder> oleAdvise_;
    Microsoft::WRL::ComPtr<IAdviseSink> viewAdvise_;
    DWORD viewAdviseAspects_ = 0;
    DWORD viewAdviseFlags_ = 0;
    int designMode_ = -1; // -1 unknown (treated as run mode), 0 run, 1 design

    ConnectionPoint events_;
    ConnectionPoint propertyNotify_;
};

} // namespace joystick
