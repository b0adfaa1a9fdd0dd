// Setup's access class for the registry: one key at a time, values typed by a small code that
// is the registry's own type number for the form the value is stored in. Every string crosses
// to the platform's ANSI functions in the ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/text.h"
#include "core/variant.h"
#include "winsupport/unique_handle.h"

namespace setup {

class ClassRegistry {
public:
    // DataBaseType codes.
    static constexpr int32_t kText = 1;   // REG_SZ
    static constexpr int32_t kYesNo = 2;  // REG_EXPAND_SZ holding "YES" or "NO"
    static constexpr int32_t kNumber = 4; // REG_DWORD
    // Access asked for when opening or creating a key: query, set, create subkey, enumerate,
    // notify, create link; not KEY_ALL_ACCESS, so no delete or security rights are needed.
    static constexpr REGSAM kAccess = 0x3F;
    static constexpr DWORD kTextBufferSize = 4096;

    ClassRegistry() = default;
    ClassRegistry(const ClassRegistry&) = delete;
    ClassRegistry& operator=(const ClassRegistry&) = delete;

    // The key reads, writes and deletions act on; null when none is open.
    HKEY Handle() const noexcept { return handle_.get(); }
    // Takes ownership of `key`, closing the key held before.
    void SetHandle(HKEY key) noexcept { handle_.reset(key); }

    // Opens the key Section below HKEY_ and remembers both, whether or not the key exists.
    void OpenSetting(HKEY HKEY_, const quorin::Text& Section);
    // Closes the open key; the remembered root and path stay, so WriteSetting can reopen it.
    void CloseSetting();
    // Reads value Key of the open key as DataBaseType says; a successful query stores the
    // value's real registry type in DataBaseType. Default, when given, answers a failed query
    // (converted by the standard conversion, which may raise quorin::RuntimeError).
    quorin::Variant ReadSetting(const quorin::Text& Key, int32_t& DataBaseType,
                                const quorin::Variant& Default = quorin::Variant::Omitted());
    // Creates (or opens) the remembered key and writes value Key. A DataBase that cannot be
    // converted raises quorin::RuntimeError after the key exists and before anything is written.
    void WriteSetting(const quorin::Text& Key, int32_t DataBaseType, const quorin::Variant& DataBase);
    // Key given: deletes that value. Otherwise Section given: deletes that subkey of the open
    // key. Otherwise nothing.
    void ClearSetting(const quorin::Text& Section = quorin::Text(), const quorin::Text& Key = quorin::Text());

private:
    quorin::win::UniqueHKey handle_;
    HKEY RootKey_ = nullptr;
    quorin::Text SubKeyPath_;
};

} // namespace setup
