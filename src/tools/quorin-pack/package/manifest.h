// The build manifest: a small UTF-8 INI file of the tool's own ([Package], [Copy], repeated [File]
// sections; see --help).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "file_system.h"
#include "package/problem.h"

namespace quorin::pack {

struct ManifestFile {
    Path source;      // resolved against the manifest's folder
    std::string name; // final name in the installed product (UTF-8)
    bool selfRegister = false;
};

struct Manifest {
    std::string title;
    std::string document;
    bool lzTrash = false;
    std::optional<Path> setupExe;
    std::optional<Path> setupDll;
    std::vector<std::pair<std::string, Path>> copies; // name in the package, source
    std::vector<ManifestFile> files;
};

// False, with the problems appended, when the manifest cannot be read or holds a mistake.
bool ReadManifest(const Path& path, Manifest& manifest, std::vector<Problem>& problems);

} // namespace quorin::pack
