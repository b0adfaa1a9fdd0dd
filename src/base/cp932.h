// Code page 932 (Japanese Shift-JIS as the platform defines it) <-> UTF-16, portable, so the
// native tools read and write setup scripts the way Setup's ANSI calls do. The tables follow
// the platform's own: decoding maps every byte sequence as it does, encoding picks the same byte
// form for characters with two forms and the same "best fit" forms for Latin-1 letters and
// signs, and every other character the code page cannot hold becomes the substitute "?".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace quorin::cp932 {

// True for the first byte of a two-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char b) noexcept {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Undefined two-byte sequences, and a lead byte without its trail byte, decode to U+30FB, the
// platform's default character for this code page.
Text Decode(std::string_view bytes);
// Decode, also giving the byte offset where each UTF-16 code unit's sequence starts.
Text Decode(std::string_view bytes, std::vector<size_t>& starts);
// Characters without a form in the code page become '?'.
std::string Encode(TextView text);
// The bytes of `text` when every character has a form of its own in the code page, so the
// bytes read back as the same text; nullopt when one would become a substitute or a best fit
// (a text from invalid UTF-8 holds U+FFFD, which has no form either).
std::optional<std::string> EncodeExact(TextView text);

} // namespace quorin::cp932
