// The registry key against the real registry: the stored forms, reads with their fallbacks,
// deletions. Its opens, creates and closes go through recorders bound in place of the declared
// functions, which pass on to the real ones or refuse as the real ones never do for a test: every
// key it opens is closed exactly once, with access 0x3F and plain creation (non-volatile, zeroed
// security attributes), refusals pass silently, and a handle the caller assigns is used but never
// closed.
#include "setup/platform/registry_key.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

using quorin::Variant;
using setup::RegistryKey;

const std::wstring kScratch = L"Software\\Quorin Tests\\RegistryKey";
const Text kScratchText = u"Software\\Quorin Tests\\RegistryKey";

struct Seen {
    std::multiset<HKEY> opened, closed;
    std::set<REGSAM> access;
    bool plainCreation = true;
    LONG refuse = ERROR_SUCCESS;
} * g_seen;

// Passes an open or a create on, or refuses it; keeps what it opened.
template <typename F> LONG Opening(PHKEY out, F&& call) {
    if (g_seen->refuse != ERROR_SUCCESS) {
        *out = reinterpret_cast<HKEY>(0x7EAD0); // a refusal may leave anything behind; it must not be used
        return g_seen->refuse;
    }
    const LONG rc = call();
    if (rc == ERROR_SUCCESS)
        g_seen->opened.insert(*out);
    return rc;
}
LONG WINAPI Open(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY out) {
    g_seen->access.insert(access);
    return Opening(out, [&] { return ::RegOpenKeyExA(root, path, options, access, out); });
}
LONG WINAPI Create(HKEY root, LPCSTR path, DWORD, LPSTR cls, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                   PHKEY out, LPDWORD disposition) {
    g_seen->access.insert(access);
    g_seen->plainCreation = g_seen->plainCreation && options == REG_OPTION_NON_VOLATILE && security && security->nLength == 0;
    return Opening(out, [&] { return ::RegCreateKeyExA(root, path, 0, cls, options, access, security, out, disposition); });
}
LONG WINAPI Close(HKEY key) {
    g_seen->closed.insert(key);
    return ::RegCloseKey(key);
}

template <typename Pointer> struct Bound {
    Bound(quorin::win::DeclaredFunction<Pointer>& f, Pointer recorder) : function(f), previous(f.Replace(recorder)) {}
    ~Bound() { function.Replace(previous); }
    quorin::win::DeclaredFunction<Pointer>& function;
    Pointer previous;
};

class RegistryKeyTest : public ::testing::Test {
protected:
    RegistryKeyTest() { g_seen = &seen_; }
    void TearDown() override {
        EXPECT_EQ(seen_.opened, seen_.closed) << "a key left open or closed twice";
        EXPECT_EQ(seen_.access, std::set<REGSAM>{0x3F});
        EXPECT_TRUE(seen_.plainCreation);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorin Tests");
    }
    Seen seen_;
    Bound<decltype(&::RegOpenKeyExA)> open_{setup::registry_api::RegOpenKeyExA, &Open};
    Bound<decltype(&::RegCreateKeyExA)> create_{setup::registry_api::RegCreateKeyExA, &Create};
    Bound<decltype(&::RegCloseKey)> close_{setup::registry_api::RegCloseKey, &Close};
};

// A value's bytes as stored through the ANSI interface.
std::string Stored(const char* name, DWORD* type = nullptr) {
    char data[8192];
    DWORD size = sizeof data;
    return ::RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorin Tests\\RegistryKey", name, RRF_RT_ANY | RRF_NOEXPAND, type, data,
                          &size) == ERROR_SUCCESS
               ? std::string(data, size)
               : "<missing>";
}

TEST_F(RegistryKeyTest, StoredFormsReadsAndDeletions) {
    const std::string number2("\x02\0\0\0", 4);
    const struct {
        int32_t code;
        Variant value;
        std::string stored; // "<missing>": nothing written
        DWORD type;
    } writes[] = {{1, Variant(u"プログラム"), std::string("\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80", 11), REG_SZ},
                  {1, Variant(Text()), "<missing>", 0},
                  {2, Variant(true), std::string("YES", 4), REG_EXPAND_SZ},
                  {2, Variant(u"0"), std::string("NO", 3), REG_EXPAND_SZ},
                  {4, Variant(u"12"), std::string("\x0C\0\0\0", 4), REG_DWORD},
                  {4, Variant(u"abc"), "<missing>", 0},
                  {4, Variant(2.5), number2, REG_DWORD},
                  {3, Variant(u"x"), "<missing>", 0}};
    for (const auto& w : writes) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
        RegistryKey key;
        key.Open(HKEY_CURRENT_USER, kScratchText);
        EXPECT_EQ(key.Handle(), nullptr) << "a missing key leaves no handle";
        key.Write(u"Value", w.code, w.value);
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kScratch)) << "writing creates the key";
        DWORD type = 0;
        EXPECT_EQ(Stored("Value", &type), w.stored) << w.code << " " << quorin::ToUtf8(quorin::ToText(w.value));
        EXPECT_EQ(w.stored == "<missing>" ? 0 : type, w.type);
    }
    // Values that cannot be converted raise once the key exists, and nothing is written (which
    // error each conversion raises is proved natively); Null is a type mismatch as a number, below.
    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, kScratchText);
    key.Write(u"Value", 1, Variant(u"old"));
    for (const auto& [code, value, error] : {std::tuple(4, Variant(u"2147483648"), quorin::ErrorCode::Overflow),
                                             std::tuple(2, Variant(u"maybe"), quorin::ErrorCode::TypeMismatch),
                                             std::tuple(1, Variant::Null(), quorin::ErrorCode::InvalidUseOfNull)}) {
        EXPECT_EQ(Raised([&] { key.Write(u"Value", code, value); }), error) << code;
        EXPECT_EQ(Stored("Value"), std::string("old", 4));
    }
    // Reads by code: the stored type comes back in the code; a failed read gives the fallback.
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
    EXPECT_EQ(Raised([&] { key.Read(u"Missing", number, Variant::Null()); }), quorin::ErrorCode::TypeMismatch);
    // Deletions act below the open key: a value, or else a subkey; both empty, nothing.
    key.Write(u"Sub", 1, Variant(u"value"));
    RegistryKey child;
    child.Open(HKEY_CURRENT_USER, kScratchText + u"\\Sub");
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
}

TEST_F(RegistryKeyTest, RefusalsPassSilentlyAndAnAssignedHandleIsNeverClosed) {
    seen_.refuse = ERROR_ACCESS_DENIED;
    {
        RegistryKey key;
        key.Open(HKEY_CURRENT_USER, kScratchText);
        EXPECT_EQ(key.Handle(), nullptr);
        int32_t type = RegistryKey::kNumber;
        EXPECT_EQ(key.Read(u"Count", type, Variant(int32_t{9})).LongValue(), 9);
        key.Delete(u"Child");
        key.Write(u"Name", RegistryKey::kText, Variant(u"Tool"));
        EXPECT_EQ(Raised([&] { key.Write(u"Count", RegistryKey::kNumber, Variant(u"9999999999")); }), quorin::ErrorCode::Overflow);
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kScratch));
    // Handle is a plain property: what the caller assigns is used and left to the caller.
    seen_.refuse = ERROR_SUCCESS;
    quorin::win::UniqueHKey mine;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (kScratch + L"\\Child").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                mine.put(), nullptr),
              ERROR_SUCCESS);
    ::RegCreateKeyExW(mine.get(), L"Grandchild", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, quorin::win::UniqueHKey().put(), nullptr);
    {
        RegistryKey key;
        key.Open(HKEY_CURRENT_USER, kScratchText);
        key.SetHandle(mine.get());
        key.Delete(u"Grandchild");
        key.Close();
        key.SetHandle(HKEY_LOCAL_MACHINE);
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kScratch + L"\\Child\\Grandchild"));
    EXPECT_EQ(::RegQueryInfoKeyW(mine.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr),
              ERROR_SUCCESS);
}

} // namespace
} // namespace setup_test
