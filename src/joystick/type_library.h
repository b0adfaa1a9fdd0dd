// The type libraries the module carries as "TYPELIB" resources.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace joystick {

// The name LoadTypeLib reads the library of resource `resource` of this module by: the module's
// path, followed by "\<n>" for any resource but the first. Empty when the path is too long.
std::wstring TypeLibraryPath(WORD resource);

// Loads the type information for guid from the library of resource `resource`, registering
// nothing.
HRESULT LoadTypeInfo(WORD resource, REFGUID guid, ITypeInfo** info) noexcept;

} // namespace joystick
