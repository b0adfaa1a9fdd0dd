// build and check, driven as a packager would: a manifest in, a package folder out, and every
// problem reported with its file, section and key.
#include "base/cp932.h"
#include "lz/decode.h"
#include "lz/encode.h"
#include "pack_test_support.h"

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

    // The script, byte for byte: code page 932, CRLF. The title's bytes come from the platform
    // converter (iconv here); the core's own table must agree.
    const std::string title = quorin::cp932::Encode(quorin::FromUtf8(kTitleUtf8));
    ASSERT_EQ(title.size(), 22u);
    const std::string expected = "[Main]\r\nTitle=" + title +
                                 "\r\nDocument=README.TXT\r\nAll=2\r\nLzTrash=YES\r\n"
                                 "\r\n[1]\r\nLz=Joystick.OC_,Joystick.OCX\r\nSelfRegister=YES\r\n"
                                 "\r\n[2]\r\nLz=Gantrel.HL_,Gantrel.HLP\r\nSelfRegister=NO\r\n";
    EXPECT_EQ(Read("pkg/Setup.INF"), ToBytes(expected));

    r = RunPack({"check", P("pkg")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("no problems (2 entries)"), std::string::npos);
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

class PackCheck : public ScratchFolder {
protected:
    Bytes Compressed(const std::string& text) {
        Bytes out;
        quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 'X', out);
        return out;
    }
};

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct CheckCase {
    const char* name;
    std::string script;
    std::vector<std::string> problems; // empty: the package is fine
    std::vector<std::string> notes;    // told, but the package is fine
};

TEST_F(PackCheck, ReportsEveryProblemWithSectionAndKey) {
    const std::string entry1 = "[1]\r\nLz=A.OC_,A.OCX\r\n";
    const std::string main = "[Main]\r\nTitle=Ombrel's Gantrel\r\nAll=1\r\n";
    const std::vector<CheckCase> cases = {
        {"Good", main + entry1, {}},
        {"GoodUncompressedSource", main + "[1]\r\nLz=PLAIN.TXT,Plain.TXT\r\n", {}},
        {"MissingLz", main + "[1]\r\nSelfRegister=YES\r\n", {"[1] Lz: missing"}},
        {"MissingSection", "[Main]\r\nTitle=T\r\nAll=2\r\n" + entry1, {"[2] Lz: missing"}},
        {"NoComma", main + "[1]\r\nLz=A.OC_\r\n", {"[1] Lz: \"A.OC_\" has no comma"}},
        {"NegativeAll", "[Main]\r\nTitle=T\r\nAll=-1\r\n", {"[Main] All: -1 is outside 0 to 32767"}},
        {"AllTooLarge", "[Main]\r\nTitle=T\r\nAll=40000\r\n", {"[Main] All: 40000 is outside 0 to 32767"}},
        {"AllBeyond32Bits",
         "[Main]\r\nTitle=T\r\nAll=4294967297\r\n" + entry1,
         {"[Main] All: 4294967297 is outside 0 to 32767"}},
        {"AllInHex",
         "[Main]\r\nTitle=T\r\nAll=0x10001\r\n" + entry1,
         {"[Main] All: 0x10001 is outside 0 to 32767"}},
        {"TitleWithBackslash",
         "[Main]\r\nTitle=Ombrel\\Gantrel\r\nAll=1\r\n" + entry1,
         {"[Main] Title: \"Ombrel\\Gantrel\" holds \"\\\": Setup writes no entry in the list of installed "
          "programs"}},
        {"LzCutAt254Bytes",
         main + "[1]\r\nLz=A.OC_," + std::string(250, 'x') + ".OCX\r\n",
         {"[1] Lz: 260 bytes in code page 932; Setup reads only the first 254, so the final name arrives as "
          "\"" +
          std::string(248, 'x') + "\""}},
        {"LzCutInDoubleByteCharacters",
         main + "[1]\r\nLz=A.OC_," + Repeat("\x83\x4E", 125) + "\r\n",
         {"[1] Lz: 256 bytes in code page 932; Setup reads only the first 254"}},
        {"SelfRegisterThatNeverRegisters",
         main + "[1]\r\nLz=A.OC_,A.HLP\r\nSelfRegister=YES\r\n",
         {},
         {"[1] SelfRegister: note: \"A.HLP\" is no EXE, DLL or OCX; Setup does not register it"}},
        {"SelfRegisterOnAComponent", main + "[1]\r\nLz=A.OC_,a.Ocx\r\nSelfRegister=yes\r\n", {}},
        {"MissingCompressed",
         main + "[1]\r\nLz=GONE.OC_,Gone.OCX\r\n",
         {"[1] Lz: the compressed file \"GONE.OC_\" is missing"}},
        {"DoesNotDecode",
         main + "[1]\r\nLz=CUT.OC_,Cut.OCX\r\n",
         {"[1] Lz: the compressed file \"CUT.OC_\" does not decode"}},
        {"EmptyTitle", "[Main]\r\nTitle=\r\nAll=1\r\n" + entry1, {"[Main] Title: empty"}},
        {"TitleTooLong",
         "[Main]\r\nTitle=" + std::string(300, 'x') + "\r\nAll=1\r\n" + entry1,
         {"[Main] Title: 300 bytes in code page 932; Setup reads only the first 254"}},
        {"SameTarget",
         "[Main]\r\nTitle=T\r\nAll=2\r\n" + entry1 + "[2]\r\nLz=PLAIN.TXT,a.ocx\r\n",
         {"[2] Lz: the final name \"a.ocx\" is also the final name of [1]"}},
        {"SameTargetSpelledDifferently",
         "[Main]\r\nTitle=T\r\nAll=2\r\n" + entry1 + "[2]\r\nLz=PLAIN.TXT,.\\A.OCX.\r\n",
         {"[2] Lz: the final name \".\\A.OCX.\" is also the final name of [1]"}},
        {"ParentFolder",
         main + "[1]\r\nLz=..\\A.OC_,A.OCX\r\n",
         {"[1] Lz: the compressed name \"..\\A.OC_\" leaves"}},
        {"Absolute",
         main + "[1]\r\nLz=A.OC_,\\Windows\\A.OCX\r\n",
         {"[1] Lz: the final name \"\\Windows\\A.OCX\" leaves"}},
        {"Drive", main + "[1]\r\nLz=A.OC_,C:A.OCX\r\n", {"[1] Lz: the final name \"C:A.OCX\" leaves"}},
        {"Colon", main + "[1]\r\nLz=A.OC_,A.OCX:stream\r\n", {"leaves the package folder"}},
        {"DocumentMissing",
         "[Main]\r\nTitle=T\r\nDocument=README.TXT\r\nAll=1\r\n" + entry1,
         {"[Main] Document: \"README.TXT\" is neither in the package nor installed by it"}},
        {"DocumentInstalled", "[Main]\r\nTitle=T\r\nDocument=a.ocx\r\nAll=1\r\n" + entry1, {}},
        {"SeveralAtOnce",
         "[Main]\r\nAll=3\r\n" + entry1 + "[2]\r\nLz=x\r\n[3]\r\nLz=GONE.OC_,G.OCX\r\n",
         {"[Main] Title: empty", "[2] Lz: \"x\" has no comma",
          "[3] Lz: the compressed file \"GONE.OC_\" is missing"}},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        Write("pkg/a.oc_", Compressed("control")); // names are found without regard to case
        Write("pkg/PLAIN.TXT", "plain");
        Bytes cut = Compressed(std::string(500, 'c') + "tail of the file");
        cut.resize(cut.size() - 3);
        Write("pkg/CUT.OC_", cut);
        Write("pkg/Setup.INF", c.script);
        RunResult r = RunPack({"check", P("pkg")});
        EXPECT_EQ(r.status, c.problems.empty() ? 0 : 1) << r.err;
        for (const std::vector<std::string>* told : {&c.problems, &c.notes})
            for (const std::string& p : *told) {
                EXPECT_NE(r.err.find(p), std::string::npos) << r.err;
                EXPECT_NE(r.err.find("Setup.INF:"), std::string::npos);
            }
        // One line per problem or note.
        EXPECT_EQ(static_cast<size_t>(std::count(r.err.begin(), r.err.end(), '\n')),
                  c.problems.size() + c.notes.size())
            << r.err;
    }
}

TEST_F(PackCheck, NoScriptIsAProblem) {
    fs::create_directories(Path("empty"));
    RunResult r = RunPack({"check", P("empty")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no setup script"), std::string::npos);
}

} // namespace
