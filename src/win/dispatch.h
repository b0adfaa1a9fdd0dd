// IDispatch from both sides: the calls a late-bound client makes, and the checks an object makes
// before it hands a host's arguments to the platform's ITypeInfo::Invoke and
// ITypeInfo::GetIDsOfNames, which trust them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "win/automation.h"

namespace quorin::win {

// Reads or writes a property by name. The object's exception record is dropped: the status is
// all such a caller acts on.
HRESULT GetPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* result);
HRESULT PutPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* value);

// Invoke by identifier. An exception the object raised comes back as its own status (its
// scode, or its wCode in the control facility), with its description in *description.
HRESULT InvokeReportingException(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 Bstr* description);

// A malformed argument frame from a host must come back as an error, never as a read through a
// null or short array in the host's process. More arguments than the member takes are refused
// too: the platform's dispatcher would silently ignore the rest.
HRESULT CheckArgumentFrame(ITypeInfo* info, DISPID id, WORD flags, const DISPPARAMS* params) noexcept;

// GetIDsOfNames with arrays the platform would read through unchecked.
HRESULT CheckNameArrays(LPOLESTR* names, UINT count, const DISPID* ids) noexcept;

} // namespace quorin::win
