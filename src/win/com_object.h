// The IUnknown half of small COM objects that have a single vtable: the table of identifiers
// they answer, their reference count, and their place in their module's object count.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <initializer_list>
#include <new>

namespace quorin::win {

// Itf is the object's one vtable. It answers IUnknown and every identifier in Iids through that
// vtable, is born with one reference, and deletes itself at the last Release. ModuleLock has
// static Lock() and Unlock(), called at construction and destruction, so that the module
// (DllCanUnloadNow) knows the object is alive. The destructor is virtual so that each object
// keeps its own private; it comes after Itf's slots, which are all a caller of the interface sees.
template <typename ModuleLock, typename Itf, const IID&... Iids> class ComObject : public Itf {
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
    ComObject() noexcept { ModuleLock::Lock(); }
    virtual ~ComObject() { ModuleLock::Unlock(); }

private:
    LONG refs_ = 1;
};

// Creates an object of a class with one reference (a ComObject or alike), queries it for riid
// and drops the creation reference: the contract of IClassFactory::CreateInstance without
// aggregation.
template <typename T> HRESULT CreateAndQuery(REFIID riid, void** ppv) noexcept {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    T* object = new (std::nothrow) T();
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

} // namespace quorin::win
