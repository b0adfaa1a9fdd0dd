#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "lz/decode.h"
#include "lz/encode.h"
#include "lz_test_support.h"

using namespace szdd_test;

namespace {

Bytes Encode(const Bytes& data, uint8_t missing = 0) {
    Bytes out;
    EXPECT_TRUE(quorin::EncodeSzdd(data.data(), data.size(), missing, out));
    return out;
}

Bytes Decode(const Bytes& file) {
    Bytes out;
    EXPECT_EQ(quorin::DecodeSzdd(file.data(), file.size(), out), quorin::SzddStatus::Ok);
    return out;
}

TEST(SzddEncode, LiteralsOnlyIsExact) {
    EXPECT_EQ(Encode(ToBytes("ABC")), Concat(Header(3), {0x07, 'A', 'B', 'C'}));
    EXPECT_EQ(Encode({}), Header(0));
}

TEST(SzddEncode, RecordsTheMissingCharacter) {
    const Bytes file = Encode(ToBytes("data"), 'X');
    EXPECT_EQ(file[9], 'X');
    EXPECT_EQ(Encode(ToBytes("data"), 0)[9], 0);
}

struct SizeCase {
    const char* name;
    Bytes data;
    size_t literals;
    size_t matches;
};

// Inputs whose cheapest encoding is known: the encoder must find it.
TEST(SzddEncode, FindsTheCheapestTokens) {
    std::vector<SizeCase> cases = {
        // One match into the spaces the window starts with.
        {"SpacesFromTheInitialWindow", Bytes(6, ' '), 0, 1},
        {"EighteenSpaces", Bytes(18, ' '), 0, 1},
        {"NineteenSpaces", Bytes(19, ' '), 1, 1},
        {"SpacesThenText", ToBytes("                  Hi"), 2, 1},
        // A copy that overlaps its own output.
        {"Overlapping", ToBytes("abababab"), 2, 1},
        // The longest match is 18 bytes, not 16.
        {"RunOf19", Bytes(19, 'z'), 1, 1},
        {"RunOf37", Bytes(37, 'z'), 1, 2},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = Encode(c.data);
        EXPECT_EQ(Decode(file), c.data);
        const TokenCounts counts = CountTokens(file, static_cast<uint32_t>(c.data.size()));
        EXPECT_TRUE(counts.wellFormed);
        EXPECT_EQ(counts.literals, c.literals);
        EXPECT_EQ(counts.matches, c.matches);
    }
}

// The cheapest encoding in bits, by trying every distance at every position: the reference the
// encoder's optimal parse must meet.
uint64_t ReferenceBits(const Bytes& x) {
    const size_t n = x.size();
    std::vector<uint32_t> longest(n, 0);
    for (size_t i = 0; i < n; ++i) {
        for (size_t d = 1; d <= 4095; ++d) {
            uint32_t len = 0;
            while (len < 18 && i + len < n) {
                const ptrdiff_t src = static_cast<ptrdiff_t>(i + len) - static_cast<ptrdiff_t>(d);
                const uint8_t s = src < 0 ? ' ' : x[static_cast<size_t>(src)];
                if (s != x[i + len])
                    break;
                ++len;
            }
            longest[i] = std::max(longest[i], len);
        }
    }
    std::vector<uint64_t> cost(n + 1, 0);
    for (size_t i = n; i-- > 0;) {
        cost[i] = cost[i + 1] + 9;
        for (uint32_t len = 3; len <= longest[i]; ++len)
            cost[i] = std::min(cost[i], cost[i + len] + 17);
    }
    return cost[0];
}

TEST(SzddEncode, MatchesTheExhaustiveOptimum) {
    std::mt19937 rng(1234);
    std::vector<Bytes> inputs;
    // Small alphabets give many competing matches of every length.
    for (int alphabet : {2, 3, 5, 26}) {
        Bytes b(1500);
        for (auto& v : b)
            v = static_cast<uint8_t>('a' + rng() % alphabet);
        inputs.push_back(b);
    }
    // Text with repeated words and spaces, long enough for matches far back and past the wrap.
    {
        const char* words[] = {"the ", "joystick ", "control ", "  ", "setup ", "file ", "\r\n", "OCX "};
        Bytes b;
        while (b.size() < 6000) {
            const char* w = words[rng() % 8];
            b.insert(b.end(), w, w + std::char_traits<char>::length(w));
        }
        inputs.push_back(b);
    }
    // Taking the longest match first ("abcde" + "XYZ:") loses to a shorter one that lets the
    // next match run to "abcdefgh".
    inputs.push_back(ToBytes("abcdefgh:abcdeXYZ:bcdefgh:abcdeXYZ:abcdefgh"));
    for (const Bytes& x : inputs) {
        const Bytes file = Encode(x);
        ASSERT_EQ(Decode(file), x);
        const TokenCounts counts = CountTokens(file, static_cast<uint32_t>(x.size()));
        EXPECT_TRUE(counts.wellFormed);
        EXPECT_EQ(counts.Bits(), ReferenceBits(x)) << "input of " << x.size() << " bytes";
    }
}

} // namespace
