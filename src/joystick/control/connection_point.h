// One outgoing interface of the control (its events, or property change notifications) and
// the enumerators the connection interfaces hand out.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <initializer_list>
#include <vector>

namespace joystick {

class ConnectionPoint final : public IConnectionPoint {
public:
    // `accepted` lists the identifiers a sink may answer, in order of preference; the point
    // keeps the first it gets. The point lives inside its container and shares its lifetime.
    ConnectionPoint(IConnectionPointContainer& container, const IID& iid,
                    std::initializer_list<const IID*> accepted) noexcept;

    // IUnknown (lifetime delegated to the container)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** cpc) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** e) noexcept override;

    // Calls f(sink) for every sink connected when the call starts, in connection order.
    // Sinks may connect or disconnect from inside f; nothing is allocated.
    template <typename Sink, typename F> void ForEach(F&& f) noexcept;

private:
    struct Connection {
        DWORD cookie;
        Microsoft::WRL::ComPtr<IUnknown> sink; // the interface the sink answered
    };
    IConnectionPointContainer& container_;
    IID iid_;
    const IID* accepted_[4] = {};
    std::vector<Connection> connections_;
    DWORD nextCookie_ = 1;
};

// An enumerator over the two connection points of a container.
HRESULT EnumerateConnectionPoints(IConnectionPoint* first, IConnectionPoint* second,
                                  IEnumConnectionPoints** out) noexcept;

template <typename Sink, typename F> void ConnectionPoint::ForEach(F&& f) noexcept {
    if (connections_.empty())
        return;
    // Cookies only grow and the list stays in cookie order, so walking by cookie survives
    // sinks that connect or disconnect during a call; later connections wait for the next event.
    const DWORD last = connections_.back().cookie;
    DWORD done = 0;
    for (;;) {
        Microsoft::WRL::ComPtr<IUnknown> sink;
        DWORD cookie = 0;
        for (const auto& c : connections_) {
            if (c.cookie > done) {
                sink = c.sink;
                cookie = c.cookie;
                break;
            }
        }
        if (!sink || cookie > last)
            return;
        done = cookie;
        f(static_cast<Sink*>(sink.Get()));
    }
}

} // namespace joystick
