// The setup-script loader over the portable reader never fails, and what it returns is
// consistent: one entry per numbered section when All is positive, none otherwise, and a
// problem for every entry whose Lz lacks a comma.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/setup_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 14)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const quorin::ini::Profile profile = quorin::ini::Profile::Parse(bytes);
    quorin::IniProfileReader reader(profile);
    const quorin::ScriptLoadResult r = quorin::LoadSetupScriptFrom(reader);
    const auto& s = r.settings;
    if (s.All > 0 && s.Entries.size() != static_cast<size_t>(s.All))
        std::abort();
    if (s.All <= 0 && !s.Entries.empty())
        std::abort();
    size_t withoutComma = 0;
    for (const auto& e : s.Entries)
        if (e.LzTarget.empty() && e.LzSource.find(u',') == quorin::Text::npos)
            ++withoutComma;
    size_t lzProblems = 0;
    for (const auto& p : r.problems)
        if (p.kind != quorin::ScriptProblemKind::AllOutOfRange)
            ++lzProblems;
    // An entry "A," has an empty target but a comma: it is no problem.
    if (lzProblems > withoutComma)
        std::abort();
    if (s.Title.size() > 254 || s.Document.size() > 254)
        std::abort();
    return 0;
}
