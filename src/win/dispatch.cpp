#include "win/dispatch.h"

#include <wrl/client.h>

namespace quorin::win {

namespace {

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, DISPPARAMS* params, VARIANT* result) {
    if (!object)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    EXCEPINFO error = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, &error, nullptr);
    FreeExcepInfo(error);
    return hr;
}

} // namespace

HRESULT GetPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* result) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return InvokeByName(object, name, DISPATCH_PROPERTYGET, &none, result);
}

HRESULT PutPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {value, &named, 1, 1};
    return InvokeByName(object, name, DISPATCH_PROPERTYPUT, &params, nullptr);
}

HRESULT InvokeReportingException(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 Bstr* description) {
    EXCEPINFO error = {};
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, &error, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        if (error.pfnDeferredFillIn)
            error.pfnDeferredFillIn(&error);
        if (error.scode)
            hr = error.scode;
        else if (error.wCode)
            hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.wCode);
    }
    if (FAILED(hr) && description) {
        *description->put() = error.bstrDescription;
        error.bstrDescription = nullptr;
    }
    FreeExcepInfo(error);
    return hr;
}

HRESULT CheckArgumentFrame(ITypeInfo* info, DISPID id, WORD flags, const DISPPARAMS* params) noexcept {
    if (!params)
        return E_INVALIDARG;
    if ((params->cArgs > 0 && !params->rgvarg) || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) ||
        params->cNamedArgs > params->cArgs)
        return E_INVALIDARG;
    // More arguments than the member takes: the platform's dispatcher would ignore the rest.
    Microsoft::WRL::ComPtr<ITypeInfo2> info2;
    if (FAILED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(info2.GetAddressOf()))))
        return S_OK;
    const INVOKEKIND kinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF};
    const WORD bits[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                         DISPATCH_PROPERTYPUTREF};
    UINT most = 0;
    bool found = false;
    for (int k = 0; k < 4; ++k) {
        UINT index = 0;
        if (!(flags & bits[k]) || FAILED(info2->GetFuncIndexOfMemId(id, kinds[k], &index)))
            continue;
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(index, &desc)))
            continue;
        UINT takes = 0;
        for (SHORT i = 0; i < desc->cParams; ++i)
            if (!(desc->lprgelemdescParam[i].paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)))
                ++takes;
        info->ReleaseFuncDesc(desc);
        found = true;
        if (takes > most)
            most = takes;
    }
    if (found && params->cArgs > most)
        return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

HRESULT CheckNameArrays(LPOLESTR* names, UINT count, const DISPID* ids) noexcept {
    if (count == 0)
        return S_OK;
    if (!names || !ids)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        if (!names[i])
            return E_INVALIDARG;
    return S_OK;
}

} // namespace quorin::win
