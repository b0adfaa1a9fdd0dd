// check against the scripts and files a careless or hostile packager ships: every problem is
// reported once, against its section and key, with the words a packager acts on.
#include <algorithm>

#include "test_support.h"

using namespace pack_test;

namespace {

class PackCheck : public ScratchFolder {
protected:
    // A package folder with compressed files good and bad, a plain file and a subfolder; then
    // the script given (none: no Setup.INF).
    RunResult Check(const char* script) {
        fs::remove_all(Path("pkg"));
        Write("pkg/a.oc_", Compressed("control")); // names are found without regard to case
        Write("pkg/GOOD.DA_", Compressed("good data, good data", 'T'));
        Write("pkg/PLAIN.TXT", "plain"); // no signature: Setup copies it as it is
        const std::string cut = Compressed(std::string(500, 'c') + "tail of the file");
        Write("pkg/CUT.OC_", cut.substr(0, cut.size() - 3));
        Write("pkg/HEAD.OC_", cut.substr(0, 10));
        Write("pkg/EMPTY.OC_", "");
        fs::create_directories(Path("pkg/Folder"));
        if (script)
            Write("pkg/Setup.INF", script);
        return RunPack({"check", P("pkg")});
    }
};

// A name of `n` katakana "ク" in code page 932.
std::string DoubleByteName(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "\x83\x4E";
    return s;
}

std::string Entry(const std::string& lz, const std::string& main = "") {
    return "[Main]\r\nTitle=T\r\nAll=1\r\n" + main + "[1]\r\nLz=" + lz + "\r\n";
}

TEST_F(PackCheck, ReportsEveryProblemOnceWithSectionAndKey) {
    const std::string entry1 = "[1]\r\nLz=A.OC_,A.OCX\r\n";
    const std::string main = "[Main]\r\nTitle=Ombrel's Gantrel\r\nAll=1\r\n";
    const struct {
        const char* name;
        std::string script;
        std::vector<std::string> told; // problems and notes; none: the package is fine
        bool note = false;             // what is told is a note, which does not fail the check
    } cases[] = {
        {"good", main + entry1, {}},
        {"uncompressed source", Entry("PLAIN.TXT,Plain.TXT"), {}},
        {"script in UTF-8 after a byte-order mark",
         "\xEF\xBB\xBF[Main]\r\nTitle=\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\r\nAll=1\r\n" + entry1,
         {}},
        {"no script", "", {"no setup script (Setup.INF) in the package folder"}},
        {"missing Lz", main + "[1]\r\nSelfRegister=YES\r\n", {"[1] Lz: missing"}},
        {"missing section", "[Main]\r\nTitle=T\r\nAll=2\r\n" + entry1, {"[2] Lz: missing"}},
        {"no comma", main + "[1]\r\nLz=A.OC_\r\n", {"[1] Lz: \"A.OC_\" has no comma"}},
        // All as written, not as the 32-bit reader wraps it or Setup keeps 16 bits of it.
        {"negative All", "[Main]\r\nTitle=T\r\nAll=-1\r\n", {"[Main] All: -1 is outside 0 to 32767"}},
        {"All over 32767", "[Main]\r\nTitle=T\r\nAll=40000\r\n", {"[Main] All: 40000 is outside 0 to 32767"}},
        {"All beyond 32 bits",
         "[Main]\r\nTitle=T\r\nAll=4294967297\r\n" + entry1,
         {"[Main] All: 4294967297 is outside 0 to 32767"}},
        {"All in hex",
         "[Main]\r\nTitle=T\r\nAll=0x10001\r\n" + entry1,
         {"[Main] All: 0x10001 is outside 0 to 32767"}},
        {"empty title", "[Main]\r\nTitle=\r\nAll=1\r\n" + entry1, {"[Main] Title: empty or missing"}},
        {"title with a backslash",
         "[Main]\r\nTitle=Ombrel\\Gantrel\r\nAll=1\r\n" + entry1,
         {"[Main] Title: \"Ombrel\\Gantrel\" holds \"\\\": Setup writes no entry in the list of installed "
          "programs"}},
        {"title over 254 bytes",
         "[Main]\r\nTitle=" + std::string(300, 'x') + "\r\nAll=1\r\n" + entry1,
         {"[Main] Title: 300 bytes in code page 932; Setup reads only the first 254"}},
        {"Lz over 254 bytes",
         Entry("A.OC_," + std::string(250, 'x') + ".OCX"),
         {"[1] Lz: 260 bytes in code page 932; Setup reads only the first 254, so the final name arrives as "
          "\"" +
          std::string(248, 'x') + "\""}},
        {"Lz over 254 bytes in double-byte characters",
         Entry("A.OC_," + DoubleByteName(125)),
         {"[1] Lz: 256 bytes in code page 932; Setup reads only the first 254"}},
        {"SelfRegister on a file Setup never registers",
         Entry("A.OC_,A.HLP\r\nSelfRegister=YES"),
         {"[1] SelfRegister: note: \"A.HLP\" is no EXE, DLL or OCX; Setup does not register it"},
         true},
        {"SelfRegister on a component", Entry("A.OC_,a.Ocx\r\nSelfRegister=yes"), {}},
        {"compressed file missing",
         Entry("GONE.OC_,Gone.OCX"),
         {"[1] Lz: the compressed file \"GONE.OC_\" is missing"}},
        {"compressed file cut short",
         Entry("CUT.OC_,Cut.OCX"),
         {"[1] Lz: the compressed file \"CUT.OC_\" does not decode"}},
        {"compressed file cut in its header",
         Entry("HEAD.OC_,Head.OCX"),
         {"[1] Lz: the compressed file \"HEAD.OC_\" does not decode"}},
        {"compressed file empty",
         Entry("EMPTY.OC_,Empty.OCX"),
         {"[1] Lz: the compressed file \"EMPTY.OC_\" does not decode (it is empty)"}},
        {"one final name twice",
         "[Main]\r\nTitle=T\r\nAll=2\r\n" + entry1 + "[2]\r\nLz=PLAIN.TXT,.\\a.ocx.\r\n",
         {"[2] Lz: the final name \".\\a.ocx.\" is also the final name of [1]"}},
        {"one final name twice in a subfolder, \\ and / alike",
         "[Main]\r\nTitle=T\r\nAll=3\r\n" + entry1 +
             "[2]\r\nLz=A.OC_,sub/A.OCX\r\n[3]\r\nLz=A.OC_,sub\\a.ocx\r\n",
         {"[3] Lz: the final name \"sub\\a.ocx\" is also the final name of [2]"}},
        {"document missing",
         "[Main]\r\nTitle=T\r\nDocument=README.TXT\r\nAll=1\r\n" + entry1,
         {"[Main] Document: \"README.TXT\" is neither in the package nor installed by it"}},
        {"document installed", "[Main]\r\nTitle=T\r\nDocument=a.ocx\r\nAll=1\r\n" + entry1, {}},
        {"several at once",
         "[Main]\r\nAll=3\r\n" + entry1 + "[2]\r\nLz=x\r\n[3]\r\nLz=GONE.OC_,G.OCX\r\n",
         {"[Main] Title: empty", "[2] Lz: \"x\" has no comma",
          "[3] Lz: the compressed file \"GONE.OC_\" is missing"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult r = Check(c.script.empty() ? nullptr : c.script.c_str());
        EXPECT_EQ(r.status, c.told.empty() || c.note ? 0 : 1) << r.err;
        for (const std::string& t : c.told)
            EXPECT_NE(r.err.find("Setup.INF: " + t), std::string::npos) << r.err;
        EXPECT_EQ(static_cast<size_t>(std::count(r.err.begin(), r.err.end(), '\n')), c.told.size()) << r.err;
    }
}

// Names that would take Setup outside the package folder, onto a device or a folder, or onto its
// own files.
TEST_F(PackCheck, NamesSetupLeavesAloneAreReported) {
    const struct {
        std::string lz;
        const char* told;
        std::string main = "";
    } cases[] = {
        {"C:\\Windows\\GOOD.DA_,Good.DAT",
         "compressed name \"C:\\Windows\\GOOD.DA_\" leaves the package folder"},
        {"GOOD.DA_,C:\\Windows\\win.ini", "final name \"C:\\Windows\\win.ini\" leaves the package folder"},
        {"GOOD.DA_,\\Good.DAT", "final name \"\\Good.DAT\" leaves"},
        {"GOOD.DA_,\\\\server\\share\\Good.DAT", "final name \"\\\\server\\share\\Good.DAT\" leaves"},
        {"GOOD.DA_,D:Good.DAT", "final name \"D:Good.DAT\" leaves"},
        {"GOOD.DA_,Good.DAT:stream", "final name \"Good.DAT:stream\" leaves"},
        {"..\\GOOD.DA_,Good.DAT", "compressed name \"..\\GOOD.DA_\" leaves"},
        {"GOOD.DA_,sub\\..\\..\\Good.DAT", "final name \"sub\\..\\..\\Good.DAT\" leaves"},
        {"GOOD.DA_,... \\Good.DAT", "final name \"... \\Good.DAT\" leaves"},
        {"GOOD.DA_,CON", "final name \"CON\" names a device"},
        {"GOOD.DA_,nul", "final name \"nul\" names a device"},
        {"GOOD.DA_,lpt9.txt", "final name \"lpt9.txt\" names a device"},
        {"GOOD.DA_,sub\\AUX.dat", "final name \"sub\\AUX.dat\" names a device"},
        {"GOOD.DA_,COM1. ", "final name \"COM1.\" names a device"},
        {"NUL,Good.DAT", "compressed name \"NUL\" names a device"},
        {"GOOD.DA_,Folder", "final name \"Folder\" names a folder"},
        {"GOOD.DA_,Good\\", "final name \"Good\\\" names a folder"},
        {"GOOD.DA_,Setup.EXE", "final name \"Setup.EXE\" is Setup's own file"},
        {"GOOD.DA_,setup.inf", "final name \"setup.inf\" is Setup's own file"},
        {"SETUP.DLL,Good.DAT", "compressed name \"SETUP.DLL\" is Setup's own file, which LzTrash",
         "LzTrash=YES\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lz);
        const RunResult r = Check(Entry(c.lz, c.main).c_str());
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("[1] Lz: the ") + c.told), std::string::npos) << r.err;
    }
}

// A large All over a short script: the missing sections are one line, at once, however many.
TEST_F(PackCheck, MissingSectionsAreOneLinePerRun) {
    std::string script = "[Main]\r\nTitle=T\r\nAll=32767\r\n";
    for (int i = 1; i <= 3; ++i)
        script += "[" + std::to_string(i) + "]\r\nLz=GOOD.DA_,Good" + std::to_string(i) + ".DAT\r\n";
    RunResult r = Check(script.c_str());
    EXPECT_EQ(r.err.substr(r.err.find("Setup.INF:")),
              "Setup.INF: [4] Lz: missing: each section 1 to All needs Lz=compressed,final; so are the 32763 "
              "sections after it, up to [32767] (is All too large?)\n");
    // Runs end at a present section and at one whose Lz lacks its comma.
    r = Check("[Main]\r\nTitle=T\r\nAll=7\r\n[3]\r\nLz=GOOD.DA_,Good.DAT\r\n[5]\r\nLz=NOCOMMA\r\n");
    for (const char* told :
         {"[1] Lz: missing: each section 1 to All needs Lz=compressed,final; so is the section "
          "after it, up to [2]",
          "[4] Lz: missing: each section 1 to All needs Lz=compressed,final\n",
          "[5] Lz: \"NOCOMMA\" has no comma", "[6] Lz: missing", "up to [7]"})
        EXPECT_NE(r.err.find(told), std::string::npos) << told << "\n" << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << r.err;
}

} // namespace
