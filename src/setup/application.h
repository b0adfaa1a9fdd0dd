// Setup's start-up: the script beside the program read once, what Setup cannot start from told,
// and the main window shown until the user is done.
#pragma once

#include <vector>

#include "base/text.h"
#include "installer/setup_script.h"

namespace setup {

// The message for a script problem: the entry for its kind with the script path, section, key
// and value filled in. Only the entry's own placeholders are filled, so a "$" in the path or a
// value is shown as it is.
quorin::Text ScriptProblemMessage(const quorin::ScriptProblem& problem, const quorin::Text& scriptPath);

// Reads the script at `scriptPath` through the platform's profile functions into `settings`,
// stopping at the first problem. Returns the problems found (empty when Setup can install from
// the script).
std::vector<quorin::ScriptProblem> LoadSetupScript(const quorin::Text& scriptPath, quorin::SetupSettings& settings);

// The program: without a script file at ScriptPath (or one the ANSI profile functions cannot
// reach), or with a script it cannot install from, shows why (stop icon, application title, no
// owner) and returns 1 without changing anything; otherwise shows the main window until it is
// closed and returns 0.
int RunSetup();

} // namespace setup
