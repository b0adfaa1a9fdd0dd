// ClassArchive: the LZ32 library's existence test, expanded-name query and expansion, with the
// outcome of the last expansion in Exception. Keeps no handles or paths between calls.
#pragma once

#include <cstddef>

#include "base/text.h"

namespace setup {

class ClassArchive {
public:
    // Set by Melt: true when the last expansion failed.
    bool Exception = false;

    // Whether the LZ library can open the file Path.
    bool IsExisting(const quorin::Text& Path);
    // The full path Path has once expanded (the name its header records, in the same folder;
    // an uncompressed file gives Path itself). Empty when the library cannot open Path, or
    // when the expanded path takes 128 bytes or more in the ANSI code page: the LZ library's
    // open buffer holds no longer path, so such a name cannot be expanded to.
    quorin::Text Require(const quorin::Text& Path);
    // Expands (an uncompressed file: copies) InPath into a new file OutPath. Exception becomes
    // true when the copy fails, and also when it yields another length than the compressed
    // file records (a truncated or damaged file, which the library copies without complaint).
    void Melt(const quorin::Text& InPath, const quorin::Text& OutPath);
};

// The expanded-name buffer of the design, in ANSI bytes with the terminating NUL.
inline constexpr size_t kExpandedNameBytes = 128;

} // namespace setup
