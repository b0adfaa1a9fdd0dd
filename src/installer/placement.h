// File placement: one setup-script entry becomes an installed file in the program folder.
// Written against the few operations it needs (PlacementPlatform), so a fake proves its
// decisions natively and the Windows layer proves the real effects.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "installer/platform.h"
#include "installer/setup_script.h"

namespace quorin {

enum class PlaceOutcome {
    Placed,                // the target holds the freshly expanded file
    KeptUnderExpandedName, // the target existed under another name: it stays, the new file keeps the expanded
                           // name
    TargetKept,            // an uncompressed source whose target existed: nothing changed
    AlreadyInPlace,        // an uncompressed source that is its own target: nothing to do
    UnsafeName,            // a name that is empty or leaves the program folder
    SourceMissing,         // the LZ library cannot open the source
    NoExpandedName,        // the expanded name cannot be had, or the name the compressed file records
                           // leaves the folder, names a device or one of Setup's own files
    ExpansionFailed,       // the expansion failed or was incomplete; nothing was changed
    NeverAppeared,         // the expanded file did not appear in time; nothing was changed
    NotMoved,              // the expanded file could not be given its name; nothing was changed
};

// Whether the entry's target now holds the entry's file. A target that was kept as it was
// (TargetKept, KeptUnderExpandedName) is not: the file shipped for it is not installed.
bool PlacementSucceeded(PlaceOutcome outcome) noexcept;

// How long placement waits for an expanded file to appear: polls and the pause between them.
inline constexpr int kAppearPolls = 50;
inline constexpr uint32_t kAppearPollMs = 100;
// Temporary names tried in the program folder before giving up.
inline constexpr int kTemporaryNames = 100;

// Places entry's file in `folder`. Never raises; the outcome is for callers that report it
// (the install procedure lists the entries not placed).
//
// The expansion always goes to a fresh temporary file in the folder first and reaches its
// final name only once the expansion reports success, so a failed or partial expansion leaves no file
// under the target or expanded name and never replaces a good one. An uncompressed source is
// copied, never opened as its own output. Temporary files are created by placement itself,
// never taken over, so no file placement did not make is written over or deleted through one.
PlaceOutcome PlaceFile(const Text& folder, const SetupEntry& entry, PlacementPlatform& platform) noexcept;

// The temporary name placement tries as its n-th choice in `folder`.
Text PlacementTemporaryName(const Text& folder, int n);

} // namespace quorin
