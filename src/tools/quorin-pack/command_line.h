// quorin-pack's command line: compress, expand, build, check and try, with their options.
#pragma once

#include <string>
#include <vector>

#include "file_system.h"
#include "output.h"

namespace quorin::pack {

// Runs one command line (without the program name); arguments are UTF-8. Returns the exit status.
int Run(const std::vector<std::string>& args, Output& out, Output& err);

} // namespace quorin::pack
