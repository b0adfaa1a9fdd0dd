// quorin-pack-try.exe: the Windows half of `quorin-pack try`. Run under Wine by the tool on a copy
// of the package, it operates Setup as a user would: started, the state it offers read, Install
// answered Yes and every box read; started again, Uninstall answered Yes; started once more to
// see Install offered again. Between the procedures it snapshots the folder and the registry. It
// records what it saw and judges nothing: the tool reads the record.
//
//   quorin-pack-try.exe PACKAGE-FOLDER RECORD-FILE [--screenshots FOLDER]
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "base/text.h"
#include "driver/setup_driver.h"
#include "driver/system_snapshot.h"
#include "ini/profile.h"
#include "installer/setup_script.h"
#include "try/record.h"
#include "win/ansi.h"

namespace {

using namespace quorin::driver;
using quorin::pack::Offered;
using quorin::pack::SetupRunRecord;
using quorin::pack::TrialRecord;

// Setup's messages the record keeps, so that the tool can tell which one a box showed.
const UINT kMessageIds[] = {101, 102, 103, 104, 105, 106, 107, 201, 202,
                            203, 301, 302, 303, 304, 305, 306, 307};

struct Trial {
    wstring folder, setupExe, screenshots; // screenshots empty: none
    int secondsPerRun = 0;
    TrialRecord record;
};

// The script as Setup reads it, with the same rules.
quorin::SetupSettings ReadScript(const wstring& folder) {
    const Bytes bytes = ReadBytes(folder + L"\\Setup.INF").value_or(Bytes());
    const quorin::ini::Profile profile = quorin::ini::Profile::Parse(bytes);
    quorin::IniProfileReader reader(profile);
    return quorin::LoadSetupScriptFrom(reader, quorin::ScriptProblems::UntilFirst).settings;
}

// A picture of the window in a state, under the state's name; each state is pictured once.
void Picture(Trial& t, SetupRunRecord& run, HWND window, const char* state) {
    if (t.screenshots.empty())
        return;
    const std::string name = std::string(state) + ".png";
    for (const SetupRunRecord& earlier : t.record.runs)
        for (const std::string& taken : earlier.screenshots)
            if (taken == name)
                return;
    if (SaveWindowPicture(window, t.screenshots + L"\\" + FromUtf8(name)))
        run.screenshots.push_back(name);
    else
        t.record.notes.push_back("the picture " + name + " could not be saved");
}

// One start of Setup in `folder`, pressing `press` (Install or Uninstall) when offered.
void RunSetup(Trial& t, const char* name, const wstring& folder, Offered press) {
    SetupRunRecord run;
    run.name = name;
    run.toPress = press;
    DriveHooks hooks;
    hooks.settled = [&](const SetupRun& setup) {
        const bool install = IsWindowVisible(setup.Button(kInstallCaption));
        const bool uninstall = IsWindowVisible(setup.Button(kUninstallCaption));
        Picture(t, run, setup.main(),
                install     ? "not-installed"
                : uninstall ? "installed-here"
                            : "installed-elsewhere");
    };
    if (press == Offered::Install) {
        hooks.busyTip = ResString(t.setupExe, kTipInstalling);
        hooks.busy = [&](const SetupRun& setup) { Picture(t, run, setup.main(), "installing"); };
        hooks.completion = AsShownInBox(ResString(t.setupExe, 105));
    } else if (press == Offered::Uninstall) {
        hooks.completion = AsShownInBox(ResString(t.setupExe, 107));
    }
    const wchar_t* button = press == Offered::Install     ? kInstallCaption
                            : press == Offered::Uninstall ? kUninstallCaption
                                                          : nullptr;
    const Session s = Drive(folder, button, t.secondsPerRun, hooks);
    run.offered = !s.settled           ? Offered::Unknown
                  : s.installOffered   ? Offered::Install
                  : s.uninstallOffered ? Offered::Uninstall
                                       : Offered::Neither;
    run.pressed = s.pressed;
    for (const MessageBoxSeen& b : s.boxes)
        run.boxes.push_back({Utf8(b.caption), Utf8(b.text)});
    run.started = s.started;
    run.ended = s.ended;
    run.exitCode = s.exitCode;
    run.seconds = s.seconds;
    if (s.started && !s.settled)
        run.problems.push_back("Setup's window never showed which button it offers");
    // Progress for the tool's standard error; printf would link the C runtime's formatter.
    const std::string progress = std::string("quorin-pack-try: ") + name + ": offered " +
                                 OfferedName(run.offered) + ", " + std::to_string(run.boxes.size()) +
                                 " message(s), " + std::to_string(static_cast<int>(run.seconds + 0.5)) +
                                 " s\n";
    std::fputs(progress.c_str(), stdout);
    std::fflush(stdout);
    t.record.runs.push_back(std::move(run));
}

int RunTrial(Trial& t, const wstring& recordPath) {
    const quorin::SetupSettings script = ReadScript(t.folder);
    const wstring title = quorin::win::W(script.Title);
    t.record.title = Utf8(title);
    t.record.folder = Utf8(t.folder);
    if (script.LzTrash)
        for (const quorin::SetupEntry& e : script.Entries)
            t.record.lzTrash.push_back(quorin::ToUtf8(e.LzSource));
    for (const UINT id : kMessageIds)
        if (const wstring text = ResString(t.setupExe, id); !text.empty())
            t.record.strings[static_cast<int>(id)] = Utf8(AsShownInBox(text));
    // Install pauses 2 s an entry and uninstall up to 5 s; a minute more for the starts.
    t.secondsPerRun = 90 + 6 * std::max<int>(script.All, 0);
    if (GetACP() != 932)
        t.record.notes.push_back("the ANSI code page is " + std::to_string(GetACP()) + ", not 932");

    t.record.snapshots[quorin::pack::kSnapshotBefore] = SnapshotSystem(t.folder);
    RunSetup(t, quorin::pack::kRunInstall, t.folder, Offered::Install);
    t.record.snapshots[quorin::pack::kSnapshotInstalled] = SnapshotSystem(t.folder);
    if (!t.screenshots.empty()) {
        // The window's fourth state: the same package started from another folder.
        const wstring copy = t.folder + L" Copy";
        if (CopyTree(t.folder, copy))
            RunSetup(t, quorin::pack::kRunInstalledElsewhere, copy, Offered::Unknown);
        RemoveTree(copy);
    }
    RunSetup(t, quorin::pack::kRunUninstall, t.folder, Offered::Uninstall);
    t.record.snapshots[quorin::pack::kSnapshotUninstalled] = SnapshotSystem(t.folder);
    RunSetup(t, quorin::pack::kRunAfterUninstall, t.folder, Offered::Unknown);

    if (!WriteBytes(recordPath, quorin::pack::WriteTrialRecord(t.record))) {
        std::fputs(("quorin-pack-try: cannot write " + Utf8(recordPath) + "\n").c_str(), stderr);
        return 1;
    }
    return 0;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<wstring> args(argv + 1, argv + argc);
    LocalFree(argv);
    Trial t;
    if (args.size() == 4 && args[2] == L"--screenshots") {
        t.screenshots = args[3];
        args.resize(2);
    }
    if (args.size() != 2) {
        std::fputs("usage: quorin-pack-try.exe PACKAGE-FOLDER RECORD-FILE [--screenshots FOLDER]\n"
                   "(run by quorin-pack try under Wine)\n",
                   stderr);
        return 2;
    }
    t.folder = args[0];
    while (t.folder.size() > 3 && t.folder.back() == L'\\')
        t.folder.pop_back();
    t.setupExe = t.folder + L"\\Setup.EXE";
    if (!t.screenshots.empty())
        CreateDirectoryW(t.screenshots.c_str(), nullptr);
    return RunTrial(t, args[1]);
}
