#include "GeneralMain.h"

#include <windows.h>

#include <vector>

#include "ClassProfiler.h"
#include "FormMain.h"
#include "GeneralWin32ExAPI.h"
#include "winsupport/ansi.h"
#include "winsupport/unique_handle.h"

namespace setup {

quorin::SetupSettings SetupSettings;
quorin::InstallState InstallState = quorin::InstallState::InstalledElsewhere;

namespace {

quorin::Text ModulePath() {
    // A plain buffer: one std::wstring links the runtime's whole wide-string instantiation
    // (about 35 KiB) into a program that has no other use for it.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size())
            return quorin::win::FromWide(buffer.data()); // NUL-terminated when not truncated
        buffer.resize(buffer.size() * 2); // truncated: try a larger buffer
    }
}

} // namespace

quorin::Text ProgramFolder() {
    const quorin::Text path = ModulePath();
    const size_t slash = path.find_last_of(u"\\/");
    if (slash == quorin::Text::npos)
        return quorin::Text();
    quorin::Text folder = path.substr(0, slash);
    // At a drive root the root keeps its separator ("C:\").
    if (folder.size() == 2 && folder[1] == u':')
        folder.push_back(u'\\');
    return folder;
}

quorin::Text ExecutableName() {
    const quorin::Text path = ModulePath();
    const size_t slash = path.find_last_of(u"\\/");
    quorin::Text name = slash == quorin::Text::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(u'.');
    if (dot != quorin::Text::npos)
        name.resize(dot);
    return name;
}

quorin::Text ApplicationTitle() {
    return u"Ombrel's Quorin Installer";
}

quorin::Text JoinPath(const quorin::Text& folder, const quorin::Text& name) {
    return folder + u"\\" + name;
}

quorin::Text SetupScriptPath() {
    return JoinPath(ProgramFolder(), ExecutableName() + u".INF");
}

quorin::Text LoadResStringFrom(void* module, uint32_t id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size the platform hands out a pointer into the resource itself.
    int n = ::LoadStringW(static_cast<HMODULE>(module), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || text == nullptr)
        return quorin::Text();
    return quorin::Text(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(n));
}

quorin::Text LoadResString(uint32_t id) {
    return LoadResStringFrom(::GetModuleHandleW(nullptr), id);
}

quorin::Text ScriptProblemMessage(const quorin::ScriptProblem& problem, const quorin::Text& scriptPath) {
    switch (problem.kind) {
    case quorin::ScriptProblemKind::MissingLz:
        return quorin::FillPlaceholders(LoadResString(kIdScriptMissingLz),
                                        {scriptPath, problem.section, problem.key});
    case quorin::ScriptProblemKind::LzWithoutComma:
        return quorin::FillPlaceholders(LoadResString(kIdScriptLzWithoutComma),
                                        {scriptPath, problem.section, problem.key, problem.value});
    case quorin::ScriptProblemKind::AllOutOfRange:
        return quorin::FillPlaceholders(LoadResString(kIdScriptAllOutOfRange),
                                        {scriptPath, problem.section, problem.key, problem.value});
    }
    return quorin::Text();
}

std::vector<quorin::ScriptProblem> LoadSetupScript() {
    ClassProfiler profiler;
    profiler.Path = SetupScriptPath();
    quorin::ScriptLoadResult result = quorin::LoadSetupScriptFrom(profiler, quorin::ScriptProblems::UntilFirst);
    SetupSettings = std::move(result.settings);
    return std::move(result.problems);
}

namespace {

// Whether the profile functions, which take the path in the ANSI code page, find the script: a
// path the code page cannot hold arrives changed and names another file or none.
bool SetupScriptIsReachable(const quorin::Text& path) {
    const std::string ansi = quorin::win::ToAnsi(path);
    if (quorin::win::FromAnsi(ansi) != path)
        return false;
    const DWORD attributes = ::GetFileAttributesA(ansi.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Nothing has been installed or changed yet, and no window exists, so the box has no owner.
void ShowStartupStop(const quorin::Text& message) {
    const std::string text = quorin::win::ToAnsi(message);
    const std::string caption = quorin::win::ToAnsi(ApplicationTitle());
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
}

} // namespace

int Main() {
    // Without its script Setup knows no product: installing would place nothing and still
    // record an install under an empty title.
    const quorin::Text scriptPath = SetupScriptPath();
    if (!SetupScriptIsReachable(scriptPath)) {
        ShowStartupStop(quorin::FillPlaceholders(LoadResString(kIdScriptMissing), {scriptPath}));
        return 1;
    }
    // The first problem is enough to fix the script.
    const std::vector<quorin::ScriptProblem> problems = LoadSetupScript();
    if (!problems.empty()) {
        ShowStartupStop(ScriptProblemMessage(problems.front(), scriptPath));
        return 1;
    }
    FormMainLoad();
    FormMainShowModal();
    FormMainUnload();
    return 0;
}

} // namespace setup

// ---------------------------------------------------------------------------------------------
// Component self-registration and the uninstall entry.
// ---------------------------------------------------------------------------------------------

#include "ClassRegistry.h"
#include "installer/procedures.h"
#include "basic/string_routines.h"

namespace setup {

// The uninstall entry is read back through the same declared functions that wrote it.
using registry_api::RegOpenKeyExA;
using registry_api::RegQueryValueExA;

namespace {

// A command line whose program path holds a blank is quoted, so the platform cannot start a
// program named by the path's first words ("C:\Program.exe") instead.
quorin::Text QuotedIfBlank(const quorin::Text& path) {
    return path.find(u' ') == quorin::Text::npos ? path : u"\"" + path + u"\"";
}

template <typename ServerFn>
bool RunSelfRegistration(const quorin::Text& Path, const char16_t* programSwitch, DeclaredFunction<ServerFn>& server) {
    bool result = false;
    // Any error ends the routine with the result set so far.
    try {
        const quorin::SelfRegistration way = quorin::SelfRegistrationOf(Path);
        if (way == quorin::SelfRegistration::Program) {
            result = false;
            RunAndWaitIdle(QuotedIfBlank(Path) + u" " + programSwitch, 0);
            result = true;
        } else if (way == quorin::SelfRegistration::Library) {
            const std::string path = quorin::win::ToAnsi(Path);
            server(path.c_str());
            result = IsOK() != 0;
        }
    } catch (const std::exception&) {
    }
    return result;
}

} // namespace

bool RegisterComponent(const quorin::Text& Path) {
    return RunSelfRegistration(Path, u"/RegServer", RegisterServer);
}

bool UnregisterComponent(const quorin::Text& Path) {
    return RunSelfRegistration(Path, u"/UnRegServer", UnregisterServer);
}

quorin::Text UninstallCommandLine() {
    return QuotedIfBlank(JoinPath(ProgramFolder(), ExecutableName() + u".EXE"));
}

void UpdateUninstallEntry(const quorin::SetupSettings& Settings, const quorin::Text& KeyName) {
    const quorin::Text name = KeyName.empty() ? Settings.Title : KeyName;
    if (name.empty() || name.find(u'\\') != quorin::Text::npos)
        return;
    switch (InstallState) {
    case quorin::InstallState::NotInstalled: {
        ClassRegistry registry;
        registry.OpenSetting(HKEY_LOCAL_MACHINE, kUninstallParentKey + u"\\" + name);
        registry.WriteSetting(u"DisplayName", ClassRegistry::kText, quorin::Variant(Settings.Title));
        registry.WriteSetting(u"UninstallString", ClassRegistry::kText, quorin::Variant(UninstallCommandLine()));
        registry.CloseSetting();
        break;
    }
    case quorin::InstallState::InstalledHere: {
        ClassRegistry registry;
        registry.OpenSetting(HKEY_LOCAL_MACHINE, kUninstallParentKey);
        registry.ClearSetting(name, quorin::Text());
        registry.CloseSetting();
        break;
    }
    default:
        break;
    }
}

bool UninstallEntryIsUpdated(const quorin::SetupSettings& Settings, const quorin::Text& KeyName) {
    const quorin::Text name = KeyName.empty() ? Settings.Title : KeyName;
    // Such a name gets no entry: an install has not done its part, an uninstall has nothing to
    // remove.
    if (name.empty() || name.find(u'\\') != quorin::Text::npos)
        return InstallState != quorin::InstallState::NotInstalled;
    const std::string path = quorin::win::ToAnsi(kUninstallParentKey + u"\\" + name);
    quorin::win::UniqueHKey key;
    const bool present =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
    auto value = [&](const char* valueName) {
        char buffer[1024] = {};
        DWORD size = sizeof buffer - 1, type = 0;
        if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return std::optional<std::string>();
        return std::optional<std::string>(buffer);
    };
    bool updated = true;
    switch (InstallState) {
    case quorin::InstallState::NotInstalled:
        updated = present && value("DisplayName") == quorin::win::ToAnsi(Settings.Title) &&
                  value("UninstallString") == quorin::win::ToAnsi(UninstallCommandLine());
        break;
    case quorin::InstallState::InstalledHere:
        updated = !present;
        break;
    default:
        break;
    }
    return updated;
}

} // namespace setup

// ---------------------------------------------------------------------------------------------
// File placement.
// ---------------------------------------------------------------------------------------------

#include <optional>

#include "ClassArchive.h"

namespace setup {
namespace {

// PlaceFile's platform on Win32: ClassArchive over LZ32, IsPathExisting, and the runtime's
// rename and delete in the ANSI code page, like every other path the LZ library sees.
class Win32Placement final : public quorin::PlacementPlatform {
public:
    bool IsExisting(const quorin::Text& Path) override { return Archive().IsExisting(Path); }
    quorin::Text Require(const quorin::Text& Path) override { return Archive().Require(Path); }
    void Melt(const quorin::Text& InPath, const quorin::Text& OutPath) override {
        Archive().Melt(InPath, OutPath);
    }
    bool Exception() override { return Archive().Exception; }
    bool IsPathExisting(const quorin::Text& Path) override { return setup::IsPathExisting(Path); }
    bool CreateNewFile(const quorin::Text& path) override {
        const std::string ansi = quorin::win::ToAnsi(path);
        quorin::win::UniqueFile file(::CreateFileA(ansi.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return true;
        // Whatever holds the name (a hidden or system file, a folder) makes it taken.
        if (::GetFileAttributesA(ansi.c_str()) != INVALID_FILE_ATTRIBUTES)
            return false;
        throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "create");
    }
    void Rename(const quorin::Text& from, const quorin::Text& to) override {
        // Without MOVEFILE_REPLACE_EXISTING: fails when `to` exists.
        if (!::MoveFileA(quorin::win::ToAnsi(from).c_str(), quorin::win::ToAnsi(to).c_str()))
            throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "rename");
    }
    void Delete(const quorin::Text& path) override {
        if (!::DeleteFileA(quorin::win::ToAnsi(path).c_str()))
            throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "delete");
    }
    void Pause(uint32_t milliseconds) override { setup::Sleep(milliseconds); }
    std::vector<quorin::Text> OwnFiles() override { return SetupOwnFiles(); }

private:
    ClassArchive& Archive() {
        if (!archive_)
            archive_.emplace();
        return *archive_;
    }
    std::optional<ClassArchive> archive_;
};

} // namespace

std::vector<quorin::Text> SetupOwnFiles() {
    return {ExecutableName() + u".EXE", ExecutableName() + u".INF", u"Setup.DLL"};
}

quorin::PlaceOutcome PlaceFileWithOutcome(const quorin::Text& Folder, const quorin::SetupEntry& Entry) {
    Win32Placement platform;
    return quorin::PlaceFile(Folder, Entry, platform);
}

void PlaceFile(const quorin::Text& Folder, const quorin::SetupEntry& Entry) {
    PlaceFileWithOutcome(Folder, Entry);
}

} // namespace setup
