// The portable code page 932 codec against the platform's own conversions, over every one- and
// two-byte sequence and every character of the basic plane.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/cp932.h"

namespace {

std::u16string PlatformDecode(const std::string& bytes) {
    wchar_t out[4];
    const int n = ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), out, 4);
    return std::u16string(out, out + n);
}

// Without best fit, `exact` tells whether no character became the default one.
std::string PlatformEncode(const std::u16string& text, DWORD flags, bool* exact = nullptr) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    char out[16];
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(932, flags, wide, static_cast<int>(text.size()), out, sizeof out,
                                        nullptr, exact ? &usedDefault : nullptr);
    if (exact)
        *exact = !usedDefault;
    return std::string(out, out + n);
}

TEST(Cp932, DecodesEverySequenceLikeThePlatform) {
    size_t differ = 0;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = -1; trail < 256; ++trail) {
            std::string bytes(1, static_cast<char>(lead));
            if (trail >= 0 && !quorin::cp932::IsLeadByte(static_cast<unsigned char>(lead)))
                break;
            if (trail >= 0)
                bytes.push_back(static_cast<char>(trail));
            if (PlatformDecode(bytes) != quorin::cp932::Decode(bytes) && ++differ <= 20)
                ADD_FAILURE() << std::hex << "bytes " << lead << " " << trail;
        }
    }
    EXPECT_EQ(differ, 0u);
}

TEST(Cp932, EncodesEveryCharacterLikeThePlatform) {
    size_t differ = 0;
    // Surrogates: a pair, and each half alone.
    std::vector<std::u16string> texts = {u"\U0001F600", std::u16string{u'a', 0xD800, u'b'}, u"\xDC00"};
    for (char16_t c = 1; c != 0; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            texts.push_back(std::u16string(1, c));
    for (const std::u16string& text : texts) {
        bool exact = false;
        const std::string bytes = PlatformEncode(text, WC_NO_BEST_FIT_CHARS, &exact);
        const std::optional<std::string> portable = quorin::cp932::EncodeExact(text);
        if ((PlatformEncode(text, 0) != quorin::cp932::Encode(text) ||
             portable != (exact ? std::optional<std::string>(bytes) : std::nullopt)) &&
            ++differ <= 20)
            ADD_FAILURE() << std::hex << "U+" << static_cast<int>(text[0]);
    }
    EXPECT_EQ(differ, 0u);
}

} // namespace
