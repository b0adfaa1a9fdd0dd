// ClassRegistry against Wine's registry, in a scratch key below HKEY_CURRENT_USER that each
// test removes again.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ClassRegistry.h"
#include "core/runtime_error.h"
#include "winsupport/ansi.h"
#include "winsupport/unique_handle.h"

using quorin::Text;
using quorin::Variant;
using quorin::VariantKind;
using setup::ClassRegistry;

namespace {

const char kScratch[] = "Software\\Quorin Tests\\ClassRegistry";
const Text kScratchText = u"Software\\Quorin Tests\\ClassRegistry";

struct RawValue {
    LONG rc = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::string data;
};

RawValue ReadRaw(const char* name, const char* key = kScratch) {
    RawValue v;
    quorin::win::UniqueHKey h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, h.put()) != ERROR_SUCCESS)
        return v;
    char buf[8192];
    DWORD size = sizeof buf;
    v.rc = RegQueryValueExA(h.get(), name, nullptr, &v.type, reinterpret_cast<BYTE*>(buf), &size);
    if (v.rc == ERROR_SUCCESS)
        v.data.assign(buf, size);
    return v;
}

bool KeyExists(const char* key) {
    quorin::win::UniqueHKey h;
    return RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, h.put()) == ERROR_SUCCESS;
}

void WriteRaw(const char* name, DWORD type, const void* data, DWORD size) {
    quorin::win::UniqueHKey h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(h.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

std::string Dword(int32_t n) {
    return std::string(reinterpret_cast<const char*>(&n), 4);
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorin Tests"); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorin Tests"); }
};

TEST_F(Registry, OpenMissingKeyLeavesNoHandleAndWriteCreatesIt) {
    ClassRegistry reg;
    reg.OpenSetting(HKEY_CURRENT_USER, kScratchText);
    EXPECT_EQ(reg.Handle(), nullptr);
    EXPECT_FALSE(KeyExists(kScratch));
    // An empty text writes nothing but creates the key; so does a code that writes nothing.
    reg.WriteSetting(u"Empty", ClassRegistry::kText, Variant(Text()));
    EXPECT_NE(reg.Handle(), nullptr);
    EXPECT_TRUE(KeyExists(kScratch));
    EXPECT_EQ(ReadRaw("Empty").rc, ERROR_FILE_NOT_FOUND);
    reg.CloseSetting();
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    reg.WriteSetting(u"Other", 3, Variant(Text(u"x")));
    EXPECT_TRUE(KeyExists(kScratch));
    EXPECT_EQ(ReadRaw("Other").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, WritesEachKindInItsStoredForm) {
    struct Case {
        const char* what;
        int32_t code;
        Variant value;
        LONG rc;
        DWORD type;
        std::string data;
    } cases[] = {
        {"text", 1, Variant(Text(u"C:\\Apps\\Tool\\Setup.EXE")), ERROR_SUCCESS, REG_SZ,
         std::string("C:\\Apps\\Tool\\Setup.EXE", 23)},
        {"japanese text in code page 932", 1, Variant(Text(u"プログラム")), ERROR_SUCCESS, REG_SZ,
         std::string("\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\0", 11)},
        {"number as text", 1, Variant(int32_t{42}), ERROR_SUCCESS, REG_SZ, std::string("42\0", 3)},
        {"empty text", 1, Variant(Text()), ERROR_FILE_NOT_FOUND, 0, ""},
        {"true", 2, Variant(true), ERROR_SUCCESS, REG_EXPAND_SZ, std::string("YES\0", 4)},
        {"false", 2, Variant(false), ERROR_SUCCESS, REG_EXPAND_SZ, std::string("NO\0", 3)},
        {"text true", 2, Variant(Text(u"true")), ERROR_SUCCESS, REG_EXPAND_SZ, std::string("YES\0", 4)},
        {"zero", 2, Variant(int32_t{0}), ERROR_SUCCESS, REG_EXPAND_SZ, std::string("NO\0", 3)},
        {"empty as no", 2, Variant(), ERROR_SUCCESS, REG_EXPAND_SZ, std::string("NO\0", 3)},
        {"text 12", 4, Variant(Text(u"12")), ERROR_SUCCESS, REG_DWORD, Dword(12)},
        {"abc", 4, Variant(Text(u"abc")), ERROR_FILE_NOT_FOUND, 0, ""},
        {"empty as 0", 4, Variant(), ERROR_SUCCESS, REG_DWORD, Dword(0)},
        {"2.5 to even", 4, Variant(2.5), ERROR_SUCCESS, REG_DWORD, Dword(2)},
        {"3.5 to even", 4, Variant(3.5), ERROR_SUCCESS, REG_DWORD, Dword(4)},
        {"-2.5 to even", 4, Variant(-2.5), ERROR_SUCCESS, REG_DWORD, Dword(-2)},
        {"true as -1", 4, Variant(true), ERROR_SUCCESS, REG_DWORD, Dword(-1)},
        {"minimum", 4, Variant(Text(u"-2147483648")), ERROR_SUCCESS, REG_DWORD, Dword(INT32_MIN)},
        {"code 3 writes nothing", 3, Variant(Text(u"x")), ERROR_FILE_NOT_FOUND, 0, ""},
        {"code 7 writes nothing", 7, Variant(int32_t{1}), ERROR_FILE_NOT_FOUND, 0, ""},
    };
    for (const auto& c : cases) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
        ClassRegistry reg;
        reg.OpenSetting(HKEY_CURRENT_USER, kScratchText);
        reg.WriteSetting(u"Value", c.code, c.value);
        reg.CloseSetting();
        RawValue v = ReadRaw("Value");
        EXPECT_EQ(v.rc, c.rc) << c.what;
        EXPECT_EQ(v.type, c.type) << c.what;
        EXPECT_EQ(v.data, c.data) << c.what;
    }
}

TEST_F(Registry, UnconvertibleValuesRaiseAfterTheKeyExists) {
    struct Case {
        const char* what;
        int32_t code;
        Variant value;
        quorin::ErrorCode error;
    } cases[] = {
        {"number out of range", 4, Variant(Text(u"2147483648")), quorin::ErrorCode::Overflow},
        {"huge double", 4, Variant(1e12), quorin::ErrorCode::Overflow},
        {"text not a boolean", 2, Variant(Text(u"maybe")), quorin::ErrorCode::TypeMismatch},
        {"null as text", 1, Variant::Null(), quorin::ErrorCode::InvalidUseOfNull},
    };
    for (const auto& c : cases) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
        WriteRaw("Value", REG_SZ, "old", 4);
        ClassRegistry reg;
        reg.OpenSetting(HKEY_CURRENT_USER, kScratchText);
        try {
            reg.WriteSetting(u"Value", c.code, c.value);
            ADD_FAILURE() << c.what << ": no error raised";
        } catch (const quorin::RuntimeError& e) {
            EXPECT_EQ(e.Code(), c.error) << c.what;
        }
        EXPECT_NE(reg.Handle(), nullptr) << c.what;
        EXPECT_EQ(ReadRaw("Value").data, std::string("old", 4)) << c.what;
    }
}

TEST_F(Registry, ReadsByCodeWithDefaults) {
    WriteRaw("Text", REG_SZ, "hello", 6);
    WriteRaw("Yes", REG_EXPAND_SZ, "yEs", 4);
    WriteRaw("No", REG_SZ, "No", 3);
    WriteRaw("Maybe", REG_EXPAND_SZ, "maybe", 6);
    const int32_t n = -7;
    WriteRaw("Number", REG_DWORD, &n, 4);
    const int32_t bytes = 0x00636261; // "abc" and a zero byte
    WriteRaw("Bytes", REG_DWORD, &bytes, 4);
    WriteRaw("Long", REG_SZ, "12345", 6); // too large for the number buffer
    const std::string big(5000, 'x');
    WriteRaw("Big", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1));
    const std::string full(4096, 'y'); // fills the text buffer, no NUL left
    WriteRaw("Full", REG_BINARY, full.data(), 4096);

    struct Case {
        const char* what;
        const char16_t* key;
        int32_t code;
        Variant Default;
        Variant expected;
        int32_t typeAfter;
    } cases[] = {
        {"text", u"Text", 1, Variant::Omitted(), Variant(Text(u"hello")), REG_SZ},
        {"missing text", u"Missing", 1, Variant::Omitted(), Variant(Text()), 1},
        {"missing text default", u"Missing", 1, Variant(int32_t{5}), Variant(Text(u"5")), 1},
        {"yes any case", u"Yes", 2, Variant::Omitted(), Variant(true), REG_EXPAND_SZ},
        {"no stored as text", u"No", 2, Variant::Omitted(), Variant(false), REG_SZ},
        {"other text", u"Maybe", 2, Variant::Omitted(), Variant(), REG_EXPAND_SZ},
        {"missing yes/no", u"Missing", 2, Variant::Omitted(), Variant(false), 2},
        {"missing yes/no default", u"Missing", 2, Variant(Text(u"True")), Variant(true), 2},
        {"missing yes/no empty default", u"Missing", 2, Variant(), Variant(false), 2},
        {"number", u"Number", 4, Variant::Omitted(), Variant(int32_t{-7}), REG_DWORD},
        {"missing number", u"Missing", 4, Variant::Omitted(), Variant(int32_t{0}), 4},
        {"missing number default", u"Missing", 4, Variant(2.5), Variant(int32_t{2}), 4},
        {"number as text", u"Bytes", 1, Variant::Omitted(), Variant(Text(u"abc")), REG_DWORD},
        {"text too large for a number", u"Long", 4, Variant(int32_t{9}), Variant(int32_t{9}), 4},
        {"text too large for the buffer", u"Big", 1, Variant(Text(u"d")), Variant(Text(u"d")), 1},
        {"buffer full", u"Full", 1, Variant::Omitted(), Variant(Text(4096, u'y')), REG_BINARY},
        {"code 3", u"Text", 3, Variant(Text(u"d")), Variant(), 3},
    };
    ClassRegistry reg;
    reg.OpenSetting(HKEY_CURRENT_USER, kScratchText);
    ASSERT_NE(reg.Handle(), nullptr);
    for (const auto& c : cases) {
        int32_t type = c.code;
        Variant got = reg.ReadSetting(c.key, type, c.Default);
        EXPECT_EQ(got.Kind(), c.expected.Kind()) << c.what;
        switch (c.expected.Kind()) {
        case VariantKind::String:
            EXPECT_EQ(got.StringValue(), c.expected.StringValue()) << c.what;
            break;
        case VariantKind::Boolean:
            EXPECT_EQ(got.BoolValue(), c.expected.BoolValue()) << c.what;
            break;
        case VariantKind::Long:
            EXPECT_EQ(got.LongValue(), c.expected.LongValue()) << c.what;
            break;
        default:
            break;
        }
        EXPECT_EQ(type, c.typeAfter) << c.what;
    }
    // A default that cannot be converted reaches the caller.
    int32_t type = 4;
    EXPECT_THROW(reg.ReadSetting(u"Missing", type, Variant(Text(u"abc"))), quorin::RuntimeError);
}

TEST_F(Registry, NoOpenKeyReadsDefaultsAndDeletesNothing) {
    WriteRaw("Value", REG_SZ, "v", 2);
    ClassRegistry reg;
    int32_t type = 1;
    EXPECT_EQ(reg.ReadSetting(u"Value", type, Variant(Text(u"d"))).StringValue(), u"d");
    reg.ClearSetting(u"", u"Value");
    reg.CloseSetting();
    EXPECT_EQ(ReadRaw("Value").rc, ERROR_SUCCESS);
}

TEST_F(Registry, ClearSettingDeletesAValueOrASubkeyOfTheOpenKey) {
    const std::string child = std::string(kScratch) + "\\Child";
    auto prepare = [&] {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
        WriteRaw("Child", REG_SZ, "value", 6);
        quorin::win::UniqueHKey h;
        RegCreateKeyExA(HKEY_CURRENT_USER, child.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.put(),
                        nullptr);
    };
    struct Case {
        const char* what;
        const char16_t* section;
        const char16_t* key;
        bool valueLeft;
        bool childLeft;
    } cases[] = {
        {"both given: only the value", u"Child", u"Child", false, true},
        {"section only: the subkey", u"Child", u"", true, false},
        {"both empty: nothing", u"", u"", true, true},
        {"missing value: nothing", u"", u"Missing", true, true},
        {"missing subkey: nothing", u"Missing", u"", true, true},
    };
    for (const auto& c : cases) {
        prepare();
        ClassRegistry reg;
        reg.OpenSetting(HKEY_CURRENT_USER, kScratchText);
        reg.ClearSetting(c.section, c.key);
        reg.CloseSetting();
        EXPECT_EQ(ReadRaw("Child").rc == ERROR_SUCCESS, c.valueLeft) << c.what;
        EXPECT_EQ(KeyExists(child.c_str()), c.childLeft) << c.what;
    }
    // The subkey is looked for below the open key, not below the root.
    prepare();
    ClassRegistry reg;
    reg.OpenSetting(HKEY_CURRENT_USER, u"Software\\Quorin Tests");
    reg.ClearSetting(u"Child");
    EXPECT_TRUE(KeyExists(child.c_str()));
}

TEST_F(Registry, WriteAfterCloseReopensTheLastKey) {
    ClassRegistry reg;
    reg.OpenSetting(HKEY_CURRENT_USER, kScratchText);
    reg.WriteSetting(u"A", 1, Variant(Text(u"1")));
    reg.CloseSetting();
    EXPECT_EQ(reg.Handle(), nullptr);
    reg.WriteSetting(u"B", 4, Variant(int32_t{2}));
    EXPECT_NE(reg.Handle(), nullptr);
    reg.CloseSetting();
    EXPECT_EQ(ReadRaw("A").data, std::string("1\0", 2));
    EXPECT_EQ(ReadRaw("B").data, Dword(2));
}

TEST_F(Registry, ReplacedHandlesAreClosed) {
    ClassRegistry reg;
    reg.OpenSetting(HKEY_CURRENT_USER, kScratchText);
    reg.WriteSetting(u"A", 1, Variant(Text(u"1")));
    HKEY first = reg.Handle();
    reg.WriteSetting(u"B", 1, Variant(Text(u"2")));
    EXPECT_NE(reg.Handle(), first);
    EXPECT_EQ(RegQueryInfoKeyA(first, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE)
        << "the key held before the write must be closed";

    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    for (int i = 0; i < 500; ++i)
        reg.WriteSetting(u"C", 4, Variant(int32_t{i}));
    reg.CloseSetting();
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_LE(after, before + 1);
}

} // namespace
