// The running program's identity, which every part of Setup uses: its folder, its name, its
// title, the script beside it, its own files, and the texts of its string table.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"

namespace setup {

// The folder of the running executable, without a trailing separator except at a drive root
// ("C:\"), as the platform reports it.
quorin::Text ProgramFolder();
// The executable's file name without its extension ("Setup").
quorin::Text ExecutableName();
// The executable's full path, as the list of installed programs starts it: the program folder,
// "\", the executable name and ".EXE".
quorin::Text ProgramPath();
// "Ombrel's Quorin Installer", the caption of the window and of every message box.
quorin::Text ApplicationTitle();
// The setup script: the program folder, "\", the executable name and ".INF"; at a drive root
// the separator is doubled ("C:\\Setup.INF"), which the platform accepts.
quorin::Text ScriptPath();
// Setup's own files in the program folder, names relative to it: the executable, its script and
// Setup.DLL. No entry replaces or deletes them.
std::vector<quorin::Text> OwnFiles();

// The string-table entry `id` of the executable (language 0x0411); empty when missing.
quorin::Text LoadText(uint32_t id);
// The same from another loaded module (an HMODULE).
quorin::Text LoadTextFrom(void* module, uint32_t id);

} // namespace setup
