#include "paths.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace quorin::pack::fs {
namespace {

#ifdef _WIN32
constexpr char kPreferredSeparator = '\\';
bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}
bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
#else
constexpr char kPreferredSeparator = '/';
bool IsSeparator(char c) {
    return c == '/';
}
#endif

} // namespace

// Windows: a drive ("C:"); elsewhere there is none. A leading "\\server" is a root directory
// and a name, as the runtime's std::filesystem reads it.
size_t path::RootNameLength() const noexcept {
#ifdef _WIN32
    if (text_.size() >= 2 && IsDriveLetter(text_[0]) && text_[1] == ':')
        return 2;
#endif
    return 0;
}

size_t path::RootLength() const noexcept {
    size_t end = RootNameLength();
    while (end < text_.size() && IsSeparator(text_[end]))
        ++end;
    return end;
}

bool path::is_absolute() const noexcept {
    const size_t name = RootNameLength();
    const bool hasRootDirectory = name < text_.size() && IsSeparator(text_[name]);
#ifdef _WIN32
    return name > 0 && hasRootDirectory;
#else
    return hasRootDirectory;
#endif
}

path path::parent_path() const {
    const size_t root = RootLength();
    if (root == text_.size())
        return *this; // only a root (or empty): its own parent
    size_t end = text_.size();
    if (!IsSeparator(text_[end - 1])) {
        while (end > root && !IsSeparator(text_[end - 1]))
            --end; // drop the last name
    }
    // Then the separators before it; the root directory counts as one separator.
    const size_t name = RootNameLength();
    const size_t keep = name < root ? name + 1 : name;
    while (end > keep && IsSeparator(text_[end - 1]))
        --end;
    return path(text_.substr(0, end));
}

path path::filename() const {
    const size_t root = RootLength();
    size_t start = text_.size();
    while (start > root && !IsSeparator(text_[start - 1]))
        --start;
    return path(text_.substr(start));
}

path& path::operator/=(const path& more) {
    const size_t moreName = more.RootNameLength();
    if (more.is_absolute() ||
        (moreName > 0 && more.text_.compare(0, moreName, text_, 0, RootNameLength()) != 0)) {
        text_ = more.text_;
        return *this;
    }
    if (moreName < more.text_.size() && IsSeparator(more.text_[moreName])) {
        // A root directory without a drive: keep only this path's drive.
        text_.resize(RootNameLength());
    } else if (RootLength() < text_.size() && !IsSeparator(text_.back())) {
        text_ += kPreferredSeparator;
    }
    text_.append(more.text_, moreName, std::string::npos);
    return *this;
}

#ifdef _WIN32

std::wstring path::wide() const {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text_.data(), static_cast<int>(text_.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text_.data(), static_cast<int>(text_.size()), out.data(), n);
    return out;
}

namespace {

DWORD Attributes(const path& p) {
    return p.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(p.wide().c_str());
}

std::string Utf8(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();
    return out;
}

// The volume and file index of an existing file or folder.
bool FileIdentity(const path& p, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file =
        ::CreateFileW(p.wide().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    return ok;
}

bool MakeDirectory(const path& p) {
    return ::CreateDirectoryW(p.wide().c_str(), nullptr) != 0;
}

} // namespace

bool exists(const path& p) {
    return Attributes(p) != INVALID_FILE_ATTRIBUTES;
}

bool is_directory(const path& p) {
    const DWORD a = Attributes(p);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool is_regular_file(const path& p) {
    const DWORD a = Attributes(p);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool equivalent(const path& a, const path& b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return FileIdentity(a, x) && FileIdentity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool remove(const path& p) {
    return ::DeleteFileW(p.wide().c_str()) != 0;
}

bool rename(const path& from, const path& to) {
    return ::MoveFileExW(from.wide().c_str(), to.wide().c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::optional<std::vector<std::string>> directory_names(const path& folder) {
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileW((folder.empty() ? path(".") : folder / "*").wide().c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<std::string> names;
    do {
        const std::wstring_view name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(Utf8(entry.cFileName));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

#else

namespace {

bool Stat(const path& p, struct stat& info) {
    return !p.empty() && ::stat(p.utf8().c_str(), &info) == 0;
}

bool MakeDirectory(const path& p) {
    return ::mkdir(p.utf8().c_str(), 0777) == 0;
}

} // namespace

bool exists(const path& p) {
    struct stat info;
    return Stat(p, info);
}

bool is_directory(const path& p) {
    struct stat info;
    return Stat(p, info) && S_ISDIR(info.st_mode);
}

bool is_regular_file(const path& p) {
    struct stat info;
    return Stat(p, info) && S_ISREG(info.st_mode);
}

bool equivalent(const path& a, const path& b) {
    struct stat x, y;
    return Stat(a, x) && Stat(b, y) && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool remove(const path& p) {
    return ::unlink(p.utf8().c_str()) == 0;
}

bool rename(const path& from, const path& to) {
    return std::rename(from.utf8().c_str(), to.utf8().c_str()) == 0;
}

std::optional<std::vector<std::string>> directory_names(const path& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.utf8().c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

#endif

bool create_directories(const path& p) {
    if (p.empty())
        return false;
    if (is_directory(p))
        return true;
    const path parent = p.parent_path();
    if (!parent.empty() && parent.utf8() != p.utf8() && !create_directories(parent))
        return false;
    // Another process may create it in between; what counts is that it is there.
    return MakeDirectory(p) || is_directory(p);
}

} // namespace quorin::pack::fs
