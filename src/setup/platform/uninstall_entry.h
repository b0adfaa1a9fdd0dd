// The product's entry in the system's list of installed programs:
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\<Title> with
// "DisplayName" and "UninstallString", written at install and removed at uninstall.
#pragma once

#include "base/text.h"
#include "installer/setup_script.h"

namespace setup {

// The parent of the entries, below HKEY_LOCAL_MACHINE.
inline const quorin::Text kUninstallParentKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Writes the entry for settings.Title (state NotInstalled: an install) or removes it
// (InstalledHere: an uninstall); `program` is Setup's full path, which the entry starts, in
// double quotes when it holds a blank. A title that is empty or holds a "\" would address the
// list's own key or another one: nothing is written or removed then. Raises what the registry
// key raises.
void UpdateUninstallEntry(const quorin::SetupSettings& settings, quorin::InstallState state,
                          const quorin::Text& program);

// Whether the entry is as UpdateUninstallEntry should have left it: written with both values
// after an install, gone after an uninstall. The registry key passes refused writes over
// silently, so this is how a refusal comes to light. An install under a title that gets no
// entry (empty, or holding "\") has not been entered either.
bool UninstallEntryIsUpdated(const quorin::SetupSettings& settings, quorin::InstallState state,
                             const quorin::Text& program);

} // namespace setup
