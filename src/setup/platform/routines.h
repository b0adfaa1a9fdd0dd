// Setup's small routines over the platform (a file-existence test, a program start that waits
// until the program is ready for input, a system colour) and the platform and Setup.DLL
// functions Setup calls, each bound by name at its first call: a missing one raises at that
// call rather than keeping Setup from starting.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/text.h"
#include "win/module_info.h"
#include "win/unique_handle.h"

namespace setup {

using quorin::win::DeclaredFunction;

// Setup.DLL's exports (standard calling convention; the path in the ANSI code page).
using RegisterServerFn = void(WINAPI*)(const char* path);
using UnregisterServerFn = void(WINAPI*)(const char* path);
using IsOKFn = int32_t(WINAPI*)();

extern DeclaredFunction<decltype(&::Sleep)> Sleep;
extern DeclaredFunction<decltype(&::MessageBoxA)> MessageBoxA;
extern DeclaredFunction<decltype(&::OpenProcess)> OpenProcess;
extern DeclaredFunction<decltype(&::CloseHandle)> CloseHandle;
extern DeclaredFunction<decltype(&::WaitForInputIdle)> WaitForInputIdle;
extern DeclaredFunction<decltype(&::GetSysColor)> GetSysColor;
extern DeclaredFunction<RegisterServerFn> RegisterServer;
extern DeclaredFunction<UnregisterServerFn> UnregisterServer;
extern DeclaredFunction<IsOKFn> IsOK;

// Owns a kernel handle (a process, a thread, a file) and closes it through the declared
// CloseHandle, as every handle Setup holds is closed.
struct DeclaredClosePolicy {
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept;
};
using OwnedHandle = quorin::win::UniqueHandle<HANDLE, DeclaredClosePolicy>;

// True when an ordinary file or a folder matches `path` (wildcards honoured); hidden and system
// entries are not found. An unusable path (a drive that is not ready or names no drive) raises
// the search's error.
bool IsPathExisting(const quorin::Text& path);

// The longest RunAndWaitIdle waits for a started program to become ready for input: a program
// that never reaches its message loop must not hold Setup for good, and a registering program
// is ready within seconds.
inline constexpr DWORD kInputIdleWaitMs = 5 * 60 * 1000;

// Starts `commandLine` with the window style (SW_* value; 0 hidden) and waits until the new
// process is ready for input (not until it ends). Returns the process identifier. A command
// that cannot be started raises FileNotFound (PathNotFound, ...) before any wait.
DWORD RunAndWaitIdle(const quorin::Text& commandLine, int32_t windowStyle, DWORD waitLimitMs = kInputIdleWaitMs);

// A command line's program path, in double quotes when it holds a blank, so the platform cannot
// start a program named by the path's first words ("C:\\Program.exe") instead.
quorin::Text QuotedIfBlank(const quorin::Text& path);

// The colour of a system-colour reference (0x8000000F: button face): the index in its low bits.
uint32_t SystemColor(uint32_t reference);

// The platform's error as Setup's run-time error code.
quorin::ErrorCode ErrorFromWin32(DWORD error) noexcept;

} // namespace setup
