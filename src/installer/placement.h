// File placement: one setup-script entry becomes an installed file in the program folder.
// Written against the few operations it needs (ClassArchive's and the runtime's), so a fake
// proves its decisions natively and the Windows layer proves the real effects.
#pragma once

#include <cstdint>
#include <vector>

#include "installer/setup_script.h"
#include "base/text.h"

namespace quorin {

// ClassArchive's members, the existence test of the helper module and the runtime's file
// operations. Any call may raise (quorin::RuntimeError or another std::exception); placement
// treats a raised call as a failed one.
class PlacementPlatform {
public:
    virtual ~PlacementPlatform() = default;
    // Whether the LZ library can open the file.
    virtual bool IsExisting(const Text& Path) = 0;
    // The full path the file has once expanded (an uncompressed file: Path itself). Empty when
    // no usable name can be had, e.g. a name longer than the expanded-name buffer.
    virtual Text Require(const Text& Path) = 0;
    // Expands (or copies, when uncompressed) InPath into a new file OutPath and sets Exception.
    virtual void Melt(const Text& InPath, const Text& OutPath) = 0;
    // True when the last Melt failed.
    virtual bool Exception() = 0;
    // A file or folder of that name exists (hidden and system files are not seen).
    virtual bool IsPathExisting(const Text& Path) = 0;
    // Creates an empty file `path` only when nothing of that name exists, hidden and system
    // files and folders included: false when something does. Raises when the file cannot be
    // created for another reason (a read-only folder, a full disk).
    virtual bool CreateNewFile(const Text& path) = 0;
    // Renames in place; raises when `to` exists or the rename fails.
    virtual void Rename(const Text& from, const Text& to) = 0;
    // Deletes a file; raises when it cannot.
    virtual void Delete(const Text& path) = 0;
    virtual void Pause(uint32_t milliseconds) = 0;
    // Setup's own files (its executable, its script, Setup.DLL), names relative to the folder.
    virtual std::vector<Text> OwnFiles() = 0;
};

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
// (Setup's PlaceFile does not).
//
// The expansion always goes to a fresh temporary file in the folder first and reaches its
// final name only once Melt reports success, so a failed or partial expansion leaves no file
// under the target or expanded name and never replaces a good one. An uncompressed source is
// copied, never opened as its own output. Temporary files are created by placement itself,
// never taken over, so no file placement did not make is written over or deleted through one.
PlaceOutcome PlaceFile(const Text& folder, const SetupEntry& entry, PlacementPlatform& platform) noexcept;

// The temporary name placement tries as its n-th choice in `folder`.
Text PlacementTemporaryName(const Text& folder, int n);

} // namespace quorin
