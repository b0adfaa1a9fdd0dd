#include "system_snapshot.h"

#include <windows.h>

#include "setup_driver.h"
#include "win/unique_handle.h"

namespace quorin::driver {
namespace {

using quorin::pack::FileFacts;
using quorin::pack::FolderSnapshot;
using quorin::pack::RegistrySnapshot;

void WalkFolder(const wstring& folder, const std::string& relative, FolderSnapshot& out) {
    WIN32_FIND_DATAW d;
    quorin::win::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &d));
    if (!find)
        return;
    do {
        const wstring name = d.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const wstring path = folder + L"\\" + name;
        const std::string key = relative + (relative.empty() ? "" : "/") + Utf8(name);
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[key] = FileFacts{true, 0, 0};
            WalkFolder(path, key, out);
            continue;
        }
        FileFacts facts;
        quorin::win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                 0, nullptr));
        if (!file) {
            // A file held open without sharing still counts by its size; its contents read as
            // "unknown", which compares unequal to any readable version.
            facts.size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
            facts.hash = 0;
            out[key] = facts;
            continue;
        }
        facts.hash = quorin::pack::ContentHash(nullptr, 0);
        std::string buffer(1 << 16, '\0');
        DWORD read = 0;
        while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
               read > 0) {
            facts.hash =
                quorin::pack::ContentHash(reinterpret_cast<const uint8_t*>(buffer.data()), read, facts.hash);
            facts.size += read;
        }
        out[key] = facts;
    } while (FindNextFileW(find.get(), &d));
}

// A key and everything below it; `skip` names a subkey of this key left out.
void WalkKey(HKEY root, const wstring& path, const std::string& shown, const wchar_t* skip,
             RegistrySnapshot& out) {
    quorin::win::UniqueHKey key;
    if (RegOpenKeyExW(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    quorin::pack::RegistryKey& values = out[shown];
    DWORD subkeys = 0, maxSubkey = 0, count = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &count, &maxName,
                     &maxData, nullptr, nullptr);
    std::wstring name(maxName + 2, L'\0');
    std::string data(maxData + 2, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()),
              type = 0;
        const LONG rc = RegEnumValueW(key.get(), i, name.data(), &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (rc == ERROR_MORE_DATA) {
            // Changed since the key was measured: make room and read the same value again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        values[Utf8(wstring(name.data(), nameLength))] =
            quorin::pack::FormatRegistryData(type, reinterpret_cast<const uint8_t*>(data.data()), dataSize);
    }
    std::wstring sub(maxSubkey + 2, L'\0');
    std::vector<wstring> names;
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(sub.size());
        const LONG rc = RegEnumKeyExW(key.get(), i, sub.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            sub.resize(sub.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        names.emplace_back(sub.data(), length);
    }
    for (const wstring& n : names) {
        if (skip && _wcsicmp(n.c_str(), skip) == 0)
            continue;
        WalkKey(root, path.empty() ? n : path + L"\\" + n, shown + "\\" + Utf8(n), nullptr, out);
    }
}

} // namespace

FolderSnapshot SnapshotFolder(const wstring& folder) {
    FolderSnapshot s;
    WalkFolder(folder, "", s);
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
