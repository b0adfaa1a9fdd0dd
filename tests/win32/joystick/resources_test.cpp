// The resources of Joystick.OCX: every one present once, in Japanese; the identifier history;
// the version numbers and a few texts of the version block.
#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

class Resources : public testing::Test {
protected:
    void TearDown() override { FreeLibrary(ocx); }
    std::vector<BYTE> Read(const wchar_t* type, const wchar_t* name) {
        HRSRC info = FindResourceExW(ocx, type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));
        const auto* bytes = info ? static_cast<const BYTE*>(LockResource(LoadResource(ocx, info))) : nullptr;
        return bytes ? std::vector<BYTE>(bytes, bytes + SizeofResource(ocx, info)) : std::vector<BYTE>();
    }
    HMODULE ocx = LoadLibraryExW(BesideExe(L"Joystick.OCX").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
};

// A second entry under one identifier (two scripts numbering their icon images alike) would
// make the loader pick either.
TEST_F(Resources, EachOnceInJapanese) {
    const std::pair<const wchar_t*, const wchar_t*> all[] = {
        {L"TYPELIB", MAKEINTRESOURCEW(1)},
        {L"TYPELIB", MAKEINTRESOURCEW(2)},
        {L"_IID_CONTROLJOYSTICK", MAKEINTRESOURCEW(1)},
        {L"_SRCIID_CONTROLJOYSTICK", MAKEINTRESOURCEW(1)},
        {L"_IID_PROPERTYPAGEJOYSTICK", MAKEINTRESOURCEW(1)},
        {RT_BITMAP, MAKEINTRESOURCEW(30000)},
        {RT_GROUP_ICON, L"APPICON"},
        {RT_ICON, MAKEINTRESOURCEW(1)},
        {RT_ICON, MAKEINTRESOURCEW(2)},
        {RT_VERSION, MAKEINTRESOURCEW(1)},
    };
    for (const auto& [type, name] : all) {
        std::vector<WORD> languages;
        EnumResourceLanguagesW(ocx, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{0x0411}) << reinterpret_cast<ULONG_PTR>(name);
    }
}

// Each a 32-bit byte count, then the identifiers in their in-memory layout, oldest first.
TEST_F(Resources, IdentifierHistoryOldestFirst) {
    const std::pair<const wchar_t*, std::vector<const wchar_t*>> rows[] = {
        {L"_IID_CONTROLJOYSTICK",
         {L"{70AAD8E7-CD9A-11D5-BBA9-ECA80BC13402}", L"{121B7790-FEC5-11D5-BBAD-94D70CC10000}",
          L"{8AECF5E4-8EBC-11D7-BBAF-444553540000}"}},
        {L"_SRCIID_CONTROLJOYSTICK",
         {L"{70AAD8ED-CD9A-11D5-BBA9-ECA80BC13402}", L"{121B7791-FEC5-11D5-BBAD-94D70CC10000}",
          L"{8AECF5E5-8EBC-11D7-BBAF-444553540000}"}},
        {L"_IID_PROPERTYPAGEJOYSTICK", {L"{70AAD8F5-CD9A-11D5-BBA9-ECA80BC13402}"}},
    };
    for (const auto& [type, guids] : rows) {
        std::vector<BYTE> expected = {static_cast<BYTE>(16 * guids.size()), 0, 0, 0};
        for (const wchar_t* text : guids) {
            GUID guid = {};
            IIDFromString(const_cast<LPOLESTR>(text), &guid);
            expected.insert(expected.end(), reinterpret_cast<BYTE*>(&guid), reinterpret_cast<BYTE*>(&guid) + 16);
        }
        EXPECT_EQ(Read(type, MAKEINTRESOURCEW(1)), expected);
    }
}

TEST_F(Resources, VersionBlock) {
    const std::wstring path = BesideExe(L"Joystick.OCX");
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(50, 1)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(2004, 0)));
    for (auto [key, value] : {std::pair{L"ProductName", L"Ombrel's Gantrel"}, std::pair{L"FileVersion", L"1.50.2004"},
                              std::pair{L"OriginalFilename", L"Joystick.OCX"}, std::pair{L"OLESelfRegister", L""}}) {
        wchar_t* text = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), (std::wstring(L"\\StringFileInfo\\041104B0\\") + key).c_str(),
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_STREQ(text, value);
    }
}

} // namespace
