// The platform's LZ library (LZ32) behind an existence test, the expanded-name query and the
// expansion, and file placement over it: a script entry's compressed file expanded in the
// program folder and given its final name.
#pragma once

#include <cstddef>
#include <vector>

#include "base/text.h"
#include "installer/placement.h"

namespace setup {

class Archive {
public:
    // Set by Expand: true when the last expansion failed.
    bool expansionFailed = false;

    // Whether the LZ library can open the file.
    bool IsExisting(const quorin::Text& path);
    // The full path the file has once expanded (the name its header records, in the same
    // folder; an uncompressed file gives `path` itself). Empty when the library cannot open
    // `path`, or when the expanded path takes 128 bytes or more in the ANSI code page: the LZ
    // library's open buffer holds no longer path, so such a name cannot be expanded to.
    quorin::Text ExpandedName(const quorin::Text& path);
    // Expands (an uncompressed file: copies) `from` into a new file `to`. expansionFailed
    // becomes true when the copy fails, and also when it yields another length than the
    // compressed file records (a truncated or damaged file, which the library copies without
    // complaint) or the file is empty or cut inside its header.
    void Expand(const quorin::Text& from, const quorin::Text& to);
};

// The expanded-name buffer, in ANSI bytes with the terminating NUL.
inline constexpr size_t kExpandedNameBytes = 128;

// Places the file of one script entry in `folder` through one Archive, the platform's file
// operations and IsPathExisting, as quorin::PlaceFile describes; `ownFiles` are Setup's own
// files, never replaced through the name a compressed file records. Raises nothing.
quorin::PlaceOutcome PlaceFile(const quorin::Text& folder, const quorin::SetupEntry& entry,
                               const std::vector<quorin::Text>& ownFiles);

} // namespace setup
