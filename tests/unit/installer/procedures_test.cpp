// The install and uninstall procedures against a recording platform with a fake clock: the
// order of their effects, their pauses, and what a failing step leaves to the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/procedures.h"
#include "base/runtime_error.h"
#include "installer/paths.h"

namespace quorin {
namespace {

std::string U8(const Text& t) {
    return ToUtf8(t);
}

// Records every call as one line, "@<ms> <effect>", the time taken from a clock that only
// pauses move. A call whose line (without the time) is listed in `failing` is recorded and then
// raises, as a refused platform call does; one listed in `refused` reports failure without
// raising (a placement that did not happen, a component that declined to register), and a
// deletion listed in `missing` raises "file not found". Like Setup's own routines, registration
// fails for a file that is neither a program nor a library.
class RecordingPlatform : public InstallPlatform, public SettingsStore {
public:
    std::vector<std::string> log;
    std::set<std::string> failing;
    std::set<std::string> refused;
    std::set<std::string> missing;
    int32_t answer = kIdYes;
    Text folder = u"C:\\PKG";
    uint64_t clock = 0;
    // The "Installer" section of the settings store.
    std::map<Text, Text> records;

    Text ProgramFolder() override { return folder; }
    int32_t ShowMessage(uint32_t id, uint32_t style, const std::vector<Text>& values) override {
        std::string line = "message " + std::to_string(id) + " " + std::to_string(style);
        for (const auto& v : values)
            line += " [" + U8(v) + "]";
        Record(line);
        return id == kIdAskInstall || id == kIdAskUninstall ? answer : 1;
    }
    void EnableButton(ProcedureButton b, bool enabled) override {
        Record(std::string(b == ProcedureButton::Install ? "install" : "uninstall") +
               (enabled ? " enabled" : " disabled"));
    }
    void ShowTip(uint32_t id) override { Record("tip " + std::to_string(id)); }
    void SetMousePointer(int32_t p) override { Record("pointer " + std::to_string(p)); }
    void Pause(uint32_t ms) override {
        Record("pause " + std::to_string(ms));
        clock += ms;
    }
    PlaceOutcome PlaceFile(const Text& f, const SetupEntry& e) override {
        return Answer("place " + U8(f) + " " + U8(e.LzSource) + "," + U8(e.LzTarget))
                   ? PlaceOutcome::Placed
                   : PlaceOutcome::NotMoved;
    }
    bool RegisterComponent(const Text& path) override {
        return Answer("register " + U8(path)) && SelfRegistrationOf(path) != SelfRegistration::None;
    }
    bool UnregisterComponent(const Text& path) override {
        return Answer("unregister " + U8(path)) && SelfRegistrationOf(path) != SelfRegistration::None;
    }
    void DeleteFile(const Text& path) override {
        Record("delete " + U8(path));
        if (missing.count("delete " + U8(path)))
            throw RuntimeError(ErrorCode::FileNotFound, U8(path));
    }
    SettingsStore& Settings() override { return *this; }
    void UpdateUninstallEntry(const SetupSettings& s, const Text& keyName) override {
        Record("uninstall entry " + U8(s.Title) + " [" + U8(keyName) + "]");
    }

    Text GetSetting(const Text&, const Text&, const Text& key, const Text& Default) override {
        auto it = records.find(key);
        return it == records.end() ? Default : it->second;
    }
    void SaveSetting(const Text& app, const Text& section, const Text& key, const Text& value) override {
        Record("save " + U8(app) + "/" + U8(section) + "/" + U8(key) + "=" + U8(value));
        records[key] = value;
    }
    void DeleteSetting(const Text& app, const Text& section, const Text& key) override {
        Record("delete setting " + U8(app) + "/" + U8(section) + "/" + U8(key));
        if (records.erase(key) == 0)
            throw RuntimeError(ErrorCode::PlatformFailure, "no such value");
    }
    std::optional<std::vector<std::pair<Text, Text>>> GetAllSettings(const Text& app,
                                                                     const Text& section) override {
        Record("list " + U8(app) + "/" + U8(section));
        if (records.empty())
            return std::nullopt;
        return std::vector<std::pair<Text, Text>>(records.begin(), records.end());
    }
    void DeleteSection(const Text& app, const Text& section) override {
        Record("delete section " + U8(app) + "/" + U8(section));
        records.clear();
    }

private:
    bool Answer(const std::string& line) {
        Record(line);
        return refused.count(line) == 0;
    }
    void Record(const std::string& line) {
        log.push_back("@" + std::to_string(clock) + " " + line);
        if (failing.count(line))
            throw RuntimeError(ErrorCode::PlatformFailure, line);
    }
};

SetupEntry Entry(const char16_t* source, const char16_t* target, bool selfRegister) {
    SetupEntry e;
    e.LzSource = source;
    e.LzTarget = target;
    e.SelfRegister = selfRegister;
    return e;
}

SetupSettings Settings(std::vector<SetupEntry> entries, bool lzTrash, const char16_t* title = u"Gantrel") {
    SetupSettings s;
    s.Title = title;
    s.All = static_cast<int16_t>(entries.size());
    s.Entries = std::move(entries);
    s.LzTrash = lzTrash;
    return s;
}

// The two-entry package: a registered control and a help file.
SetupSettings TwoEntries(bool lzTrash) {
    return Settings(
        {Entry(u"JOYSTICK.OC_", u"Joystick.OCX", true), Entry(u"JOYSTICK.HL_", u"Joystick.HLP", false)},
        lzTrash);
}

// Strips the "@<ms> " time stamp.
std::string Effect(const std::string& line) {
    return line.substr(line.find(' ') + 1);
}

const std::vector<std::string> kInstallTwoEntriesTrash = {
    "@0 message 104 292",
    "@0 install disabled",
    "@0 tip 12",
    "@0 pointer 11",
    "@0 place C:\\PKG JOYSTICK.OC_,Joystick.OCX",
    "@0 pause 2000",
    "@2000 register C:\\PKG\\Joystick.OCX",
    "@2000 delete C:\\PKG\\JOYSTICK.OC_",
    "@2000 place C:\\PKG JOYSTICK.HL_,Joystick.HLP",
    "@2000 pause 2000",
    "@4000 delete C:\\PKG\\JOYSTICK.HL_",
    "@4000 save Ombrel's Quorin/Installer/Gantrel=C:\\PKG",
    "@4000 uninstall entry Gantrel []",
    "@4000 pointer 0",
    "@4000 tip 11",
    "@4000 message 105 64",
};

const std::vector<std::string> kUninstallTwoEntries = {
    "@0 message 106 292",
    "@0 uninstall disabled",
    "@0 tip 13",
    "@0 pointer 11",
    "@0 unregister C:\\PKG\\Joystick.OCX",
    "@0 pause 5000",
    "@5000 delete C:\\PKG\\Joystick.OCX",
    "@5000 pause 1000",
    "@6000 delete C:\\PKG\\Joystick.HLP",
    "@6000 delete setting Ombrel's Quorin/Installer/Gantrel",
    "@6000 list Ombrel's Quorin/Installer",
    "@6000 delete section Ombrel's Quorin/Installer",
    "@6000 uninstall entry Gantrel []",
    "@6000 pointer 0",
    "@6000 tip 11",
    "@6000 message 107 64",
};

TEST(InstallProcedure, OnlyYesGoesOn) {
    struct Case {
        const char* what;
        int32_t answer;
        bool questionFails;
    } cases[] = {{"No", kIdNo, false}, {"box closed", 2, false}, {"question cannot be shown", kIdYes, true}};
    for (const auto& c : cases) {
        RecordingPlatform install;
        install.answer = c.answer;
        if (c.questionFails)
            install.failing.insert("message 104 292");
        RunInstall(TwoEntries(true), install);
        EXPECT_EQ(install.log, std::vector<std::string>{"@0 message 104 292"}) << c.what;

        RecordingPlatform uninstall;
        uninstall.answer = c.answer;
        uninstall.records[u"Gantrel"] = u"C:\\PKG";
        if (c.questionFails)
            uninstall.failing.insert("message 106 292");
        RunUninstall(TwoEntries(true), uninstall);
        EXPECT_EQ(uninstall.log, std::vector<std::string>{"@0 message 106 292"}) << c.what;
        EXPECT_EQ(uninstall.records.size(), 1u) << c.what;
    }
}

TEST(InstallProcedure, EntriesInOrderPlacePauseRegisterDelete) {
    RecordingPlatform p;
    RunInstall(TwoEntries(true), p);
    EXPECT_EQ(p.log, kInstallTwoEntriesTrash);
    EXPECT_EQ(p.records.at(u"Gantrel"), u"C:\\PKG");
}

TEST(InstallProcedure, WithoutTrashTheCompressedFilesStay) {
    RecordingPlatform p;
    RunInstall(TwoEntries(false), p);
    std::vector<std::string> expected;
    for (const auto& line : kInstallTwoEntriesTrash)
        if (Effect(line).rfind("delete ", 0) != 0)
            expected.push_back(line);
    EXPECT_EQ(p.log, expected);
}

TEST(InstallProcedure, NoEntriesStillRecordsAndTells) {
    for (int16_t all : {int16_t(0), int16_t(-1)}) {
        SetupSettings s = Settings({}, true);
        s.All = all;
        RecordingPlatform p;
        RunInstall(s, p);
        EXPECT_EQ(p.log, (std::vector<std::string>{"@0 message 104 292", "@0 install disabled", "@0 tip 12",
                                                   "@0 pointer 11",
                                                   "@0 save Ombrel's Quorin/Installer/Gantrel=C:\\PKG",
                                                   "@0 uninstall entry Gantrel []", "@0 pointer 0",
                                                   "@0 tip 11", "@0 message 105 64"}))
            << all;
    }
}

std::vector<std::string> Effects(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (const auto& line : log)
        out.push_back(Effect(line));
    return out;
}

// The target an entry's "place" or "register" line names, as the script spells it.
std::string TargetOf(const std::string& effect) {
    const size_t comma = effect.find(',');
    if (comma != std::string::npos)
        return effect.substr(comma + 1);
    return effect.substr(effect.rfind('\\') + 1);
}

// Inserts `line` just before the final message.
void TellBeforeTheEnd(std::vector<std::string>& effects, const std::string& line) {
    effects.insert(effects.end() - 1, line);
}

// Whichever single step fails, every other step still runs, in the same order, and the
// completion message is shown. (A failed pause takes no time, so times are not compared.) An
// entry that was not placed or not registered, whether the call raised or reported failure, is
// told before the completion message; the compressed file of an entry whose placement failed is
// kept, so that a later run can still place it.
TEST(InstallProcedure, AFailingStepIsPassedOverAndAFailedEntryIsTold) {
    for (bool raises : {true, false}) {
        for (size_t i = 1; i < kInstallTwoEntriesTrash.size(); ++i) {
            const std::string failing = Effect(kInstallTwoEntriesTrash[i]);
            const bool entryStep = failing.rfind("place ", 0) == 0 || failing.rfind("register ", 0) == 0;
            if (!raises && !entryStep)
                continue;
            RecordingPlatform p;
            (raises ? p.failing : p.refused).insert(failing);
            RunInstall(TwoEntries(true), p);
            std::vector<std::string> expected = Effects(kInstallTwoEntriesTrash);
            if (failing.rfind("place ", 0) == 0) {
                const std::string source =
                    failing.substr(failing.rfind(' ') + 1, failing.find(',') - failing.rfind(' ') - 1);
                expected.erase(std::find(expected.begin(), expected.end(), "delete C:\\PKG\\" + source));
            }
            if (entryStep)
                TellBeforeTheEnd(expected, "message 303 48 [" + TargetOf(failing) + "]");
            // A record or an entry that did not take is told: the next start or the list of
            // installed programs would otherwise mislead.
            if (failing.rfind("save ", 0) == 0)
                TellBeforeTheEnd(expected, "message 305 48");
            if (failing.rfind("uninstall entry ", 0) == 0)
                TellBeforeTheEnd(expected, "message 306 48");
            EXPECT_EQ(Effects(p.log), expected) << "failing: " << failing << (raises ? " (raises)" : "");
        }
    }
}

TEST(InstallProcedure, AnUncompressedEntryUnderItsOwnNameIsNotDeleted) {
    // The same file however the script spells it: letter case, ".\", a trailing dot.
    for (const char16_t* source : {u"readme.txt", u".\\README.TXT", u"README.TXT.", u".\\readme.txt "}) {
        RecordingPlatform p;
        RunInstall(Settings({Entry(source, u"README.TXT", false)}, true), p);
        for (const auto& line : p.log)
            EXPECT_EQ(Effect(line).rfind("delete ", 0), std::string::npos) << line;
        EXPECT_EQ(Effect(p.log.at(4)).rfind("place C:\\PKG ", 0), 0u) << p.log.at(4);
    }
}

// A file marked SelfRegister that is neither a program nor a library (a help file, a name whose
// only dot is in its folder) takes no registration: nothing is started or called, and nothing
// is told, at install or at uninstall. The uninstall still pauses as for a registered entry.
TEST(InstallProcedure, SelfRegisterOnAFileThatCannotRegisterDoesNothing) {
    const SetupSettings s =
        Settings({Entry(u"JOYSTICK.HL_", u"Joystick.HLP", true), Entry(u"READ.ME_", u"Docs.v1\\README", true),
                  Entry(u"JOYSTICK.OC_", u"Joystick.OCX", true)},
                 false);
    RecordingPlatform install;
    RunInstall(s, install);
    EXPECT_EQ(
        Effects(install.log),
        (std::vector<std::string>{
            "message 104 292", "install disabled", "tip 12", "pointer 11",
            "place C:\\PKG JOYSTICK.HL_,Joystick.HLP", "pause 2000", "place C:\\PKG READ.ME_,Docs.v1\\README",
            "pause 2000", "place C:\\PKG JOYSTICK.OC_,Joystick.OCX", "pause 2000",
            "register C:\\PKG\\Joystick.OCX", "save Ombrel's Quorin/Installer/Gantrel=C:\\PKG",
            "uninstall entry Gantrel []", "pointer 0", "tip 11", "message 105 64"}));

    RecordingPlatform uninstall;
    uninstall.records[u"Gantrel"] = u"C:\\PKG";
    RunUninstall(s, uninstall);
    EXPECT_EQ(Effects(uninstall.log),
              (std::vector<std::string>{
                  "message 106 292", "uninstall disabled", "tip 13", "pointer 11", "pause 5000",
                  "delete C:\\PKG\\Joystick.HLP", "pause 5000", "delete C:\\PKG\\Docs.v1\\README",
                  "unregister C:\\PKG\\Joystick.OCX", "pause 5000", "delete C:\\PKG\\Joystick.OCX",
                  "delete setting Ombrel's Quorin/Installer/Gantrel", "list Ombrel's Quorin/Installer",
                  "delete section Ombrel's Quorin/Installer", "uninstall entry Gantrel []", "pointer 0",
                  "tip 11", "message 107 64"}));
}

TEST(SelfRegistrationOf, ByTheTextAfterTheLastDot) {
    struct Case {
        const char16_t* path;
        SelfRegistration way;
    } cases[] = {
        {u"C:\\Apps\\PLAYER.EXE", SelfRegistration::Program},
        {u"C:\\Apps\\player.exe", SelfRegistration::Program},
        {u"C:\\Apps\\lib.dll", SelfRegistration::Library},
        {u"C:\\Apps\\ctl.Ocx", SelfRegistration::Library},
        {u"C:\\Apps\\A.B.OCX", SelfRegistration::Library},
        {u"C:\\Apps\\A.OCX.HLP", SelfRegistration::None},
        {u"C:\\Apps\\Joystick.HLP", SelfRegistration::None},
        {u"C:\\My.Dir\\README", SelfRegistration::None},
        {u"C:\\Apps\\OCX.", SelfRegistration::None},
        {u"EXE", SelfRegistration::Program},
        {u"", SelfRegistration::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SelfRegistrationOf(c.path), c.way) << U8(c.path);
}

TEST(InstallProcedure, EmptyTitleIsPassedUnchanged) {
    RecordingPlatform p;
    RunInstall(Settings({}, false, u""), p);
    EXPECT_EQ(p.log.at(4), "@0 save Ombrel's Quorin/Installer/=C:\\PKG");
    EXPECT_EQ(p.log.at(5), "@0 uninstall entry  []");
}

TEST(StaysInsideFolder, Names) {
    struct Case {
        const char16_t* name;
        bool inside;
    } cases[] = {
        {u"Joystick.OCX", true},
        {u"sub\\Joystick.OCX", true},
        {u"sub/deeper/a.dll", true},
        {u".\\a.dll", true},
        {u"a..b.dll", true},
        {u"..a", true},
        {u"", true},
        {u"..", false},
        {u"..\\a.dll", false},
        {u"sub\\..\\..\\a.dll", false},
        {u"sub/../a.dll", false},
        {u"sub\\..", false},
        {u"...\\a.dll", false},
        {u".. \\a.dll", false},
        {u". .\\a.dll", false},
        {u"\\Windows\\win.ini", false},
        {u"/etc/passwd", false},
        {u"\\\\server\\share\\a.dll", false},
        {u"C:\\Windows\\a.dll", false},
        {u"C:a.dll", false},
        {u"a.dll:stream", false},
        {u"\\\\?\\C:\\a.dll", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StaysInsideFolder(c.name), c.inside) << U8(c.name);
}

TEST(InstallProcedure, NamesOutsideTheFolderAreLeftAloneAndTold) {
    SetupSettings s =
        Settings({Entry(u"..\\EVIL.DL_", u"Evil.DLL", true), Entry(u"A.DL_", u"C:\\Windows\\A.DLL", true),
                  Entry(u"B.TX_", u"B.TXT", false)},
                 true);
    RecordingPlatform p;
    RunInstall(s, p);
    EXPECT_EQ(p.log, (std::vector<std::string>{
                         "@0 message 104 292",
                         "@0 install disabled",
                         "@0 tip 12",
                         "@0 pointer 11",
                         "@0 place C:\\PKG B.TX_,B.TXT",
                         "@0 pause 2000",
                         "@2000 delete C:\\PKG\\B.TX_",
                         "@2000 save Ombrel's Quorin/Installer/Gantrel=C:\\PKG",
                         "@2000 uninstall entry Gantrel []",
                         "@2000 pointer 0",
                         "@2000 tip 11",
                         "@2000 message 301 48 [..\\EVIL.DL_\nC:\\Windows\\A.DLL]",
                         "@2000 message 105 64",
                     }));

    RecordingPlatform u;
    u.records[u"Gantrel"] = u"C:\\PKG";
    RunUninstall(s, u);
    EXPECT_EQ(u.log, (std::vector<std::string>{
                         "@0 message 106 292",
                         "@0 uninstall disabled",
                         "@0 tip 13",
                         "@0 pointer 11",
                         "@0 unregister C:\\PKG\\Evil.DLL",
                         "@0 pause 5000",
                         "@5000 delete C:\\PKG\\Evil.DLL",
                         "@5000 pause 1000",
                         "@6000 delete C:\\PKG\\B.TXT",
                         "@6000 delete setting Ombrel's Quorin/Installer/Gantrel",
                         "@6000 list Ombrel's Quorin/Installer",
                         "@6000 delete section Ombrel's Quorin/Installer",
                         "@6000 uninstall entry Gantrel []",
                         "@6000 pointer 0",
                         "@6000 tip 11",
                         "@6000 message 301 48 [C:\\Windows\\A.DLL]",
                         "@6000 message 107 64",
                     }));
}

TEST(UninstallProcedure, UnregisterPauseDeleteAndTheLastRecordTakesTheSection) {
    RecordingPlatform p;
    p.records[u"Gantrel"] = u"C:\\PKG";
    RunUninstall(TwoEntries(true), p);
    EXPECT_EQ(p.log, kUninstallTwoEntries);
    EXPECT_TRUE(p.records.empty());
    // 4 s more per unregistered entry, 1 s per entry.
    EXPECT_EQ(p.clock, 4000u * 1 + 1000u * 2);
}

TEST(UninstallProcedure, AnotherProductsRecordKeepsTheSection) {
    RecordingPlatform p;
    p.records[u"Gantrel"] = u"C:\\PKG";
    p.records[u"Other"] = u"D:\\OTHER";
    RunUninstall(TwoEntries(false), p);
    std::vector<std::string> expected;
    for (const auto& line : kUninstallTwoEntries)
        if (Effect(line) != "delete section Ombrel's Quorin/Installer")
            expected.push_back(line);
    EXPECT_EQ(p.log, expected);
    EXPECT_EQ(p.records, (std::map<Text, Text>{{u"Other", u"D:\\OTHER"}}));
}

// As at installation; a file that could not be deleted, or one deleted after its
// unregistration failed, is told before the completion message, and so is an entry in the list
// of installed programs that stayed. A record that could not be deleted is not told.
TEST(UninstallProcedure, AFailingStepIsPassedOverAndAFailedEntryIsTold) {
    for (size_t i = 1; i < kUninstallTwoEntries.size(); ++i) {
        const std::string failing = Effect(kUninstallTwoEntries[i]);
        RecordingPlatform p;
        p.records[u"Gantrel"] = u"C:\\PKG";
        p.failing.insert(failing);
        RunUninstall(TwoEntries(true), p);
        std::vector<std::string> expected = Effects(kUninstallTwoEntries);
        // A section that cannot be listed may hold other records, and a record whose deletion
        // failed is still in it: the section stays.
        if (failing == "list Ombrel's Quorin/Installer" ||
            failing == "delete setting Ombrel's Quorin/Installer/Gantrel")
            expected.erase(
                std::find(expected.begin(), expected.end(), "delete section Ombrel's Quorin/Installer"));
        if (failing.rfind("unregister ", 0) == 0 || failing.rfind("delete C:", 0) == 0)
            TellBeforeTheEnd(expected, "message 304 48 [" + TargetOf(failing) + "]");
        if (failing.rfind("uninstall entry ", 0) == 0)
            TellBeforeTheEnd(expected, "message 307 48");
        EXPECT_EQ(Effects(p.log), expected) << "failing: " << failing;
    }
}

// A file that is already gone is the uninstall's goal reached: neither its deletion nor the
// unregistration that failed for want of it is told. A declined unregistration of a file that
// was then deleted is told, and so is every failed entry, in script order, after the names
// outside the folder.
TEST(UninstallProcedure, WhatIsToldAboutMissingFilesAndDeclinedUnregistrations) {
    const SetupSettings entries =
        Settings({Entry(u"A.OC_", u"A.OCX", true), Entry(u"B.OC_", u"B.OCX", true),
                  Entry(u"C.TX_", u"..\\C.TXT", false), Entry(u"D.TX_", u"D.TXT", false)},
                 false);
    struct Case {
        const char* what;
        std::set<std::string> refused, missing, failing;
        std::vector<std::string> told;
    } cases[] = {
        {"all well", {}, {}, {}, {"message 301 48 [..\\C.TXT]"}},
        {"missing and not unregistered",
         {"unregister C:\\PKG\\A.OCX"},
         {"delete C:\\PKG\\A.OCX", "delete C:\\PKG\\D.TXT"},
         {},
         {"message 301 48 [..\\C.TXT]"}},
        {"declined, and undeletable",
         {"unregister C:\\PKG\\B.OCX"},
         {},
         {"delete C:\\PKG\\A.OCX", "delete C:\\PKG\\D.TXT"},
         {"message 301 48 [..\\C.TXT]", "message 304 48 [A.OCX\nB.OCX\nD.TXT]"}},
    };
    for (const Case& c : cases) {
        RecordingPlatform p;
        p.records[u"Gantrel"] = u"C:\\PKG";
        p.refused = c.refused;
        p.missing = c.missing;
        p.failing = c.failing;
        RunUninstall(entries, p);
        std::vector<std::string> told;
        for (const auto& line : Effects(p.log))
            if (line.rfind("message 30", 0) == 0)
                told.push_back(line);
        EXPECT_EQ(told, c.told) << c.what;
        EXPECT_EQ(Effects(p.log).back(), "message 107 64") << c.what;
    }
}

TEST(UninstallProcedure, AMissingRecordStillTakesAnEmptySection) {
    RecordingPlatform p;
    RunUninstall(Settings({}, false), p);
    EXPECT_EQ(p.log, (std::vector<std::string>{
                         "@0 message 106 292", "@0 uninstall disabled", "@0 tip 13", "@0 pointer 11",
                         "@0 delete setting Ombrel's Quorin/Installer/Gantrel",
                         "@0 list Ombrel's Quorin/Installer", "@0 delete section Ombrel's Quorin/Installer",
                         "@0 uninstall entry Gantrel []", "@0 pointer 0", "@0 tip 11", "@0 message 107 64"}));
}

TEST(InstallState, DecidedByExactComparison) {
    struct Case {
        const char16_t* record;
        InstallState state;
    } cases[] = {
        {u"", InstallState::NotInstalled},
        {u"C:\\PKG", InstallState::InstalledHere},
        {u"c:\\pkg", InstallState::InstalledElsewhere},
        {u"C:\\PKG\\", InstallState::InstalledElsewhere},
        {u"C:\\PKG2", InstallState::InstalledElsewhere},
        {u"C:\\PROGRA~1\\PKG", InstallState::InstalledElsewhere},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideInstallState(c.record, u"C:\\PKG"), c.state) << U8(c.record);
}

} // namespace
} // namespace quorin
