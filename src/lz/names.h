// How compressed files are named: the shipped name replaces the last character of a name with
// '_' and the header records the character, so the expander can restore the name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorin {

struct CompressedName {
    std::string name;        // the shipped file name
    uint8_t missingChar = 0; // what the header records; 0 for none
};

// The shipped name of `fileName` (a bare file name, UTF-8 or any ASCII-compatible encoding).
// With `replaceLast`, a name whose extension has three or more characters has its last
// character replaced by '_' ("Joystick.OCX" -> "Joystick.OC_", recording 'X'); a shorter or
// missing extension, or a last character that is not ASCII (it cannot be recorded in one
// byte), gets '_' appended and records nothing. Without `replaceLast`, '_' is always appended.
CompressedName CompressedNameFor(std::string_view fileName, bool replaceLast);

// The name a compressed file expands to: a final '_' becomes the recorded character, or is
// dropped when none is recorded. Empty when the name does not end in '_' (nothing to restore).
std::string ExpandedNameFor(std::string_view compressedName, uint8_t missingChar);

} // namespace quorin
