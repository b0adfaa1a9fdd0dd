// The part of std::filesystem the tool uses, under the same names, over the platform's own calls.
// In a statically linked Windows program std::filesystem brings along the C++ runtime's file
// streams and its whole locale machinery (about 1 MiB); the tool needs none of it.
//
// A path holds UTF-8 text on every platform. Composition follows std::filesystem::path: "/" and,
// on Windows, "\" separate names, "/" inserts the platform's preferred separator, and an absolute
// right-hand side (on Windows also one with another drive) replaces the left.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorin::pack::fs {

class path {
public:
    path() = default;
    path(std::string utf8) : text_(std::move(utf8)) {}
    path(const char* utf8) : text_(utf8) {}

    const std::string& utf8() const noexcept { return text_; }
    bool empty() const noexcept { return text_.empty(); }
    bool is_absolute() const noexcept;

    // The path without its last name: "a/b" -> "a", "a/b/" -> "a/b", "/a" -> "/", "a" -> "".
    path parent_path() const;
    // The last name, empty when the path ends in a separator or is only a root.
    path filename() const;

    path& operator/=(const path& more);
    path& operator+=(const std::string& text) {
        text_ += text;
        return *this;
    }

#ifdef _WIN32
    std::wstring wide() const;
#endif

private:
    size_t RootNameLength() const noexcept;
    size_t RootLength() const noexcept; // root name and root directory
    std::string text_;
};

inline path operator/(path left, const path& right) {
    left /= right;
    return left;
}

// Queries answer false when the path cannot be examined.
bool exists(const path& p);
bool is_directory(const path& p);
bool is_regular_file(const path& p);
// Whether both name one existing file or folder.
bool equivalent(const path& a, const path& b);
// Creates the folder and any missing parents; true when the folder exists afterwards.
bool create_directories(const path& p);
bool remove(const path& p);
// Renames `from` to `to`, replacing a file there.
bool rename(const path& from, const path& to);
// The names in a folder (UTF-8), without "." and ".."; empty optional when it cannot be read.
std::optional<std::vector<std::string>> directory_names(const path& folder);

} // namespace quorin::pack::fs
