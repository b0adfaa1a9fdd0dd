// RegistryKey against Wine's registry, in a scratch key below HKEY_CURRENT_USER that each
// test removes again.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "setup/platform/registry_key.h"
#include "base/runtime_error.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

using quorin::Text;
using quorin::Variant;
using quorin::VariantKind;
using setup::RegistryKey;

namespace {

const char kScratch[] = "Software\\Quorin Tests\\RegistryKey";
const Text kScratchText = u"Software\\Quorin Tests\\RegistryKey";

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
    RegistryKey reg;
    reg.Open(HKEY_CURRENT_USER, kScratchText);
    EXPECT_EQ(reg.Handle(), nullptr);
    EXPECT_FALSE(KeyExists(kScratch));
    // An empty text writes nothing but creates the key; so does a code that writes nothing.
    reg.Write(u"Empty", RegistryKey::kText, Variant(Text()));
    EXPECT_NE(reg.Handle(), nullptr);
    EXPECT_TRUE(KeyExists(kScratch));
    EXPECT_EQ(ReadRaw("Empty").rc, ERROR_FILE_NOT_FOUND);
    reg.Close();
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    reg.Write(u"Other", 3, Variant(Text(u"x")));
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
        RegistryKey reg;
        reg.Open(HKEY_CURRENT_USER, kScratchText);
        reg.Write(u"Value", c.code, c.value);
        reg.Close();
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
        RegistryKey reg;
        reg.Open(HKEY_CURRENT_USER, kScratchText);
        try {
            reg.Write(u"Value", c.code, c.value);
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
    RegistryKey reg;
    reg.Open(HKEY_CURRENT_USER, kScratchText);
    ASSERT_NE(reg.Handle(), nullptr);
    for (const auto& c : cases) {
        int32_t type = c.code;
        Variant got = reg.Read(c.key, type, c.Default);
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
    EXPECT_THROW(reg.Read(u"Missing", type, Variant(Text(u"abc"))), quorin::RuntimeError);
}

TEST_F(Registry, NoOpenKeyReadsDefaultsAndDeletesNothing) {
    WriteRaw("Value", REG_SZ, "v", 2);
    RegistryKey reg;
    int32_t type = 1;
    EXPECT_EQ(reg.Read(u"Value", type, Variant(Text(u"d"))).StringValue(), u"d");
    reg.Delete(u"", u"Value");
    reg.Close();
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
        RegistryKey reg;
        reg.Open(HKEY_CURRENT_USER, kScratchText);
        reg.Delete(c.section, c.key);
        reg.Close();
        EXPECT_EQ(ReadRaw("Child").rc == ERROR_SUCCESS, c.valueLeft) << c.what;
        EXPECT_EQ(KeyExists(child.c_str()), c.childLeft) << c.what;
    }
    // The subkey is looked for below the open key, not below the root.
    prepare();
    RegistryKey reg;
    reg.Open(HKEY_CURRENT_USER, u"Software\\Quorin Tests");
    reg.Delete(u"Child");
    EXPECT_TRUE(KeyExists(child.c_str()));
}

TEST_F(Registry, WriteAfterCloseReopensTheLastKey) {
    RegistryKey reg;
    reg.Open(HKEY_CURRENT_USER, kScratchText);
    reg.Write(u"A", 1, Variant(Text(u"1")));
    reg.Close();
    EXPECT_EQ(reg.Handle(), nullptr);
    reg.Write(u"B", 4, Variant(int32_t{2}));
    EXPECT_NE(reg.Handle(), nullptr);
    reg.Close();
    EXPECT_EQ(ReadRaw("A").data, std::string("1\0", 2));
    EXPECT_EQ(ReadRaw("B").data, Dword(2));
}

// Whether the platform still knows `key` as an open key.
bool IsOpenKey(HKEY key) {
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) != ERROR_INVALID_HANDLE;
}

// The platform's own word that a replaced key is closed; the count of every key opened and
// closed is left to the fake below (the process handle count reads 0 under some platforms).
TEST_F(Registry, ReplacedHandlesAreClosed) {
    RegistryKey reg;
    reg.Open(HKEY_CURRENT_USER, kScratchText);
    reg.Write(u"A", 1, Variant(Text(u"1")));
    HKEY first = reg.Handle();
    ASSERT_TRUE(IsOpenKey(first));
    reg.Write(u"B", 1, Variant(Text(u"2")));
    EXPECT_NE(reg.Handle(), first);
    EXPECT_FALSE(IsOpenKey(first)) << "the key held before the write must be closed";
    HKEY second = reg.Handle();
    reg.Close();
    EXPECT_FALSE(IsOpenKey(second));
}

TEST_F(Registry, AnAssignedKeyStaysWithTheCaller) {
    quorin::win::UniqueHKey callerKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              callerKey.put(), nullptr),
              ERROR_SUCCESS);
    {
        RegistryKey reg;
        reg.Open(HKEY_CURRENT_USER, kScratchText);
        HKEY own = reg.Handle();
        ASSERT_NE(own, nullptr);
        reg.SetHandle(callerKey.get());
        EXPECT_TRUE(IsOpenKey(own)) << "assigning Handle must not close the key it named";
        reg.Write(u"Value", 1, Variant(Text(u"v"))); // replaces Handle with a key of its own
        EXPECT_TRUE(IsOpenKey(callerKey.get()));
        reg.SetHandle(callerKey.get());
        reg.Close();
        EXPECT_TRUE(IsOpenKey(callerKey.get())) << "CloseSetting closes only what the object opened";
        reg.SetHandle(callerKey.get());
    }
    EXPECT_TRUE(IsOpenKey(callerKey.get())) << "the object's end closes only what it opened";
    EXPECT_EQ(ReadRaw("Value").data, std::string("v\0", 2));
}

// ---------------------------------------------------------------------------------------------
// The same class against a registry that lives in the test, bound in place of the seven
// declared functions: it hands out fresh keys, writes down every call and refuses on demand,
// which the real platform does not do for a test (it grants every right asked for).
// ---------------------------------------------------------------------------------------------

namespace api = setup::registry_api;

class FakeRegistry {
public:
    std::vector<std::string> log;
    std::map<HKEY, int> closes; // every key RegCloseKey was given, with how often
    std::vector<HKEY> handedOut;
    LONG openResult = ERROR_SUCCESS, createResult = ERROR_SUCCESS, queryResult = ERROR_SUCCESS,
         setResult = ERROR_SUCCESS, deleteResult = ERROR_SUCCESS;
    bool openHandsBackTheRoot = false; // as opening an empty path below a predefined root may
    // What a refused open or create leaves in its out parameter, which must not be used.
    static inline const HKEY kLeftByRefusal = reinterpret_cast<HKEY>(0x7EAD0);

    HKEY NewKey() {
        HKEY key = reinterpret_cast<HKEY>(uintptr_t{0x1000} + 4 * handedOut.size());
        handedOut.push_back(key);
        names_[key] = "key" + std::to_string(handedOut.size());
        return key;
    }
    std::string Name(HKEY key) const {
        auto it = names_.find(key);
        return it != names_.end() ? it->second : key == nullptr ? "null" : "unknown";
    }

private:
    std::map<HKEY, std::string> names_{
        {HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CURRENT_USER, "HKCU"}, {kLeftByRefusal, "left-by-refusal"}};
};

FakeRegistry* g_fake = nullptr;

std::string Hex(DWORD value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%lX", static_cast<unsigned long>(value));
    return buffer;
}

// Bytes as text: printable ASCII as it is, NUL as \0, anything else as \xNN.
std::string Bytes(const BYTE* data, DWORD size) {
    std::string out;
    for (DWORD i = 0; i < size; ++i) {
        char buffer[8];
        if (data[i] == 0)
            out += "\\0";
        else if (data[i] >= 0x20 && data[i] < 0x7F && data[i] != '\\')
            out += static_cast<char>(data[i]);
        else {
            std::snprintf(buffer, sizeof buffer, "\\x%02X", data[i]);
            out += buffer;
        }
    }
    return out;
}

LONG WINAPI FakeOpenKeyEx(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY out) {
    std::string line =
        "open " + g_fake->Name(root) + "\\" + path + " options " + Hex(options) + " access " + Hex(access);
    if (g_fake->openResult != ERROR_SUCCESS) {
        *out = FakeRegistry::kLeftByRefusal;
        g_fake->log.push_back(line + " refused");
        return g_fake->openResult;
    }
    *out = g_fake->openHandsBackTheRoot ? root : g_fake->NewKey();
    g_fake->log.push_back(line + " -> " + g_fake->Name(*out));
    return ERROR_SUCCESS;
}

LONG WINAPI FakeCloseKey(HKEY key) {
    g_fake->log.push_back("close " + g_fake->Name(key));
    ++g_fake->closes[key];
    return ERROR_SUCCESS;
}

LONG WINAPI FakeQueryValueEx(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD size) {
    g_fake->log.push_back("query " + g_fake->Name(key) + " " + name + (reserved ? " reserved given" : "") +
                          " size " + std::to_string(*size));
    if (g_fake->queryResult != ERROR_SUCCESS) {
        *type = 0; // some platforms clear the type on a failed query
        return g_fake->queryResult;
    }
    static const char kStored[] = "stored";
    if (*size < sizeof kStored)
        return ERROR_MORE_DATA;
    std::memcpy(data, kStored, sizeof kStored);
    *size = sizeof kStored;
    *type = REG_SZ;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeCreateKeyEx(HKEY root, LPCSTR path, DWORD reserved, LPSTR keyClass, DWORD options,
                            REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY out, LPDWORD disposition) {
    std::string line = "create " + g_fake->Name(root) + "\\" + path + " reserved " +
                       std::to_string(reserved) + " class " + (keyClass ? keyClass : "null") + " options " +
                       Hex(options) + " access " + Hex(access);
    if (security)
        line += " security {" + std::to_string(security->nLength) + ", " +
                (security->lpSecurityDescriptor ? "descriptor" : "no descriptor") + ", " +
                (security->bInheritHandle ? "inherited" : "not inherited") + "}";
    if (!disposition)
        line += " no disposition";
    if (g_fake->createResult != ERROR_SUCCESS) {
        *out = FakeRegistry::kLeftByRefusal;
        g_fake->log.push_back(line + " refused");
        return g_fake->createResult;
    }
    *out = g_fake->NewKey();
    *disposition = REG_OPENED_EXISTING_KEY;
    g_fake->log.push_back(line + " -> " + g_fake->Name(*out));
    return ERROR_SUCCESS;
}

LONG WINAPI FakeSetValueEx(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    g_fake->log.push_back("set " + g_fake->Name(key) + " " + name + " reserved " + std::to_string(reserved) +
                          " type " + std::to_string(type) + " \"" + Bytes(data, size) + "\" size " +
                          std::to_string(size));
    return g_fake->setResult;
}

LONG WINAPI FakeDeleteValue(HKEY key, LPCSTR name) {
    g_fake->log.push_back("delete value " + g_fake->Name(key) + " " + name);
    return g_fake->deleteResult;
}

LONG WINAPI FakeDeleteKey(HKEY key, LPCSTR name) {
    g_fake->log.push_back("delete key " + g_fake->Name(key) + " " + name);
    return g_fake->deleteResult;
}

// Binds a fake in place of a declared function for one scope, then puts back what was bound.
template <typename Pointer> class BoundFake {
public:
    BoundFake(quorin::win::DeclaredFunction<Pointer>& function, Pointer fake)
        : function_(function), previous_(function.Replace(fake)) {}
    ~BoundFake() { function_.Replace(previous_); }
    BoundFake(const BoundFake&) = delete;
    BoundFake& operator=(const BoundFake&) = delete;

private:
    quorin::win::DeclaredFunction<Pointer>& function_;
    Pointer previous_;
};

class RegistryThroughFake : public ::testing::Test {
protected:
    RegistryThroughFake() { g_fake = &fake_; }
    ~RegistryThroughFake() override { g_fake = nullptr; }

    using Log = std::vector<std::string>;

    FakeRegistry fake_;

private:
    BoundFake<decltype(&::RegOpenKeyExA)> open_{api::RegOpenKeyExA, &FakeOpenKeyEx};
    BoundFake<decltype(&::RegCloseKey)> close_{api::RegCloseKey, &FakeCloseKey};
    BoundFake<decltype(&::RegQueryValueExA)> query_{api::RegQueryValueExA, &FakeQueryValueEx};
    BoundFake<decltype(&::RegCreateKeyExA)> create_{api::RegCreateKeyExA, &FakeCreateKeyEx};
    BoundFake<decltype(&::RegSetValueExA)> set_{api::RegSetValueExA, &FakeSetValueEx};
    BoundFake<decltype(&::RegDeleteValueA)> deleteValue_{api::RegDeleteValueA, &FakeDeleteValue};
    BoundFake<decltype(&::RegDeleteKeyA)> deleteKey_{api::RegDeleteKeyA, &FakeDeleteKey};
};

// Every open and create asks for 0x3F (query, set, create subkey, enumerate, notify, create
// link), never KEY_ALL_ACCESS (0xF003F), whose delete and security rights a user without
// administrative rights lacks on HKEY_LOCAL_MACHINE.
TEST_F(RegistryThroughFake, EachOperationReachesItsDeclaredFunctionWithAccess0x3F) {
    {
        RegistryKey reg;
        reg.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
        reg.Write(u"DisplayName", RegistryKey::kText, Variant(Text(u"ツール")));
        reg.Write(u"Flag", RegistryKey::kYesNo, Variant(true));
        reg.Write(u"Count", RegistryKey::kNumber, Variant(int32_t{258}));
        int32_t type = RegistryKey::kText;
        EXPECT_EQ(reg.Read(u"DisplayName", type).StringValue(), u"stored");
        EXPECT_EQ(type, REG_SZ);
        reg.Delete(u"", u"Flag");
        reg.Delete(u"Child");
        reg.Close();
    }
    const char* create = "create HKLM\\Software\\Tool reserved 0 class null options 0x0 access 0x3F "
                         "security {0, no descriptor, not inherited}";
    EXPECT_EQ(fake_.log, (Log{
                             "open HKLM\\Software\\Tool options 0x0 access 0x3F -> key1",
                             std::string(create) + " -> key2",
                             "close key1",
                             "set key2 DisplayName reserved 0 type 1 \"\\x83c\\x81[\\x83\\x8B\\0\" size 7",
                             std::string(create) + " -> key3",
                             "close key2",
                             "set key3 Flag reserved 0 type 2 \"YES\\0\" size 4",
                             std::string(create) + " -> key4",
                             "close key3",
                             "set key4 Count reserved 0 type 4 \"\\x02\\x01\\0\\0\" size 4",
                             "query key4 DisplayName size 4096",
                             "delete value key4 Flag",
                             "delete key key4 Child",
                             "close key4",
                         }));
}

TEST_F(RegistryThroughFake, RefusedCallsPassSilentlyAndLeaveNoKeyBehind) {
    const std::string open = "open HKLM\\Software\\Tool options 0x0 access 0x3F";
    const std::string create = "create HKLM\\Software\\Tool reserved 0 class null options 0x0 access 0x3F "
                               "security {0, no descriptor, not inherited}";
    // A refused open: no key, so reads answer their default and nothing is deleted or closed
    // (what the platform left in the out parameter least of all).
    fake_.openResult = ERROR_ACCESS_DENIED;
    {
        RegistryKey reg;
        reg.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
        EXPECT_EQ(reg.Handle(), nullptr);
        int32_t type = RegistryKey::kNumber;
        EXPECT_EQ(reg.Read(u"Count", type, Variant(int32_t{9})).LongValue(), 9);
        EXPECT_EQ(type, RegistryKey::kNumber);
        reg.Delete(u"Child");
        reg.Delete(u"", u"Flag");
        reg.Close();
    }
    EXPECT_EQ(fake_.log, Log{open + " refused"});

    // A refused create (no right to create the key): nothing is written and nothing raised,
    // the key opened before is closed all the same, and an unconvertible value still raises.
    fake_ = FakeRegistry();
    fake_.createResult = ERROR_ACCESS_DENIED;
    {
        RegistryKey reg;
        reg.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
        reg.Write(u"DisplayName", RegistryKey::kText, Variant(Text(u"Tool")));
        EXPECT_EQ(reg.Handle(), nullptr);
        EXPECT_THROW(reg.Write(u"Count", RegistryKey::kNumber, Variant(Text(u"9999999999"))),
                     quorin::RuntimeError);
        fake_.createResult = ERROR_SUCCESS;
        reg.Write(u"DisplayName", RegistryKey::kText, Variant(Text(u"Tool")));
    }
    EXPECT_EQ(fake_.log, (Log{
                             open + " -> key1",
                             create + " refused",
                             "close key1",
                             create + " refused",
                             create + " -> key2",
                             "set key2 DisplayName reserved 0 type 1 \"Tool\\0\" size 5",
                             "close key2",
                         }));

    // Refused writes, reads and deletions: nothing raised, the key stays open for the next
    // call, and a read answers its default with the caller's type code untouched.
    fake_ = FakeRegistry();
    fake_.setResult = fake_.queryResult = fake_.deleteResult = ERROR_ACCESS_DENIED;
    {
        RegistryKey reg;
        reg.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
        reg.Write(u"Flag", RegistryKey::kYesNo, Variant(false));
        int32_t type = RegistryKey::kYesNo;
        EXPECT_TRUE(reg.Read(u"Flag", type, Variant(Text(u"True"))).BoolValue());
        EXPECT_EQ(type, RegistryKey::kYesNo);
        reg.Delete(u"", u"Flag");
        reg.Delete(u"Child");
        EXPECT_EQ(fake_.Name(reg.Handle()), "key2");
    }
    EXPECT_EQ(fake_.log, (Log{
                             open + " -> key1",
                             create + " -> key2",
                             "close key1",
                             "set key2 Flag reserved 0 type 2 \"NO\\0\" size 3",
                             "query key2 Flag size 4096",
                             "delete value key2 Flag",
                             "delete key key2 Child",
                             "close key2",
                         }));
}

TEST_F(RegistryThroughFake, AnAssignedHandleIsUsedButNeverClosed) {
    const HKEY callerKey = fake_.NewKey(); // key1, the caller's to close
    {
        RegistryKey reg;
        reg.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool"); // key2, the object's own
        reg.SetHandle(HKEY_CURRENT_USER);
        reg.Delete(u"Child");
        reg.SetHandle(callerKey);
        reg.Delete(u"", u"Value");
        reg.Close();
        EXPECT_EQ(reg.Handle(), nullptr);
        reg.SetHandle(HKEY_LOCAL_MACHINE);
    }
    EXPECT_EQ(fake_.log, (Log{
                             "open HKLM\\Software\\Tool options 0x0 access 0x3F -> key2",
                             "delete key HKCU Child",
                             "delete value key1 Value",
                             "close key2",
                         }));

    // Opening an empty path below a root may hand back the root itself: never closed either.
    fake_ = FakeRegistry();
    fake_.openHandsBackTheRoot = true;
    {
        RegistryKey reg;
        reg.Open(HKEY_LOCAL_MACHINE, u"");
        EXPECT_EQ(reg.Handle(), HKEY_LOCAL_MACHINE);
        reg.Close();
        reg.Open(HKEY_LOCAL_MACHINE, u"");
    }
    EXPECT_EQ(fake_.log, (Log{"open HKLM\\ options 0x0 access 0x3F -> HKLM",
                              "open HKLM\\ options 0x0 access 0x3F -> HKLM"}));
}

TEST_F(RegistryThroughFake, EveryKeyTheObjectOpensIsClosedExactlyOnce) {
    for (bool closeSetting : {true, false}) {
        fake_ = FakeRegistry();
        {
            RegistryKey reg;
            reg.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
            for (int i = 0; i < 500; ++i)
                reg.Write(u"Count", RegistryKey::kNumber, Variant(int32_t{i}));
            if (closeSetting)
                reg.Close();
        }
        EXPECT_EQ(fake_.handedOut.size(), 501u) << "CloseSetting " << closeSetting;
        EXPECT_EQ(fake_.closes.size(), fake_.handedOut.size()) << "CloseSetting " << closeSetting;
        for (HKEY key : fake_.handedOut)
            EXPECT_EQ(fake_.closes[key], 1) << fake_.Name(key) << ", CloseSetting " << closeSetting;
    }
}

} // namespace
