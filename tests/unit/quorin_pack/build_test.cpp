// build, driven as a packager would: a manifest in, a package folder out, and every problem of
// the manifest reported with its section and key.
#include "test_support.h"

using namespace pack_test;

namespace {

class PackBuild : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        Write("bin/Setup.EXE", "MZ setup program");
        Write("bin/Setup.DLL", "MZ setup library");
        Write("src/Joystick.OCX", std::string(20000, '\x90'));
        Write("src/Joystick.HLP", "help");
        Write("src/README.TXT", "read me\r\n");
    }
    RunResult Build(const std::string& manifest, std::vector<std::string> extra = {}) {
        fs::remove_all(Path("pkg"));
        Write("src/manifest.ini", manifest);
        std::vector<std::string> args = {"build",       P("src/manifest.ini"), "-o",
                                         P("pkg"),      "--setup-exe",         P("bin/Setup.EXE"),
                                         "--setup-dll", P("bin/Setup.DLL")};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunPack(args);
    }
};

// オンブレルのガントレル, after a byte-order mark, with LF and CRLF lines.
const std::string kManifest =
    "\xEF\xBB\xBF; "
    "sample\n[Package]\nTitle=\xe3\x82\xaa\xe3\x83\xb3\xe3\x83\x96\xe3\x83\xac\xe3\x83\xab\xe3\x81"
    "\xae\xe3\x82\xac\xe3\x83\xb3\xe3\x83\x88\xe3\x83\xac\xe3\x83\xab\nDocument=README.TXT\nLzTrash=YES\n\n"
    "[Copy]\nREADME.TXT=README.TXT\n\n[File]\nSource=Joystick.OCX\nSelfRegister=YES\n\n"
    "[File]\r\nSource=Joystick.HLP\r\nName=Gantrel.HLP\r\n";

TEST_F(PackBuild, BuildsTheWholePackage) {
    RunResult r = Build(kManifest, {"--source", "joystick.ocx=" + P("src/Joystick.HLP")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("pkg/Setup.EXE"), "MZ setup program");
    EXPECT_EQ(Read("pkg/Setup.DLL"), "MZ setup library");
    EXPECT_EQ(Read("pkg/README.TXT"), "read me\r\n");
    // The names come back from the characters recorded; --source wins, letter case aside.
    ASSERT_EQ(RunPack({"expand", P("pkg/Joystick.OC_"), P("pkg/Gantrel.HL_")}).status, 0);
    EXPECT_EQ(Read("pkg/Joystick.OCX"), "help");
    EXPECT_EQ(Read("pkg/Gantrel.HLP"), "help");
    // The script, byte for byte: code page 932, CRLF.
    EXPECT_EQ(
        Read("pkg/Setup.INF"),
        "[Main]\r\nTitle=\x83\x49\x83\x93\x83\x75\x83\x8c\x83\x8b\x82\xcc\x83\x4b\x83\x93\x83\x67\x83\x8c\x83"
        "\x8b\r\nDocument=README.TXT\r\nAll=2\r\nLzTrash=YES\r\n"
        "\r\n[1]\r\nLz=Joystick.OC_,Joystick.OCX\r\nSelfRegister=YES\r\n"
        "\r\n[2]\r\nLz=Gantrel.HL_,Gantrel.HLP\r\nSelfRegister=NO\r\n");
    EXPECT_NE(r.out.find("package complete: " + P("pkg")), std::string::npos) << r.out;
    EXPECT_EQ(Build(kManifest, {"--source", "Nothing.OCX=x"}).status, 1);
    EXPECT_EQ(Build(kManifest, {"--source", "novalue"}).status, 2);
}

TEST_F(PackBuild, ManifestProblemsNameTheSectionAndKey) {
    const std::string files = "[File]\nSource=Joystick.OCX\n";
    const std::string cannotHold = "[Package] Title: has characters that code page 932 cannot hold";
    const struct {
        std::string manifest;
        std::string told;
    } cases[] = {
        {"[Package]\nLzTrash=NO\n" + files, "[Package] Title: missing or empty"},
        {"[Package]\nTitle=T\nColour=red\n" + files, "[Package] Colour: unknown key"},
        {"[Package]\nTitle=A\nTitle=B\n" + files, "[Package] Title: given twice"},
        {"[Package]\nTitle=T\nLzTrash=maybe\n" + files, "[Package] LzTrash: \"maybe\" is neither YES nor NO"},
        {"[Package]\nTitle=T\n[Extras]\n" + files, "[Extras]: unknown section"},
        {"Title=T\n" + files, "Title: line 1: a key before any section"},
        {"[Package]\nTitle=\xe3\x82\n" + files, "the manifest is not UTF-8 text"},
        {"[Package]\nTitle=T\n[File]\nName=X.DLL\n", "[File 1] Source: missing"},
        {"[Package]\nTitle=T\n[File]\nSource=Nope.DLL\n",
         "[File 1] Source: " + P("src/Nope.DLL") + ": no such file"},
        {"[Package]\nTitle=T\n" + files + "[File]\nSource=Joystick.HLP\nName=joystick.ocy\n",
         "compressed file: the name \"joystick.oc_\" is also used by compressed file"},
        {"[Package]\nTitle=T\n[File]\nSource=Joystick.HLP\nName=Setup.EXE\n",
         "installed file: the name \"Setup.EXE\" is also used by package file"},
        {"[Package]\nTitle=T\n[File]\nSource=Joystick.HLP\nName=a,b.hlp\n", "[File 1] Name: a comma"},
        {"[Package]\nTitle=T\n[File]\nSource=Joystick.HLP\nName=..\\up.hlp\n",
         "[File 1] Name: \"..\\up.hlp\" must be a plain file name"},
        {"[Package]\nTitle=T\nDocument=MISSING.TXT\n" + files,
         "[Package] Document: \"MISSING.TXT\" is neither copied nor installed"},
        {"[Package]\nTitle=" + std::string(255, 'T') + "\n" + files,
         "[Package] Title: 255 bytes in code page 932; Setup reads at most 254"},
        {"[Package]\nTitle=\"Quoted\"\n" + files, "[Package] Title: Setup would read it as \"Quoted\""},
        // No exact form in the code page: a best-fit stand-in would not read back as written.
        {"[Package]\nTitle=\xe3\x80\x9c\n" + files, cannotHold}, // 〜 WAVE DASH
        {"[Package]\nTitle=\xe2\x88\x92\n" + files, cannotHold}, // − MINUS SIGN
        {"[Package]\nTitle=T \xf0\x9f\x8e\xae\n" + files, cannotHold},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.manifest);
        const RunResult r = Build(c.manifest);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(P("src/manifest.ini") + ": " + c.told), std::string::npos) << r.err;
    }
}

} // namespace
