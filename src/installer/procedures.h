// The install and uninstall procedures behind the Install and Uninstall buttons, written once
// against the platform they act on, so the order of their effects can be proved without a
// window, a registry or real pauses.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "installer/placement.h"
#include "installer/setup_script.h"
#include "base/text.h"

namespace quorin {

// Message-box styles and answers of the platform's message-box interface.
inline constexpr uint32_t kMbOkStop = 16;                  // MB_OK | MB_ICONHAND
inline constexpr uint32_t kMbOkExclamation = 48;           // MB_OK | MB_ICONEXCLAMATION
inline constexpr uint32_t kMbOkInformation = 64;           // MB_OK | MB_ICONASTERISK
inline constexpr uint32_t kMbYesNoQuestionDefaultNo = 292; // MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2
inline constexpr int32_t kIdYes = 6;
inline constexpr int32_t kIdNo = 7;

// Program-wide mouse pointer codes.
inline constexpr int32_t kPointerDefault = 0;
inline constexpr int32_t kPointerHourglass = 11;

// String-table entries the window and the procedures show.
inline constexpr uint32_t kIdTipIdle = 11;
inline constexpr uint32_t kIdTipInstalling = 12;
inline constexpr uint32_t kIdTipUninstalling = 13;
inline constexpr uint32_t kIdInstalledElsewhere = 101;
inline constexpr uint32_t kIdWhereInstall = 102;
inline constexpr uint32_t kIdWhereUninstall = 103;
inline constexpr uint32_t kIdAskInstall = 104;
inline constexpr uint32_t kIdInstallDone = 105;
inline constexpr uint32_t kIdAskUninstall = 106;
inline constexpr uint32_t kIdUninstallDone = 107;
// Names in the script that point outside the program folder and were left alone; "$" is the
// list of names, one per line.
inline constexpr uint32_t kIdNamesOutsideFolder = 301;
// The Welcome button could not start NOTEPAD; "$" is the command line.
inline constexpr uint32_t kIdCannotOpenDocument = 302;
// Entries the install could not place or register, and entries the uninstall could not delete
// or unregister; "$" is the list of target names, one per line. Told before the final message,
// which alone would claim that all went well.
inline constexpr uint32_t kIdNotInstalled = 303;
inline constexpr uint32_t kIdNotUninstalled = 304;
// The install record could not be saved: a later start of Setup would offer to install again
// instead of to uninstall.
inline constexpr uint32_t kIdRecordNotSaved = 305;
// The entry in the list of installed programs could not be written, or could not be removed.
inline constexpr uint32_t kIdEntryNotWritten = 306;
inline constexpr uint32_t kIdEntryNotRemoved = 307;

// Fixed pauses of the procedures.
inline constexpr uint32_t kPauseAfterPlaceMs = 2000;
inline constexpr uint32_t kPauseAfterUnregisterMs = 5000;
inline constexpr uint32_t kPauseBeforeDeleteMs = 1000;

// Where the install record lives in the per-user settings store.
inline const Text kRecordApplication = u"Ombrel's Quorin";
inline const Text kRecordSection = u"Installer";

// The per-user application settings store: string values addressed by application, section and
// key. Every operation may raise quorin::RuntimeError.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual Text GetSetting(const Text& app, const Text& section, const Text& key, const Text& Default) = 0;
    virtual void SaveSetting(const Text& app, const Text& section, const Text& key, const Text& value) = 0;
    // Deletes one value; a missing value raises.
    virtual void DeleteSetting(const Text& app, const Text& section, const Text& key) = 0;
    // The section's values as (key, value) pairs; no list when the section holds none.
    virtual std::optional<std::vector<std::pair<Text, Text>>> GetAllSettings(const Text& app,
                                                                             const Text& section) = 0;
    virtual void DeleteSection(const Text& app, const Text& section) = 0;
};

enum class ProcedureButton { Install, Uninstall };

// Everything the procedures do to the world. Any call may raise quorin::RuntimeError (or
// another std::exception); the procedures then abandon that step and go on with the next.
class InstallPlatform {
public:
    virtual ~InstallPlatform() = default;
    virtual Text ProgramFolder() = 0;
    // Shows string-table entry `id`, its "$" placeholders filled with `values`, in a message box
    // owned by the window with the application title; returns the button pressed.
    virtual int32_t ShowMessage(uint32_t id, uint32_t style, const std::vector<Text>& values) = 0;
    virtual void EnableButton(ProcedureButton button, bool enabled) = 0;
    // LabelTip's caption becomes string `id`, and the tip frame is repainted at once.
    virtual void ShowTip(uint32_t id) = 0;
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
    // Deletes one file; a missing or undeletable file raises.
    virtual void DeleteFile(const Text& path) = 0;
    virtual SettingsStore& Settings() = 0;
    // Writes or removes the entry in the list of installed programs; raises when the entry is
    // not as it should be afterwards.
    virtual void UpdateUninstallEntry(const SetupSettings& settings, const Text& keyName) = 0;
    // Setup's own files in the program folder (its executable, its script, Setup.DLL): never
    // overwritten as an entry's target, never deleted as a target or a compressed file.
    virtual std::vector<Text> OwnFiles() { return {}; }
};

// How a component marked SelfRegister registers, by the text after the last "." of its path
// (the whole path when there is none), letter case aside: "EXE" is started with a switch,
// "DLL" and "OCX" go through Setup.DLL. Anything else has no way to register: the procedures
// then do nothing and report nothing.
enum class SelfRegistration { Program, Library, None };
SelfRegistration SelfRegistrationOf(TextView path);

// The window's decision at its first activation, from the install record and the program folder (exact comparison).
InstallState DecideInstallState(const Text& record, const Text& programFolder);

// The procedures of the Install and Uninstall buttons: confirmation, the entries in order, the
// install record, the uninstall entry, the completion message. A failing step is abandoned and
// the next one runs; nothing escapes.
void RunInstall(const SetupSettings& settings, InstallPlatform& platform) noexcept;
void RunUninstall(const SetupSettings& settings, InstallPlatform& platform) noexcept;

} // namespace quorin
