// `quorin-pack try` on Linux with stand-ins for wine, wineserver and Xvfb that behave as the tool
// relies on: what it needs, the prefix it makes and keeps, the package copy, processes it ends.
#include <signal.h>

#include <cstdlib>
#include <functional>

#include "test_support.h"

using namespace pack_test;

namespace {

// The stand-ins log every call to $FAKE_LOG. The driver's stand-in checks that the package copy
// is in the prefix, changes the copy (as an install does), leaves a line in the prefix's registry
// and leaves $FAKE_RECORD as its record. PATH holds only the stand-ins, so the machine's own Wine
// is never found; they name the few programs they use by their full paths.
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
)SH";
const char kFakeWineserver[] = "#!/bin/sh\nprintf '%s\\n' \"wineserver $*\" >>\"$FAKE_LOG\"\n";
const char kFakeXvfb[] = "#!/bin/sh\necho $$ >\"$FAKE_LOG.xvfb\"\necho 77 >&3\nexec /bin/sleep 60\n";

class PackTry : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        Write("driver/quorin-pack-try.exe", "MZ stand-in");
        quorin::pack::SetToolFolder(Path("tool").string());
        Env("PATH", P("bin"));
        Env("TMPDIR", P("tmp"));
        Env("FAKE_LOG", P("log"));
        Env("FAKE_RECORD", P("record.txt"));
        fs::create_directories(Path("tmp"));
        quorin::pack::TrialRecord record = GoodRecord(); // what the driver's stand-in leaves
        record.runs[0].screenshots = {"not-installed.png"};
        Write("record.txt", quorin::pack::WriteTrialRecord(record));
        Fresh();
    }
    void TearDown() override {
        quorin::pack::SetToolFolder({});
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        ScratchFolder::TearDown();
    }
    // Sets an environment variable until the end of the test.
    void Env(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    // The package, the log and the prefix as at the start, for the next case of a table.
    void Fresh() {
        for (const char* name : {"pkg", "prefix", "log", "shots", "bin"})
            fs::remove_all(Path(name));
        Write("pkg/Setup.EXE", "MZ setup");
        Write("pkg/Setup.INF", "[Main]\r\nTitle=Quorin Try\r\nAll=0\r\n");
        Write("pkg/sub/README.TXT", "read me\r\n");
        Env("DISPLAY", ":123");
        Env("QUORIN_PACK_TRY_DRIVER", P("driver/quorin-pack-try.exe"));
        StandIn("wine", kFakeWine);
        StandIn("wineserver", kFakeWineserver);
    }
    void StandIn(const std::string& name, const char* script) {
        Write("bin/" + name, script);
        fs::permissions(Path("bin/" + name), fs::perms::owner_all);
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(PackTry, WhatIsMissingOrRefusedRunsNoWine) {
    const struct {
        std::function<void()> arrange;
        int status;
        const char* told;
    } cases[] = {
        {[&] { fs::remove_all(Path("bin")); }, 3, "apt-get install wine wine32"},
        {[&] { Env("DISPLAY", std::nullopt); }, 3, "apt-get install xvfb"},
        {[&] { Env("DISPLAY", ""); }, 3, "apt-get install xvfb"}, // an empty display is none
        {[&] { Env("QUORIN_PACK_TRY_DRIVER", std::nullopt); }, 3,
         "the Windows driver quorin-pack-try.exe is missing (looked at "},
        {[&] { Env("QUORIN_PACK_TRY_DRIVER", P("nowhere.exe")); }, 3, "(looked at QUORIN_PACK_TRY_DRIVER="},
        // Setup would stop at start: nothing is run.
        {[&] { Write("pkg/Setup.INF", "[Main]\r\nTitle=T\r\nAll=1\r\n[1]\r\nLz=NOCOMMA\r\n"); }, 1,
         "[1] Lz: \"NOCOMMA\" has no comma"},
        {[&] { fs::remove(Path("pkg/Setup.INF")); }, 1, "no setup script (Setup.INF)"},
        {[&] { fs::remove(Path("pkg/Setup.EXE")); }, 1, "no Setup.EXE in the package folder"},
        {[&] { Write("prefix/system.reg", "another program's"); }, 2,
         "is neither empty nor a prefix made by quorin-pack try; it is left alone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told);
        Fresh();
        c.arrange();
        const RunResult r = RunPack({"try", P("pkg"), "--keep-prefix", P("prefix")});
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
        if (r.status == 1) {
            EXPECT_NE(r.err.find("Setup would stop at start with this package; nothing was run"),
                      std::string::npos);
        }
        EXPECT_FALSE(Exists("log")) << "Wine was started: " << Read("log");
    }
    EXPECT_EQ(Read("prefix/system.reg"), "another program's");
}

TEST_F(PackTry, TheDriverIsFoundBesideTheTool) {
    for (const char* place :
         {"tool/quorin-pack-try.exe", "win32/quorin-pack-try.exe", "share/quorin-pack/quorin-pack-try.exe"}) {
        SCOPED_TRACE(place);
        Fresh();
        Env("QUORIN_PACK_TRY_DRIVER", std::nullopt);
        Write(place, "MZ");
        EXPECT_EQ(RunPack({"try", P("pkg")}).status, 0);
        EXPECT_NE(Read("log").find("wine " + Path(place).lexically_normal().string() +
                                   " C:\\quorin-pack-try\\package C:\\quorin-pack-try\\record.txt"),
                  std::string::npos)
            << Read("log");
        fs::remove(Path(place));
    }
}

// With no display set, the trial starts Xvfb of its own and ends it.
TEST_F(PackTry, ATemporaryPrefixAndItsOwnXvfbServeOneTrialAndGo) {
    StandIn("Xvfb", kFakeXvfb);
    Env("DISPLAY", std::nullopt);
    const RunResult r = RunPack({"try", P("pkg"), "--screenshots", P("shots")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("verdict: PASS"), std::string::npos) << r.out;
    const std::string log = Read("log");
    // Made under the display with code page 932, the driver run, then the server ended.
    EXPECT_NE(log.find("wine wineboot -i DISPLAY=:77 LC_ALL=ja_JP.UTF-8 WINEARCH=win32"), std::string::npos)
        << log;
    EXPECT_NE(log.find("wine regedit /S "), std::string::npos) << log;
    EXPECT_NE(log.find("C:\\quorin-pack-try\\record.txt --screenshots C:\\quorin-pack-try\\screenshots"),
              std::string::npos)
        << log;
    EXPECT_GT(log.rfind("wineserver -k"), log.find("--screenshots")) << log;
    EXPECT_NE(::kill(std::stoi(Read("log.xvfb")), 0), 0) << "Xvfb still runs";
    EXPECT_TRUE(fs::is_empty(Path("tmp"))) << "the temporary prefix stays";
    EXPECT_EQ(Read("shots/not-installed.png"), "png\n");
    EXPECT_FALSE(Exists("pkg/Installed.TXT")) << "the user's package was changed";
}

// What one package leaves in a kept prefix's registry must not change the next trial.
TEST_F(PackTry, AKeptPrefixIsMadeOnceAndEachTrialStartsFromItsRegistryAsMade) {
    ASSERT_EQ(RunPack({"try", P("pkg"), "--keep-prefix", P("prefix")}).status, 0);
    const RunResult json = RunPack({"try", P("pkg"), "--keep-prefix", P("prefix"), "--json"});
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.out.rfind("{\n  \"package\": ", 0), 0u) << json.out;
    const std::string log = Read("log");
    EXPECT_EQ(log.find("wineboot"), log.rfind("wineboot")) << "made twice:\n" << log;
    EXPECT_NE(log.find("wine wineboot -i DISPLAY=:123 "), std::string::npos) << "not under the display set";
    EXPECT_NE(log.find("registry lines: 1"), log.rfind("registry lines: 1"))
        << "the second trial saw what the first left:\n"
        << log;
    EXPECT_FALSE(Exists("prefix/drive_c/quorin-pack-try")) << "the package copy stays in the prefix";
    // A prefix an earlier version of the tool made takes the settings again, without a new boot.
    Write("prefix/.quorin-pack-try", "1\n");
    fs::remove(Path("log"));
    ASSERT_EQ(RunPack({"try", P("pkg"), "--keep-prefix", P("prefix")}).status, 0);
    EXPECT_EQ(Read("log").find("wineboot"), std::string::npos) << Read("log");
    EXPECT_NE(Read("log").find("regedit"), std::string::npos) << Read("log");
}

// The reasons themselves and their rendering belong to the report's tests; here, that the trial's
// outcome reaches the exit status: check's problems fail a trial that went well otherwise.
TEST_F(PackTry, TheVerdictIsTheExitStatus) {
    Write("pkg/Setup.INF", "[Main]\r\nTitle=Quorin Try\r\nDocument=MISSING.TXT\r\nAll=0\r\n");
    RunResult r = RunPack({"try", P("pkg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("   - check: " + P("pkg") + "/Setup.INF: [Main] Document:"), std::string::npos)
        << r.out;
    // A driver that leaves no record.
    Env("FAKE_RECORD", std::nullopt);
    r = RunPack({"try", P("pkg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("without a complete record"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_empty(Path("tmp"))) << "the temporary prefix stays";
}

} // namespace
