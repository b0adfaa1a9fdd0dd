// Setup's start-up module: the program-wide settings and state, the program's identity, the
// string table, Main and the setup-script loading. Later modules append their routines below.
#pragma once

#include <cstdint>
#include <vector>

#include "installer/setup_script.h"
#include "base/text.h"

namespace setup {

// Filled once by LoadSetupScript, read only afterwards.
extern quorin::SetupSettings SetupSettings;
// Decided at the main window's first activation.
extern quorin::InstallState InstallState;

// The folder of the running executable, without a trailing separator except at a drive root
// ("C:\"), as GetModuleFileName reports it.
quorin::Text ProgramFolder();
// The executable's file name without its extension ("Setup").
quorin::Text ExecutableName();
// "Ombrel's Quorin Installer" (string 1).
quorin::Text ApplicationTitle();
// Joins a relative name to a folder with one "\" and no further normalisation, so a drive
// root gives "C:\\Setup.INF", which the platform accepts.
quorin::Text JoinPath(const quorin::Text& folder, const quorin::Text& name);
// ProgramFolder() + "\" + ExecutableName() + ".INF".
quorin::Text SetupScriptPath();

// The string-table entry `id` of the executable (language 0x0411); empty when missing.
quorin::Text LoadResString(uint32_t id);
// The same from another loaded module (an HMODULE), for tests reading a built executable.
quorin::Text LoadResStringFrom(void* module, uint32_t id);

// String-table ids of the messages about a setup script Setup cannot install from, and about a
// script that is not there (or not reachable through the ANSI code page).
inline constexpr uint32_t kIdScriptMissingLz = 201;
inline constexpr uint32_t kIdScriptLzWithoutComma = 202;
inline constexpr uint32_t kIdScriptAllOutOfRange = 203;
inline constexpr uint32_t kIdScriptMissing = 204;

// The message for a script problem: the entry for its kind with the script path, section, key
// and value filled in. Only the entry's own placeholders are filled, so a "$" in the path or a
// value is shown as it is.
quorin::Text ScriptProblemMessage(const quorin::ScriptProblem& problem, const quorin::Text& scriptPath);

// Reads the setup script beside the executable into SetupSettings through ClassProfiler.
// Returns the problems found (empty when the script can be installed from).
std::vector<quorin::ScriptProblem> LoadSetupScript();

// The program: without a script file at SetupScriptPath (or one the ANSI profile functions
// cannot reach), or with a script it cannot install from, shows why (stop icon, application
// title, no owner) and returns 1 without changing anything; otherwise loads, shows and unloads
// the main window and returns 0.
int Main();

} // namespace setup

// ---------------------------------------------------------------------------------------------
// Component self-registration and the uninstall entry.
// ---------------------------------------------------------------------------------------------

namespace setup {

// Registers the component at Path by its extension: EXE started hidden with "/RegServer" and
// awaited until ready for input, DLL and OCX through Setup.DLL's RegisterServer and IsOK,
// anything else nothing. Ends at the first error; returns true when the program was started
// or IsOK reported success.
bool RegisterComponent(const quorin::Text& Path);
// The same with "/UnRegServer" and UnregisterServer.
bool UnregisterComponent(const quorin::Text& Path);

// The parent of the entries in the system's list of installed programs, below
// HKEY_LOCAL_MACHINE.
inline const quorin::Text kUninstallParentKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The command line the list of installed programs starts: the program folder, "\", the
// executable name and ".EXE"; in double quotes when it holds a blank.
quorin::Text UninstallCommandLine();

// Writes (InstallState NotInstalled) or removes (InstalledHere) the entry named KeyName, or
// the settings' Title when KeyName is empty. A name that is empty or holds a "\" would address
// the list's own key or another one: nothing is written or removed then.
void UpdateUninstallEntry(const quorin::SetupSettings& Settings, const quorin::Text& KeyName);

// Whether the entry is as UpdateUninstallEntry should have left it: written with both values
// before an install, gone after an uninstall. The registry class passes refused writes over
// silently, so this is how a refusal comes to light. An install under a name that gets no entry
// (empty, or holding "\") has not been entered either.
bool UninstallEntryIsUpdated(const quorin::SetupSettings& Settings, const quorin::Text& KeyName);

} // namespace setup

// ---------------------------------------------------------------------------------------------
// File placement.
// ---------------------------------------------------------------------------------------------

#include "installer/placement.h"

namespace setup {

// Places the file of one script entry in Folder through one ClassArchive (created at its first
// call, released on return): the compressed file is expanded to a temporary file and given its
// final name only when the expansion succeeded, as quorin::PlaceFile describes. Reports
// nothing and raises nothing.
void PlaceFile(const quorin::Text& Folder, const quorin::SetupEntry& Entry);
// The same, telling what happened (for tests and callers that report it).
quorin::PlaceOutcome PlaceFileWithOutcome(const quorin::Text& Folder, const quorin::SetupEntry& Entry);

// Setup's own files in the program folder, names relative to it: the executable, its script and
// Setup.DLL. No entry replaces or deletes them, not even through the name a compressed file
// records.
std::vector<quorin::Text> SetupOwnFiles();

} // namespace setup
