// The C++ runtime's strings and containers report misuse (an index out of range, a length
// beyond the maximum) through the std::__throw_* helpers. The runtime's own helpers throw
// std::logic_error and its kin, whose reference-counted message string brings both of the
// runtime's string implementations and their exception classes into a statically linked
// deliverable: more than its own code. Every helper of that runtime object is defined here, so
// the object stays out of the link.
//
// What the deliverables' handlers rely on is kept: the errors derive from std::exception and
// carry the runtime's message, and an allocation failure is still std::bad_alloc, which some
// handlers catch by name. Only the exception's exact type differs, and no handler names it.
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

namespace quorin::win {

// The message is copied into the exception itself: building it allocates nothing, and it lives
// as long as the exception object.
class StdLibraryError : public std::exception {
public:
    explicit StdLibraryError(const char* message) noexcept { Append(message); }

    const char* what() const noexcept override { return text_; }

    // Fills the runtime's "%s", "%zu" and "%%" directives, the only ones its messages use.
    void AppendFormatted(const char* format, va_list args) noexcept {
        for (const char* p = format; *p != '\0'; ++p) {
            if (p[0] == '%' && p[1] == 's') {
                Append(va_arg(args, const char*));
                ++p;
            } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
                AppendNumber(va_arg(args, std::size_t));
                p += 2;
            } else if (p[0] == '%' && p[1] == '%') {
                Put('%');
                ++p;
            } else {
                Put(*p);
            }
        }
    }

private:
    void Put(char c) noexcept {
        if (length_ + 1 < sizeof text_)
            text_[length_++] = c;
    }
    void Append(const char* s) noexcept {
        while (s != nullptr && *s != '\0')
            Put(*s++);
    }
    void AppendNumber(std::size_t n) noexcept {
        char digits[3 * sizeof n];
        std::size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + n % 10);
            n /= 10;
        } while (n != 0);
        while (count > 0)
            Put(digits[--count]);
    }

    char text_[256] = {};
    std::size_t length_ = 0;
};

} // namespace quorin::win

namespace std {

using quorin::win::StdLibraryError;

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}

void __throw_logic_error(const char* message) {
    throw StdLibraryError(message);
}
void __throw_domain_error(const char* message) {
    throw StdLibraryError(message);
}
void __throw_invalid_argument(const char* message) {
    throw StdLibraryError(message);
}
void __throw_length_error(const char* message) {
    throw StdLibraryError(message);
}
void __throw_out_of_range(const char* message) {
    throw StdLibraryError(message);
}
void __throw_runtime_error(const char* message) {
    throw StdLibraryError(message);
}
void __throw_range_error(const char* message) {
    throw StdLibraryError(message);
}
void __throw_overflow_error(const char* message) {
    throw StdLibraryError(message);
}
void __throw_underflow_error(const char* message) {
    throw StdLibraryError(message);
}

void __throw_out_of_range_fmt(const char* format, ...) {
    StdLibraryError error("");
    va_list args;
    va_start(args, format);
    error.AppendFormatted(format, args);
    va_end(args);
    throw error;
}

} // namespace std
