// Paths and files over the platform's own calls. In a statically linked Windows program
// std::filesystem and the file streams bring along the C++ runtime's whole locale machinery
// (about 1 MiB); the tool needs none of it.
//
// A path holds UTF-8 text on every platform. Composition follows std::filesystem::path: "/" and,
// on Windows, "\" separate names, "/" inserts the platform's preferred separator, and an absolute
// right-hand side (on Windows also one with another drive) replaces the left.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorin::pack {

class Path {
public:
    Path() = default;
    Path(std::string utf8) : text_(std::move(utf8)) {}
    Path(const char* utf8) : text_(utf8) {}

    const std::string& Utf8() const noexcept { return text_; }
    bool Empty() const noexcept { return text_.empty(); }
    bool IsAbsolute() const noexcept;

    // The path without its last name: "a/b" -> "a", "a/b/" -> "a/b", "/a" -> "/", "a" -> "".
    Path Parent() const;
    // The last name, empty when the path ends in a separator or is only a root.
    Path Name() const;

    Path& operator/=(const Path& more);

#ifdef _WIN32
    std::wstring Wide() const;
#endif

private:
    size_t RootNameLength() const noexcept;
    size_t RootLength() const noexcept; // root name and root directory
    std::string text_;
};

inline Path operator/(Path left, const Path& right) {
    left /= right;
    return left;
}

#ifdef _WIN32
std::string Utf8FromWide(const wchar_t* text);
#endif

// Queries answer false when the path cannot be examined.
bool Exists(const Path& p);
bool IsFolder(const Path& p);
bool IsFile(const Path& p);
// Whether both name one existing file or folder.
bool SameFile(const Path& a, const Path& b);
// Creates the folder and any missing parents; true when the folder exists afterwards.
bool MakeFolders(const Path& p);
bool RemoveFile(const Path& p);
// Renames `from` to `to`, replacing a file there.
bool RenameFile(const Path& from, const Path& to);
// The names in a folder (UTF-8), without "." and ".."; none when it cannot be read.
std::optional<std::vector<std::string>> ListFolder(const Path& folder);

bool ReadWholeFile(const Path& path, std::vector<uint8_t>& bytes);
// Writes through a temporary file in the same folder and renames it into place, so a failure
// leaves no partial file under `path`. Replaces an existing file.
bool WriteFileAtomically(const Path& path, const std::vector<uint8_t>& bytes);

// The entry of `folder` whose name equals `name` without regard to letter case (as Setup's
// platform sees names); "\" and "/" in `name` separate folders. None when there is none.
std::optional<Path> FindNoCase(const Path& folder, const std::string& name);

// The folder of the running tool, where build and try look for the Windows files last.
void SetToolFolder(const Path& folder);
Path ToolFolder();

} // namespace quorin::pack
