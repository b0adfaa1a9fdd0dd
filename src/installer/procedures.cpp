#include "installer/procedures.h"

#include "base/runtime_error.h"
#include "basic/string_routines.h"
#include "installer/paths.h"

namespace quorin {

namespace {

// Several names, one per line, for the message that lists them.
Text JoinLines(const std::vector<Text>& names) {
    Text out;
    for (const auto& n : names) {
        if (!out.empty())
            out += u'\n';
        out += n;
    }
    return out;
}

// Asks the confirmation question; a question that cannot be shown is no Yes.
bool Confirmed(InstallPlatform& platform, uint32_t question) noexcept {
    int32_t answer = kIdNo;
    Attempt([&] { answer = platform.ShowMessage(question, kMbYesNoQuestionDefaultNo, {}); });
    return answer == kIdYes;
}

// The start of both procedures: only Yes goes on (No, preselected, changes nothing); then the
// window shows that it is busy before the work starts. Also learns the program folder and
// Setup's own files.
bool Begin(InstallPlatform& platform, uint32_t question, ProcedureButton button, uint32_t tip, Text& folder,
           std::vector<Text>& own) noexcept {
    if (!Confirmed(platform, question))
        return false;
    Attempt([&] { folder = platform.ProgramFolder(); });
    Attempt([&] { platform.EnableButton(button, false); });
    Attempt([&] { platform.ShowTip(tip); });
    Attempt([&] { platform.SetMousePointer(kPointerHourglass); });
    Attempt([&] { own = platform.OwnFiles(); });
    return true;
}

// What went wrong along the way, told before the final message.
struct Report {
    std::vector<Text> skipped; // names outside the folder, left alone
    std::vector<Text> failed;  // entries whose files or registration did not come out right
    bool recordNotSaved = false;
    bool entryFailed = false; // the list of installed programs was not updated
};

// The end of both procedures: the window idle again, with the report told before the final message.
void Finish(InstallPlatform& platform, const Report& report, uint32_t failedMessage,
            uint32_t doneMessage) noexcept {
    Attempt([&] { platform.SetMousePointer(kPointerDefault); });
    Attempt([&] { platform.ShowTip(kIdTipIdle); });
    if (!report.skipped.empty())
        Attempt([&] {
            platform.ShowMessage(kIdNamesOutsideFolder, kMbOkExclamation, {JoinLines(report.skipped)});
        });
    if (!report.failed.empty())
        Attempt([&] { platform.ShowMessage(failedMessage, kMbOkExclamation, {JoinLines(report.failed)}); });
    if (report.recordNotSaved)
        Attempt([&] { platform.ShowMessage(kIdRecordNotSaved, kMbOkExclamation, {}); });
    if (report.entryFailed)
        Attempt([&] {
            platform.ShowMessage(doneMessage == kIdInstallDone ? kIdEntryNotWritten : kIdEntryNotRemoved,
                                 kMbOkExclamation, {});
        });
    Attempt([&] { platform.ShowMessage(doneMessage, kMbOkInformation, {}); });
}

enum class Deletion { Deleted, Missing, Failed };

// Deletes a file; one that is already gone is no failure.
Deletion DeleteTarget(InstallPlatform& platform, const Text& path) noexcept {
    try {
        platform.RemoveFile(path);
        return Deletion::Deleted;
    } catch (const RuntimeError& e) {
        return e.Code() == ErrorCode::FileNotFound ? Deletion::Missing : Deletion::Failed;
    } catch (...) {
        return Deletion::Failed;
    }
}

int EntryCount(const SetupSettings& settings) noexcept {
    // The loop counts to All - 1; the entries array always matches it, but never read past it.
    int count = settings.All > 0 ? settings.All : 0;
    if (static_cast<size_t>(count) > settings.Entries.size())
        count = static_cast<int>(settings.Entries.size());
    return count;
}

} // namespace

SelfRegistration SelfRegistrationOf(TextView path) {
    const size_t dot = path.rfind(u'.');
    const TextView extension = dot == TextView::npos ? path : path.substr(dot + 1);
    if (EqualsNoCase(extension, u"EXE"))
        return SelfRegistration::Program;
    if (EqualsNoCase(extension, u"DLL") || EqualsNoCase(extension, u"OCX"))
        return SelfRegistration::Library;
    return SelfRegistration::None;
}

InstallState DecideInstallState(const Text& record, const Text& programFolder) {
    if (record.empty())
        return InstallState::NotInstalled;
    if (record != programFolder)
        return InstallState::InstalledElsewhere;
    return InstallState::InstalledHere;
}

void RunInstall(const SetupSettings& settings, InstallPlatform& platform) noexcept {
    Text folder;
    std::vector<Text> own;
    if (!Begin(platform, kIdAskInstall, ProcedureButton::Install, kIdTipInstalling, folder, own))
        return;

    // Each entry in script order: place, pause, register, delete the compressed file.
    Report report;
    const int count = folder.empty() ? 0 : EntryCount(settings);
    for (int i = 0; i < count; ++i) {
        const SetupEntry& e = settings.Entries[static_cast<size_t>(i)];
        // A name that leaves the package folder is a packager's mistake or a tampered script:
        // nothing outside the folder is created, registered or deleted. Setup's own files are
        // neither replaced nor, as compressed files, deleted.
        const bool sourceInside =
            StaysInsideFolder(e.LzSource) && !(settings.LzTrash && NamesOwnFile(e.LzSource, own));
        const bool targetInside = StaysInsideFolder(e.LzTarget) && !NamesOwnFile(e.LzTarget, own);
        if (!sourceInside || !targetInside) {
            if (!sourceInside)
                report.skipped.push_back(e.LzSource);
            if (!targetInside)
                report.skipped.push_back(e.LzTarget);
            continue;
        }
        PlaceOutcome outcome = PlaceOutcome::NotMoved;
        Attempt([&] { outcome = platform.PlaceFile(folder, e); });
        const bool placed = PlacementSucceeded(outcome);
        Attempt([&] { platform.Pause(kPauseAfterPlaceMs); });
        const Text path = JoinFolder(folder, e.LzTarget);
        const bool registers = e.SelfRegister && SelfRegistrationOf(path) != SelfRegistration::None;
        bool registered = !registers;
        if (registers)
            Attempt([&] { registered = platform.RegisterComponent(path); });
        if (!placed || !registered)
            report.failed.push_back(e.LzTarget);
        // An uncompressed entry installed under its own name is the installed file itself.
        if (settings.LzTrash && placed && !NamesSameFile(e.LzSource, e.LzTarget))
            Attempt([&] { platform.RemoveFile(JoinFolder(folder, e.LzSource)); });
    }

    // The install record, then the entry in the list of installed programs.
    if (!folder.empty())
        report.recordNotSaved = !Attempt([&] {
            platform.Settings().SaveSetting(kRecordApplication, kRecordSection, settings.Title, folder);
        });
    report.entryFailed = !Attempt([&] { platform.UpdateUninstallEntry(settings); });

    Finish(platform, report, kIdNotInstalled, kIdInstallDone);
}

void RunUninstall(const SetupSettings& settings, InstallPlatform& platform) noexcept {
    Text folder;
    std::vector<Text> own;
    if (!Begin(platform, kIdAskUninstall, ProcedureButton::Uninstall, kIdTipUninstalling, folder, own))
        return;

    // Each entry in script order: unregister, pause, delete the installed file.
    Report report;
    const int count = folder.empty() ? 0 : EntryCount(settings);
    for (int i = 0; i < count; ++i) {
        const SetupEntry& e = settings.Entries[static_cast<size_t>(i)];
        if (!StaysInsideFolder(e.LzTarget) || NamesOwnFile(e.LzTarget, own)) {
            report.skipped.push_back(e.LzTarget);
            continue;
        }
        const Text path = JoinFolder(folder, e.LzTarget);
        const bool registers = e.SelfRegister && SelfRegistrationOf(path) != SelfRegistration::None;
        bool unregistered = !registers;
        if (registers)
            Attempt([&] { unregistered = platform.UnregisterComponent(path); });
        Attempt([&] { platform.Pause(e.SelfRegister ? kPauseAfterUnregisterMs : kPauseBeforeDeleteMs); });
        // A file that is already gone is not told, nor is the unregistration that failed for
        // want of it.
        const Deletion deletion = DeleteTarget(platform, path);
        if (deletion == Deletion::Failed || (deletion == Deletion::Deleted && !unregistered))
            report.failed.push_back(e.LzTarget);
    }

    // The install record; the section goes with the last record in it. A section that
    // cannot be listed is left alone, as it may hold other products' records.
    Attempt([&] { platform.Settings().DeleteSetting(kRecordApplication, kRecordSection, settings.Title); });
    std::optional<std::vector<std::pair<Text, Text>>> left;
    if (Attempt([&] { left = platform.Settings().GetAllSettings(kRecordApplication, kRecordSection); }) && !left)
        Attempt([&] { platform.Settings().DeleteSection(kRecordApplication, kRecordSection); });

    // The entry in the list of installed programs. (A record that could not be deleted is not
    // told: it is mostly one already gone.)
    report.entryFailed = !Attempt([&] { platform.UpdateUninstallEntry(settings); });

    Finish(platform, report, kIdNotUninstalled, kIdUninstallDone);
}

} // namespace quorin
