// The built Setup.EXE's resources: every string-table entry present in Japanese (a few checked
// to the character; the others where they are shown), its icons, locale marker, version block
// and manifest.
#include "setup/program.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

const quorin::win::UniqueModule g_setup{::LoadLibraryExW(L"" QUORIN_SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE)};

std::string Bytes(LPCWSTR type, int name) {
    HRSRC found = ::FindResourceExW(g_setup.get(), type, MAKEINTRESOURCEW(name), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    return found ? std::string(static_cast<const char*>(::LockResource(::LoadResource(g_setup.get(), found))),
                               ::SizeofResource(g_setup.get(), found))
                 : std::string();
}

TEST(Resources, StringTableIconsLocaleVersionAndManifest) {
    ASSERT_TRUE(g_setup);
    for (uint32_t id : {1u, 2u, 11u, 12u, 13u, 101u, 102u, 103u, 104u, 105u, 106u, 107u, 201u, 202u, 203u, 204u, 301u,
                        302u, 303u, 304u, 305u, 306u, 307u}) {
        const Text text = setup::LoadTextFrom(g_setup.get(), id);
        EXPECT_TRUE(!text.empty() && text.find(u'\r') == Text::npos) << id;
    }
    for (int block : {1, 7, 13, 19}) // entries live in blocks of 16 in Japanese (Japan)
        EXPECT_FALSE(Bytes(RT_STRING, block).empty()) << block;
    EXPECT_EQ(setup::LoadTextFrom(g_setup.get(), 13), u"アンインストールしていますので、しばらくお待ちください...");
    EXPECT_EQ(setup::LoadTextFrom(g_setup.get(), 307), u"プログラムの追加と削除の一覧から削除できませんでした");
    // Icons, locale marker, version block and manifest.
    const std::string group = Bytes(RT_GROUP_ICON, 1);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    for (int i = 0; i < 2; ++i) { // width, height, colours, and the image itself
        const auto* entry = reinterpret_cast<const BYTE*>(group.data() + 6 + 14 * i);
        EXPECT_TRUE(entry[0] == (i ? 16 : 32) && entry[1] == entry[0] && entry[2] == 16) << i;
        EXPECT_FALSE(Bytes(RT_ICON, i + 1).empty()) << i;
    }
    EXPECT_EQ(Bytes(MAKEINTRESOURCEW(255), 1), std::string("\x11\x04\0\0", 4)); // 1041

    const DWORD size = ::GetFileVersionInfoSizeW(L"" QUORIN_SETUP_EXE, nullptr);
    std::vector<char> block(size);
    ASSERT_TRUE(size && ::GetFileVersionInfoW(L"" QUORIN_SETUP_EXE, 0, size, block.data()));
    const auto value = [&](const wchar_t* path) {
        static const wchar_t none[64] = {};
        void* found = nullptr;
        UINT length = 0;
        EXPECT_TRUE(::VerQueryValueW(block.data(), path, &found, &length)) << path;
        return found ? found : const_cast<wchar_t*>(none);
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    EXPECT_TRUE(fixed->dwFileVersionMS == 0x00010032 && fixed->dwFileVersionLS == 0 &&
                fixed->dwProductVersionMS == 0x00010032 && fixed->dwFileType == VFT_APP && fixed->dwFileOS == VOS__WINDOWS32);
    const auto* translation = static_cast<const WORD*>(value(L"\\VarFileInfo\\Translation"));
    EXPECT_TRUE(translation[0] == 0x0411 && translation[1] == 0x04B0);
    for (const auto& [name, expected] : {std::pair(L"FileDescription", L"ｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ"),
                                         std::pair(L"ProductName", L"Ombrel's Quorin Installer"),
                                         std::pair(L"OriginalFilename", L"Setup.EXE")})
        EXPECT_STREQ(static_cast<const wchar_t*>(value((std::wstring(L"\\StringFileInfo\\041104B0\\") + name).c_str())), expected);
    const std::string manifest = Bytes(RT_MANIFEST, 1);
    for (const char* part : {"level=\"requireAdministrator\"", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             ">true</dpiAware>"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

} // namespace
} // namespace setup_test
