#include "basic/string_routines.h"

namespace quorin {

char16_t FoldCase(char16_t c) noexcept {
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0xFF21 && c <= 0xFF3A) // full-width Latin
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) // Greek
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0410 && c <= 0x042F) // Cyrillic
        return static_cast<char16_t>(c + 0x20);
    if (c == 0x0401) // Cyrillic IO
        return 0x0451;
    if (c >= 0x2160 && c <= 0x216F) // Roman numerals
        return static_cast<char16_t>(c + 0x10);
    return c;
}

Text FoldCase(TextView text) {
    Text folded(text);
    for (char16_t& c : folded)
        c = FoldCase(c);
    return folded;
}

bool EqualsNoCase(TextView a, TextView b) noexcept {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

namespace {

bool MatchesAt(TextView text, size_t at, TextView pattern, CompareMode compare) {
    for (size_t k = 0; k < pattern.size(); ++k) {
        char16_t a = text[at + k], b = pattern[k];
        if (compare == CompareMode::Text ? FoldCase(a) != FoldCase(b) : a != b)
            return false;
    }
    return true;
}

} // namespace

int32_t FindFirst(int32_t start, TextView text, TextView pattern, CompareMode compare) {
    if (start < 1)
        throw RuntimeError(ErrorCode::InvalidArgument, "start position below 1");
    const size_t from = static_cast<size_t>(start) - 1;
    if (text.empty() || from > text.size())
        return 0;
    if (pattern.empty())
        return start;
    if (pattern.size() > text.size())
        return 0;
    for (size_t at = from; at + pattern.size() <= text.size(); ++at)
        if (MatchesAt(text, at, pattern, compare))
            return static_cast<int32_t>(at + 1);
    return 0;
}

int32_t FindLast(int32_t start, TextView text, TextView pattern, CompareMode compare) {
    if (start < 1)
        throw RuntimeError(ErrorCode::InvalidArgument, "start position below 1");
    // The last match is the first match of the reversed pattern in the reversed tail.
    TextView tail = static_cast<size_t>(start) - 1 < text.size() ? text.substr(static_cast<size_t>(start) - 1)
                                                                 : TextView();
    const Text reversedTail = ReverseChars(tail);
    const Text reversedPattern = ReverseChars(pattern);
    int32_t b = FindFirst(1, reversedTail, reversedPattern, compare);
    if (b == 0)
        return 0;
    return static_cast<int32_t>(text.size()) - b - static_cast<int32_t>(pattern.size()) + 2;
}

Text ReverseChars(TextView text) {
    return Text(text.rbegin(), text.rend());
}

Text EmbedValues(TextView templ, const std::vector<Variant>& values) {
    Text result(templ);
    for (const Variant& value : values) {
        // Null contributes nothing, like empty; other values without a text form raise.
        Text piece;
        if (!value.IsNull())
            piece = ToText(value);
        size_t at = result.find(u'$');
        if (at == Text::npos)
            continue; // no placeholder left: the value is dropped
        result.replace(at, 1, piece);
    }
    return result;
}

Text FillPlaceholders(TextView templ, const std::vector<Text>& values) {
    Text result;
    size_t next = 0;
    for (char16_t c : templ) {
        if (c == u'$' && next < values.size())
            result += values[next++];
        else
            result += c;
    }
    return result;
}

} // namespace quorin
