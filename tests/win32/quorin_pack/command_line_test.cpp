// What Windows adds to the commands: the file calls through UTF-16 paths (a folder with a Japanese
// name), and try declining to run.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "command_line.h"

namespace fs = std::filesystem;

namespace {

TEST(QuorinPackWin32, BuildsAndChecksInAFolderWithAJapaneseName) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const fs::path dir =
        fs::path(temp) / (L"qpack\x30D1\x30C3\x30AF" + std::to_wstring(::GetCurrentProcessId()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& [name, text] :
         {std::pair{"Setup.EXE", "MZ"},
          {"Setup.DLL", "MZ"},
          {"Joystick.OCX", "control"},
          {"manifest.ini", "[Package]\r\nTitle=T\r\nSetupExe=Setup.EXE\r\nSetupDll=Setup.DLL"
                           "\r\n[File]\r\nSource=Joystick.OCX\r\nSelfRegister=YES\r\n"}})
        std::ofstream(dir / name, std::ios::binary) << text;
    const std::string base = dir.u8string();
    quorin::pack::StringOutput out, err;
    EXPECT_EQ(quorin::pack::Run({"build", base + "\\manifest.ini", "-o", base + "\\pkg"}, out, err), 0)
        << err.str();
    std::ifstream inf(dir / "pkg" / "Setup.INF", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(inf)), std::istreambuf_iterator<char>()),
              "[Main]\r\nTitle=T\r\nAll=1\r\nLzTrash=NO\r\n\r\n[1]\r\nLz=Joystick.OC_,Joystick."
              "OCX\r\nSelfRegister=YES\r\n");
    inf.close();
    EXPECT_EQ(quorin::pack::Run({"expand", base + "\\pkg\\Joystick.OC_"}, out, err), 0) << err.str();
    std::ifstream ocx(dir / "pkg" / "Joystick.OCX", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(ocx)), std::istreambuf_iterator<char>()),
              "control");
    ocx.close();
    // A trial installs for real; only a private Wine prefix keeps that away from the machine.
    EXPECT_EQ(quorin::pack::Run({"try", base + "\\pkg"}, out, err), 3);
    EXPECT_NE(err.str().find("runs the package under Wine on Linux"), std::string::npos) << err.str();
    fs::remove_all(dir);
}

} // namespace
