// One registry key at a time, its values typed by a small code that is the registry's own type
// number for the form the value is stored in. Every string crosses
// to the platform's ANSI functions in the ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/text.h"
#include "basic/variant.h"
#include "win/module_info.h"
#include "win/unique_handle.h"

namespace setup {

// The registry functions the key calls, each bound by name from ADVAPI32 at its first call
// like every declared function of Setup, so a missing one raises at that call rather than
// keeping the program from starting.
namespace registry_api {
extern quorin::win::DeclaredFunction<decltype(&::RegOpenKeyExA)> RegOpenKeyExA;
extern quorin::win::DeclaredFunction<decltype(&::RegCloseKey)> RegCloseKey;
extern quorin::win::DeclaredFunction<decltype(&::RegQueryValueExA)> RegQueryValueExA;
extern quorin::win::DeclaredFunction<decltype(&::RegCreateKeyExA)> RegCreateKeyExA;
extern quorin::win::DeclaredFunction<decltype(&::RegSetValueExA)> RegSetValueExA;
extern quorin::win::DeclaredFunction<decltype(&::RegDeleteValueA)> RegDeleteValueA;
extern quorin::win::DeclaredFunction<decltype(&::RegDeleteKeyA)> RegDeleteKeyA;

// Owns a key that RegistryKey opened itself and closes it through the declared RegCloseKey.
// A predefined root (HKEY_CLASSES_ROOT and its neighbours), which opening an empty path below
// a root may hand back, is never closed.
struct OpenedKeyPolicy {
    static HKEY Invalid() noexcept { return nullptr; }
    static bool IsValid(HKEY key) noexcept;
    static void Close(HKEY key) noexcept;
};
using OpenedKey = quorin::win::UniqueHandle<HKEY, OpenedKeyPolicy>;
} // namespace registry_api

class RegistryKey {
public:
    // Value type codes: the registry's own type numbers for the form a value is stored in.
    static constexpr int32_t kText = 1;   // REG_SZ
    static constexpr int32_t kYesNo = 2;  // REG_EXPAND_SZ holding "YES" or "NO"
    static constexpr int32_t kNumber = 4; // REG_DWORD
    // Access asked for when opening or creating a key: query, set, create subkey, enumerate,
    // notify, create link; not KEY_ALL_ACCESS, so no delete or security rights are needed.
    static constexpr REGSAM kAccess = 0x3F;
    static constexpr DWORD kTextBufferSize = 4096;

    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // The key reads, writes and deletions act on; null when none is open.
    HKEY Handle() const noexcept { return handle_; }
    // A plain property: the caller keeps what it assigns (a root such as HKEY_LOCAL_MACHINE
    // included), and the key the object opened itself stays open until the object closes it.
    void SetHandle(HKEY key) noexcept { handle_ = key; }

    // Opens `subKey` below `root` and remembers both, whether or not the key exists.
    void Open(HKEY root, const quorin::Text& subKey);
    // Closes the key the object opened itself and clears Handle; the remembered root and path
    // stay, so Write can reopen it. A key the caller assigned to Handle is left open.
    void Close();
    // Reads value `name` of the open key as `type` says; a successful query stores the value's
    // real registry type in `type`. `fallback`, when given, answers a failed query (converted by
    // the standard conversion, which may raise quorin::RuntimeError).
    quorin::Variant Read(const quorin::Text& name, int32_t& type,
                         const quorin::Variant& fallback = quorin::Variant::Omitted());
    // Creates (or opens) the remembered key and writes value `name`. A value that cannot be
    // converted raises quorin::RuntimeError after the key exists and before anything is written.
    void Write(const quorin::Text& name, int32_t type, const quorin::Variant& value);
    // `name` given: deletes that value. Otherwise `subKey` given: deletes that subkey of the
    // open key. Otherwise nothing.
    void Delete(const quorin::Text& subKey = quorin::Text(), const quorin::Text& name = quorin::Text());

private:
    // Makes `opened` (null when the platform refused) the key Handle names, closing the key the
    // object had opened before.
    void KeepOpenedKey(HKEY opened) noexcept;

    HKEY handle_ = nullptr;
    // The last key the object opened itself; closed when replaced, by Close and at the
    // end of the object, whatever Handle names by then.
    registry_api::OpenedKey openedKey_;
    HKEY rootKey_ = nullptr;
    quorin::Text subKeyPath_;
};

} // namespace setup
