// Shared pieces of the control's Windows tests: the library beside the test program, a C++
// event sink, a property-change sink and an in-memory property bag.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "joystick/interfaces.h"

namespace joytest {

using Microsoft::WRL::ComPtr;

// A crash ends the test program at once with a failure code instead of waiting in a
// debugger, so a faulty build fails quickly instead of hanging its suite.
inline LONG WINAPI ExitOnCrashFilter(EXCEPTION_POINTERS* e) {
    fprintf(stderr, "crash: exception 0x%08lx at %p\n", e->ExceptionRecord->ExceptionCode,
            e->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    ExitProcess(3);
}
inline void ExitOnCrash() {
    SetUnhandledExceptionFilter(&ExitOnCrashFilter);
}

// Full path of a file beside the running test program.
inline std::wstring BesideExe(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    p.resize(p.rfind(L'\\') + 1);
    return p + name;
}

// Minimal IUnknown plumbing for test objects that live on the stack or in a fixture.
template <typename... Itf> class TestObject : public Itf... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    LONG refs = 1;
};

// A connection that ends with the test.
struct Connected {
    ComPtr<IConnectionPoint> cp;
    DWORD cookie = 0;
    ~Connected() {
        if (cp)
            cp->Unadvise(cookie);
    }
};

// One raised event: its dispatch identifier and its arguments in declaration order.
struct RaisedEvent {
    DISPID id;
    std::vector<LONG> args; // booleans as -1/0, enumerations as their values
    bool operator==(const RaisedEvent& o) const { return id == o.id && args == o.args; }
};

inline std::string Describe(const RaisedEvent& e) {
    static const char* names[] = {"?",          "Begin",    "Finish",      "ScanButton", "ScanCursor",
                                  "ButtonDown", "ButtonUp", "CursorPress", "Error"};
    std::string s = (e.id >= 1 && e.id <= 8) ? names[e.id] : "?";
    s += "(";
    for (size_t i = 0; i < e.args.size(); ++i)
        s += (i ? "," : "") + std::to_string(e.args[i]);
    return s + ")";
}

// Records every event; answers the identifier it was built for (the current one by default).
class EventSink final : public TestObject<IDispatch> {
public:
    explicit EventSink(const IID& iid = joystick::DIID___ControlJoystick) : iid_(iid) {}
    std::vector<RaisedEvent> events;
    HRESULT result = S_OK;       // what Invoke returns
    LONG assignPortOnError = -1; // >= 0: an Error handler that assigns this to its Port
    bool allByRef = true;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == iid_) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        RaisedEvent e{id, {}};
        if (flags != DISPATCH_METHOD || p->cNamedArgs != 0)
            allByRef = false;
        for (UINT i = p->cArgs; i-- > 0;) {
            VARIANTARG& a = p->rgvarg[i];
            if (V_VT(&a) == (VT_I4 | VT_BYREF))
                e.args.push_back(*V_I4REF(&a));
            else if (V_VT(&a) == (VT_BOOL | VT_BYREF))
                e.args.push_back(*V_BOOLREF(&a));
            else
                allByRef = false, e.args.push_back(0x7FFFFFFF);
        }
        if (id == joystick::DISPID_EvError && assignPortOnError >= 0 && p->cArgs == 1 &&
            V_VT(&p->rgvarg[0]) == (VT_I4 | VT_BYREF))
            *V_I4REF(&p->rgvarg[0]) = assignPortOnError;
        // Scribble over by-reference arguments: the control must not read them back.
        for (UINT i = 0; i < p->cArgs; ++i) {
            if (id != joystick::DISPID_EvError && V_VT(&p->rgvarg[i]) == (VT_I4 | VT_BYREF))
                *V_I4REF(&p->rgvarg[i]) = 12345;
        }
        events.push_back(e);
        return result;
    }

private:
    IID iid_;
};

class ChangeSink final : public TestObject<IPropertyNotifySink> {
public:
    std::vector<DISPID> changed;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IPropertyNotifySink) {
            *ppv = static_cast<IPropertyNotifySink*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
        changed.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
};

// Values by name; a missing name answers E_INVALIDARG as bags do, a name in readFailures its
// status there.
class MemoryBag final : public TestObject<IPropertyBag> {
public:
    std::map<std::wstring, VARIANT> values;
    std::map<std::wstring, HRESULT> readFailures;
    std::vector<std::wstring> writes;
    ~MemoryBag() {
        for (auto& [k, v] : values)
            VariantClear(&v);
    }
    void Set(const wchar_t* name, const VARIANT& v) {
        VARIANT& slot = values[name];
        VariantClear(&slot);
        VariantCopy(&slot, const_cast<VARIANT*>(&v));
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
            *ppv = static_cast<IPropertyBag*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        if (auto failure = readFailures.find(name); failure != readFailures.end())
            return failure->second;
        auto it = values.find(name);
        if (it == values.end())
            return E_INVALIDARG;
        return VariantCopy(v, const_cast<VARIANT*>(&it->second));
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* v) override {
        writes.emplace_back(name);
        Set(name, *v);
        return S_OK;
    }
};

inline VARIANT VarI4(LONG v) {
    VARIANT r;
    VariantInit(&r);
    V_VT(&r) = VT_I4;
    V_I4(&r) = v;
    return r;
}
inline VARIANT VarI2(SHORT v) {
    VARIANT r;
    VariantInit(&r);
    V_VT(&r) = VT_I2;
    V_I2(&r) = v;
    return r;
}
inline VARIANT VarBool(bool b) {
    VARIANT r;
    VariantInit(&r);
    V_VT(&r) = VT_BOOL;
    V_BOOL(&r) = b ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}
inline VARIANT VarStr(const wchar_t* s) { // caller clears
    VARIANT r;
    VariantInit(&r);
    V_VT(&r) = VT_BSTR;
    V_BSTR(&r) = SysAllocString(s);
    return r;
}

// Closes every visible top-level window of this process from a second thread, as a user
// pressing OK would; counts what it closed.
class BoxCloser {
public:
    BoxCloser() : thread_(CreateThread(nullptr, 0, &BoxCloser::Run, this, 0, nullptr)) {}
    ~BoxCloser() {
        stop_ = true;
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    LONG closed() const { return closed_; }

private:
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
        auto* self = reinterpret_cast<BoxCloser*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            InterlockedIncrement(&self->closed_);
        }
        return TRUE;
    }
    static DWORD WINAPI Run(void* p) {
        auto* self = static_cast<BoxCloser*>(p);
        while (!self->stop_) {
            EnumWindows(&BoxCloser::Visit, reinterpret_cast<LPARAM>(self));
            Sleep(50);
        }
        return 0;
    }
    volatile bool stop_ = false;
    volatile LONG closed_ = 0;
    HANDLE thread_;
};

} // namespace joytest
