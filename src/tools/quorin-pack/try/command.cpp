// The try command's first steps, the same on every platform: the package is checked, and a
// script Setup would refuse at start stops the trial there. What follows needs Wine.

#include "ini/profile.h"
#include "installer/setup_script.h"
#include "pack.h"

namespace quorin::pack {
namespace {

// Whether Setup would stop at start (no script, or a script fault it reports and ends on).
bool SetupRefuses(const fs::path& folder, int& entries) {
    const std::optional<fs::path> script = FindNoCase(folder, "Setup.INF");
    std::vector<uint8_t> bytes;
    if (!script || !ReadWholeFile(*script, bytes))
        return true;
    const ini::Profile profile =
        ini::Profile::Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    IniProfileReader reader(profile);
    const ScriptLoadResult loaded = LoadSetupScriptFrom(reader, ScriptProblems::UntilFirst);
    entries = loaded.settings.All;
    return !loaded.ok();
}

} // namespace

int TryPackage(const TryOptions& options, Output& out, Output& err) {
    const fs::path folder = PathFromUtf8(options.package);
    if (!fs::is_directory(folder)) {
        err << FormatProblem({options.package, "", "", "no such folder"}) << "\n";
        return kExitProblem;
    }
    std::vector<Problem> problems;
    CheckPackage(folder, problems);
    if (!FindNoCase(folder, "Setup.EXE"))
        problems.push_back(
            {options.package, "", "", "no Setup.EXE in the package folder: there is nothing to run"});
    int entries = 0;
    if (SetupRefuses(folder, entries) || !FindNoCase(folder, "Setup.EXE")) {
        for (const Problem& p : problems)
            err << FormatProblem(p) << "\n";
        err << "quorin-pack try: Setup would stop at start with this package; nothing was run\n";
        return kExitProblem;
    }
    std::vector<std::string> checkProblems;
    for (const Problem& p : problems)
        checkProblems.push_back(FormatProblem(p));
#ifdef _WIN32
    // A trial installs and uninstalls for real; only a private Wine prefix keeps that away from
    // the machine's own registry and programs.
    (void)out;
    (void)entries;
    for (const std::string& p : checkProblems)
        err << p << "\n";
    err << "quorin-pack try: runs the package under Wine on Linux, in a private prefix; on Windows it "
           "would install into this machine itself. Run it on Linux (or try the package in a virtual "
           "machine).\n";
    return kExitNoWine;
#else
    return TryUnderWine(options, checkProblems, entries, out, err);
#endif
}

} // namespace quorin::pack
