// The install and uninstall procedures, with file placement, over a simulated package folder,
// settings store and registry in which any single platform call can be made to fail (a full
// disk, a locked or read-only file, a refusing registry, a missing Setup.DLL), or from which the
// process can vanish at any call (killed halfway). Swept over every call position:
// - a failure never leaves a partial or empty installed file, never replaces a good one, never
//   touches Setup's own files, and a later clean run installs and uninstalls completely;
// - after a kill, a new start installs and uninstalls cleanly, leaving at most the temporary
//   file the killed expansion was writing;
// - install, uninstall, install, uninstall leaves the folder, store and registry as they were.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/procedures.h"
#include "installer/placement.h"
#include "base/runtime_error.h"
#include "basic/string_routines.h"
#include "installer/paths.h"

namespace quorin {
namespace {

const Text kFolder = u"C:\\Pkg";

// A compressed file is "LZ:<recorded name>|<data>"; anything else is uncompressed.
std::string Lz(const std::string& name, const std::string& data) {
    return "LZ:" + name + "|" + data;
}

Text Fold(const Text& path) {
    Text out;
    for (char16_t c : path)
        out.push_back(c == u'/' ? u'\\' : FoldCase(c));
    return out;
}

struct Snapshot {
    std::map<Text, std::string> files; // folded path -> content
    std::map<Text, Text> records;
    std::map<Text, std::string> registry;
    bool operator==(const Snapshot& o) const {
        return files == o.files && records == o.records && registry == o.registry;
    }
};

std::string Describe(const Snapshot& s) {
    std::string out;
    for (const auto& [k, v] : s.files)
        out += "file " + ToUtf8(k) + " (" + std::to_string(v.size()) + " bytes)\n";
    for (const auto& [k, v] : s.records)
        out += "record " + ToUtf8(k) + "=" + ToUtf8(v) + "\n";
    for (const auto& [k, v] : s.registry)
        out += "registry " + ToUtf8(k) + "=" + v + "\n";
    return out;
}

struct Killed {};

// The world and both platform interfaces over it. `failAt` makes the n-th platform call (1-based,
// counting every call of both interfaces) raise without effect; `killAt` makes that call and all
// later ones raise without effect, as if the process had gone.
class World : public InstallPlatform, public PlacementPlatform, public SettingsStore {
public:
    Snapshot state;
    long calls = 0;
    long failAt = 0;
    long killAt = 0;
    bool installing = true;
    bool diskFull = false; // every Melt stops halfway and reports the failure
    bool exception = false;

    // --- fault injection
    void Enter() {
        ++calls;
        if (killAt && calls >= killAt)
            throw Killed();
        if (calls == failAt)
            throw RuntimeError(ErrorCode::PlatformFailure, "injected");
    }
    bool Exists(const Text& p) const { return state.files.count(Fold(p)) != 0; }

    // --- InstallPlatform
    Text ProgramFolder() override {
        Enter();
        return kFolder;
    }
    int32_t ShowMessage(uint32_t id, uint32_t, const std::vector<Text>& values) override {
        Enter();
        told.push_back(std::to_string(id));
        for (const Text& v : values)
            told.back() += " [" + ToUtf8(v) + "]";
        return id == kIdAskInstall || id == kIdAskUninstall ? kIdYes : 1;
    }
    std::vector<std::string> told; // the messages shown, with their values
    void EnableButton(ProcedureButton, bool) override { Enter(); }
    void ShowTip(uint32_t) override { Enter(); }
    void SetMousePointer(int32_t) override { Enter(); }
    void Pause(uint32_t) override { Enter(); }
    PlaceOutcome PlaceFile(const Text& folder, const SetupEntry& entry) override {
        Enter();
        return quorin::PlaceFile(folder, entry, *this);
    }
    // Only programs and libraries register, as with Setup's own routines.
    bool RegisterComponent(const Text& path) override {
        Enter();
        if (!Exists(path) || SelfRegistrationOf(path) == SelfRegistration::None)
            return false;
        state.registry[u"component " + Fold(path)] = "registered";
        return true;
    }
    bool UnregisterComponent(const Text& path) override {
        Enter();
        return state.registry.erase(u"component " + Fold(path)) != 0;
    }
    void DeleteFile(const Text& path) override {
        Enter();
        if (state.files.erase(Fold(path)) == 0)
            throw RuntimeError(ErrorCode::FileNotFound, ToUtf8(path));
    }
    SettingsStore& Settings() override { return *this; }
    void UpdateUninstallEntry(const SetupSettings& s, const Text&) override {
        Enter();
        if (installing)
            state.registry[u"uninstall " + s.Title] = "DisplayName, UninstallString";
        else
            state.registry.erase(u"uninstall " + s.Title);
    }
    // Both interfaces ask; neither call can fail.
    std::vector<Text> OwnFiles() override { return {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"}; }

    // --- SettingsStore
    Text GetSetting(const Text&, const Text&, const Text& key, const Text& Default) override {
        Enter();
        auto it = state.records.find(key);
        return it == state.records.end() ? Default : it->second;
    }
    void SaveSetting(const Text&, const Text&, const Text& key, const Text& value) override {
        Enter();
        state.records[key] = value;
    }
    void DeleteSetting(const Text&, const Text&, const Text& key) override {
        Enter();
        if (state.records.erase(key) == 0)
            throw RuntimeError(ErrorCode::PlatformFailure, "no such value");
    }
    std::optional<std::vector<std::pair<Text, Text>>> GetAllSettings(const Text&, const Text&) override {
        Enter();
        if (state.records.empty())
            return std::nullopt;
        return std::vector<std::pair<Text, Text>>(state.records.begin(), state.records.end());
    }
    void DeleteSection(const Text&, const Text&) override { Enter(); }

    // --- PlacementPlatform
    bool IsExisting(const Text& Path) override {
        Enter();
        return Exists(Path);
    }
    Text Require(const Text& Path) override {
        Enter();
        const std::string& data = state.files.at(Fold(Path));
        if (data.rfind("LZ:", 0) != 0)
            return Path;
        return JoinFolder(kFolder, FromUtf8(data.substr(3, data.find('|') - 3)));
    }
    void Melt(const Text& InPath, const Text& OutPath) override {
        Enter();
        exception = true;
        std::string& out = state.files[Fold(OutPath)]; // created (emptied) first
        out.clear();
        auto in = state.files.find(Fold(InPath));
        if (in == state.files.end())
            return;
        const std::string& data = in->second;
        const std::string expanded = data.rfind("LZ:", 0) == 0 ? data.substr(data.find('|') + 1) : data;
        if (diskFull) {
            out = expanded.substr(0, expanded.size() / 2);
            return;
        }
        out = expanded;
        exception = false;
    }
    bool Exception() override {
        Enter();
        return exception;
    }
    bool IsPathExisting(const Text& Path) override {
        Enter();
        return Exists(Path);
    }
    bool CreateNewFile(const Text& path) override {
        Enter();
        if (Exists(path))
            return false;
        state.files[Fold(path)].clear();
        return true;
    }
    void Rename(const Text& from, const Text& to) override {
        Enter();
        if (Exists(to) || !Exists(from))
            throw RuntimeError(ErrorCode::PlatformFailure, "rename");
        std::string data = std::move(state.files[Fold(from)]);
        state.files.erase(Fold(from));
        state.files[Fold(to)] = std::move(data);
    }
    void Delete(const Text& path) override {
        Enter();
        if (state.files.erase(Fold(path)) == 0)
            throw RuntimeError(ErrorCode::FileNotFound, "delete");
    }
};

struct Package {
    SetupSettings settings;
    std::map<Text, std::string> expected; // folded target -> content once installed
};

// Three entries: a registered component, a file under another name than recorded, an
// uncompressed file; the compressed files are deleted after placement.
Package ThreeEntries(World& w) {
    Package p;
    p.settings.Title = u"Gantrel";
    p.settings.All = 3;
    p.settings.LzTrash = true;
    p.settings.Entries = {{u"GANTREL.OC_", u"Gantrel.OCX", true},
                          {u"HELP.HL_", u"Gantrel.HLP", false},
                          {u"README.TXT", u"ReadMe Copy.TXT", false}};
    for (const Text& own : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"})
        w.state.files[Fold(JoinFolder(kFolder, own))] = "own file " + ToUtf8(own);
    w.state.files[Fold(JoinFolder(kFolder, u"GANTREL.OC_"))] = Lz("GANTREL.OCX", std::string(300, 'o'));
    w.state.files[Fold(JoinFolder(kFolder, u"HELP.HL_"))] = Lz("HELP.HLP", std::string(200, 'h'));
    w.state.files[Fold(JoinFolder(kFolder, u"README.TXT"))] = "read me";
    p.expected[Fold(JoinFolder(kFolder, u"Gantrel.OCX"))] = std::string(300, 'o');
    p.expected[Fold(JoinFolder(kFolder, u"Gantrel.HLP"))] = std::string(200, 'h');
    p.expected[Fold(JoinFolder(kFolder, u"ReadMe Copy.TXT"))] = "read me";
    return p;
}

void Install(World& w, const Package& p) {
    w.installing = true;
    RunInstall(p.settings, w);
}

void Uninstall(World& w, const Package& p) {
    w.installing = false;
    RunUninstall(p.settings, w);
}

// What may be in the folder at any time: the original files, installed files with their full
// content, and nothing else (in particular no temporary or partial file).
void ExpectSound(const World& w, const Snapshot& original, const Package& p, const std::string& when,
                 bool temporaryAllowed = false) {
    for (const auto& [path, data] : w.state.files) {
        auto o = original.files.find(path);
        auto e = p.expected.find(path);
        const bool isTemporary = path.find(u"~qi") != Text::npos;
        if (o != original.files.end())
            EXPECT_EQ(data, o->second) << when << ": " << ToUtf8(path) << " changed";
        else if (e != p.expected.end())
            EXPECT_EQ(data, e->second) << when << ": " << ToUtf8(path) << " is partial";
        else
            EXPECT_TRUE(temporaryAllowed && isTemporary) << when << ": stray file " << ToUtf8(path);
    }
    for (const Text& own : {u"setup.exe", u"setup.inf", u"setup.dll"})
        EXPECT_TRUE(w.state.files.count(Fold(JoinFolder(kFolder, own)))) << when << ": own file gone";
}

void ExpectInstalled(const World& w, const Package& p, const std::string& when) {
    for (const auto& [path, data] : p.expected) {
        auto it = w.state.files.find(path);
        ASSERT_NE(it, w.state.files.end()) << when << ": " << ToUtf8(path) << " not installed";
        EXPECT_EQ(it->second, data) << when;
    }
    EXPECT_EQ(w.state.records.count(u"Gantrel"), 1u) << when;
    EXPECT_EQ(w.state.registry.count(u"uninstall Gantrel"), 1u) << when;
}

TEST(InstallRoundTrip, TwiceInstalledAndUninstalledLeavesEverythingAsBefore) {
    World w;
    const Package p = ThreeEntries(w);
    const Snapshot original = w.state;
    // With LzTrash the compressed files go at install; without it the round trip is exact.
    Package keep = p;
    keep.settings.LzTrash = false;
    for (int round = 0; round < 2; ++round) {
        Install(w, keep);
        ExpectInstalled(w, keep, "install " + std::to_string(round));
        Uninstall(w, keep);
        EXPECT_TRUE(w.state == original) << "round " << round << ":\n" << Describe(w.state);
    }
}

// After a clean uninstall: no installed file, no registration, no record.
void ExpectRemoved(const World& w, const Package& p, const std::string& where) {
    for (const auto& [path, data] : p.expected)
        EXPECT_FALSE(w.state.files.count(path)) << where << ": " << ToUtf8(path);
    EXPECT_TRUE(w.state.registry.empty()) << where;
    EXPECT_TRUE(w.state.records.empty()) << where;
}

// A single refused call anywhere: nothing partial, no own file touched; a clean run afterwards
// installs everything and the uninstall removes it.
TEST(InstallFaults, AnySingleFailedCallDuringInstall) {
    World probe;
    const Package p = ThreeEntries(probe);
    Install(probe, p);
    const long total = probe.calls;
    ASSERT_GT(total, 30);
    int survived = 0;
    for (long n = 1; n <= total; ++n) {
        World w;
        ThreeEntries(w);
        const Snapshot original = w.state;
        w.failAt = n;
        Install(w, p);
        ExpectSound(w, original, p, "failed call " + std::to_string(n));
        w.failAt = 0;
        Install(w, p); // the user starts Setup again
        // Compressed files deleted by the failed run cannot be placed again; their targets are
        // there already.
        ExpectInstalled(w, p, "rerun after failed call " + std::to_string(n));
        Uninstall(w, p);
        ExpectRemoved(w, p, "uninstall after failed call " + std::to_string(n));
        survived += !HasFailure();
        if (HasFailure())
            break;
    }
    std::printf("[faults] install: %d of %ld single-call failures survived\n", survived, total);
}

TEST(InstallFaults, AnySingleFailedCallDuringUninstall) {
    World probe;
    const Package p = ThreeEntries(probe);
    Install(probe, p);
    const long before = probe.calls;
    Uninstall(probe, p);
    const long total = probe.calls - before;
    int survived = 0;
    for (long n = 1; n <= total; ++n) {
        World w;
        ThreeEntries(w);
        Install(w, p);
        const Snapshot installed = w.state;
        w.failAt = w.calls + n;
        Uninstall(w, p);
        // Whatever stayed is whole; the own files are there.
        ExpectSound(w, installed, p, "failed uninstall call " + std::to_string(n));
        w.failAt = 0;
        Install(w, p); // the record may be gone: install again, then uninstall cleanly
        Uninstall(w, p);
        ExpectRemoved(w, p, "failed uninstall call " + std::to_string(n));
        survived += !HasFailure();
        if (HasFailure())
            break;
    }
    std::printf("[faults] uninstall: %d of %ld single-call failures survived\n", survived, total);
}

// The process vanishes at any call; the next start installs and uninstalls cleanly. Only the
// temporary file an interrupted expansion was writing may stay behind, and, for an entry whose
// target differs from the recorded name, the second copy under the recorded name that placing
// an entry again leaves by design.
TEST(InstallFaults, KilledAtAnyCallThenStartedAgain) {
    World probe;
    const Package p = ThreeEntries(probe);
    Install(probe, p);
    const long total = probe.calls;
    int survived = 0, leftovers = 0;
    for (long n = 1; n <= total; ++n) {
        World w;
        ThreeEntries(w);
        const Snapshot original = w.state;
        w.killAt = n;
        Install(w, p);
        ExpectSound(w, original, p, "killed at " + std::to_string(n), true);
        w.killAt = 0;
        w.calls = 0;
        Install(w, p);
        ExpectInstalled(w, p, "restart after kill at " + std::to_string(n));
        Uninstall(w, p);
        for (const auto& [path, data] : w.state.files) {
            if (!original.files.count(path)) {
                const bool secondCopy = path == Fold(JoinFolder(kFolder, u"HELP.HLP")) ||
                                        path == Fold(JoinFolder(kFolder, u"GANTREL.OCX"));
                EXPECT_TRUE(path.find(u"~qi") != Text::npos || secondCopy)
                    << "killed at " << n << ": " << ToUtf8(path);
                ++leftovers;
            }
        }
        EXPECT_TRUE(w.state.registry.empty());
        survived += !HasFailure();
        if (HasFailure())
            break;
    }
    std::printf("[faults] killed install: %d of %ld kill points recovered (%d files left: temporary files, "
                "second copies)\n",
                survived, total, leftovers);
}

// The disk fills up during every expansion: nothing partial is installed, the compressed files
// stay (they are only deleted after a successful placement... or not at all).
TEST(InstallFaults, DiskFullDuringExpansion) {
    World w;
    const Package p = ThreeEntries(w);
    const Snapshot original = w.state;
    w.diskFull = true;
    Install(w, p);
    ExpectSound(w, original, p, "disk full");
    for (const auto& [path, data] : p.expected)
        EXPECT_FALSE(w.state.files.count(path)) << ToUtf8(path) << " installed from a full disk";
    w.diskFull = false;
}

// An entry whose target already held a file, which placement kept, is not installed: it is
// told, and the new content stays in the folder, an uncompressed file where it was shipped (the
// compressed files are deleted after placement here), an expanded one under the name its
// compressed file records.
TEST(InstallFaults, AnEntryWhoseTargetWasKeptIsToldAndItsNewContentStays) {
    World w;
    const Package p = ThreeEntries(w);
    w.state.files[Fold(JoinFolder(kFolder, u"Gantrel.HLP"))] = "older help";
    w.state.files[Fold(JoinFolder(kFolder, u"ReadMe Copy.TXT"))] = "older copy";
    Install(w, p);
    EXPECT_EQ(w.told,
              (std::vector<std::string>{std::to_string(kIdAskInstall),
                                        std::to_string(kIdNotInstalled) + " [Gantrel.HLP\nReadMe Copy.TXT]",
                                        std::to_string(kIdInstallDone)}));
    const auto content = [&](const char16_t* name) {
        const auto it = w.state.files.find(Fold(JoinFolder(kFolder, name)));
        return it == w.state.files.end() ? std::string("(none)") : it->second;
    };
    EXPECT_EQ(content(u"Gantrel.HLP"), "older help");
    EXPECT_EQ(content(u"ReadMe Copy.TXT"), "older copy");
    EXPECT_EQ(content(u"README.TXT"), "read me");
    EXPECT_EQ(content(u"HELP.HLP"), std::string(200, 'h'));
    EXPECT_EQ(content(u"Gantrel.OCX"), std::string(300, 'o'));
    EXPECT_EQ(content(u"GANTREL.OC_"), "(none)");
}

// An entry whose target or trashed source is one of Setup's own files is left alone, in any
// spelling the platform reads as the same name.
TEST(InstallFaults, SetupsOwnFilesAreNeverOverwrittenOrDeleted) {
    const Text names[] = {u"Setup.EXE",  u"setup.inf",  u"SETUP.DLL",  u".\\Setup.INF",
                          u"Setup.INF.", u"Setup.DLL ", u"./setup.exe"};
    for (const Text& own : names) {
        SCOPED_TRACE(ToUtf8(own));
        World w;
        Package p = ThreeEntries(w);
        p.settings.All = 2;
        p.settings.Entries = {{u"GANTREL.OC_", own, false}, {own, u"Copy.BIN", false}};
        p.expected.clear();
        p.expected[Fold(JoinFolder(kFolder, u"Copy.BIN"))] = "";
        const Snapshot original = w.state;
        Install(w, p);
        Uninstall(w, p);
        for (const Text& file : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"})
            EXPECT_EQ(w.state.files[Fold(JoinFolder(kFolder, file))],
                      original.files.at(Fold(JoinFolder(kFolder, file))));
    }
}

} // namespace
} // namespace quorin
