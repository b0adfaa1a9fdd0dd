// Where quorin-pack writes its report and its errors, and the exit statuses it ends with.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

namespace quorin::pack {

inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1; // a problem with the input (try: the package misbehaves)
inline constexpr int kExitUsage = 2;   // a usage error
inline constexpr int kExitNoWine = 3;  // try: Wine, Xvfb or the tool's Windows driver is missing

// Standard output and standard error in the program, a string in tests. Not an iostream, which
// would link the C++ runtime's locale machinery into the Windows build.
class Output {
public:
    virtual void Write(std::string_view text) = 0;

    Output& operator<<(std::string_view text) {
        Write(text);
        return *this;
    }
    Output& operator<<(char c) {
        Write(std::string_view(&c, 1));
        return *this;
    }
    template <typename Number,
              typename = std::enable_if_t<std::is_integral_v<Number> && !std::is_same_v<Number, char> &&
                                          !std::is_same_v<Number, bool>>>
    Output& operator<<(Number number) {
        Write(std::to_string(number));
        return *this;
    }

protected:
    ~Output() = default;
};

class StringOutput final : public Output {
public:
    void Write(std::string_view text) override { text_.append(text); }
    const std::string& str() const noexcept { return text_; }

private:
    std::string text_;
};

} // namespace quorin::pack
