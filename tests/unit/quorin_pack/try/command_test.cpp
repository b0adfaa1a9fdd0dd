// `quorin-pack try` on Linux without Wine: the command line, what it needs (exit 3 when Wine,
// Xvfb or the driver is missing, naming what to install), and the whole road with stand-ins for
// wine, wineserver and Xvfb that behave as the tool relies on: the prefix made once and reused,
// the package copied into it and never touched where it lies, the driver's record judged, the
// pictures saved, every process ended and a temporary prefix removed.
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>

#include "test_support.h"
#include "try/report.h"

using namespace pack_test;

namespace {

// Sets environment variables for one test and puts them back afterwards.
class ScopedEnvironment {
public:
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    void Set(const std::string& name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// The stand-ins log every call to $FAKE_LOG. The driver's stand-in checks that the package copy
// is in the prefix, changes the copy (as an install does) and leaves $FAKE_RECORD as its record.
// PATH holds only the stand-ins, so the machine's own Wine is never found; they name the few
// programs they use by their full paths.
const char kFakeWine[] = R"SH(#!/bin/sh
printf '%s\n' "wine $* DISPLAY=$DISPLAY LC_ALL=$LC_ALL WINEARCH=$WINEARCH" >>"$FAKE_LOG"
work="$WINEPREFIX/drive_c/quorin-pack-try"
case "$1" in
wineboot) /bin/mkdir -p "$WINEPREFIX/drive_c"; echo made >"$WINEPREFIX/user.reg"; exit 0 ;;
regedit) /bin/grep -q IPAPGothic "$3" || exit 5; exit 0 ;;
esac
test -f "$work/package/Setup.EXE" || exit 9
echo "registry lines: $(/usr/bin/wc -l <"$WINEPREFIX/user.reg")" >>"$FAKE_LOG"
echo "left by a package" >>"$WINEPREFIX/user.reg"
echo installed >"$work/package/Installed.TXT"
if [ "$4" = "--screenshots" ]; then /bin/mkdir -p "$work/screenshots"; echo png >"$work/screenshots/not-installed.png"; fi
if [ -n "$FAKE_RECORD" ]; then /bin/cp "$FAKE_RECORD" "$work/record.txt"; fi
exit 0
)SH";
const char kFakeWineserver[] = "#!/bin/sh\nprintf '%s\\n' \"wineserver $*\" >>\"$FAKE_LOG\"\n";
const char kFakeXvfb[] = "#!/bin/sh\necho $$ >\"$FAKE_LOG.xvfb\"\necho 77 >&3\nexec /bin/sleep 60\n";

class PackTry : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        fs::create_directories(Path("bin"));
        fs::create_directories(Path("tool"));
        fs::create_directories(Path("tmp"));
        Write("driver/quorin-pack-try.exe", "MZ stand-in");
        quorin::pack::SetToolFolder(Path("tool").string());
        env_.Set("PATH", P("bin"));
        env_.Set("TMPDIR", P("tmp"));
        env_.Set("FAKE_LOG", P("log"));
        env_.Set("FAKE_RECORD", P("record.txt"));
        Fresh();
        Record(Good());
    }
    // The package, the log and the prefix as at the start, for the next case of a table.
    void Fresh() {
        for (const char* name : {"pkg", "prefix", "log", "shots"})
            fs::remove_all(Path(name));
        Write("pkg/Setup.EXE", "MZ setup");
        Write("pkg/Setup.INF", "[Main]\r\nTitle=Quorin Try\r\nAll=0\r\n");
        Write("pkg/sub/README.TXT", "read me\r\n");
        env_.Set("DISPLAY", ":123");
        env_.Set("QUORIN_PACK_TRY_DRIVER", P("driver/quorin-pack-try.exe"));
    }
    void TearDown() override {
        quorin::pack::SetToolFolder({});
        ScratchFolder::TearDown();
    }

    void Tool(const char* name, const char* script) {
        Write(std::string("bin/") + name, script);
        fs::permissions(Path(std::string("bin/") + name), fs::perms::owner_all);
    }
    void StandIns() {
        Tool("wine", kFakeWine);
        Tool("wineserver", kFakeWineserver);
    }

    static quorin::pack::TrialRecord Good() {
        using namespace quorin::pack;
        TrialRecord r;
        r.title = "Quorin Try";
        r.strings = {{104, "A?"}, {105, "Done."}, {106, "U?"}, {107, "Gone."}};
        SetupRunRecord install{kRunInstall,
                               Offered::Install,
                               Offered::Install,
                               true,
                               {{"", "A?"}, {"", "Done."}},
                               true,
                               true,
                               0,
                               1.0,
                               {"not-installed.png"},
                               {}};
        SetupRunRecord uninstall{kRunUninstall,
                                 Offered::Uninstall,
                                 Offered::Uninstall,
                                 true,
                                 {{"", "U?"}, {"", "Gone."}},
                                 true,
                                 true,
                                 0,
                                 1.0,
                                 {},
                                 {}};
        SetupRunRecord after{
            kRunAfterUninstall, Offered::Unknown, Offered::Install, false, {}, true, true, 0, 1.0, {}, {}};
        r.runs = {install, uninstall, after};
        for (const char* s : {kSnapshotBefore, kSnapshotInstalled, kSnapshotUninstalled})
            r.snapshots[s].registry["HKEY_CURRENT_USER\\Software"] = {};
        return r;
    }
    void Record(const quorin::pack::TrialRecord& r) {
        Write("record.txt", quorin::pack::WriteTrialRecord(r));
    }

    std::string Log() {
        const Bytes b = Read("log");
        return std::string(b.begin(), b.end());
    }
    std::vector<std::string> TempPrefixes() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Path("tmp")))
            names.push_back(e.path().filename().string());
        return names;
    }

    ScopedEnvironment env_;
};

TEST_F(PackTry, APackageSetupWouldRefuseIsNotRun) {
    StandIns();
    const struct {
        const char* name;
        std::function<void()> spoil;
        const char* err;
    } cases[] = {
        {"no comma", [&] { Write("pkg/Setup.INF", "[Main]\r\nTitle=T\r\nAll=1\r\n[1]\r\nLz=NOCOMMA\r\n"); },
         "has no comma"},
        {"no script", [&] { fs::remove(Path("pkg/Setup.INF")); }, "no setup script"},
        {"no program", [&] { fs::remove(Path("pkg/Setup.EXE")); }, "no Setup.EXE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        c.spoil();
        const RunResult r = RunPack({"try", P("pkg")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Setup would stop at start"), std::string::npos) << r.err;
        EXPECT_FALSE(Exists("log")) << "Wine was started";
    }
}

TEST_F(PackTry, WhatIsMissingIsNamedWithItsPackage) {
    const struct {
        const char* name;
        std::function<void()> arrange;
        int status;
        const char* err;
    } cases[] = {
        {"no Wine", [] {}, 3, "apt-get install wine wine32"},
        {"no Xvfb and no display",
         [&] {
             StandIns();
             env_.Set("DISPLAY", std::nullopt);
         },
         3, "apt-get install xvfb"},
        {"an empty display is none",
         [&] {
             StandIns();
             env_.Set("DISPLAY", "");
         },
         3, "apt-get install xvfb"},
        {"no driver",
         [&] {
             StandIns();
             env_.Set("QUORIN_PACK_TRY_DRIVER", std::nullopt);
         },
         3, "the Windows driver quorin-pack-try.exe is missing"},
        {"a driver named where there is none",
         [&] {
             StandIns();
             env_.Set("QUORIN_PACK_TRY_DRIVER", P("nowhere.exe"));
         },
         3, "QUORIN_PACK_TRY_DRIVER="},
        {"a kept prefix that is someone else's folder",
         [&] {
             StandIns();
             Write("prefix/system.reg", "a prefix of another program");
         },
         2, "neither empty nor a prefix made by quorin-pack try"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        c.arrange();
        const RunResult r = RunPack({"try", P("pkg"), "--keep-prefix", P("prefix")});
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(Log().find("wine "), std::string::npos) << "Wine was started:\n" << Log();
    }
    EXPECT_EQ(Read("prefix/system.reg"), ToBytes("a prefix of another program"));
}

TEST_F(PackTry, TheDriverFindsItsPlaceBesideTheTool) {
    StandIns();
    env_.Set("QUORIN_PACK_TRY_DRIVER", std::nullopt);
    for (const char* place :
         {"tool/quorin-pack-try.exe", "win32/quorin-pack-try.exe", "share/quorin-pack/quorin-pack-try.exe"}) {
        SCOPED_TRACE(place);
        Fresh();
        env_.Set("QUORIN_PACK_TRY_DRIVER", std::nullopt);
        Write(place, "MZ");
        const RunResult r = RunPack({"try", P("pkg")});
        EXPECT_EQ(r.status, 0) << r.err << r.out;
        EXPECT_NE(
            Log().find("wine " + Path(place).lexically_normal().string() + " C:\\quorin-pack-try\\package"),
            std::string::npos)
            << Log();
        fs::remove(Path(place));
    }
}

TEST_F(PackTry, ATemporaryPrefixServesOneTrialAndGoes) {
    StandIns();
    const RunResult r = RunPack({"try", P("pkg"), "--screenshots", P("shots")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("verdict: PASS"), std::string::npos) << r.out;
    const std::string log = Log();
    // Made with the code page and settings, the driver run under the display, the server ended.
    EXPECT_NE(log.find("wine wineboot -i DISPLAY=:123 LC_ALL=ja_JP.UTF-8 WINEARCH=win32"), std::string::npos)
        << log;
    EXPECT_NE(log.find("wine regedit /S "), std::string::npos) << log;
    EXPECT_NE(log.find("C:\\quorin-pack-try\\record.txt --screenshots C:\\quorin-pack-try\\screenshots"),
              std::string::npos)
        << log;
    EXPECT_NE(log.rfind("wineserver -k"), std::string::npos) << log;
    EXPECT_GT(log.rfind("wineserver -k"), log.find("--screenshots")) << log;
    EXPECT_EQ(TempPrefixes(), std::vector<std::string>{}) << "the temporary prefix stays";
    EXPECT_EQ(Read("shots/not-installed.png"), ToBytes("png\n"));
    // The user's package is as it was.
    EXPECT_FALSE(Exists("pkg/Installed.TXT"));
    EXPECT_EQ(Read("pkg/sub/README.TXT"), ToBytes("read me\r\n"));
}

TEST_F(PackTry, AKeptPrefixIsMadeOnceAndEachTrialStartsFromItsRegistryAsMade) {
    StandIns();
    ASSERT_EQ(RunPack({"try", P("pkg"), "--keep-prefix", P("prefix")}).status, 0);
    ASSERT_EQ(RunPack({"try", P("pkg"), "--keep-prefix", P("prefix"), "--json"}).status, 0);
    const std::string log = Log();
    EXPECT_EQ(log.find("wineboot"), log.rfind("wineboot")) << "made twice:\n" << log;
    const size_t first = log.find("registry lines: 1"), second = log.rfind("registry lines: 1");
    EXPECT_NE(first, second) << "the second trial saw what the first left:\n" << log;
    EXPECT_TRUE(Exists("prefix/.quorin-pack-try"));
    EXPECT_FALSE(Exists("prefix/drive_c/quorin-pack-try")) << "the package copy stays in the prefix";
    EXPECT_FALSE(Exists("prefix/quorin-pack-try.reg"));
    // A prefix an earlier version of the tool made takes the settings again, without a new boot.
    Write("prefix/.quorin-pack-try", "1\n");
    fs::remove(Path("log"));
    ASSERT_EQ(RunPack({"try", P("pkg"), "--keep-prefix", P("prefix")}).status, 0);
    EXPECT_EQ(Log().find("wineboot"), std::string::npos) << Log();
    EXPECT_NE(Log().find("regedit"), std::string::npos) << Log();
}

TEST_F(PackTry, ItsOwnXvfbServesTheTrialAndEnds) {
    StandIns();
    Tool("Xvfb", kFakeXvfb);
    env_.Set("DISPLAY", std::nullopt);
    const RunResult r = RunPack({"try", P("pkg")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Log().find("DISPLAY=:77"), std::string::npos) << Log();
    const Bytes pid = Read("log.xvfb");
    ASSERT_FALSE(pid.empty());
    EXPECT_NE(::kill(std::stoi(std::string(pid.begin(), pid.end())), 0), 0) << "Xvfb still runs";
}

TEST_F(PackTry, TheVerdictIsTheExitStatus) {
    StandIns();
    auto leaky = Good();
    leaky.snapshots[quorin::pack::kSnapshotUninstalled].registry["HKEY_CURRENT_USER\\Software\\Leaky"] = {};
    Record(leaky);
    RunResult r = RunPack({"try", P("pkg"), "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("{\n  \"package\": ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\"passed\": false"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("left registry keys behind: HKEY_CURRENT_USER\\\\Software\\\\Leaky"),
              std::string::npos);

    // Check's problems are reasons too, while the trial still runs.
    Record(Good());
    Write("pkg/Setup.INF", "[Main]\r\nTitle=Quorin Try\r\nDocument=MISSING.TXT\r\nAll=0\r\n");
    r = RunPack({"try", P("pkg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("   - check: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("MISSING.TXT"), std::string::npos) << r.out;

    // A driver that leaves no record.
    Write("pkg/Setup.INF", "[Main]\r\nTitle=Quorin Try\r\nAll=0\r\n");
    env_.Set("FAKE_RECORD", std::nullopt);
    r = RunPack({"try", P("pkg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("without a complete record"), std::string::npos) << r.out;
    EXPECT_EQ(TempPrefixes(), std::vector<std::string>{});
}

} // namespace
