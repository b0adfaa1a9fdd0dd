// HRESULT helpers for COM code: the thread's last error as a status, early returns, and rich
// error information for a caller of IDispatch::Invoke.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#define QUORIN_RETURN_IF_FAILED(expr)                                                                        \
    do {                                                                                                     \
        const HRESULT hr_ = (expr);                                                                          \
        if (FAILED(hr_))                                                                                     \
            return hr_;                                                                                      \
    } while (0)

namespace quorin::win {

// The thread's last error as an HRESULT, or fallback when the failing call set none.
inline HRESULT LastErrorOr(HRESULT fallback) noexcept {
    const DWORD e = ::GetLastError();
    return e ? HRESULT_FROM_WIN32(e) : fallback;
}

// Hands hr to the caller together with an error object naming the interface and source, as
// ITypeInfo::Invoke passes it on in the exception record. Returns hr.
inline HRESULT SetErrorInfoFor(HRESULT hr, REFIID iid, const wchar_t* source, const wchar_t* description) noexcept {
    Microsoft::WRL::ComPtr<ICreateErrorInfo> create;
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    if (FAILED(::CreateErrorInfo(&create)))
        return hr;
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetDescription(const_cast<LPOLESTR>(description));
    if (SUCCEEDED(create.As(&info)))
        ::SetErrorInfo(0, info.Get());
    return hr;
}

} // namespace quorin::win
