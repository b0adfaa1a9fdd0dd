// The procedures with placement over the fake world, with any single call refused or the process
// gone from any call on. A failure never leaves a partial or empty installed file, never
// replaces a good one, never touches Setup's own files; a later clean run installs completely and
// its uninstall leaves everything as before.
#include "fake_world.h"

namespace quorin::test {
namespace {

// A registered component, a file under another name than recorded, an uncompressed file.
SetupSettings ThreeEntries(FakeWorld& w, bool lzTrash) {
    w.Put(u"README.TXT", "read me");
    return Package(w,
                   {{u"GANTREL.OC_", u"Gantrel.OCX", true},
                    {u"HELP.HL_", u"Gantrel.HLP"},
                    {u"README.TXT", u"ReadMe Copy.TXT"}},
                   lzTrash);
}

const std::map<std::string, std::string> kInstalled = {{"gantrel.ocx", "content of Gantrel.OCX"},
                                                       {"gantrel.hlp", "content of Gantrel.HLP"},
                                                       {"readme copy.txt", "read me"}};

void Start(FakeWorld& w, const SetupSettings& s, bool install) {
    w.state = install ? InstallState::NotInstalled : InstallState::InstalledHere;
    install ? RunInstall(s, w) : RunUninstall(s, w);
}

// Any single call of an install or an uninstall refused, or the process gone at any call of an
// install; the next start installs and uninstalls cleanly. Left at most: the temporary file a
// killed expansion was writing and, for the entry whose target differs from its recorded name, the
// second copy placing again leaves by design.
TEST(ProcedureFaults, AnyCallRefusedOrTheProcessGoneThenStartedAgain) {
    const struct { bool install, killed; } runs[] = {{true, false}, {false, false}, {true, true}};
    for (const auto& run : runs) {
        // LzTrash only for the refused install, so that the clean run afterwards can place again.
        const bool lzTrash = run.install && !run.killed;
        FakeWorld clean; // counts the calls of the run
        const SetupSettings cs = ThreeEntries(clean, lzTrash);
        if (!run.install)
            Start(clean, cs, true);
        const long first = clean.calls;
        Start(clean, cs, run.install);
        ASSERT_GT(clean.calls - first, 15);
        for (long n = 1; n <= clean.calls - first && !HasFailure(); ++n) {
            const std::string when = std::string(run.install ? "install" : "uninstall") +
                                     (run.killed ? ", killed at call " : ", refused call ") +
                                     std::to_string(n);
            FakeWorld w;
            const SetupSettings s = ThreeEntries(w, lzTrash);
            const FakeWorld original = w;
            if (!run.install)
                Start(w, s, true);
            const FakeWorld before = w;
            (run.killed ? w.killAt : w.failAt) = w.calls + n;
            Start(w, s, run.install);
            // Every file is an original one, a whole installed one or (after a kill) a temporary one.
            for (const auto& [key, file] : w.files) {
                const std::string name = ToUtf8(key);
                auto o = before.files.find(key);
                auto i = kInstalled.find(name);
                if (o != before.files.end())
                    EXPECT_EQ(file.data, o->second.data) << when << ": " << name << " changed";
                else if (i != kInstalled.end())
                    EXPECT_EQ(file.data, i->second) << when << ": " << name << " is partial";
                else
                    EXPECT_TRUE(run.killed && name.rfind("~qi", 0) == 0) << when << ": stray " << name;
            }
            w.failAt = w.killAt = 0;
            Start(w, s, true); // the user starts Setup again
            for (const auto& [name, data] : kInstalled)
                EXPECT_EQ(w.Data(FromUtf8(name)), data) << when;
            EXPECT_TRUE(w.records.count(u"Gantrel") && w.entries.count(u"Gantrel") &&
                        w.registered.size() == 1)
                << when << ": the record, the entry or the registration is missing";
            Start(w, s, false);
            EXPECT_TRUE(w.registered.empty() && w.records.empty() && w.entries.empty()) << when;
            for (const auto& [key, file] : w.files) {
                const std::string name = ToUtf8(key);
                const bool temporary = run.killed && name.rfind("~qi", 0) == 0;
                EXPECT_TRUE(original.files.count(key) || temporary || name == "help.hlp")
                    << when << ": " << name;
            }
        }
    }
}

} // namespace
} // namespace quorin::test
