#include <gtest/gtest.h>

#include "lz/decode.h"
#include "lz_test_support.h"

using namespace szdd_test;
using quorin::SzddStatus;

namespace {

struct DecodeCase {
    const char* name;
    Bytes file;
    Bytes expected;
    SzddStatus status;
};

// 0, 1, 2, ... 250, 0, 1, ...: no two neighbouring bytes alike, so a wrong source shows.
Bytes Counting(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(i % 251);
    return out;
}

std::vector<DecodeCase> KnownAnswers() {
    std::vector<DecodeCase> cases;
    cases.push_back(
        {"LiteralsOnly", Concat(Header(3), {0x07, 'A', 'B', 'C'}), ToBytes("ABC"), SzddStatus::Ok});
    cases.push_back({"EmptyFile", Header(0), {}, SzddStatus::Ok});
    // A match at window position 0 reads the spaces the window starts with.
    cases.push_back({"MatchIntoInitialSpaces",
                     Concat(Header(6), Concat({0x02}, Concat(MatchToken(0, 5), {'x'}))), ToBytes("     x"),
                     SzddStatus::Ok});
    // Position 4079 is just before the first written byte; the copy runs from the spaces into
    // the bytes this very match writes.
    cases.push_back({"MatchFromSpacesIntoOwnOutput",
                     Concat(Header(8), Concat({0x01, 'q'}, MatchToken(4079, 7))), ToBytes("q q q q "),
                     SzddStatus::Ok});
    // "ab" then a copy from the first written position, two back: the source overlaps the
    // destination and repeats.
    cases.push_back({"OverlappingMatch", Concat(Header(8), Concat({0x03, 'a', 'b'}, MatchToken(4080, 6))),
                     ToBytes("abababab"), SzddStatus::Ok});
    cases.push_back({"RunFromOneByte", Concat(Header(19), Concat({0x01, 'z'}, MatchToken(4080, 18))),
                     Bytes(19, 'z'), SzddStatus::Ok});
    // Unused flag bits after the last token, clear or set, do not matter.
    cases.push_back(
        {"UnusedFlagBitsClear", Concat(Header(2), {0x03, 'A', 'B'}), ToBytes("AB"), SzddStatus::Ok});
    cases.push_back(
        {"UnusedFlagBitsSet", Concat(Header(2), {0xFF, 'A', 'B'}), ToBytes("AB"), SzddStatus::Ok});
    cases.push_back({"TrailingFlagByteWithoutTokens",
                     Concat(Header(8), {0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0x00}),
                     ToBytes("ABCDEFGH"), SzddStatus::Ok});

    // 20 bytes fill window positions 4080..4095 and 0..3; a copy from 4090 crosses the end of
    // the window and continues into what it writes itself.
    {
        Bytes data = Counting(20);
        Bytes expected = data;
        for (size_t k = 0; k < 11; ++k)
            expected.push_back(expected[10 + k]);
        Bytes stream = StreamBuilder().Literals(data).Match(4090, 11).bytes();
        cases.push_back({"WindowWrapAround", Concat(Header(31), stream), expected, SzddStatus::Ok});
    }
    // After 4200 bytes the window has been overwritten: position 0 last held output byte 4112
    // (not byte 16), position 4080 byte 4096 (not byte 0, not a space).
    {
        Bytes data = Counting(4200);
        Bytes expected = data;
        for (size_t k : {4112, 4113, 4114, 4096, 4097, 4098, 4099})
            expected.push_back(data[k]);
        Bytes stream = StreamBuilder().Literals(data).Match(0, 3).Match(4080, 4).bytes();
        cases.push_back({"WindowOverwritten", Concat(Header(4207), stream), expected, SzddStatus::Ok});
    }
    return cases;
}

TEST(SzddDecode, KnownAnswers) {
    for (const DecodeCase& c : KnownAnswers()) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> out;
        quorin::SzddHeader header;
        EXPECT_EQ(quorin::DecodeSzdd(c.file.data(), c.file.size(), out, &header), c.status);
        EXPECT_EQ(out, c.expected);
        EXPECT_EQ(header.length, c.expected.size());
    }
}

TEST(SzddDecode, LongRunsAndLiteralGroupsAtScale) {
    // Exercises the whole-group path: full literal groups, then long overlapping runs.
    Bytes data = Counting(5000);
    Bytes stream = LiteralStream(data); // 625 full groups
    Bytes expected = data;
    const size_t matches = 4000;
    for (size_t g = 0; g < matches / 8; ++g) {
        stream.push_back(0x00);
        for (int t = 0; t < 8; ++t) {
            // Copy 18 bytes from 1, 7, 13 or 4000 back; the source is the latest output.
            const size_t distance = std::vector<size_t>{1, 7, 13, 4000}[(g + t) % 4];
            const size_t op = expected.size();
            const uint32_t pos = static_cast<uint32_t>((4080 + op - distance) & 4095);
            Bytes m = MatchToken(pos, 18);
            stream.insert(stream.end(), m.begin(), m.end());
            for (size_t k = 0; k < 18; ++k)
                expected.push_back(expected[op + k - distance]);
        }
    }
    Bytes file = Concat(Header(static_cast<uint32_t>(expected.size())), stream);
    std::vector<uint8_t> out;
    EXPECT_EQ(quorin::DecodeSzdd(file.data(), file.size(), out), SzddStatus::Ok);
    EXPECT_EQ(out, expected);
}

TEST(SzddDecode, HeaderFields) {
    Bytes file = Concat(Header(2, 'X'), {0x03, 'o', 'k'});
    quorin::SzddHeader header;
    ASSERT_EQ(quorin::ReadSzddHeader(file.data(), file.size(), header), SzddStatus::Ok);
    EXPECT_EQ(header.missingChar, 'X');
    EXPECT_EQ(header.length, 2u);
    EXPECT_TRUE(quorin::HasSzddSignature(file.data(), file.size()));
    EXPECT_FALSE(quorin::HasSzddSignature(file.data(), 7));
}

struct MalformedCase {
    const char* name;
    Bytes file;
    SzddStatus status;
    Bytes partial; // what the caller gets to decide about
};

TEST(SzddDecode, MalformedInputsAreDistinctErrors) {
    const Bytes good = Concat(Header(3), {0x07, 'A', 'B', 'C'});
    Bytes badSignature = good;
    badSignature[3] = 'Q';
    std::vector<MalformedCase> cases = {
        {"Empty", {}, SzddStatus::BadSignature, {}},
        {"NotCompressed", ToBytes("plain text, not compressed"), SzddStatus::BadSignature, {}},
        {"SignatureCut", Bytes(good.begin(), good.begin() + 5), SzddStatus::TruncatedHeader, {}},
        {"HeaderCutAfterMode", Bytes(good.begin(), good.begin() + 9), SzddStatus::TruncatedHeader, {}},
        {"HeaderCutInLength", Bytes(good.begin(), good.begin() + 12), SzddStatus::TruncatedHeader, {}},
        {"WrongSignatureByte", badSignature, SzddStatus::BadSignature, {}},
        {"ModeB", Concat(Header(3, 0, 'B'), {0x07, 'A', 'B', 'C'}), SzddStatus::BadMode, {}},
        {"StreamCutBetweenTokens", Concat(Header(5), {0x07, 'A', 'B', 'C'}), SzddStatus::TruncatedStream,
         ToBytes("ABC")},
        {"StreamCutAfterFlagByte", Concat(Header(3), {0x07}), SzddStatus::TruncatedStream, {}},
        {"MatchCutInTheMiddle", Concat(Header(5), {0x01, 'A', 0xF0}), SzddStatus::TruncatedToken,
         ToBytes("A")},
        {"MoreDataThanRecorded", Concat(Header(2), {0x07, 'A', 'B', 'C'}), SzddStatus::LengthMismatch,
         ToBytes("ABC")},
        {"MatchOvershootsLength", Concat(Header(4), Concat({0x01, 'r'}, MatchToken(4080, 5))),
         SzddStatus::LengthMismatch, ToBytes("rrrrrr")},
        // A length of 4 GiB over 4 bytes of data: the allocation follows the data, not the claim.
        {"HugeClaimedLength", Concat(Header(0xFFFFFFFFu), {0x07, 'A', 'B', 'C'}), SzddStatus::TruncatedStream,
         ToBytes("ABC")},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> out{1, 2, 3};
        EXPECT_EQ(quorin::DecodeSzdd(c.file.data(), c.file.size(), out), c.status);
        EXPECT_EQ(out, c.partial);
        EXPECT_STRNE(quorin::SzddStatusText(c.status), quorin::SzddStatusText(SzddStatus::Ok));
    }
}

TEST(SzddDecode, LongerThanRecordedKeepsEverything) {
    // The stream carries 3000 bytes but the header claims 10: the output grows past the
    // first allocation and the caller still sees every byte.
    Bytes data = Counting(3000);
    Bytes file = Concat(Header(10), LiteralStream(data));
    std::vector<uint8_t> out;
    EXPECT_EQ(quorin::DecodeSzdd(file.data(), file.size(), out), SzddStatus::LengthMismatch);
    EXPECT_EQ(out, data);
}

} // namespace
