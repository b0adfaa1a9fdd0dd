// quorin-pack on Windows: the code page 932 conversion through WideCharToMultiByte, and a
// package built and checked in a temporary folder (and try declining to run there).
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/cp932.h"
#include "pack.h"

namespace fs = std::filesystem;

namespace {

struct Cp932Case {
    const char* utf8;
    bool representable;
};

// The platform's converter and the core's own table agree on what Setup will read.
TEST(QuorinPackWin32, Cp932ConversionMatchesTheCoreTable) {
    const Cp932Case cases[] = {
        {"Ombrel's Gantrel", true},
        {"\xe3\x82\xaa\xe3\x83\xb3\xe3\x83\x96\xe3\x83\xac\xe3\x83\xab", true}, // オンブレル
        {"\xef\xbd\x9e\xef\xbc\x8d\xef\xbf\xa0", true}, // ～－￠: the code page's forms
        {"\xe3\x80\x9c", false},                        // 〜 WAVE DASH: no form without best fit
        {"\xe2\x88\x92", false},                        // − MINUS SIGN: likewise
        {"\xef\xbd\xb6\xef\xbe\x85", true},             // half-width ｶﾅ
        {"\xe2\x91\xa0\xe3\x88\xb1", true},             // ①㈱ (NEC rows)
        {"\xf0\x9f\x8e\xae", false},                    // 🎮
        {"caf\xc3\xa9", false},                         // é
    };
    for (const Cp932Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const std::optional<std::string> bytes = quorin::pack::Utf8ToCp932(c.utf8);
        EXPECT_EQ(bytes.has_value(), c.representable);
        EXPECT_EQ(quorin::cp932::EncodeExact(quorin::FromUtf8(c.utf8)).has_value(), c.representable);
        if (bytes && c.representable) {
            EXPECT_EQ(*bytes, quorin::cp932::Encode(quorin::FromUtf8(c.utf8)));
        }
    }
}

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
