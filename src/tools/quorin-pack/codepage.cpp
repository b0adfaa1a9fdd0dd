// UTF-8 -> code page 932 through the platform's own converter: glibc's iconv ("CP932") on
// Linux, WideCharToMultiByte(932) on Windows.
#include "pack.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace quorin::pack {

#ifdef _WIN32

std::optional<std::string> Utf8ToCp932(const std::string& utf8) {
    if (utf8.empty())
        return std::string();
    const int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, 0);
    if (wide <= 0)
        return std::nullopt;
    std::wstring text(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          text.data(), wide);
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), wide, nullptr, 0, nullptr,
                                        &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), wide, out.data(), n, nullptr, &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return out;
}

#else

namespace {

std::optional<std::string> Convert(const char* to, const char* from, const std::string& text) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    std::string in = text;
    char* src = in.data();
    size_t srcLeft = in.size();
    char buffer[256];
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false; // EILSEQ: no form in the code page; EINVAL: cut UTF-8
            break;
        }
    }
    ::iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return out;
}

} // namespace

// glibc also encodes the JIS forms of a few characters (U+301C WAVE DASH, U+2212 MINUS SIGN,
// ...) to the bytes that the platform reads back as their Microsoft forms (U+FF5E, U+FF0D).
// Such a text would not arrive as written, so only texts that convert back unchanged count
// as representable, as with WC_NO_BEST_FIT_CHARS on Windows.
std::optional<std::string> Utf8ToCp932(const std::string& utf8) {
    std::optional<std::string> bytes = Convert("CP932", "UTF-8", utf8);
    if (!bytes)
        return std::nullopt;
    const std::optional<std::string> back = Convert("UTF-8", "CP932", *bytes);
    if (!back || *back != utf8)
        return std::nullopt;
    return bytes;
}

#endif

} // namespace quorin::pack
