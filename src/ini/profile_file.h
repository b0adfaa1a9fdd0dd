// Whole-file helpers on top of the portable INI reader. They live apart from the profile rules
// so that a program that only parses profile text links no file I/O.
#pragma once

#include <string>

#include "ini/profile.h"

namespace quorin::ini {

// A missing or unreadable file reads as an empty profile, as it does for the platform's readers.
Profile LoadProfileFile(const std::string& path);
// Writes the profile back; false when the file cannot be written.
bool SaveProfileFile(const std::string& path, const Profile& profile);

} // namespace quorin::ini
