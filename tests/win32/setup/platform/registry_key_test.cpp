// The registry key against the real registry (the stored forms, reads with their fallbacks,
// deletions), and against a registry of the test's own bound in place of its seven declared
// functions, which writes down every call and refuses on demand as the real one never does for
// a test: access 0x3F, refusals passed over silently, every key it opens closed exactly once,
// and a handle the caller assigns used but never closed.
#include <cstdio>
#include <cstring>
#include <map>

#include "setup/platform/registry_key.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

using quorin::Variant;
using setup::RegistryKey;

const std::wstring kScratch = L"Software\\Quorin Tests\\RegistryKey";

// A value's bytes as stored through the ANSI interface.
std::string Stored(const char* name, DWORD* type = nullptr) {
    char data[8192];
    DWORD size = sizeof data, t = 0;
    if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorin Tests\\RegistryKey", name, RRF_RT_ANY | RRF_NOEXPAND, &t, data,
                       &size) != ERROR_SUCCESS)
        return "<missing>";
    if (type)
        *type = t;
    return std::string(data, size);
}

TEST(RegistryKey, StoredFormsAndReads) {
    const std::string number12("\x0C\0\0\0", 4), number2("\x02\0\0\0", 4), number4("\x04\0\0\0", 4), minus1("\xFF\xFF\xFF\xFF", 4);
    const struct {
        int32_t code;
        Variant value;
        std::string stored; // "<missing>": nothing written
        DWORD type;
    } writes[] = {{1, Variant(u"C:\\Apps\\Setup.EXE"), std::string("C:\\Apps\\Setup.EXE", 18), REG_SZ},
                  {1, Variant(u"プログラム"), std::string("\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80", 11), REG_SZ},
                  {1, Variant(int32_t{42}), std::string("42", 3), REG_SZ},
                  {1, Variant(Text()), "<missing>", 0},
                  {2, Variant(true), std::string("YES", 4), REG_EXPAND_SZ},
                  {2, Variant(u"0"), std::string("NO", 3), REG_EXPAND_SZ},
                  {4, Variant(u"12"), number12, REG_DWORD},
                  {4, Variant(u"abc"), "<missing>", 0},
                  {4, Variant(2.5), number2, REG_DWORD},
                  {4, Variant(3.5), number4, REG_DWORD},
                  {4, Variant(true), minus1, REG_DWORD},
                  {3, Variant(u"x"), "<missing>", 0}};
    for (const auto& w : writes) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
        RegistryKey key;
        key.Open(HKEY_CURRENT_USER, quorin::win::FromWide(kScratch.c_str()));
        EXPECT_EQ(key.Handle(), nullptr) << "a missing key leaves no handle";
        key.Write(u"Value", w.code, w.value);
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kScratch)) << "writing creates the key";
        DWORD type = 0;
        EXPECT_EQ(Stored("Value", &type), w.stored) << w.code << " " << quorin::ToUtf8(quorin::ToText(w.value));
        EXPECT_EQ(type, w.type);
    }
    // Values that cannot be converted raise once the key exists, and nothing is written. Null is
    // a type mismatch as a yes/no (and as a number, below), an invalid use of null as text.
    const struct {
        int32_t code;
        Variant value;
        quorin::ErrorCode error;
    } raising[] = {{4, Variant(u"2147483648"), quorin::ErrorCode::Overflow},
                   {2, Variant(u"maybe"), quorin::ErrorCode::TypeMismatch},
                   {2, Variant::Null(), quorin::ErrorCode::TypeMismatch},
                   {1, Variant::Null(), quorin::ErrorCode::InvalidUseOfNull}};
    for (const auto& r : raising) {
        RegistryKey key;
        key.Open(HKEY_CURRENT_USER, quorin::win::FromWide(kScratch.c_str()));
        key.Write(u"Value", 1, Variant(u"old"));
        try {
            key.Write(u"Value", r.code, r.value);
            ADD_FAILURE() << r.code << ": no error";
        } catch (const quorin::RuntimeError& e) {
            EXPECT_EQ(e.Code(), r.error) << r.code;
        }
        EXPECT_EQ(Stored("Value"), std::string("old", 4));
    }
    // Reads by code: the stored type comes back in the code; a failed read gives the fallback.
    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, quorin::win::FromWide(kScratch.c_str()));
    key.Write(u"Text", 1, Variant(u"hello"));
    key.Write(u"Yes", 2, Variant(true));
    key.Write(u"Number", 4, Variant(int32_t{-7}));
    key.Write(u"Big", 1, Variant(Text(5000, u'x')));
    const struct {
        const char16_t* name;
        int32_t code;
        Variant fallback, expected;
        int32_t typeAfter;
    } reads[] = {{u"Text", 1, Variant::Omitted(), Variant(u"hello"), REG_SZ},
                 {u"Yes", 2, Variant::Omitted(), Variant(true), REG_EXPAND_SZ},
                 {u"Text", 2, Variant::Omitted(), Variant(), REG_SZ},
                 {u"Number", 4, Variant::Omitted(), Variant(int32_t{-7}), REG_DWORD},
                 {u"Missing", 1, Variant(int32_t{5}), Variant(u"5"), 1},
                 {u"Missing", 2, Variant(u"True"), Variant(true), 2},
                 {u"Missing", 2, Variant::Omitted(), Variant(false), 2},
                 {u"Missing", 4, Variant(2.5), Variant(int32_t{2}), 4},
                 {u"Big", 1, Variant(u"d"), Variant(u"d"), 1},
                 {u"Text", 3, Variant(u"d"), Variant(), 3}};
    for (const auto& r : reads) {
        int32_t type = r.code;
        const Variant got = key.Read(r.name, type, r.fallback);
        EXPECT_TRUE(got.Kind() == r.expected.Kind() && (got.IsEmpty() || quorin::ToText(got) == quorin::ToText(r.expected)))
            << quorin::ToUtf8(r.name) << " " << r.code;
        EXPECT_EQ(type, r.typeAfter) << quorin::ToUtf8(r.name) << " " << r.code;
    }
    int32_t number = RegistryKey::kNumber;
    try {
        key.Read(u"Missing", number, Variant::Null());
        ADD_FAILURE() << "no error";
    } catch (const quorin::RuntimeError& e) {
        EXPECT_EQ(e.Code(), quorin::ErrorCode::TypeMismatch);
    }
    // Deletions act below the open key: a value, or else a subkey; both empty, nothing.
    key.Write(u"Sub", 1, Variant(u"value"));
    RegistryKey child;
    child.Open(HKEY_CURRENT_USER, quorin::win::FromWide((kScratch + L"\\Sub").c_str()));
    child.Write(u"x", 1, Variant(u"y"));
    child.Close();
    key.Delete(u"Sub", u"Sub");
    EXPECT_TRUE(Stored("Sub") == "<missing>" && KeyExists(HKEY_CURRENT_USER, kScratch + L"\\Sub"));
    key.Delete(u"", u"");
    key.Delete(u"Sub");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kScratch + L"\\Sub"));
    // Writing after Close reopens the key of the last Open.
    key.Close();
    EXPECT_EQ(key.Handle(), nullptr);
    key.Write(u"After", 4, Variant(int32_t{2}));
    EXPECT_EQ(Stored("After"), number2);
    key.Close();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorin Tests");
}

// A registry of the test's own.
struct FakeRegistry {
    std::vector<std::string> log;
    std::map<HKEY, int> closes;
    size_t opened = 0;
    LONG refuse = ERROR_SUCCESS; // the answer of opens, creates, queries, writes and deletions
    std::string Name(HKEY key) const {
        if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER)
            return key == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU";
        return "key" + std::to_string(reinterpret_cast<uintptr_t>(key) - 0x1000);
    }
    HKEY New() { return reinterpret_cast<HKEY>(0x1000 + ++opened); }
} * g_fake;

std::string Hex(DWORD value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%lX", static_cast<unsigned long>(value));
    return buffer;
}

LONG Answer(HKEY* out, const std::string& line) {
    const bool refused = g_fake->refuse != ERROR_SUCCESS;
    if (out) // a refusal may leave anything in the out parameter; it must not be used
        *out = refused ? reinterpret_cast<HKEY>(0x7EAD0) : g_fake->New();
    g_fake->log.push_back(line + (refused ? " refused" : out ? " -> " + g_fake->Name(*out) : ""));
    return g_fake->refuse;
}
LONG WINAPI Open(HKEY root, LPCSTR path, DWORD, REGSAM access, PHKEY out) {
    return Answer(out, "open " + g_fake->Name(root) + "\\" + path + " " + Hex(access));
}
LONG WINAPI CloseKey(HKEY key) {
    g_fake->log.push_back("close " + g_fake->Name(key));
    return ++g_fake->closes[key], ERROR_SUCCESS;
}
LONG WINAPI Query(HKEY key, LPCSTR name, LPDWORD, LPDWORD, LPBYTE, LPDWORD size) {
    return Answer(nullptr, "query " + g_fake->Name(key) + " " + name + " " + std::to_string(*size));
}
LONG WINAPI Create(HKEY root, LPCSTR path, DWORD, LPSTR, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY out,
                   LPDWORD) {
    return Answer(out, "create " + g_fake->Name(root) + "\\" + path + " " + Hex(options) + " " + Hex(access) + " security " +
                           std::to_string(security ? security->nLength : 99));
}
LONG WINAPI Set(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    std::string bytes;
    for (DWORD i = 0; i < size; ++i)
        bytes += data[i] >= 0x20 && data[i] < 0x7F ? std::string(1, static_cast<char>(data[i])) : "\\" + std::to_string(data[i]);
    return Answer(nullptr, "set " + g_fake->Name(key) + " " + name + " " + std::to_string(type) + " \"" + bytes + "\"");
}
LONG WINAPI DeleteValue(HKEY key, LPCSTR name) {
    return Answer(nullptr, "delete value " + g_fake->Name(key) + " " + name);
}
LONG WINAPI DeleteKey(HKEY key, LPCSTR name) {
    return Answer(nullptr, "delete key " + g_fake->Name(key) + " " + name);
}

template <typename Pointer> struct Bound {
    Bound(quorin::win::DeclaredFunction<Pointer>& f, Pointer fake) : function(f), previous(f.Replace(fake)) {}
    ~Bound() { function.Replace(previous); }
    quorin::win::DeclaredFunction<Pointer>& function;
    Pointer previous;
};

class FakeRegistryTest : public ::testing::Test {
protected:
    FakeRegistryTest() { g_fake = &fake_; }
    using Log = std::vector<std::string>;
    FakeRegistry fake_;
    Bound<decltype(&::RegOpenKeyExA)> open_{setup::registry_api::RegOpenKeyExA, &Open};
    Bound<decltype(&::RegCloseKey)> close_{setup::registry_api::RegCloseKey, &CloseKey};
    Bound<decltype(&::RegQueryValueExA)> query_{setup::registry_api::RegQueryValueExA, &Query};
    Bound<decltype(&::RegCreateKeyExA)> create_{setup::registry_api::RegCreateKeyExA, &Create};
    Bound<decltype(&::RegSetValueExA)> set_{setup::registry_api::RegSetValueExA, &Set};
    Bound<decltype(&::RegDeleteValueA)> value_{setup::registry_api::RegDeleteValueA, &DeleteValue};
    Bound<decltype(&::RegDeleteKeyA)> key_{setup::registry_api::RegDeleteKeyA, &DeleteKey};
};

TEST_F(FakeRegistryTest, EachCallWithAccess0x3FAndEveryOpenedKeyClosedOnce) {
    {
        RegistryKey key;
        key.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
        key.Write(u"Name", RegistryKey::kText, Variant(u"ツール"));
        key.Write(u"Count", RegistryKey::kNumber, Variant(int32_t{258}));
        int32_t type = RegistryKey::kText;
        key.Read(u"Name", type);
        key.Delete(u"", u"Name");
        key.Delete(u"Child");
    }
    const std::string create = "create HKLM\\Software\\Tool 0x0 0x3F security 0";
    EXPECT_EQ(fake_.log, (Log{"open HKLM\\Software\\Tool 0x3F -> key1", create + " -> key2", "close key1",
                              "set key2 Name 1 \"\\131c\\129[\\131\\139\\0\"", create + " -> key3", "close key2",
                              "set key3 Count 4 \"\\2\\1\\0\\0\"", "query key3 Name 4096", "delete value key3 Name",
                              "delete key key3 Child", "close key3"}));
    // A key replaced at every write is closed, not leaked: each exactly once, with or without Close.
    for (bool close : {true, false}) {
        fake_ = FakeRegistry();
        {
            RegistryKey key;
            key.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
            for (int i = 0; i < 100; ++i)
                key.Write(u"Count", RegistryKey::kNumber, Variant(int32_t{i}));
            if (close)
                key.Close();
        }
        EXPECT_EQ(fake_.closes.size(), fake_.opened);
        for (const auto& [key, count] : fake_.closes)
            EXPECT_EQ(count, 1) << fake_.Name(key);
    }
}

TEST_F(FakeRegistryTest, RefusalsPassSilentlyAndAnAssignedHandleIsNeverClosed) {
    fake_.refuse = ERROR_ACCESS_DENIED;
    {
        RegistryKey key;
        key.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
        EXPECT_EQ(key.Handle(), nullptr);
        int32_t type = RegistryKey::kNumber;
        EXPECT_EQ(key.Read(u"Count", type, Variant(int32_t{9})).LongValue(), 9);
        key.Delete(u"Child");
        key.Write(u"Name", RegistryKey::kText, Variant(u"Tool"));
        EXPECT_THROW(key.Write(u"Count", RegistryKey::kNumber, Variant(u"9999999999")), quorin::RuntimeError);
    }
    EXPECT_EQ(fake_.log, (Log{"open HKLM\\Software\\Tool 0x3F refused", "create HKLM\\Software\\Tool 0x0 0x3F security 0 refused",
                              "create HKLM\\Software\\Tool 0x0 0x3F security 0 refused"}));
    // Handle is a plain property: what the caller assigns is used and left to the caller.
    fake_ = FakeRegistry();
    {
        RegistryKey key;
        key.Open(HKEY_LOCAL_MACHINE, u"Software\\Tool");
        key.SetHandle(HKEY_CURRENT_USER);
        key.Delete(u"Child");
        key.Close();
        key.SetHandle(HKEY_LOCAL_MACHINE);
    }
    EXPECT_EQ(fake_.log, (Log{"open HKLM\\Software\\Tool 0x3F -> key1", "delete key HKCU Child", "close key1"}));
}

} // namespace
} // namespace setup_test
