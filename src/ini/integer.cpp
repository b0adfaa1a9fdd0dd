#include "ini/profile.h"

namespace quorin::ini {

IntegerReading ParseInteger(std::u16string_view s) {
    constexpr uint64_t kHeld = uint64_t{1} << 32;
    size_t i = 0;
    while (i < s.size() && s[i] <= u' ')
        ++i;
    bool minus = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        minus = s[i] == u'-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == u'0') {
        if (s[i + 1] == u'b') {
            base = 2;
            i += 2;
        } else if (s[i + 1] == u'o') {
            base = 8;
            i += 2;
        } else if (s[i + 1] == u'x') {
            base = 16;
            i += 2;
        }
    }
    uint32_t total = 0;
    uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        char16_t c = s[i];
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'Z')
            digit = c - u'A' + 10;
        else if (c >= u'a' && c <= u'z')
            digit = c - u'a' + 10;
        else
            break;
        if (digit >= base)
            break;
        total = total * base + digit;
        magnitude = magnitude >= kHeld ? kHeld : magnitude * base + digit;
    }
    const int64_t written = static_cast<int64_t>(magnitude);
    return {minus ? 0u - total : total, minus ? -written : written};
}

int64_t ReadWrittenInteger(std::u16string_view text) {
    // The integer reader sees the value through a 30-character buffer.
    return ParseInteger(text.substr(0, 29)).written;
}

} // namespace quorin::ini
