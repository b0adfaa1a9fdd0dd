#include "ClassArchive.h"

#include <windows.h>
#include <lzexpand.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

#include "GeneralWin32ExAPI.h"
#include "lz/decode.h"
#include "lz/format.h"
#include "winsupport/ansi.h"
#include "winsupport/unique_handle.h"

namespace setup {
namespace {

DeclaredFunction<decltype(&::LZOpenFileA)> LZOpenFileA("LZ32", "LZOpenFileA");
DeclaredFunction<decltype(&::LZCopy)> LZCopy("LZ32", "LZCopy");
DeclaredFunction<decltype(&::GetExpandedNameA)> GetExpandedNameA("LZ32", "GetExpandedNameA");
DeclaredFunction<decltype(&::LZClose)> LZClose("LZ32", "LZClose");

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
    quorin::win::UniqueFile file(::CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
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

bool ClassArchive::IsExisting(const quorin::Text& Path) {
    OFSTRUCT reopen;
    UniqueLzFile file = Open(Path, OF_EXIST, reopen);
    return reopen.nErrCode == 0;
}

quorin::Text ClassArchive::Require(const quorin::Text& Path) {
    std::string in = quorin::win::ToAnsi(Path);
    // The function takes no buffer size and writes the name derived from its input, so a
    // buffer longer than the input (and than the design's 128 bytes) cannot be overrun.
    std::vector<char> buffer(std::max(kExpandedNameBytes, in.size() + MAX_PATH + 1), '\0');
    GetExpandedNameA(in.data(), buffer.data());
    const size_t length = static_cast<size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin());
    if (length >= kExpandedNameBytes)
        return quorin::Text();
    return quorin::win::FromAnsi(std::string_view(buffer.data(), length));
}

void ClassArchive::Melt(const quorin::Text& InPath, const quorin::Text& OutPath) {
    const std::optional<uint64_t> expected = ExpectedLength(InPath);
    OFSTRUCT inReopen;
    OFSTRUCT outReopen;
    // Opened for reading and writing, as the design has it: a read-only source is refused.
    UniqueLzFile in = Open(InPath, OF_READWRITE, inReopen);
    UniqueLzFile out = Open(OutPath, OF_CREATE, outReopen);
    const LONG copied = LZCopy(in.get(), out.get());
    Exception = copied < 0 || !expected || static_cast<uint64_t>(copied) != *expected;
    // The input closes first, then the output.
    in.reset();
    out.reset();
}

} // namespace setup
