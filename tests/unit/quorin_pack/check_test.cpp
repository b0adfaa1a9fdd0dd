// quorin-pack check against the scripts and compressed files a careless or hostile packager can
// ship: each problem is reported against its section and key, and nothing makes the check crash
// or take long.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "check.h"
#include "lz/encode.h"
#include "test_support.h"

namespace {

using namespace pack_test;
using quorin::pack::Problem;

class HostileCheck : public pack_test::ScratchFolder {
protected:
    // A package with a good compressed file GOOD.DA_ (expanding to Good.DAT) and the script
    // text given.
    void Package(const std::string& script) {
        Write("Setup.EXE", std::string("MZ"));
        Write("Setup.DLL", std::string("MZ"));
        Write("GOOD.DA_", Compressed("good data, good data", 'T'));
        Write("Setup.INF", script);
    }
    static Bytes Compressed(const std::string& s, char missing) {
        Bytes out;
        quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(s.data()), s.size(),
                           static_cast<uint8_t>(missing), out);
        return out;
    }
    std::vector<Problem> Check(int* entries = nullptr) {
        std::vector<Problem> problems;
        const int n = quorin::pack::CheckPackage(dir_.u8string(), problems);
        if (entries)
            *entries = n;
        return problems;
    }
    static std::string Script(const std::string& lz, const std::string& extra = "") {
        return "[Main]\r\nTitle=Hostile\r\nAll=1\r\n" + extra + "[1]\r\nLz=" + lz + "\r\n";
    }
    // Whether a problem names section and key and its message holds `words`.
    static bool Reported(const std::vector<Problem>& problems, const std::string& section,
                         const std::string& key, const std::string& words) {
        for (const Problem& p : problems)
            if (p.section == section && p.key == key && p.message.find(words) != std::string::npos)
                return true;
        return false;
    }
    static std::string All(const std::vector<Problem>& problems) {
        std::string s;
        for (const Problem& p : problems)
            s += quorin::pack::FormatProblem(p) + "\n";
        return s;
    }
};

// Names that would take Setup outside the package folder, or onto a device or a folder.
TEST_F(HostileCheck, NamesOutsideTheFolderOnDevicesOrFoldersAreReported) {
    const struct {
        const char* lz;
        const char* words;
    } cases[] = {
        {"C:\\Windows\\GOOD.DA_,Good.DAT", "leaves the package folder"},
        {"GOOD.DA_,C:\\Windows\\win.ini", "leaves the package folder"},
        {"GOOD.DA_,\\Good.DAT", "leaves the package folder"},
        {"GOOD.DA_,\\\\server\\share\\Good.DAT", "leaves the package folder"},
        {"GOOD.DA_,D:Good.DAT", "leaves the package folder"},
        {"GOOD.DA_,Good.DAT:stream", "leaves the package folder"},
        {"GOOD.DA_,..\\Good.DAT", "leaves the package folder"},
        {"GOOD.DA_,sub\\..\\..\\Good.DAT", "leaves the package folder"},
        {"GOOD.DA_,... \\Good.DAT", "leaves the package folder"},
        {"GOOD.DA_,CON", "device"},
        {"GOOD.DA_,nul", "device"},
        {"GOOD.DA_,COM1", "device"},
        {"GOOD.DA_,lpt9.txt", "device"},
        {"GOOD.DA_,sub\\AUX.dat", "device"},
        {"GOOD.DA_,Prn. ", "device"},
        {"NUL,Good.DAT", "device"},
        {"GOOD.DA_,Folder", "folder"},
        {"GOOD.DA_,Good\\", "folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lz);
        Package(Script(c.lz));
        std::filesystem::create_directories(Path("Folder"));
        const auto problems = Check();
        EXPECT_TRUE(Reported(problems, "1", "Lz", c.words)) << All(problems);
    }
}

// Setup's own files are never an entry's target, and never a compressed file that LzTrash deletes.
TEST_F(HostileCheck, SetupsOwnFilesAsNamesAreReported) {
    for (const char* own : {"Setup.EXE", "setup.inf", "SETUP.DLL"}) {
        SCOPED_TRACE(own);
        Package(Script(std::string("GOOD.DA_,") + own));
        EXPECT_TRUE(Reported(Check(), "1", "Lz", "Setup's own file")) << All(Check());
        Package(Script(std::string(own) + ",Good.DAT", "LzTrash=YES\r\n"));
        EXPECT_TRUE(Reported(Check(), "1", "Lz", "Setup's own file")) << All(Check());
    }
}

TEST_F(HostileCheck, AllOf32767WithFewSectionsReportsTheMissingRunOnceQuickly) {
    std::string script = "[Main]\r\nTitle=Hostile\r\nAll=32767\r\n";
    for (int i = 1; i <= 3; ++i)
        script += "[" + std::to_string(i) + "]\r\nLz=GOOD.DA_,Good" + std::to_string(i) + ".DAT\r\n";
    Package(script);
    const auto start = std::chrono::steady_clock::now();
    int entries = 0;
    const auto problems = Check(&entries);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("[hostile] All=32767 with 3 sections checked in %.2f s, %zu problems\n", seconds,
                problems.size());
    EXPECT_EQ(entries, 32767);
    EXPECT_TRUE(Reported(problems, "4", "Lz", "32763 sections after it, up to [32767]")) << All(problems);
    EXPECT_FALSE(Reported(problems, "3", "Lz", "missing"));
    EXPECT_EQ(problems.size(), 1u) << All(problems);

    // Runs are broken by a present section and by a section whose Lz lacks its comma.
    Package("[Main]\r\nTitle=Hostile\r\nAll=7\r\n[3]\r\nLz=GOOD.DA_,Good.DAT\r\n[5]\r\nLz=NOCOMMA\r\n");
    const auto broken = Check();
    EXPECT_TRUE(Reported(broken, "1", "Lz", "is the section after it, up to [2]")) << All(broken);
    EXPECT_TRUE(Reported(broken, "4", "Lz", "missing")) << All(broken);
    EXPECT_FALSE(Reported(broken, "4", "Lz", "after it")) << All(broken);
    EXPECT_TRUE(Reported(broken, "5", "Lz", "no comma")) << All(broken);
    EXPECT_TRUE(Reported(broken, "6", "Lz", "up to [7]")) << All(broken);
    EXPECT_EQ(broken.size(), 4u) << All(broken);
}

TEST_F(HostileCheck, DuplicateTargetsAreReported) {
    Package(
        "[Main]\r\nTitle=Hostile\r\nAll=4\r\n[1]\r\nLz=GOOD.DA_,Good.DAT\r\n[2]\r\nLz=GOOD.DA_,good.dat\r\n"
        "[3]\r\nLz=GOOD.DA_,sub/Good.DAT\r\n[4]\r\nLz=GOOD.DA_,sub\\GOOD.dat\r\n");
    const auto problems = Check();
    EXPECT_TRUE(Reported(problems, "2", "Lz", "also the final name of [1]")) << All(problems);
    EXPECT_FALSE(Reported(problems, "3", "Lz", "also the final name"))
        << "a file in a subfolder is another file";
    EXPECT_TRUE(Reported(problems, "4", "Lz", "also the final name of [3]"))
        << "\\ and / name the same folder";
}

TEST_F(HostileCheck, TenMegabyteScriptIsReadAndChecked) {
    std::string script = Script("GOOD.DA_,Good.DAT");
    script += "[Padding]\r\n";
    for (int i = 0; script.size() < 10u << 20; ++i)
        script += "Key" + std::to_string(i) + "=" + std::string(100, 'x') + "\r\n";
    Package(script);
    const auto start = std::chrono::steady_clock::now();
    int entries = 0;
    const auto problems = Check(&entries);
    std::printf("[hostile] 10 MB script checked in %.2f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    EXPECT_EQ(entries, 1);
    EXPECT_TRUE(problems.empty()) << All(problems);
}

TEST_F(HostileCheck, Utf8WithByteOrderMarkReadsLikeTheCodePageScript) {
    // "Title=テスト" in UTF-8 after a byte-order mark, and the same in code page 932.
    Package("\xEF\xBB\xBF[Main]\r\nTitle=\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\r\nAll=1\r\n[1]\r\nLz=GOOD.DA_,"
            "Good.DAT\r\n");
    EXPECT_TRUE(Check().empty()) << All(Check());
    Package("[Main]\r\nTitle=\x83\x65\x83\x58\x83\x67\r\nAll=1\r\n[1]\r\nLz=GOOD.DA_,Good.DAT\r\n");
    EXPECT_TRUE(Check().empty()) << All(Check());
}

TEST_F(HostileCheck, BinaryGarbageIsReportedNotTrusted) {
    Bytes garbage(64 * 1024);
    uint32_t x = 12345;
    for (auto& b : garbage) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    Package("");
    Write("Setup.INF", garbage);
    const auto problems = Check();
    EXPECT_TRUE(Reported(problems, "Main", "Title", "empty or missing")) << All(problems);
}

// Broken compressed files: each is reported as not decoding.
TEST_F(HostileCheck, BrokenCompressedFilesAreReported) {
    const Bytes good = Compressed(std::string(4000, 'q') + "tail of the data", 'T');
    Bytes truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    Bytes headerOnly(good.begin(), good.begin() + 10);
    Bytes longer = good;
    longer[10] = static_cast<uint8_t>(longer[10] + 7); // the header claims more than the data holds
    Bytes shorter = good;
    shorter[10] = static_cast<uint8_t>(shorter[10] - 7);
    shorter[11] = static_cast<uint8_t>(shorter[11]);
    Bytes badMode = good;
    badMode[8] = 'B';
    const struct {
        const char* name;
        Bytes data;
    } cases[] = {{"truncated", truncated},      {"header only", headerOnly}, {"length too long", longer},
                 {"length too short", shorter}, {"wrong mode", badMode},     {"0 bytes", Bytes()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Package(Script("BROKEN.DA_,Broken.DAT"));
        Write("BROKEN.DA_", c.data);
        const auto problems = Check();
        EXPECT_TRUE(Reported(problems, "1", "Lz", "does not decode")) << All(problems);
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
