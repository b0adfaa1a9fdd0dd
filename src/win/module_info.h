// Modules: where one was loaded from, what its version resource says about it, and functions
// bound by name from a library at their first call.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "base/runtime_error.h"
#include "win/unique_handle.h"

namespace quorin::win {

// The module's full path; empty when it cannot be read.
std::wstring ModulePath(HMODULE module);
// The module's folder with its trailing separator; empty when it cannot be read.
std::wstring ModuleFolder(HMODULE module);

struct VersionInfo {
    std::wstring productName;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned revision = 0;
};

// The product name (of the first translation) and the file version's major, minor and
// revision numbers; empty and zero where the module has no version resource.
VersionInfo ReadVersionInfo(HMODULE module);

// A function looked up by name in its library at its first call and kept for later calls, so a
// library or entry that is missing raises quorin::RuntimeError (MissingLibrary,
// MissingEntryPoint) at that call instead of keeping the program from starting; the next call
// tries again. `Pointer` is the function-pointer type, e.g. decltype(&::Sleep).
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
                    throw RuntimeError(ErrorCode::MissingLibrary, library_);
            }
            function_ = reinterpret_cast<Pointer>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), entry_)));
            if (function_ == nullptr)
                throw RuntimeError(ErrorCode::MissingEntryPoint, entry_);
        }
        return function_;
    }
    bool IsBound() const noexcept { return function_ != nullptr; }
    // Puts `function` where the library's entry would go and returns what was bound before; null
    // makes the next call bind by name again. Tests bind recording fakes this way to see what
    // the platform is asked and to make it refuse.
    Pointer Replace(Pointer function) noexcept { return std::exchange(function_, function); }

private:
    const char* library_;
    const char* entry_;
    UniqueModule module_; // kept loaded for the program's life once bound
    Pointer function_ = nullptr;
};

} // namespace quorin::win
