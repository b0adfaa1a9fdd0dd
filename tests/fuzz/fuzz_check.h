// A property a fuzz target holds for every input: broken, the run stops where the fuzzer (or the
// corpus replay) reports the input.
#pragma once

#include <cstdlib>

inline void Check(bool holds) {
    if (!holds)
        std::abort();
}
