// compress and expand: single files to and from the LZ (SZDD) format that Setup expands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "output.h"
#include "package/problem.h"

namespace quorin::pack {

struct LzOptions {
    std::vector<std::string> files;    // UTF-8 paths
    std::optional<std::string> outDir; // -o DIR; none: beside each file
    bool replaceLast = false;          // compress -r: the shipped name, its last character recorded
    bool force = false;                // expand -f: overwrite
};

// A file that fails is reported and the others still run.
void CompressFiles(const LzOptions& options, std::vector<Problem>& problems, Output& out);
void ExpandFiles(const LzOptions& options, std::vector<Problem>& problems, Output& out);

} // namespace quorin::pack
