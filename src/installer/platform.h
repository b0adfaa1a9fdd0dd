// What the install and uninstall procedures and file placement need of the world, as
// interfaces: a recording fake proves their decisions natively, the Windows layer the effects.
// Any call may raise (quorin::RuntimeError or another std::exception); the caller then treats
// the call as a failed one and goes on.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "base/text.h"
#include "installer/setup_script.h"

namespace quorin {

// Runs one platform call and tells whether it completed; a raised error counts as a failed
// call. The one place where the platform's failures are passed over, on purpose.
template <typename F> bool Attempt(F&& call) noexcept {
    try {
        call();
        return true;
    } catch (...) {
        return false;
    }
}

// The LZ library's operations, the existence test and the runtime's file operations.
class PlacementPlatform {
public:
    virtual ~PlacementPlatform() = default;
    // Whether the LZ library can open the file.
    virtual bool IsExisting(const Text& path) = 0;
    // The full path the file has once expanded (an uncompressed file: path itself). Empty when
    // no usable name can be had, e.g. a name longer than the expanded-name buffer.
    virtual Text ExpandedName(const Text& path) = 0;
    // Expands (or copies, when uncompressed) `from` into a new file `to`.
    virtual void Expand(const Text& from, const Text& to) = 0;
    // True when the last Expand failed.
    virtual bool ExpansionFailed() = 0;
    // A file or folder of that name exists (hidden and system files are not seen).
    virtual bool IsPathExisting(const Text& path) = 0;
    // Creates an empty file `path` only when nothing of that name exists, hidden and system
    // files and folders included: false when something does. Raises when the file cannot be
    // created for another reason (a read-only folder, a full disk).
    virtual bool CreateNewFile(const Text& path) = 0;
    // Renames in place; raises when `to` exists or the rename fails.
    virtual void Rename(const Text& from, const Text& to) = 0;
    // Deletes a file; raises when it cannot.
    virtual void Delete(const Text& path) = 0;
    virtual void Pause(uint32_t milliseconds) = 0;
    // Setup's own files (its executable, its script, Setup.DLL), names relative to the folder.
    virtual std::vector<Text> OwnFiles() = 0;
};

// The per-user application settings store: string values addressed by application, section and
// key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual Text GetSetting(const Text& app, const Text& section, const Text& key, const Text& fallback) = 0;
    virtual void SaveSetting(const Text& app, const Text& section, const Text& key, const Text& value) = 0;
    // Deletes one value; a missing value raises.
    virtual void DeleteSetting(const Text& app, const Text& section, const Text& key) = 0;
    // The section's values as (key, value) pairs; no list when the section holds none.
    virtual std::optional<std::vector<std::pair<Text, Text>>> GetAllSettings(const Text& app,
                                                                             const Text& section) = 0;
    virtual void DeleteSection(const Text& app, const Text& section) = 0;
};

enum class ProcedureButton { Install, Uninstall };

enum class PlaceOutcome;

// Everything the procedures do to the world.
class InstallPlatform {
public:
    virtual ~InstallPlatform() = default;
    virtual Text ProgramFolder() = 0;
    // Shows string-table entry `id`, its "$" placeholders filled with `values`, in a message box
    // owned by the window with the application title; returns the button pressed.
    virtual int32_t ShowMessage(uint32_t id, uint32_t style, const std::vector<Text>& values) = 0;
    virtual void EnableButton(ProcedureButton button, bool enabled) = 0;
    // The tip's caption becomes string `id`, and the tip is repainted at once.
    virtual void ShowTip(uint32_t id) = 0;
    // The program-wide mouse pointer: kPointerDefault or kPointerHourglass.
    virtual void SetMousePointer(int32_t pointer) = 0;
    virtual void Pause(uint32_t milliseconds) = 0;
    // Places the entry's file and tells what happened; PlacementSucceeded decides whether the
    // entry is in place. The compressed file of an entry that is not is kept, so a later run can
    // place it.
    virtual PlaceOutcome PlaceFile(const Text& folder, const SetupEntry& entry) = 0;
    // True when the component was registered (unregistered). Only called for a component that
    // SelfRegistrationOf gives a way to register.
    virtual bool RegisterComponent(const Text& path) = 0;
    virtual bool UnregisterComponent(const Text& path) = 0;
    // Deletes one file; a missing file raises FileNotFound, an undeletable one another error.
    virtual void RemoveFile(const Text& path) = 0;
    virtual SettingsStore& Settings() = 0;
    // Writes or removes the entry in the list of installed programs; raises when the entry is
    // not as it should be afterwards.
    virtual void UpdateUninstallEntry(const SetupSettings& settings) = 0;
    // Setup's own files in the program folder (its executable, its script, Setup.DLL): never
    // overwritten as an entry's target, never deleted as a target or a compressed file.
    virtual std::vector<Text> OwnFiles() = 0;
};

// Program-wide mouse pointer codes.
inline constexpr int32_t kPointerDefault = 0;
inline constexpr int32_t kPointerHourglass = 11;

} // namespace quorin
