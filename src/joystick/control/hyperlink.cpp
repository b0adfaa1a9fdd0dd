// The object the control's hidden Hyperlink member hands out, and through which the About box
// opens its links.
#include "joystick/control/hyperlink.h"

#include <shellapi.h>
#include <hlink.h>
#include <wrl/client.h>

#include <new>
#include <string>

#include "joystick/module_state.h"
#include "joystick/type_library.h"
#include "win/hresult.h"

using Microsoft::WRL::ComPtr;

namespace joystick {

namespace {

// The IHlinkFrame the container may offer, and the hyperlink it navigates.
// {79EAC9C5-BAF9-11CE-8C82-00AA004BA90B}
constexpr GUID IID_HyperlinkFrame = {
    0x79EAC9C5, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};
// {79EAC9C3-BAF9-11CE-8C82-00AA004BA90B}
constexpr GUID IID_Hyperlink = {0x79EAC9C3, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};

// What ShellExecute's result means as a status.
HRESULT ShellResult(INT_PTR result) noexcept {
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
}

// The object the hidden Hyperlink member hands out. It navigates through the hyperlink frame of
// the container the control sat in when it was created, or through the shell without one.
class ContainerHyperlink final
    : public ComObject<IContainerHyperlink, IID_IDispatch, IID_ContainerHyperlink> {
public:
    explicit ContainerHyperlink(IOleClientSite* site) noexcept : site_(site) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        return TypeInfoDispatch::GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
        return dispatch_.GetTypeInfo(index, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        return dispatch_.GetIDsOfNames(riid, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept override {
        return dispatch_.Invoke(static_cast<IContainerHyperlink*>(this), id, riid, flags, params, result, excep,
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
            return quorin::win::LastErrorOr(E_FAIL);
        auto create = reinterpret_cast<CreateFn>(
            reinterpret_cast<void*>(::GetProcAddress(library, "HlinkCreateFromString")));
        if (!create)
            return quorin::win::LastErrorOr(E_FAIL);
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
            return ShellResult(reinterpret_cast<INT_PTR>(
                ::ShellExecuteW(nullptr, L"open", full.c_str(), nullptr, nullptr, SW_SHOWNORMAL)));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    ComPtr<IOleClientSite> site_;
    TypeInfoDispatch dispatch_{TypeLibResourceHyperlink, IID_ContainerHyperlink};
};

} // namespace

HRESULT CreateContainerHyperlink(IOleClientSite* site, IContainerHyperlink** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = new (std::nothrow) ContainerHyperlink(site);
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace joystick
