// Differences between two snapshots of a trial: files of the package folder added, removed or
// changed, and registry keys and values added, removed or changed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "try/record.h"

namespace quorin::pack {

struct FolderChanges {
    std::vector<std::string> added, removed, changed; // relative paths, sorted
    bool empty() const { return added.empty() && removed.empty() && changed.empty(); }
};
FolderChanges DiffFolders(const FolderSnapshot& before, const FolderSnapshot& after);

struct ValueChange {
    std::string key, name;
    std::optional<RegistryValue> before, after; // none: the value did not exist
};

struct RegistryChanges {
    std::vector<std::string> keysAdded, keysRemoved;
    std::vector<ValueChange> values; // added, removed and changed, ordered by key and name
    bool empty() const { return keysAdded.empty() && keysRemoved.empty() && values.empty(); }
};

// Keys that Wine itself changes while programs run, whatever the package does; they are left out
// of every comparison. Each applies to the key and everything below it.
struct IgnoredKey {
    const char* key;
    const char* why;
};
const std::vector<IgnoredKey>& WineOwnKeys();

RegistryChanges DiffRegistry(const RegistrySnapshot& before, const RegistrySnapshot& after,
                             const std::vector<IgnoredKey>& ignored = WineOwnKeys());

} // namespace quorin::pack
