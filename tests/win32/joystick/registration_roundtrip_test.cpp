// Registration undone to the byte: the whole of HKEY_CLASSES_ROOT (keys, value names, types
// and data) is dumped before DllRegisterServer and after DllUnregisterServer and compared,
// also after registering twice, after unregistering twice, and with a foreign value that
// another program left under one of the library's keys.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "robustness_test_support.h"
#include "winsupport/unique_handle.h"

using namespace robust;
using namespace joystick;

namespace {

using Dump = std::map<std::wstring, std::wstring>; // "key\\:name" -> type and data in hex

void DumpKey(HKEY parent, const std::wstring& path, Dump& out) {
    quorin::win::UniqueHKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        out[path + L"\\<unreadable>"] = L"";
        return;
    }
    out[path] = L"<key>";
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size());
        LONG e = RegEnumValueW(key.get(), i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (e == ERROR_NO_MORE_ITEMS)
            break;
        if (e != ERROR_SUCCESS) {
            out[path + L"\\:<error " + std::to_wstring(e) + L">"] = L"";
            break;
        }
        std::wstring text = std::to_wstring(type) + L":";
        static const wchar_t hex[] = L"0123456789ABCDEF";
        for (DWORD k = 0; k < size; ++k) {
            text += hex[data[k] >> 4];
            text += hex[data[k] & 15];
        }
        out[path + L"\\:" + std::wstring(name.data(), nameLength)] = text;
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key.get(), i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        children.emplace_back(name.data(), nameLength);
    }
    for (const auto& child : children)
        DumpKey(parent, path.empty() ? child : path + L"\\" + child, out);
}

Dump DumpClassesRoot() {
    Dump d;
    DumpKey(HKEY_CLASSES_ROOT, L"", d);
    return d;
}

// The differences, for the failure message.
std::string Diff(const Dump& a, const Dump& b) {
    std::string out;
    int shown = 0;
    auto line = [&](const char* sign, const std::wstring& k, const std::wstring& v) {
        if (++shown > 40)
            return;
        std::string s = sign;
        for (wchar_t c : k + L" = " + v.substr(0, 80))
            s += c < 128 ? static_cast<char>(c) : '?';
        out += s + "\n";
    };
    for (const auto& [k, v] : a) {
        auto it = b.find(k);
        if (it == b.end())
            line("- ", k, v);
        else if (it->second != v)
            line("~ ", k, it->second);
    }
    for (const auto& [k, v] : b)
        if (!a.count(k))
            line("+ ", k, v);
    return out + std::to_string(shown) + " differences";
}

const auto* const g_env = testing::AddGlobalTestEnvironment(new OcxEnvironment);

TEST(Registration, UnregistrationRestoresTheRegistryExactly) {
    // A library left registered by an interrupted earlier run would spoil the baseline.
    g_ocx->UnregisterServer();

    const Dump before = DumpClassesRoot();
    ASSERT_EQ(g_ocx->RegisterServer(), S_OK);
    const Dump registered = DumpClassesRoot();
    EXPECT_GT(registered.size(), before.size()) << "registration wrote nothing";
    EXPECT_TRUE(registered.count(L"Joystick.ControlJoystick\\CLSID"));
    ASSERT_EQ(g_ocx->RegisterServer(), S_OK) << "registering again";
    EXPECT_EQ(DumpClassesRoot(), registered) << "registering twice differs from once";
    ASSERT_EQ(g_ocx->UnregisterServer(), S_OK);
    const Dump after = DumpClassesRoot();
    EXPECT_TRUE(after == before) << Diff(before, after);
    EXPECT_EQ(g_ocx->UnregisterServer(), S_OK) << "unregistering what is not registered";
    EXPECT_TRUE(DumpClassesRoot() == before);

    // Another program's value under one of the library's keys survives the unregistration,
    // and only it remains.
    ASSERT_EQ(g_ocx->RegisterServer(), S_OK);
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_CLASSES_ROOT, L"Joystick.ControlJoystick", L"ForeignValue", REG_SZ, L"x", 4),
        ERROR_SUCCESS);
    ASSERT_EQ(g_ocx->UnregisterServer(), S_OK);
    wchar_t value[8] = {};
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, L"Joystick.ControlJoystick", L"ForeignValue", RRF_RT_REG_SZ,
                           nullptr, value, &size),
              ERROR_SUCCESS);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Joystick.ControlJoystick");
    const Dump cleaned = DumpClassesRoot();
    EXPECT_TRUE(cleaned == before) << Diff(before, cleaned);
    std::printf("[registry] HKEY_CLASSES_ROOT: %zu entries before, %zu registered, %zu after\n",
                before.size(), registered.size(), after.size());
}

} // namespace
