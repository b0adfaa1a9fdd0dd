// compress and expand as a packager uses them.
#include "lz/decode.h"
#include "lz/encode.h"
#include "test_support.h"

using namespace pack_test;

namespace {

class PackCli : public ScratchFolder {};

TEST_F(PackCli, CompressWithShippedNames) {
    const Bytes ocx(30000, 0x4D);
    Write("Joystick.OCX", ocx);
    Write("README.TXT", "read me\r\n");
    Write("a.c", "int x;");
    RunResult r = RunPack({"compress", "-r", P("Joystick.OCX"), P("README.TXT"), P("a.c")});
    ASSERT_EQ(r.status, 0) << r.err;
    struct Expect {
        const char* name;
        uint8_t recorded;
    };
    for (const Expect& e : {Expect{"Joystick.OC_", 'X'}, Expect{"README.TX_", 'T'}, Expect{"a.c_", 0}}) {
        SCOPED_TRACE(e.name);
        const Bytes file = Read(e.name);
        Bytes out;
        quorin::SzddHeader header;
        ASSERT_EQ(quorin::DecodeSzdd(file.data(), file.size(), out, &header), quorin::SzddStatus::Ok);
        EXPECT_EQ(header.missingChar, e.recorded);
    }
    EXPECT_LT(Read("Joystick.OC_").size(), 4000u);
}

TEST_F(PackCli, CompressWithoutRenamingAppendsUnderscore) {
    Write("in/Joystick.OCX", "control");
    fs::create_directories(Path("out"));
    RunResult r = RunPack({"compress", P("in/Joystick.OCX"), "-o", P("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(Exists("in/Joystick.OCX_"));
    const Bytes file = Read("out/Joystick.OCX_");
    ASSERT_GT(file.size(), 9u);
    EXPECT_EQ(file[9], 0); // nothing recorded
}

TEST_F(PackCli, ExpandRestoresTheRecordedName) {
    const Bytes data = ToBytes(std::string(5000, 'z') + "end");
    Write("Joystick.OCX", data);
    ASSERT_EQ(RunPack({"compress", "-r", P("Joystick.OCX")}).status, 0);
    fs::remove(Path("Joystick.OCX"));
    RunResult r = RunPack({"expand", P("Joystick.OC_")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("Joystick.OCX"), data);
    // Nothing recorded: the '_' is stripped.
    Write("notes.txt", "notes");
    ASSERT_EQ(RunPack({"compress", P("notes.txt"), "-o", P("")}).status, 0);
    fs::create_directories(Path("x"));
    r = RunPack({"expand", P("notes.txt_"), "-o", P("x")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("x/notes.txt"), ToBytes("notes"));
}

TEST_F(PackCli, ExpandRefusesToOverwriteWithoutForce) {
    Write("README.TXT", "new text");
    ASSERT_EQ(RunPack({"compress", "-r", P("README.TXT")}).status, 0);
    Write("README.TXT", "edited by hand");
    RunResult r = RunPack({"expand", P("README.TX_")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("README.TXT"), std::string::npos);
    EXPECT_NE(r.err.find("-f"), std::string::npos);
    EXPECT_EQ(Read("README.TXT"), ToBytes("edited by hand"));
    r = RunPack({"expand", "-f", P("README.TX_")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("README.TXT"), ToBytes("new text"));
}

struct DamageCase {
    const char* name;
    Bytes file;
    const char* message;
};

TEST_F(PackCli, DamagedInputIsReportedAndLeavesNoOutput) {
    const std::string text(3000, 'q');
    Bytes good;
    quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 'X', good);
    std::vector<DamageCase> cases = {
        {"Truncated.OC_", Bytes(good.begin(), good.end() - 1), "ends"},
        {"Longer.OC_",
         [&] {
             Bytes b = good;
             b[10] = 1;
             b[11] = 0;
             return b;
         }(),
         "longer"},
        {"HeaderOnly.OC_", Bytes(good.begin(), good.begin() + 6), "header"},
        {"Plain.OC_", ToBytes("just text"), "not an LZ"},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.name, c.file);
        RunResult r = RunPack({"expand", P(c.name)});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.name), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        const std::string base(c.name);
        EXPECT_FALSE(Exists(base.substr(0, base.size() - 1) + "X"));
    }
    // The good files in the same run are still expanded.
    Write("Good.OC_", good);
    RunResult r = RunPack({"expand", P("Truncated.OC_"), P("Good.OC_")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Read("Good.OCX"), ToBytes(text));
}

} // namespace
