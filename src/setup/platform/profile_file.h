// One private-profile (INI) file, read and written through the platform's ANSI profile
// functions. Every string is converted to the ANSI code page at the call and back.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "basic/variant.h"
#include "installer/setup_script.h"

namespace setup {

class ProfileFile : public quorin::ProfileReader {
public:
    // The file's full path, passed to the platform unchanged.
    quorin::Text path;

    // The read buffer's size in bytes: values arrive as at most 254 bytes.
    static constexpr uint32_t kBufferSize = 255;

    int32_t ReadNumber(const quorin::Text& section, const quorin::Text& key, int32_t fallback = 0) override;
    quorin::Text ReadText(const quorin::Text& section, const quorin::Text& key,
                          const quorin::Text& fallback = quorin::Text()) override;
    bool ReadYesNo(const quorin::Text& section, const quorin::Text& key, bool fallback = false) override;
    // Booleans as "YES"/"NO", anything else by the standard conversion to text, which raises
    // before anything is written for a value without a text form.
    void Write(const quorin::Text& section, const quorin::Text& key, const quorin::Variant& value);
    void ClearSection(const quorin::Text& section);
    void ClearKey(const quorin::Text& section, const quorin::Text& key);
};

} // namespace setup
