// The resources of the built Joystick.OCX, read back byte for byte: the identifier history,
// the toolbox bitmap, the application icon and the version block.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "type_library_test_support.h"

using namespace typelib_test;

namespace {

class OcxResources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ocx_.get(), nullptr) << "cannot load the built OCX"; }
    ResourceModule ocx_{OcxPath()};
};

TEST_F(OcxResources, IdentifierHistoryOldestFirst) {
    const struct {
        const wchar_t* type;
        std::vector<const wchar_t*> guids;
    } rows[] = {
        {L"_IID_CONTROLJOYSTICK",
         {L"{70AAD8E7-CD9A-11D5-BBA9-ECA80BC13402}", L"{121B7790-FEC5-11D5-BBAD-94D70CC10000}",
          L"{8AECF5E4-8EBC-11D7-BBAF-444553540000}"}},
        {L"_SRCIID_CONTROLJOYSTICK",
         {L"{70AAD8ED-CD9A-11D5-BBA9-ECA80BC13402}", L"{121B7791-FEC5-11D5-BBAD-94D70CC10000}",
          L"{8AECF5E5-8EBC-11D7-BBAF-444553540000}"}},
        {L"_IID_PROPERTYPAGEJOYSTICK", {L"{70AAD8F5-CD9A-11D5-BBA9-ECA80BC13402}"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Cp932(row.type));
        const std::vector<unsigned char> data = ocx_.Read(row.type, MAKEINTRESOURCEW(1));
        std::vector<unsigned char> expected(4);
        const DWORD count = static_cast<DWORD>(16 * row.guids.size());
        for (int i = 0; i < 4; ++i)
            expected[i] = static_cast<unsigned char>(count >> (8 * i));
        for (const wchar_t* text : row.guids) {
            const GUID guid = ParseGuid(text);
            const auto* bytes = reinterpret_cast<const unsigned char*>(&guid);
            expected.insert(expected.end(), bytes, bytes + 16);
        }
        EXPECT_EQ(data, expected);
    }
}

TEST_F(OcxResources, ToolboxBitmapIs16By15With16Colours) {
    const std::vector<unsigned char> data =
        ocx_.Read(MAKEINTRESOURCEW(2) /* RT_BITMAP */, MAKEINTRESOURCEW(30000));
    ASSERT_GE(data.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, data.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 16);
    EXPECT_EQ(header.biHeight, 15);
    EXPECT_EQ(header.biBitCount, 4);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    // Header, 16 palette entries, 15 rows of 8 bytes.
    EXPECT_EQ(data.size(), sizeof header + 16 * 4 + 15 * 8);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(OcxResources, AppIconHoldsIcons1And2) {
    const std::vector<unsigned char> group = ocx_.Read(MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, L"APPICON");
    ASSERT_EQ(group.size(), 6 + 2 * sizeof(GroupIconEntry));
    EXPECT_EQ(group[2] | group[3] << 8, 1); // icons
    ASSERT_EQ(group[4] | group[5] << 8, 2);
    const struct {
        int size;
        WORD id;
    } rows[] = {{32, 1}, {16, 2}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(rows[i].size);
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.width, rows[i].size);
        EXPECT_EQ(entry.height, rows[i].size);
        EXPECT_EQ(entry.colours, 16);
        EXPECT_EQ(entry.bitCount, 4);
        EXPECT_EQ(entry.id, rows[i].id);

        std::vector<unsigned char> image =
            ocx_.Read(MAKEINTRESOURCEW(3) /* RT_ICON */, MAKEINTRESOURCEW(entry.id));
        ASSERT_EQ(image.size(), entry.bytes);
        // The platform decodes it as an icon of that size.
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, 0, 0, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask = {};
        GetObjectW(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(mask.bmWidth, rows[i].size);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

std::string Label(const wchar_t* id) {
    return IS_INTRESOURCE(id) ? std::to_string(reinterpret_cast<ULONG_PTR>(id)) : Cp932(id);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

// Each resource exists exactly once, in Japanese: a second entry under the same identifier
// (two .rc files numbering their icon images alike) makes the loader pick either.
TEST_F(OcxResources, EachOnceInJapanese) {
    const struct {
        const wchar_t* type;
        const wchar_t* name;
    } rows[] = {
        {L"TYPELIB", MAKEINTRESOURCEW(1)},
        {L"TYPELIB", MAKEINTRESOURCEW(2)},
        {L"_IID_CONTROLJOYSTICK", MAKEINTRESOURCEW(1)},
        {L"_SRCIID_CONTROLJOYSTICK", MAKEINTRESOURCEW(1)},
        {L"_IID_PROPERTYPAGEJOYSTICK", MAKEINTRESOURCEW(1)},
        {MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(30000)},
        {MAKEINTRESOURCEW(14), L"APPICON"},
        {MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(1)},
        {MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(2)},
        {MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1)},
    };
    for (const auto& row : rows) {
        std::vector<WORD> languages;
        EnumResourceLanguagesW(ocx_.get(), row.type, row.name, CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{0x0411})
            << "resource " << Label(row.type) << "/" << Label(row.name);
    }
}

TEST(OcxVersion, FixedAndStringValues) {
    const std::wstring path = OcxPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(50, 1)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(2004, 0)));
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(50, 1)));
    EXPECT_EQ(fixed->dwProductVersionLS, static_cast<DWORD>(MAKELONG(2004, 0)));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04B0);

    const struct {
        const wchar_t* key;
        const char16_t* value;
    } rows[] = {
        {L"CompanyName", u"Ombrel Works"},
        {L"FileDescription", u"Ombrel's Gantrel ゲームパッド用ジョイスティック コントロール"},
        {L"FileVersion", u"1.50.2004"},
        {L"InternalName", u"Joystick"},
        {L"OriginalFilename", u"Joystick.OCX"},
        {L"ProductName", u"Ombrel's Gantrel"},
        {L"ProductVersion", u"1.50.2004"},
        {L"OLESelfRegister", u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Cp932(row.key));
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + row.key;
        wchar_t* value = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length));
        EXPECT_EQ(Cp932(value), Cp932(row.value));
    }
}

} // namespace
