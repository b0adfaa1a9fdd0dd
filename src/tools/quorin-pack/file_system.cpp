#include "file_system.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/text.h"
#include "basic/string_routines.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorin::pack {
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
size_t Path::RootNameLength() const noexcept {
#ifdef _WIN32
    if (text_.size() >= 2 && IsDriveLetter(text_[0]) && text_[1] == ':')
        return 2;
#endif
    return 0;
}

size_t Path::RootLength() const noexcept {
    size_t end = RootNameLength();
    while (end < text_.size() && IsSeparator(text_[end]))
        ++end;
    return end;
}

bool Path::IsAbsolute() const noexcept {
    const size_t name = RootNameLength();
    const bool hasRootDirectory = name < text_.size() && IsSeparator(text_[name]);
#ifdef _WIN32
    return name > 0 && hasRootDirectory;
#else
    return hasRootDirectory;
#endif
}

Path Path::Parent() const {
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
    return Path(text_.substr(0, end));
}

Path Path::Name() const {
    const size_t root = RootLength();
    size_t start = text_.size();
    while (start > root && !IsSeparator(text_[start - 1]))
        --start;
    return Path(text_.substr(start));
}

Path& Path::operator/=(const Path& more) {
    const size_t moreName = more.RootNameLength();
    if (more.IsAbsolute() ||
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

std::wstring Path::Wide() const {
    const Text wide = FromUtf8(text_);
    return std::wstring(wide.begin(), wide.end());
}

std::string Utf8FromWide(const wchar_t* text) {
    return ToUtf8(TextView(reinterpret_cast<const char16_t*>(text)));
}

namespace {

DWORD Attributes(const Path& p) {
    return p.Empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(p.Wide().c_str());
}

// The volume and file index of an existing file or folder.
bool FileIdentity(const Path& p, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file =
        ::CreateFileW(p.Wide().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    return ok;
}

bool MakeDirectory(const Path& p) {
    return ::CreateDirectoryW(p.Wide().c_str(), nullptr) != 0;
}

} // namespace

bool Exists(const Path& p) {
    return Attributes(p) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const Path& p) {
    const DWORD a = Attributes(p);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const Path& p) {
    const DWORD a = Attributes(p);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SameFile(const Path& a, const Path& b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return FileIdentity(a, x) && FileIdentity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool RemoveFile(const Path& p) {
    return ::DeleteFileW(p.Wide().c_str()) != 0;
}

bool RenameFile(const Path& from, const Path& to) {
    return ::MoveFileExW(from.Wide().c_str(), to.Wide().c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::optional<std::vector<std::string>> ListFolder(const Path& folder) {
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileW((folder.Empty() ? Path("*") : folder / "*").Wide().c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<std::string> names;
    do {
        const std::wstring_view name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(Utf8FromWide(entry.cFileName));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

#else

namespace {

bool Stat(const Path& p, struct stat& info) {
    return !p.Empty() && ::stat(p.Utf8().c_str(), &info) == 0;
}

bool MakeDirectory(const Path& p) {
    return ::mkdir(p.Utf8().c_str(), 0777) == 0;
}

} // namespace

bool Exists(const Path& p) {
    struct stat info;
    return Stat(p, info);
}

bool IsFolder(const Path& p) {
    struct stat info;
    return Stat(p, info) && S_ISDIR(info.st_mode);
}

bool IsFile(const Path& p) {
    struct stat info;
    return Stat(p, info) && S_ISREG(info.st_mode);
}

bool SameFile(const Path& a, const Path& b) {
    struct stat x, y;
    return Stat(a, x) && Stat(b, y) && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool RemoveFile(const Path& p) {
    return ::unlink(p.Utf8().c_str()) == 0;
}

bool RenameFile(const Path& from, const Path& to) {
    return std::rename(from.Utf8().c_str(), to.Utf8().c_str()) == 0;
}

std::optional<std::vector<std::string>> ListFolder(const Path& folder) {
    DIR* dir = ::opendir(folder.Empty() ? "." : folder.Utf8().c_str());
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

bool MakeFolders(const Path& p) {
    if (p.Empty())
        return false;
    if (IsFolder(p))
        return true;
    const Path parent = p.Parent();
    if (!parent.Empty() && parent.Utf8() != p.Utf8() && !MakeFolders(parent))
        return false;
    // Another process may create it in between; what counts is that it is there.
    return MakeDirectory(p) || IsFolder(p);
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* OpenFile(const Path& path, bool write) {
#ifdef _WIN32
    return ::_wfopen(path.Wide().c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.Utf8().c_str(), write ? "wb" : "rb");
#endif
}

unsigned long ProcessId() {
#ifdef _WIN32
    return ::GetCurrentProcessId();
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

} // namespace

bool ReadWholeFile(const Path& path, std::vector<uint8_t>& bytes) {
    if (!IsFile(path))
        return false;
    FilePtr in(OpenFile(path, false));
    if (!in)
        return false;
    bytes.clear();
    uint8_t buffer[1 << 14];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    return std::ferror(in.get()) == 0;
}

bool WriteFileAtomically(const Path& path, const std::vector<uint8_t>& bytes) {
    const Path temp = path.Utf8() + ".quorin-pack-" + std::to_string(ProcessId());
    std::FILE* out = OpenFile(temp, true);
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    // Closing flushes; a failed flush is a failed write.
    if (std::fclose(out) != 0 || !written || !RenameFile(temp, path)) {
        RemoveFile(temp);
        return false;
    }
    return true;
}

std::optional<Path> FindNoCase(const Path& folder, const std::string& name) {
    Path current = folder;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = name.size();
        const std::string component = name.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        const std::optional<std::vector<std::string>> names = ListFolder(current);
        if (!names)
            return std::nullopt;
        const auto found = std::find_if(names->begin(), names->end(), [&](const std::string& entry) {
            return EqualsNoCase(FromUtf8(entry), FromUtf8(component));
        });
        if (found == names->end())
            return std::nullopt;
        current = current / *found;
    }
    return current;
}

namespace {
Path& ToolFolderStorage() {
    static Path folder;
    return folder;
}
} // namespace

void SetToolFolder(const Path& folder) {
    ToolFolderStorage() = folder;
}

Path ToolFolder() {
    return ToolFolderStorage();
}

} // namespace quorin::pack
