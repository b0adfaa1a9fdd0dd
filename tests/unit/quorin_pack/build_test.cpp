// build and check, driven as a packager would: a manifest in, a package folder out, and every
// problem reported with its file, section and key.
#include "lz/decode.h"
#include "lz/encode.h"
#include "test_support.h"

using namespace pack_test;

namespace {

class PackBuild : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        Write("bin/Setup.EXE", "MZ setup program");
        Write("bin/Setup.DLL", "MZ setup library");
        Write("src/Joystick.OCX", Bytes(20000, 0x90));
        Write("src/Joystick.HLP", "help");
        Write("src/README.TXT", "read me\r\n");
    }
    RunResult Build(const std::string& manifest, std::vector<std::string> extra = {}) {
        Write("src/manifest.ini", manifest);
        std::vector<std::string> args = {"build",       P("src/manifest.ini"), "-o",
                                         P("pkg"),      "--setup-exe",         P("bin/Setup.EXE"),
                                         "--setup-dll", P("bin/Setup.DLL")};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunPack(args);
    }
};

const char kTitleUtf8[] =
    "\xe3\x82\xaa\xe3\x83\xb3\xe3\x83\x96\xe3\x83\xac\xe3\x83\xab\xe3\x81\xae\xe3\x82\xac"
    "\xe3\x83\xb3\xe3\x83\x88\xe3\x83\xac\xe3\x83\xab"; // オンブレルのガントレル

const std::string kManifest = std::string("\xEF\xBB\xBF; sample\n[Package]\nTitle=") + kTitleUtf8 +
                              "\nDocument=README.TXT\nLzTrash=YES\n\n[Copy]\nREADME.TXT=README.TXT\n\n"
                              "[File]\nSource=Joystick.OCX\nSelfRegister=YES\n\n"
                              "[File]\r\nSource=Joystick.HLP\r\nName=Gantrel.HLP\r\n";

TEST_F(PackBuild, BuildsTheWholePackage) {
    RunResult r = Build(kManifest);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("pkg/Setup.EXE"), ToBytes("MZ setup program"));
    EXPECT_EQ(Read("pkg/Setup.DLL"), ToBytes("MZ setup library"));
    EXPECT_EQ(Read("pkg/README.TXT"), ToBytes("read me\r\n"));
    const Bytes ocx = Read("pkg/Joystick.OC_");
    Bytes out;
    quorin::SzddHeader header;
    ASSERT_EQ(quorin::DecodeSzdd(ocx.data(), ocx.size(), out, &header), quorin::SzddStatus::Ok);
    EXPECT_EQ(out, Bytes(20000, 0x90));
    EXPECT_EQ(header.missingChar, 'X');
    EXPECT_TRUE(Exists("pkg/Gantrel.HL_"));

    // The script, byte for byte: code page 932, CRLF.
    const std::string title =
        "\x83\x49\x83\x93\x83\x75\x83\x8c\x83\x8b\x82\xcc\x83\x4b\x83\x93\x83\x67\x83\x8c\x83\x8b";
    const std::string expected = "[Main]\r\nTitle=" + title +
                                 "\r\nDocument=README.TXT\r\nAll=2\r\nLzTrash=YES\r\n"
                                 "\r\n[1]\r\nLz=Joystick.OC_,Joystick.OCX\r\nSelfRegister=YES\r\n"
                                 "\r\n[2]\r\nLz=Gantrel.HL_,Gantrel.HLP\r\nSelfRegister=NO\r\n";
    EXPECT_EQ(Read("pkg/Setup.INF"), ToBytes(expected));

    r = RunPack({"check", P("pkg")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("no problems (2 entries)"), std::string::npos);
}

// The title as Setup.INF holds it in code page 932, or refused when a character has no exact form
// there (a best-fit stand-in, such as the code page's own tilde for WAVE DASH, would not read back
// as written).
TEST_F(PackBuild, TitlesInCodePage932) {
    const struct {
        const char* utf8;
        const char* cp932; // null: refused
    } cases[] = {
        {"Ombrel's Gantrel", "Ombrel's Gantrel"},
        {"\xe3\x82\xaa\xe3\x83\xb3\xe3\x83\x96\xe3\x83\xac\xe3\x83\xab",
         "\x83\x49\x83\x93\x83\x75\x83\x8c\x83\x8b"},                         // オンブレル
        {"\xef\xbd\x9e\xef\xbc\x8d\xef\xbf\xa0", "\x81\x60\x81\x7c\x81\x91"}, // ～－￠: the code page's forms
        {"\xef\xbd\xb6\xef\xbe\x85", "\xb6\xc5"},                             // half-width ｶﾅ
        {"\xe2\x91\xa0\xe3\x88\xb1", "\x87\x40\x87\x8a"},                     // ①㈱ (NEC rows)
        {"\xe3\x80\x9c", nullptr},                                            // 〜 WAVE DASH
        {"\xe2\x88\x92", nullptr},                                            // − MINUS SIGN
        {"\xf0\x9f\x8e\xae", nullptr},                                        // 🎮
        {"caf\xc3\xa9", nullptr},                                             // é
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        fs::remove_all(Path("pkg"));
        const RunResult r =
            Build(std::string("[Package]\nTitle=") + c.utf8 + "\n[File]\nSource=Joystick.OCX\n");
        if (!c.cp932) {
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("[Package] Title: has characters that code page 932 cannot hold"),
                      std::string::npos)
                << r.err;
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.err;
        const Bytes script = Read("pkg/Setup.INF");
        const std::string expected = std::string("[Main]\r\nTitle=") + c.cp932 + "\r\n";
        EXPECT_EQ(std::string(script.begin(), script.end()).substr(0, expected.size()), expected);
    }
}

TEST_F(PackBuild, SourceOverrideTakesAnotherFile) {
    Write("other/Joystick.OCX", "the built control");
    RunResult r = Build(kManifest, {"--source", "joystick.ocx=" + P("other/Joystick.OCX")});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes ocx = Read("pkg/Joystick.OC_");
    Bytes out;
    ASSERT_EQ(quorin::DecodeSzdd(ocx.data(), ocx.size(), out), quorin::SzddStatus::Ok);
    EXPECT_EQ(out, ToBytes("the built control"));
    EXPECT_EQ(Build(kManifest, {"--source", "Nothing.OCX=x"}).status, 1);
    EXPECT_EQ(Build(kManifest, {"--source", "novalue"}).status, 2);
}

struct ManifestCase {
    const char* name;
    std::string manifest;
    std::vector<std::string> messages; // each must appear in the error output
};

TEST_F(PackBuild, ManifestProblemsNameTheSectionAndKey) {
    const std::string files = "[File]\nSource=Joystick.OCX\n";
    const std::vector<ManifestCase> cases = {
        {"NoTitle", "[Package]\nLzTrash=NO\n" + files, {"[Package] Title: missing or empty"}},
        {"UnknownKey", "[Package]\nTitle=T\nColour=red\n" + files, {"[Package] Colour: unknown key"}},
        {"BadYesNo",
         "[Package]\nTitle=T\nLzTrash=maybe\n" + files,
         {"[Package] LzTrash: \"maybe\" is neither YES nor NO"}},
        {"UnknownSection", "[Package]\nTitle=T\n[Extras]\n" + files, {"[Extras]: unknown section"}},
        {"FileWithoutSource", "[Package]\nTitle=T\n[File]\nName=X.DLL\n", {"[File 1] Source: missing"}},
        {"MissingSource",
         "[Package]\nTitle=T\n[File]\nSource=Nope.DLL\n",
         {"[File 1] Source:", "Nope.DLL: no such file"}},
        {"TwoShipNames",
         "[Package]\nTitle=T\n" + files + "[File]\nSource=Joystick.HLP\nName=joystick.ocy\n",
         {"the name \"joystick.oc_\" is also used by"}},
        {"FinalNameCollides",
         "[Package]\nTitle=T\n[File]\nSource=Joystick.HLP\nName=Setup.EXE\n",
         {"the name \"Setup.EXE\" is also used by"}},
        {"NotInCodePage",
         "[Package]\nTitle=T \xf0\x9f\x8e\xae\n" + files,
         {"[Package] Title: has characters that code page 932 cannot hold"}},
        {"TitleTooLong",
         "[Package]\nTitle=" + std::string(255, 'T') + "\n" + files,
         {"[Package] Title: 255 bytes"}},
        {"CommaInName",
         "[Package]\nTitle=T\n[File]\nSource=Joystick.HLP\nName=a,b.hlp\n",
         {"[File 1] Name: a comma"}},
        {"PathAsName",
         "[Package]\nTitle=T\n[File]\nSource=Joystick.HLP\nName=..\\up.hlp\n",
         {"[File 1] Name: \"..\\up.hlp\" must be a plain file name"}},
        {"UnknownDocument",
         "[Package]\nTitle=T\nDocument=MISSING.TXT\n" + files,
         {"[Package] Document: \"MISSING.TXT\" is neither copied nor installed"}},
        {"TitleWithQuotes",
         "[Package]\nTitle=\"Quoted\"\n" + files,
         {"[Package] Title: Setup would read it as \"Quoted\""}},
        {"KeyTwice", "[Package]\nTitle=A\nTitle=B\n" + files, {"[Package] Title: given twice"}},
    };
    for (const ManifestCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Path("pkg"));
        RunResult r = Build(c.manifest);
        EXPECT_EQ(r.status, 1);
        for (const std::string& m : c.messages) {
            EXPECT_NE(r.err.find(m), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("manifest.ini"), std::string::npos) << r.err;
        }
    }
}

} // namespace
