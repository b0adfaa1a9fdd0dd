// Self-registration of a placed component, chosen by its extension: a program (EXE) is started
// hidden with "/RegServer" or "/UnRegServer" and awaited until ready for input; a library (DLL,
// OCX) goes through Setup.DLL's RegisterServer or UnregisterServer and IsOK; anything else is
// not registered.
#pragma once

#include "base/text.h"

namespace setup {

// True when the program was started or IsOK reported success. Ends at the first error (a
// missing Setup.DLL or program) with false; raises nothing.
bool RegisterComponent(const quorin::Text& path);
bool UnregisterComponent(const quorin::Text& path);

} // namespace setup
