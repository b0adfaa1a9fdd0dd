// Where a module was loaded from, and what its version resource says about it.
#pragma once

#include <windows.h>

#include <string>

namespace quorin::win {

// The module's full path; empty when it cannot be read.
std::wstring ModulePath(HMODULE module);
// The module's folder with its trailing separator; empty when it cannot be read.
std::wstring ModuleFolder(HMODULE module);

struct VersionInfo {
    std::wstring productName;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned revision = 0;
};

// The product name (of the first translation) and the file version's major, minor and
// revision numbers; empty and zero where the module has no version resource.
VersionInfo ReadVersionInfo(HMODULE module);

} // namespace quorin::win
