#include "base/cp932.h"

#include <cstdint>
#include <vector>

namespace quorin::cp932 {
namespace {

#include "base/cp932_table.inc"

constexpr char16_t kDefaultChar = 0x30FB; // the code page's default character (katakana middle dot)
constexpr uint16_t kNoForm = 0xFFFF;

int LeadIndex(unsigned char lead) {
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0xA0 - 0x81);
}

char16_t DecodeSingle(unsigned char b) {
    if (b < 0x80)
        return b;
    if (b >= 0xA1 && b <= 0xDF)
        return static_cast<char16_t>(0xFF61 + (b - 0xA1)); // half-width katakana
    switch (b) {
    case 0x80:
        return 0x0080;
    case 0xA0:
        return 0xF8F0;
    case 0xFD:
        return 0xF8F1;
    case 0xFE:
        return 0xF8F2;
    case 0xFF:
        return 0xF8F3;
    }
    return kDefaultChar;
}

char16_t DecodeDouble(unsigned char lead, unsigned char trail) {
    if (trail < 0x40 || trail > 0xFC)
        return kDefaultChar;
    char16_t c = kDoubleByte[LeadIndex(lead)][trail - 0x40];
    return c != 0 ? c : kDefaultChar;
}

// One-way ("best fit") forms the platform writes for characters close to ones in the
// code page: Latin-1 signs and accented letters, and the voiced hiragana vu.
constexpr uint16_t kBestFit[][2] = {
    {0x00A2, 0x8191}, // cent sign
    {0x00A3, 0x8192}, // pound sign
    {0x00AC, 0x81CA}, // not sign
    {0x00A1, 0x0021}, {0x00A5, 0x005C}, {0x00A6, 0x007C}, {0x00A9, 0x0063}, {0x00AA, 0x0061},
    {0x00AB, 0x81E1}, {0x00AD, 0x002D}, {0x00AE, 0x0052}, {0x00AF, 0x8150}, {0x00B2, 0x0032},
    {0x00B3, 0x0033}, {0x00B5, 0x83CA}, {0x00B7, 0x8145}, {0x00B8, 0x8143}, {0x00B9, 0x0031},
    {0x00BA, 0x006F}, {0x00BB, 0x81E2}, {0x00C0, 0x0041}, {0x00C1, 0x0041}, {0x00C2, 0x0041},
    {0x00C3, 0x0041}, {0x00C4, 0x0041}, {0x00C5, 0x0041}, {0x00C6, 0x0041}, {0x00C7, 0x0043},
    {0x00C8, 0x0045}, {0x00C9, 0x0045}, {0x00CA, 0x0045}, {0x00CB, 0x0045}, {0x00CC, 0x0049},
    {0x00CD, 0x0049}, {0x00CE, 0x0049}, {0x00CF, 0x0049}, {0x00D0, 0x0044}, {0x00D1, 0x004E},
    {0x00D2, 0x004F}, {0x00D3, 0x004F}, {0x00D4, 0x004F}, {0x00D5, 0x004F}, {0x00D6, 0x004F},
    {0x00D8, 0x004F}, {0x00D9, 0x0055}, {0x00DA, 0x0055}, {0x00DB, 0x0055}, {0x00DC, 0x0055},
    {0x00DD, 0x0059}, {0x00DE, 0x0054}, {0x00DF, 0x0073}, {0x00E0, 0x0061}, {0x00E1, 0x0061},
    {0x00E2, 0x0061}, {0x00E3, 0x0061}, {0x00E4, 0x0061}, {0x00E5, 0x0061}, {0x00E6, 0x0061},
    {0x00E7, 0x0063}, {0x00E8, 0x0065}, {0x00E9, 0x0065}, {0x00EA, 0x0065}, {0x00EB, 0x0065},
    {0x00EC, 0x0069}, {0x00ED, 0x0069}, {0x00EE, 0x0069}, {0x00EF, 0x0069}, {0x00F0, 0x0064},
    {0x00F1, 0x006E}, {0x00F2, 0x006F}, {0x00F3, 0x006F}, {0x00F4, 0x006F}, {0x00F5, 0x006F},
    {0x00F6, 0x006F}, {0x00F8, 0x006F}, {0x00F9, 0x0075}, {0x00FA, 0x0075}, {0x00FB, 0x0075},
    {0x00FC, 0x0075}, {0x00FD, 0x0079}, {0x00FE, 0x0074}, {0x00FF, 0x0079}, {0x3094, 0x8394},
};

// UTF-16 code unit -> byte form (one byte below 0x100 with the high byte 0, else lead << 8 |
// trail), kNoForm when the code page has none.
const std::vector<uint16_t>& EncodeTable() {
    static const std::vector<uint16_t> table = [] {
        std::vector<uint16_t> t(0x10000, kNoForm);
        for (int b = 0; b < 0x100; ++b) {
            if (IsLeadByte(static_cast<unsigned char>(b)))
                continue;
            char16_t c = DecodeSingle(static_cast<unsigned char>(b));
            if (c != kDefaultChar && t[c] == kNoForm)
                t[c] = static_cast<uint16_t>(b);
        }
        // Characters with two double-byte forms: the platform encodes the lower form, except
        // that the NEC-selected rows 0xED/0xEE give way to the IBM rows 0xFA-0xFC.
        auto addRow = [&t](int lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                char16_t c = kDoubleByte[LeadIndex(static_cast<unsigned char>(lead))][trail - 0x40];
                if (c != 0 && t[c] == kNoForm)
                    t[c] = static_cast<uint16_t>(lead << 8 | trail);
            }
        };
        for (int lead = 0x81; lead <= 0xFC; ++lead)
            if (IsLeadByte(static_cast<unsigned char>(lead)) && lead != 0xED && lead != 0xEE)
                addRow(lead);
        addRow(0xED);
        addRow(0xEE);
        for (const auto& pair : kBestFit)
            if (t[pair[0]] == kNoForm)
                t[pair[0]] = pair[1];
        return t;
    }();
    return table;
}

} // namespace

Text Decode(std::string_view bytes, std::vector<size_t>& starts) {
    Text out;
    out.reserve(bytes.size());
    starts.clear();
    starts.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        starts.push_back(i);
        auto b = static_cast<unsigned char>(bytes[i]);
        if (IsLeadByte(b)) {
            // A lead byte takes the next byte, whatever it is (a line feed too), unless the text
            // ends or a NUL follows.
            if (i + 1 < bytes.size() && bytes[i + 1] != '\0') {
                out.push_back(DecodeDouble(b, static_cast<unsigned char>(bytes[i + 1])));
                ++i;
            } else {
                out.push_back(kDefaultChar);
            }
            continue;
        }
        out.push_back(DecodeSingle(b));
    }
    return out;
}

Text Decode(std::string_view bytes) {
    std::vector<size_t> starts;
    return Decode(bytes, starts);
}

std::string Encode(TextView text) {
    const auto& table = EncodeTable();
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        // A character outside the basic plane gives one substitute per surrogate, as the
        // platform's conversion does.
        uint16_t form = table[text[i]];
        if (form == kNoForm) {
            out.push_back('?');
        } else if (form > 0xFF) {
            out.push_back(static_cast<char>(form >> 8));
            out.push_back(static_cast<char>(form & 0xFF));
        } else {
            out.push_back(static_cast<char>(form));
        }
    }
    return out;
}

std::optional<std::string> EncodeExact(TextView text) {
    // Best-fit forms read back as other characters, so they do not count.
    std::string bytes = Encode(text);
    if (Decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

} // namespace quorin::cp932
