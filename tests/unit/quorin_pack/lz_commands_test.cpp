// compress and expand as a packager uses them: the options, what the header records, and files
// that are damaged or in the way (the naming rules themselves are the LZ library's tests).
#include "test_support.h"

using namespace pack_test;

namespace {

class PackLz : public ScratchFolder {};

// Without -r nothing is recorded, so the name gains a "_" and loses it again; -o places the files.
// (compress -r, the character it records and how small the files get are the interop tests'.)
TEST_F(PackLz, ExpandRestoresTheNameAndOverwritesOnlyWhenTold) {
    Write("Joystick.OC_", Compressed("control", 'X'));
    Write("in/notes.txt", "notes");
    Write("README.TX_", Compressed("new text", 'T'));
    Write("README.TXT", "edited by hand");
    fs::create_directories(Path("x"));
    EXPECT_EQ(RunPack({"expand", P("Joystick.OC_")}).status, 0);
    EXPECT_EQ(Read("Joystick.OCX"), "control");
    ASSERT_EQ(RunPack({"compress", P("in/notes.txt"), "-o", P("x")}).status, 0);
    EXPECT_EQ(RunPack({"expand", P("x/notes.txt_"), "-o", P(".")}).status, 0);
    EXPECT_EQ(Read("notes.txt"), "notes");
    RunResult r = RunPack({"expand", P("README.TX_")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, P("README.TXT") + ": exists; use -f to overwrite\n");
    EXPECT_EQ(Read("README.TXT"), "edited by hand");
    EXPECT_EQ(RunPack({"expand", "-f", P("README.TX_")}).status, 0);
    EXPECT_EQ(Read("README.TXT"), "new text");
}

TEST_F(PackLz, DamagedInputIsReportedAndLeavesNoOutput) {
    const std::string good = Compressed(std::string(3000, 'q'));
    std::string longer = good;
    longer.replace(10, 2, "\x01\x00", 2); // the header records 1 byte
    const struct {
        const char* name;
        std::string file;
        const char* told;
    } cases[] = {
        {"Truncated.OC_", good.substr(0, good.size() - 1), "the compressed data ends"},
        {"Longer.OC_", longer, "the compressed data is longer than the recorded length"},
        {"HeaderOnly.OC_", good.substr(0, 6), "the header is cut short"},
        {"Plain.OC_", "just text", "not an LZ (SZDD) compressed file"},
    };
    Write("Good.OC_", good);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.name, c.file);
        fs::remove(Path("Good.OCX"));
        const RunResult r = RunPack({"expand", P(c.name), P("Good.OC_")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(P(c.name) + ": " + c.told), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("; nothing written"), std::string::npos) << r.err;
        EXPECT_FALSE(Exists(std::string(c.name).replace(std::string(c.name).size() - 1, 1, "X")));
        EXPECT_EQ(Read("Good.OCX"), std::string(3000, 'q')) << "a good file in the same run is expanded";
    }
}

} // namespace
