// The entries of Setup's string table that its window, its start-up and the procedures show,
// and the styles and answers of the platform's message boxes. The texts themselves live in the
// executable's resources.
#pragma once

#include <cstdint>

namespace quorin {

// Message-box styles and answers of the platform's message-box interface.
inline constexpr uint32_t kMbOkStop = 16;                  // MB_OK | MB_ICONHAND
inline constexpr uint32_t kMbOkExclamation = 48;           // MB_OK | MB_ICONEXCLAMATION
inline constexpr uint32_t kMbOkInformation = 64;           // MB_OK | MB_ICONASTERISK
inline constexpr uint32_t kMbYesNoQuestionDefaultNo = 292; // MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2
inline constexpr int32_t kIdYes = 6;
inline constexpr int32_t kIdNo = 7;

inline constexpr uint32_t kIdProductName = 1;
inline constexpr uint32_t kIdCopyright = 2;
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
// A script Setup cannot install from (script path, section, key, value), and a script that is
// not there or not reachable through the ANSI code page (script path).
inline constexpr uint32_t kIdScriptMissingLz = 201;
inline constexpr uint32_t kIdScriptLzWithoutComma = 202;
inline constexpr uint32_t kIdScriptAllOutOfRange = 203;
inline constexpr uint32_t kIdScriptMissing = 204;
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

} // namespace quorin
