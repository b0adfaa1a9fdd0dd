// The report of a trial: what each phase changed and showed, and the verdict, judged from the
// driver's record; rendered as text for people and as one JSON document for CI.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "output.h"
#include "try/diff.h"
#include "try/record.h"

namespace quorin::pack {

// --- Setup's messages -----------------------------------------------------------------------

// The id of the string-table entry a box shows, "$" placeholders matching any text; 0 when the
// text is none of them.
int IdentifyMessage(const std::string& text, const std::map<int, std::string>& strings);
// What one of Setup's failure messages says, in English, for packagers who do not read Japanese;
// empty for the others.
std::string MessageMeaning(int id);

// --- the report -----------------------------------------------------------------------------

struct ShownMessage {
    int id = 0; // 0: not one of Setup's messages
    std::string caption, text;
};

struct PhaseReport {
    std::string name;
    Offered expected = Offered::Unknown, offered = Offered::Unknown;
    Offered pressed = Offered::Unknown; // the button pressed, if any
    std::vector<ShownMessage> messages;
    bool started = false, ended = false;
    int64_t exitCode = 0;
    double seconds = 0;
    std::vector<std::string> screenshots;
};

// What one procedure changed.
struct ChangeReport {
    bool present = false; // the snapshots for it were taken
    FolderChanges files;
    std::optional<std::string> recordBefore, recordAfter; // the install record's value
    std::string entryKey;                                 // the uninstall entry's key
    std::optional<RegistryKey> entryBefore, entryAfter;
    RegistryChanges registry;
};

struct TrialReport {
    std::string package; // as the user named it
    std::string title;
    std::vector<std::string> checkProblems;
    std::vector<PhaseReport> phases;
    ChangeReport install, uninstall;
    bool leftComparable = false;               // both ends were snapshotted
    FolderChanges leftFiles;                   // after the uninstall against before the install
    std::vector<std::string> removedByLzTrash; // removed files the script deletes on purpose
    RegistryChanges leftRegistry;
    std::vector<std::string> notes;
    bool passed = false;
    std::vector<std::string> reasons; // why it did not pass
};

// Where Setup keeps what the report shows by name.
inline constexpr char kInstallRecordKey[] = "HKEY_CURRENT_USER\\Software\\Ombrel's Quorin\\Installer";
inline constexpr char kUninstallListKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Judges a record: the install completed with no failure message, every start offered what it
// should, and the uninstall left the folder and the registry as they were before the install.
TrialReport JudgeTrial(const TrialRecord& record, const std::string& package,
                       const std::vector<std::string>& checkProblems);

void RenderTrialText(const TrialReport& report, Output& out);
void RenderTrialJson(const TrialReport& report, Output& out);

// A JSON string literal for UTF-8 text (control characters escaped, other text as it is).
std::string JsonString(const std::string& text);

} // namespace quorin::pack
