#include "try/command.h"

#include "package/check.h"

#ifndef _WIN32
#endif

namespace quorin::pack {

int TryPackage(const TryOptions& options, Output& out, Output& err) {
    const Path folder = options.package;
    if (!IsFolder(folder)) {
        err << FormatProblem({options.package, "", "", "no such folder"}) << "\n";
        return kExitProblem;
    }
    std::vector<Problem> problems;
    CheckPackage(folder, problems);
    const bool hasProgram = FindNoCase(folder, "Setup.EXE").has_value();
    if (!hasProgram)
        problems.push_back(
            {options.package, "", "", "no Setup.EXE in the package folder: there is nothing to run"});
    // Setup stops at start without a script, or at a script fault it reports and ends on.
    const PackageScript script = ReadPackageScript(folder, ScriptProblems::UntilFirst);
    std::vector<std::string> checkProblems;
    for (const Problem& p : problems)
        checkProblems.push_back(FormatProblem(p));
    if (!script.found || !script.loaded.ok() || !hasProgram) {
        for (const std::string& p : checkProblems)
            err << p << "\n";
        err << "quorin-pack try: Setup would stop at start with this package; nothing was run\n";
        return kExitProblem;
    }
#ifdef _WIN32
    // A trial installs and uninstalls for real; only a private Wine prefix keeps that away from
    // the machine's own registry and programs.
    (void)out;
    for (const std::string& p : checkProblems)
        err << p << "\n";
    err << "quorin-pack try: runs the package under Wine on Linux, in a private prefix; on Windows it "
           "would install into this machine itself. Run it on Linux (or try the package in a virtual "
           "machine).\n";
    return kExitNoWine;
#else
    return TryUnderWine(options, checkProblems, script.loaded.settings.All, out, err);
#endif
}

} // namespace quorin::pack
