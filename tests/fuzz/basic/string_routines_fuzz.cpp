// FindLast and EmbedValues on arbitrary text and values, against simple models: the last match
// by a backwards scan, and the length and "$" count that the replacements must leave.
//
// Input: [op][start][length][characters...][values...]. op bit 0 picks the routine, bit 1 the
// compare mode; length is the pattern's (modulo 8) or the template's. A character byte below
// 0xF0 picks one of 16 awkward code units (letters of every case pair the folding knows, "$",
// ".", a surrogate, NUL); from 0xF0 the next two bytes are the code unit. A value is
// [kind][payload].
#include <algorithm>
#include <cstdlib>

#include "basic/string_routines.h"

using namespace quorin;

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

const char16_t kAlphabet[16] = {u'a',   u'A',   u'.',   u'$',   u'b',   0xFF21, 0xFF41, 0x0391,
                                0x03B1, 0x0401, 0x0451, 0x2160, 0x2170, 0xD800, 0,      0x00DF};

struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    bool Empty() const { return pos >= size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    char16_t Char() {
        const uint8_t b = Byte();
        if (b < 0xF0)
            return kAlphabet[b % 16];
        const uint8_t lo = Byte();
        return static_cast<char16_t>(lo | Byte() << 8);
    }
    Text Chars(size_t n) {
        Text t;
        while (t.size() < n && !Empty())
            t.push_back(Char());
        return t;
    }
    template <typename T> T Raw() {
        T v{};
        for (size_t i = 0; i < sizeof v; ++i)
            reinterpret_cast<uint8_t*>(&v)[i] = Byte();
        return v;
    }
};

int32_t LastByScan(int32_t start, TextView text, TextView pattern, CompareMode mode) {
    const size_t from = static_cast<size_t>(start) - 1;
    if (from >= text.size())
        return 0;
    if (pattern.empty())
        return static_cast<int32_t>(text.size()) + 1;
    for (size_t at = text.size() + 1; at-- > from;) {
        TextView here = text.substr(at, pattern.size());
        if (here.size() == pattern.size() &&
            (mode == CompareMode::Text ? EqualsNoCase(here, pattern) : here == pattern))
            return static_cast<int32_t>(at + 1);
    }
    return 0;
}

void FuzzFindLast(Input& in, int32_t start, CompareMode mode) {
    const Text pattern = in.Chars(in.Byte() % 8);
    const Text text = in.Chars(4096);
    try {
        const int32_t got = FindLast(start, text, pattern, mode);
        Check(start >= 1 && got == LastByScan(start, text, pattern, mode));
        Check(got == 0 || pattern.empty() || FindFirst(got, text, pattern, mode) == got);
    } catch (const RuntimeError& e) {
        Check(e.Code() == ErrorCode::InvalidArgument && start < 1);
    }
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
    case 8: // a reference to a text kept alive by the caller
        targets.emplace_back(in.Chars(in.Byte() % 16));
        return Variant::RefTo(targets.back());
    default:
        return Variant(in.Chars(in.Byte() % 16));
    }
}

size_t Dollars(TextView t) {
    return static_cast<size_t>(std::count(t.begin(), t.end(), u'$'));
}

void FuzzEmbedValues(Input& in) {
    const Text templ = in.Chars(in.Byte());
    std::vector<Variant> targets;
    targets.reserve(64); // references must not move
    std::vector<Variant> values;
    while (!in.Empty() && values.size() < 64)
        values.push_back(MakeValue(in, targets));

    // Each value takes one "$" while one is left and brings its own; one without a text form
    // raises, placeholder or not.
    size_t dollars = Dollars(templ), length = templ.size();
    bool raises = false;
    for (const Variant& v : values) {
        const Converted<Text> piece = v.IsNull() ? Converted<Text>{} : TryToText(v);
        raises = raises || !piece.ok();
        if (!raises && dollars > 0) {
            dollars += Dollars(piece.value) - 1;
            length += piece.value.size() - 1;
        }
    }
    try {
        const Text result = EmbedValues(templ, values);
        Check(!raises && result.size() == length && Dollars(result) == dollars);
        // Text before the template's first "$" is never touched.
        Check(result.compare(0, templ.find(u'$'), templ, 0, templ.find(u'$')) == 0);
    } catch (const RuntimeError&) {
        Check(raises);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 1 << 14)
        return 0;
    Input in{data, size};
    const uint8_t op = in.Byte();
    const int32_t start = static_cast<int8_t>(in.Byte());
    if (op & 1)
        FuzzEmbedValues(in);
    else
        FuzzFindLast(in, start, (op & 2) ? CompareMode::Text : CompareMode::Binary);
    return 0;
}
