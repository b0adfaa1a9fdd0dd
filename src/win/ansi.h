// Conversions between the system's internal UTF-16 text and the ANSI code page, done exactly
// at the ANSI call. Characters the code page cannot hold become its substitute character.
#pragma once

#include <windows.h>
#include <string>

#include "base/text.h"

namespace quorin::win {

inline std::string ToAnsi(quorin::TextView text, UINT codePage = CP_ACP) {
    if (text.empty())
        return {};
    const auto* src = reinterpret_cast<const wchar_t*>(text.data());
    int n = ::WideCharToMultiByte(codePage, 0, src, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, src, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

inline quorin::Text FromAnsi(std::string_view bytes, UINT codePage = CP_ACP) {
    if (bytes.empty())
        return {};
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    quorin::Text out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0)
        ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                              reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

// Reads a NUL-terminated ANSI buffer back, stopping at the first NUL.
inline quorin::Text FromAnsiBuffer(const char* buffer, size_t capacity) {
    size_t len = 0;
    while (len < capacity && buffer[len] != '\0')
        ++len;
    return FromAnsi(std::string_view(buffer, len));
}

inline const wchar_t* W(const quorin::Text& t) {
    return reinterpret_cast<const wchar_t*>(t.c_str());
}
inline quorin::Text FromWide(const wchar_t* s) {
    return s ? quorin::Text(reinterpret_cast<const char16_t*>(s)) : quorin::Text();
}

} // namespace quorin::win
