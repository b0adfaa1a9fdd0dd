// try: a package proved under Wine as a user would meet it. The first steps are the same on every
// platform: the package is checked, and a script Setup would refuse at start stops the trial
// there. What follows needs Wine (wine_session.h).
#pragma once

#include <optional>
#include <string>

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

} // namespace quorin::pack
