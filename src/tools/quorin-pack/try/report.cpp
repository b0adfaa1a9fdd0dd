// Judging a trial record: Setup's messages told apart by their texts, what each procedure
// changed, and the verdict with its reasons.
#include "try/report.h"

#include <algorithm>

#include "base/text.h"
#include "installer/paths.h"

namespace quorin::pack {
namespace {

// Whether `text` is `pattern` with each "$" standing for any text (possibly empty).
bool MatchesPattern(const std::string& text, const std::string& pattern) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t dollar = pattern.find('$', start);
        pieces.push_back(
            pattern.substr(start, dollar == std::string::npos ? std::string::npos : dollar - start));
        if (dollar == std::string::npos)
            break;
        start = dollar + 1;
    }
    if (pieces.size() == 1)
        return text == pattern;
    const std::string& first = pieces.front();
    const std::string& last = pieces.back();
    if (text.size() < first.size() + last.size() || text.compare(0, first.size(), first) != 0 ||
        text.compare(text.size() - last.size(), last.size(), last) != 0)
        return false;
    size_t at = first.size();
    const size_t limit = text.size() - last.size();
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
        const size_t found = text.find(pieces[i], at);
        if (found == std::string::npos || found + pieces[i].size() > limit)
            return false;
        at = found + pieces[i].size();
    }
    return true;
}

size_t FixedLength(const std::string& pattern) {
    return pattern.size() - static_cast<size_t>(std::count(pattern.begin(), pattern.end(), '$'));
}

// What a start of Setup should show.
struct Expectation {
    const char* run;
    const char* description;
    Offered offered;
    std::vector<int> messages; // exactly these, in order, when the button was pressed (or none is)
};

// Setup's messages that a user answers on the way: the questions and the completion messages.
enum : int { kElsewhere = 101, kAskInstall = 104, kInstalled = 105, kAskUninstall = 106, kUninstalled = 107 };

const std::vector<Expectation>& Expectations() {
    static const std::vector<Expectation> table = {
        {kRunInstall, "first start", Offered::Install, {kAskInstall, kInstalled}},
        {kRunInstalledElsewhere, "a copy in another folder", Offered::Neither, {kElsewhere}},
        {kRunUninstall, "second start", Offered::Uninstall, {kAskUninstall, kUninstalled}},
        {kRunAfterUninstall, "third start", Offered::Install, {}},
    };
    return table;
}

const Expectation* ExpectationFor(const std::string& run) {
    for (const Expectation& e : Expectations())
        if (run == e.run)
            return &e;
    return nullptr;
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text)
        if (c == '\n')
            out += out.empty() || out.back() == ' ' ? "" : " ";
        else if (c != '\r')
            out += c;
    return out;
}

std::optional<std::string> RecordValue(const RegistrySnapshot& registry, const std::string& title) {
    const auto key = registry.find(kInstallRecordKey);
    if (key == registry.end())
        return std::nullopt;
    const auto value = key->second.find(title);
    if (value == key->second.end())
        return std::nullopt;
    return value->second.data;
}

std::optional<RegistryKey> EntryValues(const RegistrySnapshot& registry, const std::string& entryKey) {
    const auto key = registry.find(entryKey);
    if (key == registry.end())
        return std::nullopt;
    return key->second;
}

ChangeReport Changes(const TrialRecord& record, const char* from, const char* to,
                     const std::string& entryKey) {
    ChangeReport c;
    c.entryKey = entryKey;
    const auto a = record.snapshots.find(from), b = record.snapshots.find(to);
    if (a == record.snapshots.end() || b == record.snapshots.end())
        return c;
    c.present = true;
    c.files = DiffFolders(a->second.folder, b->second.folder);
    c.registry = DiffRegistry(a->second.registry, b->second.registry);
    c.recordBefore = RecordValue(a->second.registry, record.title);
    c.recordAfter = RecordValue(b->second.registry, record.title);
    c.entryBefore = EntryValues(a->second.registry, entryKey);
    c.entryAfter = EntryValues(b->second.registry, entryKey);
    return c;
}

// "a, b, c and 4 more".
std::string List(const std::vector<std::string>& items, size_t shown = 8) {
    std::string out;
    for (size_t i = 0; i < items.size() && i < shown; ++i)
        out += (i ? ", " : "") + items[i];
    if (items.size() > shown)
        out += " and " + std::to_string(items.size() - shown) + " more";
    return out;
}

void JudgeRun(const SetupRunRecord& run, const Expectation* expected, PhaseReport& phase,
              std::vector<std::string>& reasons) {
    const std::string who = run.name + " (" + (expected ? expected->description : "extra start") + ")";
    if (!run.started) {
        reasons.push_back(who + ": Setup.EXE could not be started");
        return;
    }
    for (const std::string& p : run.problems)
        reasons.push_back(who + ": " + p);
    if (expected && run.offered != expected->offered)
        reasons.push_back(who + ": Setup offered " + OfferedName(run.offered) + ", expected " +
                          OfferedName(expected->offered));
    std::vector<int> ids;
    for (const ShownMessage& m : phase.messages) {
        ids.push_back(m.id);
        const bool wanted = expected && std::find(expected->messages.begin(), expected->messages.end(),
                                                  m.id) != expected->messages.end();
        if (m.id == 0)
            reasons.push_back(who + ": a window that is none of Setup's messages: \"" + OneLine(m.caption) +
                              "\": " + OneLine(m.text));
        else if (!wanted)
            reasons.push_back(who + ": Setup showed message " + std::to_string(m.id) + " (" +
                              MessageMeaning(m.id) + "): " + OneLine(m.text));
    }
    // The questions and completion messages are due once the button was pressed.
    if (expected && (run.pressed || run.toPress == Offered::Unknown))
        for (const int id : expected->messages)
            if (std::find(ids.begin(), ids.end(), id) == ids.end())
                reasons.push_back(who + ": Setup did not show message " + std::to_string(id) +
                                  (id == kInstalled || id == kUninstalled ? " (completion)" : ""));
    if (!run.ended)
        reasons.push_back(who + ": Setup did not end by itself; the driver ended it after " +
                          std::to_string(static_cast<int>(run.seconds)) + " s");
    else if (run.exitCode != 0)
        reasons.push_back(who + ": Setup ended with exit code " + std::to_string(run.exitCode));
}

// Each start of Setup against what it should have shown.
void JudgePhases(const TrialRecord& record, TrialReport& r) {
    for (const SetupRunRecord& run : record.runs) {
        const Expectation* expected = ExpectationFor(run.name);
        PhaseReport phase;
        phase.name = run.name;
        phase.expected = expected ? expected->offered : Offered::Unknown;
        phase.offered = run.offered;
        phase.pressed = run.pressed ? run.toPress : Offered::Unknown;
        for (const SeenBox& box : run.boxes)
            phase.messages.push_back({IdentifyMessage(box.text, record.strings), box.caption, box.text});
        phase.started = run.started;
        phase.ended = run.ended;
        phase.exitCode = run.exitCode;
        phase.seconds = run.seconds;
        phase.screenshots = run.screenshots;
        JudgeRun(run, expected, phase, r.reasons);
        r.phases.push_back(std::move(phase));
    }
    for (const char* needed : {kRunInstall, kRunUninstall, kRunAfterUninstall})
        if (std::none_of(record.runs.begin(), record.runs.end(),
                         [&](const SetupRunRecord& run) { return run.name == needed; }))
            r.reasons.push_back(std::string(needed) + ": Setup was not started for it");
}

// The folder and the registry after the uninstall against before the install. LzTrash deletes
// the compressed files at install, and the uninstall leaves them deleted.
void JudgeLeftBehind(const TrialRecord& record, const Snapshot& before, const Snapshot& after,
                     TrialReport& r) {
    r.leftFiles = DiffFolders(before.folder, after.folder);
    std::vector<std::string> removed;
    for (const std::string& path : r.leftFiles.removed) {
        const bool trashed =
            std::any_of(record.lzTrash.begin(), record.lzTrash.end(),
                        [&](const std::string& n) { return NamesSameFile(FromUtf8(path), FromUtf8(n)); });
        (trashed ? r.removedByLzTrash : removed).push_back(path);
    }
    r.leftFiles.removed = std::move(removed);
    r.leftRegistry = DiffRegistry(before.registry, after.registry);
    const FolderChanges& f = r.leftFiles;
    for (const auto& [what, paths] :
         {std::pair{"added", &f.added}, std::pair{"removed", &f.removed}, std::pair{"changed", &f.changed}})
        if (!paths->empty())
            r.reasons.push_back(std::string("the uninstall left files ") + what +
                                " in the package folder: " + List(*paths));
    const RegistryChanges& g = r.leftRegistry;
    if (!g.keysAdded.empty())
        r.reasons.push_back("the uninstall left registry keys behind: " + List(g.keysAdded));
    if (!g.keysRemoved.empty())
        r.reasons.push_back("the uninstall left registry keys removed: " + List(g.keysRemoved));
    // Values of keys listed above went with their key.
    std::vector<std::string> values;
    for (const ValueChange& v : g.values)
        if (!std::binary_search(g.keysAdded.begin(), g.keysAdded.end(), v.key) &&
            !std::binary_search(g.keysRemoved.begin(), g.keysRemoved.end(), v.key))
            values.push_back(v.key + "\\" + (v.name.empty() ? "(default)" : v.name) +
                             (!v.before  ? " (added)"
                              : !v.after ? " (removed)"
                                         : " (changed)"));
    if (!values.empty())
        r.reasons.push_back("the uninstall left registry values different: " + List(values));
}

} // namespace

int IdentifyMessage(const std::string& text, const std::map<int, std::string>& strings) {
    int best = 0;
    size_t bestLength = 0;
    for (const auto& [id, pattern] : strings) {
        // A pattern of placeholders only would match anything.
        const size_t fixed = FixedLength(pattern);
        if (fixed == 0 || !MatchesPattern(text, pattern))
            continue;
        if (best == 0 || fixed > bestLength) {
            best = id;
            bestLength = fixed;
        }
    }
    return best;
}

std::string MessageMeaning(int id) {
    static const std::map<int, const char*> meanings = {
        {101, "installed in another folder"},
        {201, "the script is broken; Setup ends"},
        {202, "the script is broken; Setup ends"},
        {203, "the script is broken; Setup ends"},
        {301, "the script names files outside the package folder; left alone"},
        {302, "NOTEPAD could not be started"},
        {303, "some files were not installed"},
        {304, "some files were not uninstalled"},
        {305, "the install record could not be saved"},
        {306, "the entry in the list of installed programs could not be written"},
        {307, "the entry in the list of installed programs could not be removed"},
    };
    const auto m = meanings.find(id);
    return m == meanings.end() ? std::string() : m->second;
}

TrialReport JudgeTrial(const TrialRecord& record, const std::string& package,
                       const std::vector<std::string>& checkProblems) {
    TrialReport r;
    r.package = package;
    r.title = record.title;
    r.checkProblems = checkProblems;
    r.notes = record.notes;
    for (const std::string& p : checkProblems)
        r.reasons.push_back("check: " + p);
    JudgePhases(record, r);
    const std::string entryKey = std::string(kUninstallListKey) + "\\" + record.title;
    r.install = Changes(record, kSnapshotBefore, kSnapshotInstalled, entryKey);
    r.uninstall = Changes(record, kSnapshotInstalled, kSnapshotUninstalled, entryKey);
    const auto before = record.snapshots.find(kSnapshotBefore);
    const auto after = record.snapshots.find(kSnapshotUninstalled);
    r.leftComparable = before != record.snapshots.end() && after != record.snapshots.end();
    if (r.leftComparable)
        JudgeLeftBehind(record, before->second, after->second, r);
    else
        r.reasons.push_back("the folder and the registry were not compared: a snapshot is missing");
    r.passed = r.reasons.empty();
    return r;
}

} // namespace quorin::pack
