#include "lz/encode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "lz/decode.h"
#include "lz/format.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(const Bytes& data, uint8_t missing = 0) {
    Bytes out;
    EXPECT_TRUE(quorin::EncodeSzdd(data.data(), data.size(), missing, out));
    return out;
}

// decode(encode(x)) == x with the header's length and recorded character, never larger than
// spelling every byte.
void ExpectRoundTrip(const Bytes& x) {
    const Bytes file = Encode(x, 'Q');
    Bytes back;
    quorin::SzddHeader header;
    ASSERT_EQ(quorin::DecodeSzdd(file.data(), file.size(), back, &header), quorin::SzddStatus::Ok);
    ASSERT_EQ(back, x);
    EXPECT_EQ(header.length, x.size());
    EXPECT_EQ(header.missingChar, 'Q');
    EXPECT_LE(file.size(), quorin::szdd::kHeaderSize + x.size() + (x.size() + 7) / 8);
}

// What a stream's literals and matches cost in bits, their flag bits included.
uint64_t StreamBits(const Bytes& file) {
    uint64_t bits = 0;
    for (size_t in = quorin::szdd::kHeaderSize; in < file.size();) {
        const unsigned flags = file[in++];
        for (int bit = 0; bit < 8 && in < file.size(); ++bit) {
            const bool literal = flags >> bit & 1;
            in += literal ? 1 : 2;
            bits += literal ? 9 : 17;
        }
    }
    return bits;
}

// The cheapest encoding in bits, by trying every distance at every position.
uint64_t ReferenceBits(const Bytes& x) {
    const size_t n = x.size();
    std::vector<uint64_t> cost(n + 1, 0);
    for (size_t i = n; i-- > 0;) {
        cost[i] = cost[i + 1] + 9;
        for (size_t d = 1; d <= 4095; ++d) {
            size_t len = 0;
            while (len < 18 && i + len < n && (i + len < d ? ' ' : x[i + len - d]) == x[i + len])
                ++len;
            for (size_t l = 3; l <= len; ++l)
                cost[i] = std::min(cost[i], cost[i + l] + 17);
        }
    }
    return cost[0];
}

// Repeated words with now and then a random byte: matches near and far, past the window's wrap.
Bytes Text(size_t n, std::mt19937& rng) {
    const char* words[] = {"the ", "joystick ", "  ", "setup ", "\r\n", "OCX "};
    Bytes text;
    while (text.size() < n) {
        const char* w = words[rng() % 6];
        text.insert(text.end(), w, w + std::char_traits<char>::length(w));
        if (rng() % 16 == 0)
            text.push_back(static_cast<uint8_t>(rng()));
    }
    return text;
}

TEST(LzEncode, MatchesTheExhaustiveOptimum) {
    std::mt19937 rng(1234);
    std::vector<Bytes> inputs;
    // Small alphabets give many competing matches of every length.
    for (int alphabet : {2, 5}) {
        Bytes b(800);
        for (auto& v : b)
            v = static_cast<uint8_t>('a' + rng() % alphabet);
        inputs.push_back(b);
    }
    inputs.push_back(Text(4500, rng));
    // The longest match first ("abcde" + "XYZ:") loses to a shorter one that lets the next match
    // run to "abcdefgh"; then matches into the spaces the window starts with, over their own
    // output, and of 18 bytes.
    for (const std::string s : {"abcdefgh:abcdeXYZ:bcdefgh:abcdeXYZ:abcdefgh", "      ",
                                "                  Hi", "abababab", "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz"})
        inputs.emplace_back(s.begin(), s.end());
    for (const Bytes& x : inputs) {
        ExpectRoundTrip(x);
        EXPECT_EQ(StreamBits(Encode(x)), ReferenceBits(x)) << "input of " << x.size() << " bytes";
    }
}

TEST(LzEncode, RoundTrips) {
    std::mt19937 rng(20040150);
    for (size_t n = 0; n <= 40; ++n) { // every short run, of the window's own byte and another
        ExpectRoundTrip(Bytes(n, ' '));
        ExpectRoundTrip(Bytes(n, 0));
    }
    ExpectRoundTrip(Text(1100000, rng)); // longer than the encoder's parse block of 1 MiB
}

} // namespace
