#include "driver/system_snapshot.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "driver/setup_driver.h"
#include "win/unique_handle.h"

namespace quorin::driver {
namespace {

using quorin::pack::FileFacts;
using quorin::pack::FolderSnapshot;
using quorin::pack::RegistrySnapshot;

// Reads the names and data of a key's values, and the names of its subkeys.
void ReadKey(HKEY key, quorin::pack::RegistryKey& values, std::vector<wstring>& subkeys) {
    DWORD maxSubkey = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxSubkey, nullptr, nullptr, &maxName,
                     &maxData, nullptr, nullptr);
    std::wstring name(maxName + 2, L'\0');
    std::string data(maxData + 2, '\0');
    for (DWORD i = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()),
              type = 0;
        const LONG rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (rc == ERROR_MORE_DATA) {
            // Changed since the key was measured: make room and read the same value again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        values[Utf8(wstring(name.data(), nameLength))] =
            quorin::pack::FormatRegistryData(type, reinterpret_cast<const uint8_t*>(data.data()), dataSize);
        ++i;
    }
    std::wstring sub(maxSubkey + 2, L'\0');
    for (DWORD i = 0;;) {
        DWORD length = static_cast<DWORD>(sub.size());
        const LONG rc = RegEnumKeyExW(key, i, sub.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            sub.resize(sub.size() * 2 + 256);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(sub.data(), length);
        ++i;
    }
}

// A key and everything below it; `skip` names a subkey of this key left out.
void WalkKey(HKEY root, const wstring& path, const std::string& shown, const wchar_t* skip,
             RegistrySnapshot& out) {
    quorin::win::UniqueHKey key;
    if (RegOpenKeyExW(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    std::vector<wstring> subkeys;
    ReadKey(key.get(), out[shown], subkeys);
    key.reset();
    for (const wstring& n : subkeys)
        if (!skip || _wcsicmp(n.c_str(), skip) != 0)
            WalkKey(root, path.empty() ? n : path + L"\\" + n, shown + "\\" + Utf8(n), nullptr, out);
}

} // namespace

FolderSnapshot SnapshotFolder(const wstring& folder) {
    FolderSnapshot s;
    WalkFolder(folder, [&](const wstring& path, const wstring& relative, const WIN32_FIND_DATAW& entry) {
        std::string key = Utf8(relative);
        std::replace(key.begin(), key.end(), '\\', '/');
        FileFacts& facts = s[key];
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            facts.folder = true;
        } else if (const std::optional<Bytes> data = ReadBytes(path)) {
            facts.size = data->size();
            facts.hash =
                quorin::pack::ContentHash(reinterpret_cast<const uint8_t*>(data->data()), data->size());
        } else {
            // A file held open without sharing still counts by its size; its contents read as
            // "unknown", which compares unequal to any readable version.
            facts.size = (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        }
    });
    return s;
}

RegistrySnapshot SnapshotRegistry() {
    RegistrySnapshot s;
    WalkKey(HKEY_CLASSES_ROOT, L"", "HKEY_CLASSES_ROOT", nullptr, s);
    WalkKey(HKEY_LOCAL_MACHINE, L"Software", "HKEY_LOCAL_MACHINE\\Software", L"Classes", s);
    WalkKey(HKEY_CURRENT_USER, L"Software", "HKEY_CURRENT_USER\\Software", nullptr, s);
    return s;
}

quorin::pack::Snapshot SnapshotSystem(const wstring& folder) {
    return {SnapshotFolder(folder), SnapshotRegistry()};
}

} // namespace quorin::driver
