// build: a package folder from a manifest: Setup.EXE and Setup.DLL, the documents, the files
// compressed under their shipped names, and Setup.INF in code page 932; then the result read
// back the way Setup will.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "file_system.h"
#include "output.h"
#include "package/problem.h"

namespace quorin::pack {

struct BuildOptions {
    Path manifest;
    Path output;
    std::optional<Path> setupExe; // overrides the manifest
    std::optional<Path> setupDll;
    std::vector<std::pair<std::string, Path>> sources; // NAME=PATH overrides of [File] sources
    Path toolFolder;                                   // where quorin-pack lies, for the defaults
};

// Problems are appended. True when the package is complete and checks clean.
bool BuildPackage(const BuildOptions& options, std::vector<Problem>& problems, Output& log);

} // namespace quorin::pack
