#include "joystick/control/connection_point.h"

#include <new>

#include "joystick/module_state.h"

using Microsoft::WRL::ComPtr;

namespace joystick {

namespace {

class ConnectionPointEnumerator final
    : public ComObject<IEnumConnectionPoints, IID_IEnumConnectionPoints> {
public:
    ConnectionPointEnumerator(IConnectionPoint* a, IConnectionPoint* b, ULONG pos) noexcept : pos_(pos) {
        points_[0] = a;
        points_[1] = b;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** out, ULONG* fetched) noexcept override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < 2) {
            out[n] = points_[pos_++].Get();
            out[n++]->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        const ULONG left = 2 - pos_;
        pos_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = new (std::nothrow) ConnectionPointEnumerator(points_[0].Get(), points_[1].Get(), pos_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~ConnectionPointEnumerator() override = default;
    ComPtr<IConnectionPoint> points_[2];
    ULONG pos_;
};

class ConnectionEnumerator final : public ComObject<IEnumConnections, IID_IEnumConnections> {
public:
    ConnectionEnumerator() noexcept = default;
    std::vector<CONNECTDATA> items; // each punk holds a reference
    ULONG pos = 0;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, CONNECTDATA* out, ULONG* fetched) noexcept override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && pos < items.size()) {
            out[n] = items[pos++];
            out[n++].pUnk->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        const ULONG left = static_cast<ULONG>(items.size()) - pos;
        pos += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        pos = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        auto* copy = new (std::nothrow) ConnectionEnumerator();
        if (!copy)
            return E_OUTOFMEMORY;
        try {
            copy->items = items;
        } catch (...) {
            copy->Release();
            return E_OUTOFMEMORY;
        }
        for (auto& c : copy->items)
            c.pUnk->AddRef();
        copy->pos = pos;
        *out = copy;
        return S_OK;
    }

private:
    ~ConnectionEnumerator() override {
        for (auto& c : items)
            c.pUnk->Release();
    }
};

} // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, const IID& iid,
                                 std::initializer_list<const IID*> accepted) noexcept
    : container_(container), iid_(iid) {
    size_t i = 0;
    for (const IID* a : accepted)
        if (i < 4)
            accepted_[i++] = a;
}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
ULONG ConnectionPoint::AddRef() noexcept {
    return container_.AddRef();
}
ULONG ConnectionPoint::Release() noexcept {
    return container_.Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** cpc) noexcept {
    if (!cpc)
        return E_POINTER;
    *cpc = &container_;
    (*cpc)->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    ComPtr<IUnknown> accepted;
    for (const IID* iid : accepted_) {
        if (iid && SUCCEEDED(sink->QueryInterface(*iid, reinterpret_cast<void**>(accepted.GetAddressOf()))) &&
            accepted)
            break;
    }
    if (!accepted)
        return CONNECT_E_CANNOTCONNECT;
    try {
        connections_.push_back({nextCookie_, accepted});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) noexcept {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->cookie == cookie) {
            // Release after the entry is gone: the sink's destructor may call back in.
            ComPtr<IUnknown> sink = std::move(it->sink);
            connections_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** e) noexcept {
    if (!e)
        return E_POINTER;
    *e = nullptr;
    auto* en = new (std::nothrow) ConnectionEnumerator();
    if (!en)
        return E_OUTOFMEMORY;
    try {
        for (const auto& c : connections_) {
            en->items.push_back({c.sink.Get(), c.cookie});
            c.sink->AddRef();
        }
    } catch (const std::bad_alloc&) {
        en->Release();
        return E_OUTOFMEMORY;
    }
    *e = en;
    return S_OK;
}

HRESULT EnumerateConnectionPoints(IConnectionPoint* first, IConnectionPoint* second,
                                  IEnumConnectionPoints** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = new (std::nothrow) ConnectionPointEnumerator(first, second, 0);
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace joystick
