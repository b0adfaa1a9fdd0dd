// The install and uninstall procedures behind the Install and Uninstall buttons, written once
// against the platform they act on, so the order of their effects can be proved without a
// window, a registry or real pauses.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "installer/messages.h"
#include "installer/placement.h"
#include "installer/platform.h"
#include "installer/setup_script.h"

namespace quorin {

// Fixed pauses of the procedures.
inline constexpr uint32_t kPauseAfterPlaceMs = 2000;
inline constexpr uint32_t kPauseAfterUnregisterMs = 5000;
inline constexpr uint32_t kPauseBeforeDeleteMs = 1000;

// Where the install record lives in the per-user settings store.
inline const Text kRecordApplication = u"Ombrel's Quorin";
inline const Text kRecordSection = u"Installer";

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
