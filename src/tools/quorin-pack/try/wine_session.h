// try on Linux: a private Wine prefix (code page 932, Japanese fonts), a headless X server unless
// a display is set, a copy of the package on the prefix's C: drive, the Windows driver run on
// it, and the report judged from what the driver recorded.
#pragma once

#include <string>
#include <vector>

#include "output.h"
#include "try/command.h"

namespace quorin::pack {

// `checkProblems` are check's findings, reasons of the verdict; `entries` sizes the time limit.
int TryUnderWine(const TryOptions& options, const std::vector<std::string>& checkProblems, int entries,
                 Output& out, Output& err);

} // namespace quorin::pack
