#include "package/problem.h"

namespace quorin::pack {

std::string FormatProblem(const Problem& p) {
    std::string out = p.file + ":";
    if (!p.section.empty())
        out += " [" + p.section + "]";
    if (!p.key.empty())
        out += " " + p.key;
    out +=
        std::string(p.section.empty() && p.key.empty() ? " " : ": ") + (p.note ? "note: " : "") + p.message;
    return out;
}

bool HasProblems(const std::vector<Problem>& problems, size_t from) {
    for (size_t i = from; i < problems.size(); ++i)
        if (!problems[i].note)
            return true;
    return false;
}

} // namespace quorin::pack
