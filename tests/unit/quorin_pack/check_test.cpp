// check against the scripts and files a careless or hostile packager ships: every problem is
// reported once, against its section and key, with the words a packager acts on.
#include <algorithm>

#include "test_support.h"

using namespace pack_test;

namespace {

// A package folder with compressed files good and bad, a plain file and a subfolder.
class PackCheck : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        Write("pkg/a.oc_", Compressed("control")); // names are found without regard to case
        Write("pkg/GOOD.DA_", Compressed("good data, good data", 'T'));
        Write("pkg/PLAIN.TXT", "plain"); // no signature: Setup copies it as it is
        const std::string cut = Compressed(std::string(500, 'c') + "tail of the file");
        Write("pkg/CUT.OC_", cut.substr(0, cut.size() - 3));
        Write("pkg/HEAD.OC_", cut.substr(0, 10));
        Write("pkg/EMPTY.OC_", "");
        fs::create_directories(Path("pkg/Folder"));
    }
};

// [Main] with `keys`, then a good [1] and `more`.
std::string Main(const std::string& keys, const std::string& more = "") {
    return "[Main]\r\n" + keys + "[1]\r\nLz=A.OC_,A.OCX\r\n" + more;
}

// [Main] with a title, All=1 and `keys`, then [1] with Lz=`lz`.
std::string Entry(const std::string& lz, const std::string& keys = "") {
    return "[Main]\r\nTitle=T\r\nAll=1\r\n" + keys + "[1]\r\nLz=" + lz + "\r\n";
}

TEST_F(PackCheck, ReportsEveryProblemOnceWithSectionAndKey) {
    const std::string doubleByte(250, '\x83'); // 125 katakana "ャ" in code page 932
    const std::string missing = "Lz: missing: each section 1 to All needs Lz=compressed,final";
    const struct {
        std::string script;            // none: no Setup.INF
        std::vector<std::string> told; // problems and notes, each a line; none: the package is fine
    } cases[] = {
        {Main("Title=Ombrel's Gantrel\r\nAll=1\r\n"), {}},
        {Entry("PLAIN.TXT,Plain.TXT"), {}},
        {"\xEF\xBB\xBF" + Main("Title=\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\r\nAll=1\r\n"), {}}, // UTF-8, BOM
        {"", {"no setup script (Setup.INF) in the package folder"}},
        {"[Main]\r\nTitle=T\r\nAll=1\r\n[1]\r\nSelfRegister=YES\r\n", {"[1] Lz: missing"}},
        {Entry("A.OC_"), {"[1] Lz: \"A.OC_\" has no comma"}},
        // All as written, not as the 32-bit reader wraps it or Setup keeps 16 bits of it.
        {"[Main]\r\nTitle=T\r\nAll=-1\r\n", {"[Main] All: -1 is outside 0 to 32767"}},
        {Main("Title=T\r\nAll=4294967297\r\n"), {"[Main] All: 4294967297 is outside 0 to 32767"}},
        // A large All over a short script: the missing sections are one line, at once.
        {Main("Title=T\r\nAll=32767\r\n"),
         {"[2] " + missing + "; so are the 32765 sections after it, up to [32767] (is All too large?)\n"}},
        // Runs end at a present section and at one whose Lz lacks its comma.
        {"[Main]\r\nTitle=T\r\nAll=7\r\n[3]\r\nLz=GOOD.DA_,Good.DAT\r\n[5]\r\nLz=NOCOMMA\r\n",
         {"[1] " + missing + "; so is the section after it, up to [2]", "[4] " + missing + "\n",
          "[5] Lz: \"NOCOMMA\" has no comma", "[6] " + missing + "; so is the section after it, up to [7]"}},
        {Main("Title=\r\nAll=1\r\n"), {"[Main] Title: empty or missing"}},
        {Main("Title=Ombrel\\Gantrel\r\nAll=1\r\n"),
         {"[Main] Title: \"Ombrel\\Gantrel\" holds \"\\\": Setup writes no entry in the list of installed "
          "programs"}},
        {Main("Title=" + std::string(300, 'x') + "\r\nAll=1\r\n"),
         {"[Main] Title: 300 bytes in code page 932; Setup reads only the first 254"}},
        {Entry("A.OC_," + std::string(250, 'x') + ".OCX"),
         {"[1] Lz: 260 bytes in code page 932; Setup reads only the first 254, so the final name arrives as "
          "\"" +
          std::string(248, 'x') + "\""}},
        {Entry("A.OC_," + doubleByte),
         {"[1] Lz: 256 bytes in code page 932; Setup reads only the first 254"}},
        {Entry("A.OC_,A.HLP\r\nSelfRegister=YES"),
         {"[1] SelfRegister: note: \"A.HLP\" is no EXE, DLL or OCX; Setup does not register it"}},
        {Entry("A.OC_,a.Ocx\r\nSelfRegister=yes"), {}},
        {Entry("GONE.OC_,Gone.OCX"), {"[1] Lz: the compressed file \"GONE.OC_\" is missing"}},
        {Entry("CUT.OC_,Cut.OCX"), {"[1] Lz: the compressed file \"CUT.OC_\" does not decode"}},
        {Entry("HEAD.OC_,Head.OCX"), {"[1] Lz: the compressed file \"HEAD.OC_\" does not decode"}},
        {Entry("EMPTY.OC_,Empty.OCX"),
         {"[1] Lz: the compressed file \"EMPTY.OC_\" does not decode (it is empty)"}},
        {Main("Title=T\r\nAll=2\r\n", "[2]\r\nLz=PLAIN.TXT,.\\a.ocx.\r\n"),
         {"[2] Lz: the final name \".\\a.ocx.\" is also the final name of [1]"}},
        {Main("Title=T\r\nDocument=README.TXT\r\nAll=1\r\n"),
         {"[Main] Document: \"README.TXT\" is neither in the package nor installed by it"}},
        {Main("Title=T\r\nDocument=a.ocx\r\nAll=1\r\n"), {}},
        {Main("All=3\r\n", "[2]\r\nLz=x\r\n[3]\r\nLz=GONE.OC_,G.OCX\r\n"),
         {"[Main] Title: empty", "[2] Lz: \"x\" has no comma",
          "[3] Lz: the compressed file \"GONE.OC_\" is missing"}},
        // Names that would take Setup outside the package folder, onto a device or a folder, or
        // onto its own files.
        {Entry("C:\\Windows\\GOOD.DA_,Good.DAT"),
         {"[1] Lz: the compressed name \"C:\\Windows\\GOOD.DA_\" leaves the package folder"}},
        {Entry("GOOD.DA_,C:\\Windows\\win.ini"),
         {"[1] Lz: the final name \"C:\\Windows\\win.ini\" leaves the package folder"}},
        {Entry("GOOD.DA_,CON"), {"[1] Lz: the final name \"CON\" names a device"}},
        {Entry("GOOD.DA_,COM1. "), {"[1] Lz: the final name \"COM1.\" names a device"}},
        {Entry("NUL,Good.DAT"), {"[1] Lz: the compressed name \"NUL\" names a device"}},
        {Entry("GOOD.DA_,Folder"), {"[1] Lz: the final name \"Folder\" names a folder"}},
        {Entry("GOOD.DA_,Good\\"), {"[1] Lz: the final name \"Good\\\" names a folder"}},
        {Entry("GOOD.DA_,Setup.EXE"), {"[1] Lz: the final name \"Setup.EXE\" is Setup's own file"}},
        {Entry("SETUP.DLL,Good.DAT", "LzTrash=YES\r\n"),
         {"[1] Lz: the compressed name \"SETUP.DLL\" is Setup's own file, which LzTrash would delete",
          "[1] Lz: the compressed file \"SETUP.DLL\" is missing"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        fs::remove(Path("pkg/Setup.INF"));
        if (!c.script.empty())
            Write("pkg/Setup.INF", c.script);
        const RunResult r = RunPack({"check", P("pkg")});
        // A note alone does not fail the check.
        const bool fails = std::any_of(c.told.begin(), c.told.end(), [](const std::string& t) {
            return t.find(": note: ") == std::string::npos;
        });
        EXPECT_EQ(r.status, fails ? 1 : 0) << r.err;
        for (const std::string& t : c.told)
            EXPECT_NE(r.err.find("Setup.INF: " + t), std::string::npos) << t << "\n" << r.err;
        EXPECT_EQ(static_cast<size_t>(std::count(r.err.begin(), r.err.end(), '\n')), c.told.size()) << r.err;
    }
}

} // namespace
