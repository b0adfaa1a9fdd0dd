#include "ini/profile_file.h"

#include <cstdio>
#include <memory>

namespace quorin::ini {
namespace {

// C stdio rather than file streams: a stream brings the C++ runtime's whole locale machinery
// into a statically linked program.
struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

Profile LoadProfileFile(const std::string& path) {
    FilePtr in(std::fopen(path.c_str(), "rb"));
    if (!in)
        return Profile();
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        bytes.append(buffer, n);
    return Profile::Parse(bytes);
}

bool SaveProfileFile(const std::string& path, const Profile& profile) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    const std::string bytes = profile.Serialize();
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    // Closing flushes; a failed flush is a failed write.
    return (std::fclose(out) == 0) && written;
}

} // namespace quorin::ini
