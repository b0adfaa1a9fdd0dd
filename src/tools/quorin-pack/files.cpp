#include <cstdio>
#include <memory>

#include "base/text.h"
#include "basic/string_routines.h"
#include "pack.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quorin::pack {

fs::path PathFromUtf8(const std::string& utf8) {
    return fs::path(utf8);
}

std::string PathToUtf8(const fs::path& path) {
    return path.utf8();
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* OpenFile(const fs::path& path, bool write) {
#ifdef _WIN32
    return ::_wfopen(path.wide().c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.utf8().c_str(), write ? "wb" : "rb");
#endif
}

} // namespace

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    if (!fs::is_regular_file(path))
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

bool WriteFileAtomically(const fs::path& path, const std::vector<uint8_t>& bytes) {
#ifdef _WIN32
    const unsigned long id = ::GetCurrentProcessId();
#else
    const unsigned long id = static_cast<unsigned long>(::getpid());
#endif
    fs::path temp = path;
    temp += ".quorin-pack-" + std::to_string(id);
    std::FILE* out = OpenFile(temp, true);
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    // Closing flushes; a failed flush is a failed write.
    if (std::fclose(out) != 0 || !written) {
        fs::remove(temp);
        return false;
    }
    if (!fs::rename(temp, path)) {
        fs::remove(temp);
        return false;
    }
    return true;
}

namespace {

bool SameNameNoCase(const std::string& a, const std::string& b) {
    return EqualsNoCase(FromUtf8(a), FromUtf8(b));
}

} // namespace

std::optional<fs::path> FindNoCase(const fs::path& folder, const std::string& name) {
    fs::path current = folder;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = name.size();
        const std::string component = name.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        const std::optional<std::vector<std::string>> names = fs::directory_names(current);
        if (!names)
            return std::nullopt;
        std::optional<fs::path> found;
        for (const std::string& entry : *names) {
            if (SameNameNoCase(entry, component)) {
                found = current / entry;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        current = *found;
    }
    return current;
}

} // namespace quorin::pack
