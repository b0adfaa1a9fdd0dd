// The install and uninstall procedures over the fake world: the order of their effects and
// pauses, what a failing step leaves to the next, and what is told before the final message.
#include "fake_world.h"

namespace quorin::test {
namespace {

using Log = std::vector<std::string>;

// A registered control and a help file.
SetupSettings TwoEntries(FakeWorld& w, bool lzTrash = true) {
    return Package(w, {{u"JOYSTICK.OC_", u"Joystick.OCX", true}, {u"JOYSTICK.HL_", u"Joystick.HLP"}},
                   lzTrash);
}

const Log kInstall = {
    "message 104 292", "install off", "tip 12", "pointer 11", "place JOYSTICK.OC_,Joystick.OCX",
    "pause 2000", "register C:\\PKG\\Joystick.OCX", "delete C:\\PKG\\JOYSTICK.OC_",
    "place JOYSTICK.HL_,Joystick.HLP", "pause 2000", "delete C:\\PKG\\JOYSTICK.HL_", "save Gantrel=C:\\PKG",
    "entry Gantrel", "pointer 0", "tip 11", "message 105 64",
};
const Log kUninstall = {
    "message 106 292", "uninstall off", "tip 13", "pointer 11", "unregister C:\\PKG\\Joystick.OCX",
    "pause 5000", "delete C:\\PKG\\Joystick.OCX", "pause 1000", "delete C:\\PKG\\Joystick.HLP",
    "delete record Gantrel", "list", "delete section", "entry Gantrel", "pointer 0", "tip 11",
    "message 107 64",
};

// The next start of Setup, after an install: the log afresh, the product installed here.
void Restart(FakeWorld& w) {
    w.log.clear();
    w.state = InstallState::InstalledHere;
}

void Installed(FakeWorld& w, const SetupSettings& s) {
    RunInstall(s, w);
    Restart(w);
}

TEST(Procedures, InstallAndUninstallInOrder) {
    FakeWorld w;
    const SetupSettings s = TwoEntries(w);
    RunInstall(s, w);
    EXPECT_EQ(w.log, kInstall);
    EXPECT_EQ(w.Data(u"Joystick.OCX"), "content of Joystick.OCX");
    EXPECT_EQ(w.records, (std::map<Text, Text>{{u"Gantrel", kFolder}}));
    Restart(w);
    RunUninstall(s, w);
    EXPECT_EQ(w.log, kUninstall);
    EXPECT_EQ(w.Folder(), (std::map<std::string, std::string>{{"setup.dll", "own Setup.DLL"},
                                                              {"setup.exe", "own Setup.EXE"},
                                                              {"setup.inf", "own Setup.INF"}}));
    EXPECT_TRUE(w.registered.empty() && w.entries.empty() && w.records.empty());
}

TEST(Procedures, WithoutTrashTheCompressedFilesStayAndAnotherRecordKeepsTheSection) {
    FakeWorld w;
    const SetupSettings s = TwoEntries(w, false);
    RunInstall(s, w);
    Log expected;
    for (const std::string& line : kInstall)
        if (line.rfind("delete ", 0) != 0)
            expected.push_back(line);
    EXPECT_EQ(w.log, expected);
    w.records[u"Other"] = u"D:\\OTHER";
    Restart(w);
    RunUninstall(s, w);
    EXPECT_EQ(std::count(w.log.begin(), w.log.end(), "delete section"), 0);
    EXPECT_EQ(w.records, (std::map<Text, Text>{{u"Other", u"D:\\OTHER"}}));
    EXPECT_TRUE(w.Has(u"JOYSTICK.OC_") && w.Has(u"JOYSTICK.HL_"));
}

TEST(Procedures, OnlyYesGoesOn) {
    for (int32_t answer : {kIdNo, 2}) {
        for (bool install : {true, false}) {
            FakeWorld w;
            const SetupSettings s = TwoEntries(w);
            w.answer = answer;
            w.records[u"Gantrel"] = kFolder;
            install ? RunInstall(s, w) : RunUninstall(s, w);
            EXPECT_EQ(w.log, Log{install ? "message 104 292" : "message 106 292"}) << answer;
            EXPECT_EQ(w.records.size(), 1u);
        }
    }
    FakeWorld w; // a question that cannot be shown is no Yes
    w.refuse.insert("message 104 292");
    RunInstall(TwoEntries(w), w);
    EXPECT_EQ(w.log, Log{"message 104 292"});
}

TEST(Procedures, NoEntriesStillRecordAndTell) {
    for (int16_t all : {int16_t{0}, int16_t{-1}}) {
        FakeWorld w;
        SetupSettings s = Package(w, {}, true, u"");
        s.All = all;
        RunInstall(s, w);
        EXPECT_EQ(w.log, (Log{"message 104 292", "install off", "tip 12", "pointer 11", "save =C:\\PKG",
                              "entry ", "pointer 0", "tip 11", "message 105 64"}));
    }
}

// Whichever single procedure step fails, every other step still runs in the same order and the
// completion message is shown. What did not take is told before it: an entry not placed or not
// registered (303), its compressed file kept so a later run can place it; a record or entry not
// made (305, 306); a file not unregistered or not deleted (304); an entry not removed (307). A
// section that cannot be listed, or still holds the record, stays.
TEST(Procedures, AFailingStepIsPassedOverAndTold) {
    for (const bool install : {true, false}) {
        const Log& steps = install ? kInstall : kUninstall;
        for (const bool declined : {false, true}) {
            for (size_t i = 1; i < steps.size(); ++i) {
                const std::string& step = steps[i];
                const auto is = [&](const char* kind) { return step.rfind(kind, 0) == 0; };
                const bool entryStep = install && (is("place ") || is("register "));
                if (declined && !entryStep && !is("unregister "))
                    continue; // only placing and (un)registering report failure without raising
                FakeWorld w;
                const SetupSettings s = TwoEntries(w);
                if (!install)
                    Installed(w, s);
                (declined ? w.decline : w.refuse).insert(step);
                install ? RunInstall(s, w) : RunUninstall(s, w);
                Log expected = steps;
                const auto drop = [&](const std::string& line) {
                    expected.erase(std::find(expected.begin(), expected.end(), line));
                };
                const auto tell = [&](const std::string& line) { expected.insert(expected.end() - 1, line); };
                const std::string name = step.substr(step.find_last_of(",\\") + 1);
                if (install && is("place "))
                    drop("delete C:\\PKG\\" + step.substr(6, step.find(',') - 6));
                if (entryStep)
                    tell("message 303 48 [" + name + "]");
                if (!install && (is("unregister ") || is("delete C:")))
                    tell("message 304 48 [" + name + "]");
                if (is("save "))
                    tell("message 305 48");
                if (is("entry "))
                    tell(install ? "message 306 48" : "message 307 48");
                if (step == "list" || step == "delete record Gantrel")
                    drop("delete section");
                EXPECT_EQ(w.log, expected) << step << (declined ? " declined" : " refused");
            }
        }
    }
}

// What each entry leads to, and what is told (rows by name). A target that existed and was kept
// is not installed (303), its new content staying where it was shipped or under the name its
// compressed file records; an entry under its own name is never deleted as a compressed file.
TEST(Procedures, WhatIsToldPerEntry) {
    struct Case {
        const char* what;
        std::vector<SetupEntry> entries;
        Log install, uninstall;
        std::vector<Text> existing;               // targets present before the install
        std::map<Text, std::string> afterInstall; // contents after the install
    } cases[] = {
        {"outside and own files",
         {{u"..\\EVIL.DL_", u"Evil.DLL", true}, {u"A.DL_", u"C:\\Windows\\A.DLL"},
          {u"B.TX_", u"setup.inf."}, {u"Setup.INF", u"Copy.INF"}, {u"C.TX_", u"C.TXT"}},
         {"message 301 48 [..\\EVIL.DL_\nC:\\Windows\\A.DLL\nsetup.inf.\nSetup.INF]"},
         {"message 301 48 [C:\\Windows\\A.DLL\nsetup.inf.]"},
         {}},
        {"SelfRegister on a help file or a dotted folder",
         {{u"JOYSTICK.HL_", u"Joystick.HLP", true}, {u"READ.ME_", u"Docs.v1\\README", true}},
         {}, {}, {}},
        {"targets kept", {{u"HELP.HL_", u"Gantrel.HLP"}, {u"README.TXT", u"Copy.TXT"}},
         {"message 303 48 [Gantrel.HLP\nCopy.TXT]"}, {}, {u"Gantrel.HLP", u"Copy.TXT"},
         {{u"Gantrel.HLP", "older"}, {u"Copy.TXT", "older"}, {u"HELP.HLP", "content of Gantrel.HLP"}, {u"README.TXT", "read me"}}},
        {"uncompressed under its own name",
         {{u"readme.txt", u"README.TXT"}, {u".\\README.TXT", u"README.TXT"}, {u"README.TXT.", u"README.TXT"},
          {u".\\readme.txt ", u"README.TXT"}},
         {}, {}, {}, {{u"README.TXT", "read me"}}},
    };
    for (const Case& c : cases) {
        FakeWorld w;
        w.Put(u"README.TXT", "read me");
        for (const Text& name : c.existing)
            w.Put(name, "older");
        const SetupSettings s = Package(w, c.entries, true);
        const auto own = w.files;
        RunInstall(s, w);
        EXPECT_EQ(w.Told(), c.install) << c.what;
        EXPECT_TRUE(w.registered.empty()) << c.what;
        for (const auto& [name, data] : c.afterInstall)
            EXPECT_EQ(w.Data(name), data) << c.what << ": " << ToUtf8(name);
        Restart(w);
        RunUninstall(s, w);
        EXPECT_EQ(w.Told(), c.uninstall) << c.what;
        for (const char16_t* name : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"})
            EXPECT_EQ(w.Data(name), own.at(PathKey(name)).data) << c.what;
    }
}

TEST(Procedures, UninstallDoesNotTellFilesAlreadyGone) {
    FakeWorld w;
    const SetupSettings s = TwoEntries(w);
    Installed(w, s);
    w.files.erase(PathKey(u"Joystick.HLP"));
    RunUninstall(s, w);
    EXPECT_EQ(w.Told(), Log{});
}

TEST(Procedures, RulesOfNamesAndStates) {
    const struct {
        const char16_t* path;
        SelfRegistration way;
    } ways[] = {{u"C:\\Apps\\PLAYER.EXE", SelfRegistration::Program}, {u"C:\\Apps\\player.exe", SelfRegistration::Program},
                {u"C:\\Apps\\ctl.Ocx", SelfRegistration::Library},    {u"C:\\A.B.dll", SelfRegistration::Library},
                {u"C:\\Apps\\A.OCX.HLP", SelfRegistration::None},     {u"C:\\My.Dir\\README", SelfRegistration::None},
                {u"C:\\Apps\\OCX.", SelfRegistration::None},          {u"EXE", SelfRegistration::Program}};
    for (const auto& c : ways)
        EXPECT_EQ(SelfRegistrationOf(c.path), c.way) << ToUtf8(c.path);
    const struct {
        const char16_t* record;
        InstallState state;
    } states[] = {{u"", InstallState::NotInstalled},       {u"C:\\PKG", InstallState::InstalledHere},
                  {u"c:\\pkg", InstallState::InstalledElsewhere}, {u"C:\\PKG\\", InstallState::InstalledElsewhere},
                  {u"C:\\PROGRA~1\\PKG", InstallState::InstalledElsewhere}};
    for (const auto& c : states)
        EXPECT_EQ(DecideInstallState(c.record, u"C:\\PKG"), c.state) << ToUtf8(c.record);
}

} // namespace
} // namespace quorin::test
