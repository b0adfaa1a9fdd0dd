// try: a package proved under Wine as a user would meet it. The first steps are the same on every
// platform: the package is checked, and a script Setup would refuse at start stops the trial
// there. What follows needs Wine.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "output.h"

namespace quorin::pack {

struct TryOptions {
    std::string package; // DIR as given (UTF-8)
    std::optional<std::string> keepPrefix;
    std::optional<std::string> screenshots;
    bool json = false;
};

// The exit status of try.
int TryPackage(const TryOptions& options, Output& out, Output& err);

// What follows the check on Linux (wine_session.cpp): a private Wine prefix (code page 932,
// Japanese fonts), a headless X server unless a display is set, a copy of the package on the
// prefix's C: drive, the Windows driver run on it, and the report judged from what the driver
// recorded. `checkProblems` are check's findings, reasons of the verdict; `entries` sizes the
// time limit.
int TryUnderWine(const TryOptions& options, const std::vector<std::string>& checkProblems, int entries,
                 Output& out, Output& err);

} // namespace quorin::pack
