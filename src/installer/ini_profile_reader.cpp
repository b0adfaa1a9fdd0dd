// IniProfileReader (declared in setup_script.h beside the reader interface it implements) in an
// object of its own: Setup reads its script through the platform's profile functions, and this
// keeps the portable INI reader and the code page 932 tables out of its link.
#include "base/cp932.h"
#include "installer/setup_script.h"

namespace quorin {

Text IniProfileReader::ReadText(const Text& section, const Text& key, const Text& fallback) {
    return cp932::Decode(profile_.GetString(cp932::Encode(section), cp932::Encode(key),
                                            cp932::Encode(fallback), ini::kSetupBufferSize));
}

int32_t IniProfileReader::ReadNumber(const Text& section, const Text& key, int32_t fallback) {
    return profile_.GetInt(cp932::Encode(section), cp932::Encode(key), fallback);
}

bool IniProfileReader::ReadYesNo(const Text& section, const Text& key, bool fallback) {
    const Text value = ReadText(section, key, fallback ? u"YES" : u"NO");
    return ParseYesNo(value);
}

} // namespace quorin
