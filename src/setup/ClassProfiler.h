// Setup's access class for one private-profile file, through the platform's ANSI profile
// functions. Every string is converted to the ANSI code page at the call and back.
#pragma once

#include <cstdint>

#include "installer/setup_script.h"
#include "base/text.h"
#include "basic/variant.h"

namespace setup {

class ClassProfiler : public quorin::ProfileReader {
public:
    // The profile file's full path, passed to the platform unchanged. Empty at creation.
    quorin::Text Path;

    // The read buffer's size in bytes: values arrive as at most 254 bytes.
    static constexpr uint32_t kBufferSize = 255;

    int32_t ReadProfileNums(const quorin::Text& Section, const quorin::Text& Key,
                            int32_t Default = 0) override;
    quorin::Text ReadProfileChars(const quorin::Text& Section, const quorin::Text& Key,
                                  const quorin::Text& Default = quorin::Text()) override;
    bool ReadProfileBool(const quorin::Text& Section, const quorin::Text& Key, bool Default = false) override;
    // Booleans as "YES"/"NO", anything else by the standard conversion to text, which raises
    // before anything is written for a value without a text form.
    void WriteProfile(const quorin::Text& Section, const quorin::Text& Key, const quorin::Variant& DataBase);
    void ClearProfileSection(const quorin::Text& Section);
    void ClearProfileKey(const quorin::Text& Section, const quorin::Text& Key);
};

} // namespace setup
