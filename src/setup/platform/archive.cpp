#include "setup/platform/archive.h"

#include <windows.h>
#include <lzexpand.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lz/header.h"
#include "lz/format.h"
#include "setup/platform/routines.h"
#include "win/ansi.h"
#include "win/module_info.h"

namespace setup {
namespace {

quorin::win::DeclaredFunction<decltype(&::LZOpenFileA)> LZOpenFileA("LZ32", "LZOpenFileA");
quorin::win::DeclaredFunction<decltype(&::LZCopy)> LZCopy("LZ32", "LZCopy");
quorin::win::DeclaredFunction<decltype(&::GetExpandedNameA)> GetExpandedNameA("LZ32", "GetExpandedNameA");
quorin::win::DeclaredFunction<decltype(&::LZClose)> LZClose("LZ32", "LZClose");

// Every value LZOpenFileA returns is closed, a failed (negative) one too, as the library
// expects; INT_MIN stands for "nothing held".
struct LzHandlePolicy {
    static INT Invalid() noexcept { return INT_MIN; }
    static bool IsValid(INT h) noexcept { return h != INT_MIN; }
    static void Close(INT h) noexcept {
        try {
            LZClose(h);
        } catch (...) {
            // LZ32 cannot be missing here: the handle came from it.
        }
    }
};
using UniqueLzFile = quorin::win::UniqueHandle<INT, LzHandlePolicy>;

UniqueLzFile Open(const quorin::Text& path, WORD style, OFSTRUCT& reopen) {
    std::string ansi = quorin::win::ToAnsi(path);
    reopen = OFSTRUCT{};
    return UniqueLzFile(LZOpenFileA(ansi.data(), &reopen, style));
}

// The length a correct copy of the file yields: the length a compressed file records, or the
// size of an uncompressed one. Empty when the file cannot be read.
std::optional<uint64_t> ExpectedLength(const quorin::Text& path) {
    const std::string ansi = quorin::win::ToAnsi(path);
    OwnedHandle file(::CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    uint8_t head[quorin::szdd::kHeaderSize] = {};
    DWORD got = 0;
    if (!::ReadFile(file.get(), head, sizeof head, &got, nullptr))
        return std::nullopt;
    quorin::SzddHeader header;
    const quorin::SzddStatus status = quorin::ReadSzddHeader(head, got, header);
    if (status == quorin::SzddStatus::Ok)
        return header.length;
    // A file cut inside the header is a broken compressed file, which the platform would copy
    // as an uncompressed one; an empty file would install an empty one. Neither is placed.
    if (status != quorin::SzddStatus::BadSignature || got == 0)
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
}

} // namespace

bool Archive::IsExisting(const quorin::Text& path) {
    OFSTRUCT reopen;
    UniqueLzFile file = Open(path, OF_EXIST, reopen);
    return reopen.nErrCode == 0;
}

quorin::Text Archive::ExpandedName(const quorin::Text& path) {
    std::string in = quorin::win::ToAnsi(path);
    // The function takes no buffer size and writes the name derived from its input, so a
    // buffer longer than the input (and than the design's 128 bytes) cannot be overrun.
    std::vector<char> buffer(std::max(kExpandedNameBytes, in.size() + MAX_PATH + 1), '\0');
    GetExpandedNameA(in.data(), buffer.data());
    const size_t length = static_cast<size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin());
    if (length >= kExpandedNameBytes)
        return quorin::Text();
    return quorin::win::FromAnsi(std::string_view(buffer.data(), length));
}

void Archive::Expand(const quorin::Text& from, const quorin::Text& to) {
    const std::optional<uint64_t> expected = ExpectedLength(from);
    OFSTRUCT inReopen;
    OFSTRUCT outReopen;
    // Opened for reading and writing: a read-only source is refused.
    UniqueLzFile in = Open(from, OF_READWRITE, inReopen);
    UniqueLzFile out = Open(to, OF_CREATE, outReopen);
    const LONG copied = LZCopy(in.get(), out.get());
    expansionFailed = copied < 0 || !expected || static_cast<uint64_t>(copied) != *expected;
    // The input closes first, then the output.
    in.reset();
    out.reset();
}

namespace {

// Placement's platform on Win32: the archive, IsPathExisting, and the runtime's create, rename
// and delete in the ANSI code page, like every other path the LZ library sees.
class Win32Placement final : public quorin::PlacementPlatform {
public:
    explicit Win32Placement(const std::vector<quorin::Text>& ownFiles) : ownFiles_(ownFiles) {}

    bool IsExisting(const quorin::Text& path) override { return archive_.IsExisting(path); }
    quorin::Text ExpandedName(const quorin::Text& path) override { return archive_.ExpandedName(path); }
    void Expand(const quorin::Text& from, const quorin::Text& to) override { archive_.Expand(from, to); }
    bool ExpansionFailed() override { return archive_.expansionFailed; }
    bool IsPathExisting(const quorin::Text& path) override { return setup::IsPathExisting(path); }
    bool CreateNewFile(const quorin::Text& path) override {
        const std::string ansi = quorin::win::ToAnsi(path);
        OwnedHandle file(::CreateFileA(ansi.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
        if (file)
            return true;
        // Whatever holds the name (a hidden or system file, a folder) makes it taken.
        if (::GetFileAttributesA(ansi.c_str()) != INVALID_FILE_ATTRIBUTES)
            return false;
        throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "create");
    }
    void Rename(const quorin::Text& from, const quorin::Text& to) override {
        // Without MOVEFILE_REPLACE_EXISTING: fails when `to` exists.
        if (!::MoveFileA(quorin::win::ToAnsi(from).c_str(), quorin::win::ToAnsi(to).c_str()))
            throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "rename");
    }
    void Delete(const quorin::Text& path) override {
        if (!::DeleteFileA(quorin::win::ToAnsi(path).c_str()))
            throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "delete");
    }
    void Pause(uint32_t milliseconds) override { setup::Sleep(milliseconds); }
    std::vector<quorin::Text> OwnFiles() override { return ownFiles_; }

private:
    Archive archive_;
    const std::vector<quorin::Text>& ownFiles_;
};

} // namespace

quorin::PlaceOutcome PlaceFile(const quorin::Text& folder, const quorin::SetupEntry& entry,
                               const std::vector<quorin::Text>& ownFiles) {
    Win32Placement platform(ownFiles);
    return quorin::PlaceFile(folder, entry, platform);
}

} // namespace setup
