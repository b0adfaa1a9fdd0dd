// Setup's helper routines and the platform and outside-library functions the other modules
// call, each bound by name at its first call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/runtime_error.h"
#include "base/text.h"
#include "basic/string_routines.h"
#include "basic/variant.h"
#include "winsupport/unique_handle.h"

namespace setup {

// A function looked up by name in its library at its first call and kept for later calls. A
// library that cannot be loaded, or an entry it lacks, raises quorin::RuntimeError
// (MissingLibrary, MissingEntryPoint) at that call; the next call tries again.
// `Pointer` is the function-pointer type, e.g. decltype(&::Sleep).
template <typename Pointer> class DeclaredFunction {
public:
    DeclaredFunction(const char* library, const char* entry) noexcept : library_(library), entry_(entry) {}
    DeclaredFunction(const DeclaredFunction&) = delete;
    DeclaredFunction& operator=(const DeclaredFunction&) = delete;

    template <typename... Args> auto operator()(Args&&... args) {
        return Bind()(std::forward<Args>(args)...);
    }
    // Binds without calling; raises like a call would.
    Pointer Bind() {
        if (function_ == nullptr) {
            if (!module_) {
                module_.reset(::LoadLibraryA(library_));
                if (!module_)
                    throw quorin::RuntimeError(quorin::ErrorCode::MissingLibrary, library_);
            }
            function_ =
                reinterpret_cast<Pointer>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), entry_)));
            if (function_ == nullptr)
                throw quorin::RuntimeError(quorin::ErrorCode::MissingEntryPoint, entry_);
        }
        return function_;
    }
    bool IsBound() const noexcept { return function_ != nullptr; }
    // Puts `function` where the library's entry would go and returns what was bound before; a
    // null pointer makes the next call bind by name again. Tests bind recording fakes this way
    // to see what the platform is asked and to make it refuse.
    Pointer Replace(Pointer function) noexcept { return std::exchange(function_, function); }
    const char* Library() const noexcept { return library_; }
    const char* Entry() const noexcept { return entry_; }

private:
    const char* library_;
    const char* entry_;
    quorin::win::UniqueModule module_; // kept loaded for the program's life once bound
    Pointer function_ = nullptr;
};

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

// A copy of Value (references followed) when Condition holds, else an empty value.
quorin::Variant ValueIf(bool Condition, const quorin::Variant& Value);

// 1-based position of the last occurrence of Pattern in Text beginning at or after Start; 0 if
// none. Compare: 0 exact, 1 without regard to letter case. Start < 1 raises InvalidArgument.
int32_t FindLast(int32_t Start, const quorin::Text& Text, const quorin::Text& Pattern, int32_t Compare);
quorin::Text ReverseChars(const quorin::Text& Text);
// Template with each "$" replaced by the text form of the next value.
quorin::Text EmbedValues(const quorin::Text& Template, const std::vector<quorin::Variant>& Values);

// True when an ordinary file or a folder matches Path (wildcards honoured); hidden and system
// entries are not found. An unusable path (a drive that is not ready, a missing folder in the
// path) raises the search's error.
bool IsPathExisting(const quorin::Text& Path);

// The longest RunAndWaitIdle waits for a started program to become ready for input. The
// design waits without limit; a program that never reaches its message loop would hang Setup
// for good, so the wait is bounded generously instead (a registering program is ready within
// seconds).
inline constexpr DWORD kInputIdleWaitMs = 5 * 60 * 1000;

// Starts CommandLine with the window style (SW_* value; 0 hidden) and waits until the new
// process is ready for input (not until it ends). Returns the process identifier. A command
// that cannot be started raises FileNotFound (PathNotFound, ...) before any wait.
DWORD RunAndWaitIdle(const quorin::Text& CommandLine, int32_t WindowStyle,
                     DWORD WaitLimitMs = kInputIdleWaitMs);

// GetSysColor of the index in the low bits of a system-colour reference (0x8000000F: button
// face).
uint32_t SystemColor(uint32_t Color);

} // namespace setup
