// FindLast and EmbedValues on arbitrary text and values, checked against simple models: the
// last match found by a plain backwards scan, and the length and "$" count that the
// replacements must leave.
//
// Input: [op][start][pattern length][characters...][values...]. op bit 0 picks the routine,
// bit 1 the compare mode. A character byte below 0xF0 picks one of 16 awkward code units
// (letters of every case pair the folding knows, "$", ".", a surrogate, NUL); a byte from 0xF0
// takes the next two bytes as a raw code unit. A value is [kind][payload].
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/runtime_error.h"
#include "basic/string_routines.h"
#include "basic/variant.h"

using namespace quorin;

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

const char16_t kAlphabet[16] = {u'a',   u'A',   u'.',   u'$',   u'b',   0xFF21, 0xFF41, 0x0391,
                                0x03B1, 0x0401, 0x0451, 0x2160, 0x2170, 0xD800, 0,      0x00DF};

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    char16_t Char() {
        const uint8_t b = Byte();
        if (b < 0xF0)
            return kAlphabet[b % 16];
        const uint8_t lo = Byte();
        return static_cast<char16_t>(lo | Byte() << 8);
    }
    Text Chars(size_t n) {
        Text t;
        for (size_t i = 0; i < n && !empty(); ++i)
            t.push_back(Char());
        return t;
    }
    template <typename T> T Raw() {
        T v{};
        uint8_t bytes[sizeof(T)] = {};
        for (auto& b : bytes)
            b = Byte();
        std::memcpy(&v, bytes, sizeof v);
        return v;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool Matches(TextView text, size_t at, TextView pattern, CompareMode mode) {
    for (size_t k = 0; k < pattern.size(); ++k) {
        const char16_t a = text[at + k], b = pattern[k];
        if (mode == CompareMode::Text ? FoldCase(a) != FoldCase(b) : a != b)
            return false;
    }
    return true;
}

// The last occurrence beginning at or after start, by a backwards scan of the text itself.
int32_t LastByScan(int32_t start, TextView text, TextView pattern, CompareMode mode) {
    const size_t from = static_cast<size_t>(start) - 1;
    if (from >= text.size())
        return 0;
    if (pattern.empty())
        return static_cast<int32_t>(text.size()) + 1;
    if (pattern.size() > text.size() - from)
        return 0;
    for (size_t at = text.size() - pattern.size() + 1; at-- > from;)
        if (Matches(text, at, pattern, mode))
            return static_cast<int32_t>(at + 1);
    return 0;
}

void FuzzFindLast(Input& in, int32_t start, CompareMode mode) {
    const size_t patternLength = in.Byte() % 8;
    const Text pattern = in.Chars(patternLength);
    const Text text = in.Chars(4096);
    int32_t got = -1;
    try {
        got = FindLast(start, text, pattern, mode);
    } catch (const RuntimeError& e) {
        Check(e.Code() == ErrorCode::InvalidArgument && start < 1);
        return;
    }
    Check(start >= 1);
    Check(got == LastByScan(start, text, pattern, mode));
    if (got > 0 && !pattern.empty()) {
        // Found where a forward search from there finds it too.
        Check(FindFirst(got, text, pattern, mode) == got);
    }
    Check(ReverseChars(ReverseChars(text)) == text);
}

Variant MakeValue(Input& in, std::vector<Variant>& targets) {
    switch (in.Byte() % 10) {
    case 0:
        return Variant();
    case 1:
        return Variant::Null();
    case 2:
        return Variant(in.Raw<int16_t>());
    case 3:
        return Variant(in.Raw<int32_t>());
    case 4:
        return Variant(in.Raw<double>());
    case 5:
        return Variant((in.Byte() & 1) != 0);
    case 6:
        return Variant(std::vector<Variant>{Variant(int16_t{1})});
    case 7:
        return Variant::Omitted();
    case 8: // a reference to a text value kept alive by the caller
        targets.emplace_back(in.Chars(in.Byte() % 16));
        return Variant::RefTo(targets.back());
    default:
        return Variant(in.Chars(in.Byte() % 16));
    }
}

size_t Dollars(TextView t) {
    size_t n = 0;
    for (char16_t c : t)
        n += c == u'$';
    return n;
}

void FuzzEmbedValues(Input& in) {
    const Text templ = in.Chars(in.Byte());
    std::vector<Variant> targets;
    targets.reserve(64); // references must not move
    std::vector<Variant> values;
    while (!in.empty() && values.size() < 64)
        values.push_back(MakeValue(in, targets));

    // The model: each value takes one "$" while one is left and brings its own.
    size_t dollars = Dollars(templ), length = templ.size();
    bool raises = false;
    for (const Variant& v : values) {
        const Converted<Text> piece =
            v.IsNull() ? Converted<Text>{Text(), ConversionError::None} : TryToText(v);
        if (!piece.ok()) {
            raises = true; // a value without a text form raises, placeholder or not
            break;
        }
        if (dollars == 0)
            continue;
        dollars += Dollars(piece.value) - 1;
        length += piece.value.size() - 1;
    }
    Text result;
    try {
        result = EmbedValues(templ, values);
    } catch (const RuntimeError&) {
        Check(raises);
        return;
    }
    Check(!raises);
    Check(result.size() == length);
    Check(Dollars(result) == dollars);
    // Text before the first "$" of the template is never touched.
    const size_t first = templ.find(u'$');
    Check(result.compare(0, first == Text::npos ? templ.size() : first, templ, 0,
                         first == Text::npos ? templ.size() : first) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 1 << 14)
        return 0;
    Input in(data, size);
    const uint8_t op = in.Byte();
    const int32_t start = static_cast<int8_t>(in.Byte());
    const CompareMode mode = (op & 2) ? CompareMode::Text : CompareMode::Binary;
    if (op & 1)
        FuzzEmbedValues(in);
    else
        FuzzFindLast(in, start, mode);
    return 0;
}
