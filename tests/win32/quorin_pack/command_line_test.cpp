// What Windows adds to the commands: the file calls through UTF-16 paths (a folder with a Japanese
// name), and try declining to run.
#include "test_support.h"

using namespace pack_test;

namespace {

class QuorinPackWin32 : public ScratchFolder {};

TEST_F(QuorinPackWin32, BuildsExpandsAndDeclinesToTryInAFolderWithAJapaneseName) {
    const std::string dir = "\xe3\x83\x91\xe3\x83\x83\xe3\x82\xaf"; // パック
    Write(dir + "/Setup.EXE", "MZ");
    Write(dir + "/Setup.DLL", "MZ");
    Write(dir + "/Joystick.OCX", "control");
    Write(dir + "/manifest.ini", "[Package]\r\nTitle=T\r\nSetupExe=Setup.EXE\r\nSetupDll=Setup.DLL\r\n"
                                 "[File]\r\nSource=Joystick.OCX\r\nSelfRegister=YES\r\n");
    const std::string base = P(dir);
    RunResult r = RunPack({"build", base + "\\manifest.ini", "-o", base + "\\pkg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read(dir + "/pkg/Setup.INF"), "[Main]\r\nTitle=T\r\nAll=1\r\nLzTrash=NO\r\n\r\n"
                                            "[1]\r\nLz=Joystick.OC_,Joystick.OCX\r\nSelfRegister=YES\r\n");
    r = RunPack({"expand", base + "\\pkg\\Joystick.OC_"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read(dir + "/pkg/Joystick.OCX"), "control");
    // A trial installs for real; only a private Wine prefix keeps that away from the machine.
    r = RunPack({"try", base + "\\pkg"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("runs the package under Wine on Linux"), std::string::npos) << r.err;
}

} // namespace
