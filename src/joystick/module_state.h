// The IUnknown half of the library's small COM objects, those with a single vtable: the table
// of identifiers they answer, their reference count, and their place in the module count that
// DllCanUnloadNow reads.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "JoystickModule.h"

namespace joystick {

// Itf is the object's one vtable. It answers IUnknown and every identifier in Iids through that
// vtable, is born with one reference, and deletes itself at the last Release. The destructor is
// virtual so that each object keeps its own private; it comes after Itf's slots, which are all a
// caller of the interface sees.
template <typename Itf, const IID&... Iids> class ComObject : public Itf {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv)
            return E_POINTER;
        for (const IID* iid : {&IID_IUnknown, &Iids...}) {
            if (riid == *iid) {
                *ppv = static_cast<Itf*>(this);
                AddRef();
                return S_OK;
            }
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ::InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG n = ::InterlockedDecrement(&refs_);
        if (n == 0)
            delete this;
        return n;
    }

protected:
    ComObject() noexcept { ModuleAddRef(); }
    virtual ~ComObject() { ModuleRelease(); }

private:
    LONG refs_ = 1;
};

} // namespace joystick
