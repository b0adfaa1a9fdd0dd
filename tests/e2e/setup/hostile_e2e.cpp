// Setup.EXE started in package folders whose scripts are hostile or broken. For each: the
// program ends on its own once its boxes are answered (no crash, no hang), the files outside
// the package folder are as they were, and Setup.EXE, Setup.INF and Setup.DLL are unchanged.
// Installs are answered Yes, so every entry Setup accepts is tried; entries are few, as each
// placed entry pauses 2 s.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "setup_driver.h"
#include "win/ansi.h"

namespace {

using namespace quorin::driver;
std::wstring g_payload;
const std::wstring kRoot = L"C:\\quorin-hostile";

std::string Entries(const std::vector<std::string>& lz, bool trash = false) {
    std::string s = "[Main]\r\nTitle=Quorin Hostile\r\nAll=" + std::to_string(lz.size()) +
                    "\r\nLzTrash=" + (trash ? "YES" : "NO") + "\r\n";
    for (size_t i = 0; i < lz.size(); ++i)
        s += "[" + std::to_string(i + 1) + "]\r\nLz=" + lz[i] + "\r\n";
    return s;
}

void CleanRegistry() {
    const std::wstring section = L"Software\\Ombrel's Quorin\\Installer";
    RegDeleteKeyValueW(HKEY_CURRENT_USER, section.c_str(), L"Quorin Hostile");
    // A script without a title (binary garbage) is recorded under the unnamed value.
    if (RegString(HKEY_CURRENT_USER, section, nullptr).value_or(L"").rfind(kRoot, 0) == 0)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, section.c_str(), nullptr);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE,
                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorin Hostile");
}

TEST(HostileScripts, SetupNeitherCrashesNorHangsNorLeavesItsFolder) {
    ASSERT_EQ(GetACP(), 932u);
    RemoveTree(kRoot);
    ASSERT_TRUE(CreateDirectoryW(kRoot.c_str(), nullptr));
    WriteBytes(kRoot + L"\\outside.txt", "outside the package\r\n");
    // The uncompressed "compressed" file every case offers.
    const std::string plain = "plain data\r\n";

    std::string big = Entries({"DATA.TXT,Copy.TXT"}) + "[Padding]\r\n";
    while (big.size() < (10u << 20))
        big += "Key" + std::to_string(big.size()) + "=" + std::string(120, 'z') + "\r\n";
    std::string garbage(70000, '\0');
    uint32_t x = 7;
    for (char& c : garbage) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    std::string all = "[Main]\r\nTitle=Quorin Hostile\r\nAll=32767\r\n[1]\r\nLz=DATA.TXT,Copy.TXT\r\n";

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"absolute, drive, colon, parent",
         Entries({"DATA.TXT,C:\\quorin-hostile\\outside.txt", "DATA.TXT,\\outside.txt",
                  "DATA.TXT,C:outside.txt", "DATA.TXT,Copy.TXT:stream", "DATA.TXT,..\\outside.txt",
                  "..\\outside.txt,Copy.TXT"})},
        {"devices and folder", Entries({"DATA.TXT,CON", "NUL,Copy.TXT", "DATA.TXT,COM1", "DATA.TXT,Sub"})},
        {"own files",
         Entries({"DATA.TXT,Setup.EXE", "DATA.TXT,setup.inf", "DATA.TXT,SETUP.DLL", "Setup.INF,Copy.TXT"},
                 true)},
        {"duplicate targets", Entries({"DATA.TXT,Copy.TXT", "DATA.TXT,copy.txt"})},
        {"All 32767, one section", all},
        {"10 MB script", big},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + Entries({"DATA.TXT,Copy.TXT"})},
        {"binary garbage", garbage},
    };
    int held = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].first);
        CleanRegistry();
        const std::wstring folder = kRoot + L"\\case" + std::to_wstring(i);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(
            CopyFileW((g_payload + L"\\Setup.EXE").c_str(), (folder + L"\\Setup.EXE").c_str(), FALSE));
        ASSERT_TRUE(
            CopyFileW((g_payload + L"\\Setup.DLL").c_str(), (folder + L"\\Setup.DLL").c_str(), FALSE));
        CreateDirectoryW((folder + L"\\Sub").c_str(), nullptr);
        WriteBytes(folder + L"\\DATA.TXT", plain);
        WriteBytes(folder + L"\\Setup.INF", cases[i].second);
        const TreeMap before = Tree(kRoot);

        const Session r = Drive(folder, kInstallCaption, 90);
        std::printf("[hostile-e2e] %s: ended %d exit %lu, %zu boxes, install %d, %.1f s\n", cases[i].first,
                    r.ended, r.exitCode, r.boxes.size(), r.pressed, r.seconds);
        EXPECT_TRUE(r.ended) << "Setup hung";
        EXPECT_LE(r.exitCode, 1u) << "Setup crashed";

        const TreeMap after = Tree(kRoot);
        for (const auto& [path, data] : before) {
            const bool inFolder = path.compare(0, folder.size() + 1, folder + L"\\") == 0;
            const bool own = path == folder + L"\\Setup.EXE" || path == folder + L"\\Setup.INF" ||
                             path == folder + L"\\Setup.DLL";
            if (!inFolder || own) {
                auto it = after.find(path);
                EXPECT_TRUE(it != after.end() && it->second == data)
                    << "changed or removed: " << std::string(path.begin(), path.end());
            }
        }
        for (const auto& [path, data] : after)
            if (!before.count(path))
                EXPECT_EQ(path.compare(0, folder.size() + 1, folder + L"\\"), 0)
                    << "created outside the package: " << std::string(path.begin(), path.end());
        held += !HasFailure();
        CleanRegistry();
    }
    RemoveTree(kRoot);
    std::printf("[hostile-e2e] %d of %zu hostile scripts held\n", held, cases.size());
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_payload = WindowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
