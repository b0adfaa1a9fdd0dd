// Full snapshots of what a package's install may change: the package folder (every file's size
// and fingerprint) and the registry under HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE\Software and
// HKEY_CURRENT_USER\Software. Comparing two of them is portable (try/report.h).
#pragma once

#include <string>

#include "try/record.h"

namespace quorin::driver {

quorin::pack::FolderSnapshot SnapshotFolder(const std::wstring& folder);

// HKEY_LOCAL_MACHINE\Software\Classes is what HKEY_CLASSES_ROOT shows of the machine; it is
// taken once, under HKEY_CLASSES_ROOT.
quorin::pack::RegistrySnapshot SnapshotRegistry();

quorin::pack::Snapshot SnapshotSystem(const std::wstring& folder);

} // namespace quorin::driver
