// The portable code page 932 codec against the platform's own conversions, over every one- and
// two-byte sequence and every character of the basic plane.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/cp932.h"

namespace {

std::wstring PlatformDecode(const std::string& bytes) {
    int n = ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

std::string PlatformEncode(const std::wstring& text) {
    int n = ::WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

TEST(Cp932, DecodesEverySequenceLikeThePlatform) {
    size_t checked = 0, differ = 0;
    for (int a = 0; a < 256; ++a) {
        for (int b = -1; b < 256; ++b) {
            std::string bytes(1, static_cast<char>(a));
            if (b >= 0) {
                if (!quorin::cp932::IsLeadByte(static_cast<unsigned char>(a)))
                    break;
                bytes.push_back(static_cast<char>(b));
            }
            std::wstring platform = PlatformDecode(bytes);
            quorin::Text portable = quorin::cp932::Decode(bytes);
            ++checked;
            if (std::u16string(platform.begin(), platform.end()) != portable) {
                if (++differ <= 20)
                    ADD_FAILURE() << std::hex << "bytes " << a << " " << b << ": platform U+"
                                  << (int)platform[0] << " portable U+" << (int)portable[0];
            }
        }
    }
    std::printf("decode: %zu sequences, %zu differ\n", checked, differ);
    EXPECT_EQ(differ, 0u);
}

TEST(Cp932, EncodesEveryCharacterLikeThePlatform) {
    size_t differ = 0;
    FILE* dump =
        std::getenv("QUORIN_CP932_DUMP") ? std::fopen(std::getenv("QUORIN_CP932_DUMP"), "w") : nullptr;
    for (int c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        std::string platform = PlatformEncode(std::wstring(1, static_cast<wchar_t>(c)));
        std::string portable = quorin::cp932::Encode(std::u16string(1, static_cast<char16_t>(c)));
        if (platform != portable) {
            ++differ;
            if (dump) {
                std::fprintf(dump, "%04X", c);
                for (unsigned char ch : platform)
                    std::fprintf(dump, " %02X", ch);
                std::fprintf(dump, "\n");
            }
        }
    }
    if (dump)
        std::fclose(dump);
    // Characters outside the basic plane, and lone surrogates.
    for (const std::wstring& s : {std::wstring(L"\xD83D\xDE00"),
                                  std::wstring(L"a\xD800"
                                               L"b"),
                                  std::wstring(L"\xDC00")}) {
        if (PlatformEncode(s) != quorin::cp932::Encode(std::u16string(s.begin(), s.end())))
            ++differ;
    }
    std::printf("encode: %zu characters differ\n", differ);
    EXPECT_EQ(differ, 0u);
}

} // namespace
