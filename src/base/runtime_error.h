// The one exception type of Setup's run-time errors. Raised by the conversions, the helper
// routines and the declared functions; the ignore-and-continue procedures catch it at the step
// they abandon. Never crosses a COM or DLL boundary.
#pragma once

#include <exception>
#include <string>

namespace quorin {

enum class ErrorCode {
    TypeMismatch,      // a value has no form of the requested kind
    Overflow,          // a number does not fit the requested kind
    InvalidUseOfNull,  // a null value where a value is needed
    InvalidArgument,   // an argument outside what the routine accepts (FindLast with Start < 1)
    FileNotFound,      // a program to start or a file to open does not exist
    PathNotFound,      // a folder in a path does not exist
    DeviceUnavailable, // a drive that is not ready
    MissingLibrary,    // a declared function's library cannot be loaded
    MissingEntryPoint, // a declared function's entry is not in its library
    PlatformFailure,   // any other refusal of the platform
};

// Short English description, for logs and test output (never shown to Setup's user).
inline const char* Describe(ErrorCode code) noexcept {
    switch (code) {
    case ErrorCode::TypeMismatch:
        return "type mismatch";
    case ErrorCode::Overflow:
        return "overflow";
    case ErrorCode::InvalidUseOfNull:
        return "invalid use of null";
    case ErrorCode::InvalidArgument:
        return "invalid argument";
    case ErrorCode::FileNotFound:
        return "file not found";
    case ErrorCode::PathNotFound:
        return "path not found";
    case ErrorCode::DeviceUnavailable:
        return "device unavailable";
    case ErrorCode::MissingLibrary:
        return "library not found";
    case ErrorCode::MissingEntryPoint:
        return "entry point not found";
    case ErrorCode::PlatformFailure:
        return "platform failure";
    }
    return "unknown error";
}

// Derives from std::exception and keeps its own message: std::runtime_error would bring the C++
// runtime's reference-counted string and the rest of its exception classes into every
// statically linked deliverable.
class RuntimeError : public std::exception {
public:
    explicit RuntimeError(ErrorCode code) : code_(code), message_(Describe(code)) {}
    RuntimeError(ErrorCode code, const std::string& detail)
        : code_(code), message_(std::string(Describe(code)) + ": " + detail) {}
    ErrorCode Code() const noexcept { return code_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    ErrorCode code_;
    std::string message_;
};

} // namespace quorin
