// decode(encode(x)) == x over many random and structured inputs.
#include <gtest/gtest.h>

#include <random>

#include "lz/decode.h"
#include "lz/encode.h"
#include "lz_test_support.h"

using namespace szdd_test;

namespace {

class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    Bytes Next(size_t index) {
        const size_t size = Size();
        switch (index % 7) {
        case 0:
            return Random(size, 256);
        case 1:
            return Random(size, 1 + rng_() % 4);
        case 2:
            return Runs(size);
        case 3:
            return Text(size);
        case 4:
            return Mutated(Text(size));
        case 5:
            return Bytes(size, static_cast<uint8_t>(rng_() % 3 == 0 ? ' ' : rng_()));
        default:
            return Mixed(size);
        }
    }

private:
    size_t Size() {
        // Mostly small, with lengths around the token and window sizes, sometimes past the wrap.
        switch (rng_() % 4) {
        case 0:
            return rng_() % 40;
        case 1:
            return 4080 + rng_() % 40;
        case 2:
            return rng_() % 2000;
        default:
            return rng_() % 20000;
        }
    }
    Bytes Random(size_t n, uint32_t alphabet) {
        Bytes b(n);
        for (auto& v : b)
            v = static_cast<uint8_t>(rng_() % alphabet);
        return b;
    }
    Bytes Runs(size_t n) {
        Bytes b;
        while (b.size() < n)
            b.insert(b.end(), std::min<size_t>(1 + rng_() % 60, n - b.size()), static_cast<uint8_t>(rng_()));
        return b;
    }
    Bytes Text(size_t n) {
        static const char* words[] = {"Setup ",
                                      "INF ",
                                      "  ",
                                      "[Main]\r\n",
                                      "Lz=JOYSTICK.OC_,Joystick.OCX\r\n",
                                      "\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab ",
                                      "the ",
                                      "a "};
        Bytes b;
        while (b.size() < n) {
            const char* w = words[rng_() % 8];
            b.insert(b.end(), w, w + std::char_traits<char>::length(w));
        }
        b.resize(n);
        return b;
    }
    Bytes Mutated(Bytes b) {
        for (size_t k = 0; k < b.size() / 50; ++k)
            b[rng_() % b.size()] = static_cast<uint8_t>(rng_());
        return b;
    }
    Bytes Mixed(size_t n) {
        Bytes b;
        while (b.size() < n) {
            const size_t part = std::min<size_t>(1 + rng_() % 700, n - b.size());
            Bytes piece = rng_() % 2 ? Random(part, 256) : Text(part);
            // Repeat an earlier stretch, near or up to a window back.
            if (!b.empty() && rng_() % 3 == 0) {
                const size_t back = std::min<size_t>(b.size(), 1 + rng_() % 4200);
                piece.assign(b.end() - back, b.end());
                piece.resize(std::min(piece.size(), part));
            }
            b.insert(b.end(), piece.begin(), piece.end());
        }
        return b;
    }

    std::mt19937 rng_;
};

void ExpectRoundTrip(const Bytes& x) {
    Bytes file;
    ASSERT_TRUE(quorin::EncodeSzdd(x.data(), x.size(), 'Q', file));
    Bytes back;
    quorin::SzddHeader header;
    ASSERT_EQ(quorin::DecodeSzdd(file.data(), file.size(), back, &header), quorin::SzddStatus::Ok);
    ASSERT_EQ(back, x);
    EXPECT_EQ(header.length, x.size());
    EXPECT_EQ(header.missingChar, 'Q');
    // Never worse than spelling every byte.
    EXPECT_LE(file.size(), quorin::szdd::kHeaderSize + x.size() + (x.size() + 7) / 8);
}

TEST(SzddRoundTrip, ManyRandomAndStructuredInputs) {
    Generator gen(20040150);
    for (size_t i = 0; i < 700; ++i) {
        SCOPED_TRACE(i);
        ExpectRoundTrip(gen.Next(i));
        if (HasFatalFailure())
            return;
    }
}

TEST(SzddRoundTrip, EveryShortRunLength) {
    for (size_t n = 0; n <= 40; ++n) {
        SCOPED_TRACE(n);
        ExpectRoundTrip(Bytes(n, ' '));
        ExpectRoundTrip(Bytes(n, 0));
    }
}

TEST(SzddRoundTrip, AcrossParseBlocks) {
    // Larger than the encoder's parse block, with matches across the block boundaries.
    Generator gen(7);
    Bytes x;
    while (x.size() < 2'600'000) {
        Bytes part = gen.Next(x.size() / 9000);
        x.insert(x.end(), part.begin(), part.end());
    }
    ExpectRoundTrip(x);
}

} // namespace
