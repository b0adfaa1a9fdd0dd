// A problem found in an input, with where it is. A note tells something worth knowing that does
// not make the input wrong: it is reported, but the command still succeeds.
#pragma once

#include <string>
#include <vector>

namespace quorin::pack {

struct Problem {
    std::string file;    // the file the problem is in (UTF-8 path)
    std::string section; // empty when not about a section
    std::string key;     // empty when not about a key
    std::string message;
    bool note = false;
};

// "FILE: [SECTION] KEY: message", the parts that are empty left out.
std::string FormatProblem(const Problem& p);

// Whether problems[from...] holds more than notes.
bool HasProblems(const std::vector<Problem>& problems, size_t from = 0);

} // namespace quorin::pack
