#include "setup/application.h"

#include <windows.h>

#include <string>

#include "basic/string_routines.h"
#include "installer/messages.h"
#include "setup/main_window.h"
#include "setup/platform/profile_file.h"
#include "setup/platform/routines.h"
#include "setup/program.h"
#include "win/ansi.h"

namespace setup {

quorin::Text ScriptProblemMessage(const quorin::ScriptProblem& problem, const quorin::Text& scriptPath) {
    switch (problem.kind) {
    case quorin::ScriptProblemKind::MissingLz:
        return quorin::FillPlaceholders(LoadText(quorin::kIdScriptMissingLz),
                                        {scriptPath, problem.section, problem.key});
    case quorin::ScriptProblemKind::LzWithoutComma:
        return quorin::FillPlaceholders(LoadText(quorin::kIdScriptLzWithoutComma),
                                        {scriptPath, problem.section, problem.key, problem.value});
    case quorin::ScriptProblemKind::AllOutOfRange:
        return quorin::FillPlaceholders(LoadText(quorin::kIdScriptAllOutOfRange),
                                        {scriptPath, problem.section, problem.key, problem.value});
    }
    return quorin::Text();
}

std::vector<quorin::ScriptProblem> LoadSetupScript(const quorin::Text& scriptPath, quorin::SetupSettings& settings) {
    ProfileFile profile;
    profile.path = scriptPath;
    quorin::ScriptLoadResult result = quorin::LoadSetupScriptFrom(profile, quorin::ScriptProblems::UntilFirst);
    settings = std::move(result.settings);
    return std::move(result.problems);
}

namespace {

// Whether the profile functions, which take the path in the ANSI code page, find the script: a
// path the code page cannot hold arrives changed and names another file or none.
bool ScriptIsReachable(const quorin::Text& path) {
    const std::string ansi = quorin::win::ToAnsi(path);
    if (quorin::win::FromAnsi(ansi) != path)
        return false;
    const DWORD attributes = ::GetFileAttributesA(ansi.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Nothing has been installed or changed yet, and no window exists, so the box has no owner.
int RefuseToStart(const quorin::Text& message) {
    const std::string text = quorin::win::ToAnsi(message);
    const std::string caption = quorin::win::ToAnsi(ApplicationTitle());
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), quorin::kMbOkStop);
    return 1;
}

} // namespace

int RunSetup() {
    // Without its script Setup knows no product: installing would place nothing and still
    // record an install under an empty title.
    const quorin::Text scriptPath = ScriptPath();
    if (!ScriptIsReachable(scriptPath))
        return RefuseToStart(quorin::FillPlaceholders(LoadText(quorin::kIdScriptMissing), {scriptPath}));
    quorin::SetupSettings settings;
    // The first problem is enough to fix the script.
    const std::vector<quorin::ScriptProblem> problems = LoadSetupScript(scriptPath, settings);
    if (!problems.empty())
        return RefuseToStart(ScriptProblemMessage(problems.front(), scriptPath));
    MainWindow window(settings);
    window.Create();
    window.ShowModal();
    return 0;
}

} // namespace setup
