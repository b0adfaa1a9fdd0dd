// check: a package's Setup.INF read the way Setup reads it (the portable profile reader and the
// installer's script rules), then the files its entries name.
#pragma once

#include <vector>

#include "file_system.h"
#include "ini/profile.h"
#include "installer/setup_script.h"
#include "package/problem.h"

namespace quorin::pack {

struct PackageScript {
    Path path;          // where it is, or where Setup would look for it
    bool found = false; // false: there is none, or it cannot be read
    ini::Profile profile;
    ScriptLoadResult loaded;
};

PackageScript ReadPackageScript(const Path& folder, ScriptProblems wanted = ScriptProblems::All);

// Problems are appended. Returns the number of entries read.
int CheckPackage(const Path& folder, std::vector<Problem>& problems);

} // namespace quorin::pack
