// Text as the whole system holds it: UTF-16 code units. Conversion to the ANSI code page
// happens only at the platform call, in the Windows layer.
#pragma once

#include <string>
#include <string_view>

namespace quorin {

using Text = std::u16string;
using TextView = std::u16string_view;

// ASCII-only conversions, for literals and tests; non-ASCII input is a programming error.
inline Text FromAscii(std::string_view s) {
    return Text(s.begin(), s.end());
}

// UTF-8 <-> UTF-16. Invalid UTF-8 bytes become U+FFFD; lone surrogates become U+FFFD.
Text FromUtf8(std::string_view s);
std::string ToUtf8(TextView s);

} // namespace quorin
