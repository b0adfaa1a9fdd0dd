// quorin-pack on Windows: a package built and checked in a temporary folder, and try declining to
// run there.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "command_line.h"

namespace fs = std::filesystem;

namespace {

TEST(QuorinPackWin32, BuildsAndChecksAPackage) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const fs::path dir = fs::path(temp) / (L"qpack" + std::to_wstring(::GetCurrentProcessId()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    };
    write("Setup.EXE", "MZ");
    write("Setup.DLL", "MZ");
    write("Joystick.OCX", std::string(10000, 'J'));
    write("README.TXT", "read me");
    write("manifest.ini",
          "[Package]\r\nTitle=\xe3\x82\xaa\xe3\x83\xb3\xe3\x83\x96\xe3\x83\xac\xe3\x83\xab\r\n"
          "Document=README.TXT\r\nLzTrash=YES\r\nSetupExe=Setup.EXE\r\nSetupDll=Setup.DLL\r\n"
          "[Copy]\r\nREADME.TXT=README.TXT\r\n[File]\r\nSource=Joystick.OCX\r\nSelfRegister=YES\r\n");
    const std::string base = dir.u8string();
    quorin::pack::StringOutput out, err;
    EXPECT_EQ(quorin::pack::Run({"build", base + "\\manifest.ini", "-o", base + "\\pkg"}, out, err), 0)
        << err.str();
    std::ifstream inf(dir / "pkg" / "Setup.INF", std::ios::binary);
    const std::string script((std::istreambuf_iterator<char>(inf)), std::istreambuf_iterator<char>());
    EXPECT_EQ(script,
              "[Main]\r\nTitle=\x83\x49\x83\x93\x83\x75\x83\x8c\x83\x8b\r\nDocument=README.TXT\r\nAll=1\r\n"
              "LzTrash=YES\r\n\r\n[1]\r\nLz=Joystick.OC_,Joystick.OCX\r\nSelfRegister=YES\r\n");
    quorin::pack::StringOutput out2, err2;
    EXPECT_EQ(quorin::pack::Run({"check", base + "\\pkg"}, out2, err2), 0) << err2.str();
    // try needs a private Wine prefix; on Windows it would install into the machine itself.
    quorin::pack::StringOutput out3, err3;
    EXPECT_EQ(quorin::pack::Run({"try", base + "\\pkg"}, out3, err3), 3);
    EXPECT_NE(err3.str().find("runs the package under Wine on Linux"), std::string::npos) << err3.str();
    inf.close();
    fs::remove_all(dir);
}

} // namespace
