// The control's face: the joystick picture under a bump frame, at design time in its in-place
// window and in any device context a container hands to IViewObject::Draw.
#include "joystick/control/control.h"

#include <algorithm>

#include "joystick/module_state.h"
#include "win/unique_handle.h"

using quorin::win::UniqueGdi;

namespace joystick {

void Control::PaintFace(HDC dc, const RECT& bounds) noexcept {
    // The picture from the top left corner, then the bump frame over the control's face.
    UniqueGdi bitmap(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(BitmapControlFace)));
    quorin::win::MemoryDc memory(dc);
    if (bitmap && memory.get()) {
        quorin::win::SelectedObject selected(memory.get(), bitmap.get());
        const int w = std::min<int>(bounds.right - bounds.left, ControlSizePixels);
        const int h = std::min<int>(bounds.bottom - bounds.top, ControlSizePixels);
        ::BitBlt(dc, bounds.left, bounds.top, w, h, memory.get(), 0, 0, SRCCOPY);
    }
    RECT frame = bounds;
    ::DrawEdge(dc, &frame, EDGE_BUMP, BF_RECT);
}

HRESULT Control::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                              LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc || !bounds)
        return E_INVALIDARG;
    RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
    PaintFace(dc, r);
    return S_OK;
}

HRESULT Control::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) noexcept {
    if (colors)
        *colors = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::Freeze(DWORD, LONG, void*, DWORD* cookie) noexcept {
    if (cookie)
        *cookie = 0;
    return E_NOTIMPL;
}

HRESULT Control::Unfreeze(DWORD) noexcept {
    return E_NOTIMPL;
}

HRESULT Control::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) noexcept {
    viewAdvise_ = sink;
    viewAdviseAspects_ = aspects;
    viewAdviseFlags_ = flags;
    return S_OK;
}

HRESULT Control::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) noexcept {
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

HRESULT Control::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept {
    return GetExtent(aspect, size);
}

} // namespace joystick
