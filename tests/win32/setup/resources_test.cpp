// The built Setup.EXE's resources: every string-table entry present in Japanese (a few checked
// to the character), its icons, locale marker, version block and manifest.
#include <cstring>

#include "setup/program.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

class Resources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module_); }
    std::string Bytes(LPCWSTR type, LPCWSTR name) {
        HRSRC found = ::FindResourceExW(module_.get(), type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
        if (!found)
            return {};
        return std::string(static_cast<const char*>(::LockResource(::LoadResource(module_.get(), found))),
                           ::SizeofResource(module_.get(), found));
    }
    Text String(uint32_t id) { return setup::LoadTextFrom(module_.get(), id); }
    quorin::win::UniqueModule module_{::LoadLibraryExW(L"" QUORIN_SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE)};
};

TEST_F(Resources, StringTable) {
    for (uint32_t id : {1u, 2u, 11u, 12u, 13u, 101u, 102u, 103u, 104u, 105u, 106u, 107u, 201u, 202u, 203u, 204u, 301u,
                        302u, 303u, 304u, 305u, 306u, 307u}) {
        EXPECT_FALSE(String(id).empty()) << id;
        EXPECT_EQ(String(id).find(u'\r'), Text::npos) << id;
    }
    for (uint32_t block : {1u, 7u, 13u, 19u}) // entries live in blocks of 16 in Japanese (Japan)
        EXPECT_FALSE(Bytes(RT_STRING, MAKEINTRESOURCEW(block)).empty()) << block;
    EXPECT_EQ(String(1), u"Ombrel's Quorin Installer");
    EXPECT_EQ(String(2), u"Copyright (C) 2003~2004 Ombrel Works");
    EXPECT_EQ(String(102), u"プログラムは次の場所へインストールされます\n\n'$'\n\nセットアップを終了し場所を移動して再び起動することもできます");
    EXPECT_EQ(String(107), u"アンインストールが完了しました\n必要なければファイル フォルダは消去してください");
    EXPECT_EQ(String(202), u"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'$'\n\nセクション [$] のキー $ の値 '$' "
                           u"にコンマ (,) がありません");
}

TEST_F(Resources, IconsLocaleVersionAndManifest) {
    const std::string group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    for (int i = 0; i < 2; ++i) { // width, height, colours; then the image's own header
        const auto* entry = reinterpret_cast<const BYTE*>(group.data() + 6 + 14 * i);
        EXPECT_TRUE(entry[0] == (i ? 16 : 32) && entry[1] == entry[0] && entry[2] == 16) << i;
        BITMAPINFOHEADER h{};
        std::memcpy(&h, Bytes(RT_ICON, MAKEINTRESOURCEW(i + 1)).data(), sizeof h);
        EXPECT_TRUE(h.biWidth == entry[0] && h.biHeight == 2 * entry[0] && h.biBitCount == 4) << i;
    }
    EXPECT_EQ(Bytes(MAKEINTRESOURCEW(255), MAKEINTRESOURCEW(1)), std::string("\x11\x04\0\0", 4)); // 1041

    const DWORD size = ::GetFileVersionInfoSizeW(L"" QUORIN_SETUP_EXE, nullptr);
    std::vector<char> block(size);
    ASSERT_TRUE(size && ::GetFileVersionInfoW(L"" QUORIN_SETUP_EXE, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_TRUE(fixed->dwFileVersionMS == 0x00010032 && fixed->dwFileVersionLS == 0 &&
                fixed->dwProductVersionMS == 0x00010032 && fixed->dwFileType == VFT_APP && fixed->dwFileOS == VOS__WINDOWS32);
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_TRUE(translation[0] == 0x0411 && translation[1] == 0x04B0);
    const std::pair<const wchar_t*, const char16_t*> fields[] = {
        {L"FileDescription", u"ｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ"}, {L"ProductName", u"Ombrel's Quorin Installer"}, {L"OriginalFilename", u"Setup.EXE"}};
    for (const auto& [name, expected] : fields) {
        wchar_t* value = nullptr;
        ASSERT_TRUE(::VerQueryValueW(block.data(), (std::wstring(L"\\StringFileInfo\\041104B0\\") + name).c_str(),
                                     reinterpret_cast<void**>(&value), &length));
        EXPECT_EQ(std::wstring(value), Wide(expected));
    }
    const std::string manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

} // namespace
} // namespace setup_test
