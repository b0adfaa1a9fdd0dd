#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/text.h"
#include "core/text_helpers.h"
#include "pack.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quorin::pack {

fs::path PathFromUtf8(const std::string& utf8) {
    return fs::u8path(utf8);
}

std::string PathToUtf8(const fs::path& path) {
    return path.u8string();
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFileAtomically(const fs::path& path, const std::vector<uint8_t>& bytes) {
#ifdef _WIN32
    const unsigned long id = ::GetCurrentProcessId();
#else
    const unsigned long id = static_cast<unsigned long>(::getpid());
#endif
    fs::path temp = path;
    temp += ".quorin-pack-" + std::to_string(id);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
#ifdef _WIN32
    const bool moved = ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    std::error_code renameError;
    fs::rename(temp, path, renameError);
    const bool moved = !renameError;
#endif
    if (!moved) {
        std::error_code ec;
        fs::remove(temp, ec);
    }
    return moved;
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
        std::error_code ec;
        fs::directory_iterator it(current, ec);
        if (ec)
            return std::nullopt;
        std::optional<fs::path> found;
        for (const fs::directory_entry& e : it) {
            if (SameNameNoCase(PathToUtf8(e.path().filename()), component)) {
                found = e.path();
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
