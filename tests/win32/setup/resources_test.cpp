#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "basic/string_routines.h"
#include "setup/application.h"
#include "setup/platform/archive.h"
#include "setup/platform/registration.h"
#include "setup/platform/uninstall_entry.h"
#include "setup/program.h"
#include "setup/platform/routines.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

namespace {

using quorin::Text;

const wchar_t* const kExe = L"" QUORIN_SETUP_EXE;

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        module_.reset(::LoadLibraryExW(kExe, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module_);
    }
    // The bytes of one resource in Japanese (Japan).
    std::string Bytes(LPCWSTR type, LPCWSTR name) {
        HRSRC res = ::FindResourceExW(module_.get(), type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
        if (!res)
            return {};
        HGLOBAL loaded = ::LoadResource(module_.get(), res);
        const char* p = static_cast<const char*>(::LockResource(loaded));
        return std::string(p, ::SizeofResource(module_.get(), res));
    }
    quorin::win::UniqueModule module_;
};

struct Entry {
    uint32_t id;
    const char16_t* text;
};

// The message texts, with line feeds only.
const Entry kTable[] = {
    {1, u"Ombrel's Quorin Installer"},
    {11, u"プログラムの追加と削除を行います。"},
    {12, u"インストールしていますので、しばらくお待ちください..."},
    {13, u"アンインストールしていますので、しばらくお待ちください..."},
    {101, u"すでに他の場所にインストールされています\nアンインストールして再び起動してください"},
    {102, u"プログラムは次の場所へインストールされます\n\n'$'"
          u"\n\nセットアップを終了し場所を移動して再び起動することも"
          u"できます"},
    {103, u"プログラムは次の場所からアンインストールされます\n\n'$'"},
    {104, u"プログラムをインストールしてもよろしいですか"},
    {105, u"インストールが完了しました"},
    {106, u"プログラムをアンインストールしてもよろしいですか"},
    {107, u"アンインストールが完了しました\n必要なければファイル フォルダは消去してください"},
    {201,
     u"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'$'\n\nセクション [$] にキー $ "
     u"がありません"},
    {202,
     u"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'$'\n\nセクション [$] のキー $ "
     u"の値 '$' にコンマ (,) がありません"},
    {203,
     u"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'$'\n\nセクション [$] のキー $ "
     u"の値 '$' は 0 から 32767 までの範囲にありません"},
    {204, u"セットアップ スクリプトが見つからないため、セットアップを終了します\n\n'$'"},
};

TEST_F(Resources, StringTableMatchesByteForByte) {
    for (const auto& e : kTable)
        EXPECT_EQ(setup::LoadTextFrom(module_.get(), e.id), e.text) << e.id;
    const Text copyright = setup::LoadTextFrom(module_.get(), 2);
    EXPECT_NE(copyright.find(u"Ombrel Works"), Text::npos);
    const size_t tilde = copyright.find(u'~');
    ASSERT_NE(tilde, Text::npos);
    auto isYear = [&](size_t at) {
        if (at + 4 > copyright.size())
            return false;
        for (size_t i = 0; i < 4; ++i)
            if (copyright[at + i] < u'0' || copyright[at + i] > u'9')
                return false;
        return true;
    };
    EXPECT_TRUE(tilde >= 4 && isYear(tilde - 4) && isYear(tilde + 1)) << quorin::ToUtf8(copyright);
    for (uint32_t id :
         {1u, 2u, 11u, 12u, 13u, 101u, 102u, 103u, 104u, 105u, 106u, 107u, 201u, 202u, 203u, 204u})
        EXPECT_EQ(setup::LoadTextFrom(module_.get(), id).find(u'\r'), Text::npos) << id;
    // Entry 102 for D:\PKG, line by line.
    EXPECT_EQ(
        quorin::EmbedValues(setup::LoadTextFrom(module_.get(), 102), {Text(u"D:\\PKG")}),
        u"プログラムは次の場所へインストールされます\n\n'D:\\PKG'\n\nセットアップを終了し場所を移動して再び起"
        u"動することもできます");
}

TEST_F(Resources, StringTableIsJapanese) {
    // Strings live in blocks of 16: block id / 16 + 1.
    for (uint32_t block : {1u, 7u, 13u})
        EXPECT_FALSE(Bytes(RT_STRING, MAKEINTRESOURCEW(block)).empty()) << block;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST_F(Resources, IconGroupHasTwoSixteenColourImages) {
    const std::string group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u + 2 * sizeof(GroupIconEntry));
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, 2);
    ASSERT_EQ(count, 2);
    for (int i = 0; i < 2; ++i) {
        GroupIconEntry e;
        std::memcpy(&e, group.data() + 6 + i * sizeof e, sizeof e);
        const int size = i == 0 ? 32 : 16;
        EXPECT_EQ(e.width, size);
        EXPECT_EQ(e.height, size);
        EXPECT_EQ(e.colorCount, 16);
        EXPECT_EQ(e.id, i + 1);
        const std::string image = Bytes(RT_ICON, MAKEINTRESOURCEW(e.id));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER h;
        std::memcpy(&h, image.data(), sizeof h);
        EXPECT_EQ(h.biWidth, size);
        EXPECT_EQ(h.biHeight, 2 * size);
        EXPECT_EQ(h.biBitCount, 4);
    }
    quorin::win::UniqueIcon icon(
        static_cast<HICON>(::LoadImageW(module_.get(), MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0)));
    EXPECT_TRUE(icon);
}

TEST_F(Resources, LocaleResourceHolds1041) {
    const std::string data = Bytes(MAKEINTRESOURCEW(255), MAKEINTRESOURCEW(1));
    ASSERT_EQ(data.size(), 4u);
    DWORD value = 0;
    std::memcpy(&value, data.data(), 4);
    EXPECT_EQ(value, 1041u);
}

TEST(Version, BlockMatchesTheTable) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(kExe, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(kExe, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010032u); // 1.50
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010032u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &len));
    ASSERT_EQ(len, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04B0);

    const std::pair<const wchar_t*, const char16_t*> fields[] = {
        {L"Comments", u"(なし)"},
        {L"CompanyName", u"Ombrel Works"},
        {L"FileDescription", u"ｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ"},
        {L"LegalTrademarks", u"Ombrel's"},
        {L"ProductName", u"Ombrel's Quorin Installer"},
        {L"FileVersion", u"1.50"},
        {L"ProductVersion", u"1.50"},
        {L"InternalName", u"Setup"},
        {L"OriginalFilename", u"Setup.EXE"},
    };
    for (const auto& [name, expected] : fields) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
        ASSERT_TRUE(::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &len))
            << quorin::ToUtf8(quorin::win::FromWide(name));
        EXPECT_EQ(quorin::win::FromWide(value), expected) << quorin::ToUtf8(quorin::win::FromWide(name));
    }
}

TEST_F(Resources, ManifestAsksForAdministratorCommonControlsAndDpiAwareness) {
    const std::string manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

} // namespace
