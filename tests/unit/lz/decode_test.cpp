#include "lz/decode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "lz/format.h"

namespace {

using quorin::SzddStatus;
using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The 14-byte header for `length` expanded bytes, then `stream`.
Bytes File(uint32_t length, const Bytes& stream, uint8_t missing = 0, uint8_t mode = quorin::szdd::kModeA) {
    Bytes h(quorin::szdd::kSignature.begin(), quorin::szdd::kSignature.end());
    h.insert(h.end(), {mode, missing});
    for (int shift = 0; shift < 32; shift += 8)
        h.push_back(static_cast<uint8_t>(length >> shift));
    return Cat({h, stream});
}

// A match token: `len` (3 to 18) bytes from absolute window position `pos`.
Bytes Match(uint32_t pos, uint32_t len) {
    return {static_cast<uint8_t>(pos & 0xFF), static_cast<uint8_t>((pos >> 4 & 0xF0) | (len - 3))};
}

// Literals only, in full groups of eight under a flag byte of 0xFF.
Bytes Literals(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 8 == 0)
            out.push_back(0xFF);
        out.push_back(data[i]);
    }
    return out;
}

// 0, 1, 2, ... 250, 0, 1, ...: no two neighbouring bytes alike, so a copy from a wrong place shows.
Bytes Counting(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(i % 251);
    return out;
}

struct DecodeCase {
    const char* name;
    Bytes file;
    SzddStatus status;
    Bytes output; // what the caller gets, also on an error, to decide about
};

// Bytes `from` to `from + n` of `data` appended to `data`, the way a match copies them.
Bytes Copied(Bytes data, size_t from, size_t n) {
    for (size_t k = 0; k < n; ++k)
        data.push_back(data[from + k]);
    return data;
}

TEST(LzDecode, KnownAnswersAndMalformedFiles) {
    const Bytes abc = File(3, {0x07, 'A', 'B', 'C'});
    Bytes wrongSignature = abc;
    wrongSignature[3] = 'Q';
    const Bytes counting = Counting(4200);
    const Bytes twenty(counting.begin(), counting.begin() + 20);
    const DecodeCase cases[] = {
        {"LiteralsOnly", abc, SzddStatus::Ok, ToBytes("ABC")},
        {"NothingToExpand", File(0, {}), SzddStatus::Ok, {}},
        // Window position 0 holds one of the spaces the window starts with.
        {"MatchIntoInitialSpaces", File(6, Cat({{0x02}, Match(0, 5), {'x'}})), SzddStatus::Ok,
         ToBytes("     x")},
        // 4079 is just before the first written position: the copy runs from the spaces into the
        // bytes this very match writes.
        {"MatchFromSpacesIntoItsOwnOutput", File(8, Cat({{0x01, 'q'}, Match(4079, 7)})), SzddStatus::Ok,
         ToBytes("q q q q ")},
        {"OverlappingMatchRepeats", File(8, Cat({{0x03, 'a', 'b'}, Match(4080, 6)})), SzddStatus::Ok,
         ToBytes("abababab")},
        {"LongestMatch", File(19, Cat({{0x01, 'z'}, Match(4080, 18)})), SzddStatus::Ok, Bytes(19, 'z')},
        {"UnusedFlagBitsSet", File(2, {0xFF, 'A', 'B'}), SzddStatus::Ok, ToBytes("AB")},
        {"FlagByteWithoutTokens", File(8, Cat({Literals(ToBytes("ABCDEFGH")), {0x00}})), SzddStatus::Ok,
         ToBytes("ABCDEFGH")},
        // 20 bytes fill window positions 4080 to 4095 and 0 to 3; a copy from 4090 crosses the
        // window's end and runs on into what it writes itself.
        {"WindowWrapAround",
         File(31, Cat({Literals(Bytes(twenty.begin(), twenty.begin() + 16)),
                       {0x0F},
                       Bytes(twenty.begin() + 16, twenty.end()),
                       Match(4090, 11)})),
         SzddStatus::Ok, Copied(twenty, 10, 11)},
        // After 4200 bytes position 0 last held byte 4112 (not 16), position 4080 byte 4096.
        {"WindowOverwritten", File(4207, Cat({Literals(counting), {0x00}, Match(0, 3), Match(4080, 4)})),
         SzddStatus::Ok, Copied(Copied(counting, 4112, 3), 4096, 4)},
        {"EmptyFile", {}, SzddStatus::BadSignature, {}},
        {"NotCompressed", ToBytes("plain text, not compressed"), SzddStatus::BadSignature, {}},
        {"WrongSignatureByte", wrongSignature, SzddStatus::BadSignature, {}},
        {"SignatureCut", Bytes(abc.begin(), abc.begin() + 5), SzddStatus::TruncatedHeader, {}},
        {"HeaderCutAfterMode", Bytes(abc.begin(), abc.begin() + 9), SzddStatus::TruncatedHeader, {}},
        {"HeaderCutInLength", Bytes(abc.begin(), abc.begin() + 12), SzddStatus::TruncatedHeader, {}},
        {"ModeB", File(3, {0x07, 'A', 'B', 'C'}, 0, 'B'), SzddStatus::BadMode, {}},
        {"StreamCutBetweenTokens", File(5, {0x07, 'A', 'B', 'C'}), SzddStatus::TruncatedStream,
         ToBytes("ABC")},
        {"StreamCutAfterFlagByte", File(3, {0x07}), SzddStatus::TruncatedStream, {}},
        {"MatchCut", File(5, {0x01, 'A', 0xF0}), SzddStatus::TruncatedToken, ToBytes("A")},
        {"MoreDataThanRecorded", File(2, {0x07, 'A', 'B', 'C'}), SzddStatus::LengthMismatch, ToBytes("ABC")},
        {"MatchOvershootsLength", File(4, Cat({{0x01, 'r'}, Match(4080, 5)})), SzddStatus::LengthMismatch,
         ToBytes("rrrrrr")},
        // The output grows past its first allocation, which followed the header's claim.
        {"FarLongerThanRecorded", File(10, Literals(counting)), SzddStatus::LengthMismatch, counting},
        // 4 GiB claimed over 4 bytes of data: the allocation follows the data, not the claim.
        {"HugeClaimedLength", File(0xFFFFFFFFu, {0x07, 'A', 'B', 'C'}), SzddStatus::TruncatedStream,
         ToBytes("ABC")},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out{1, 2, 3};
        quorin::SzddHeader header;
        EXPECT_EQ(quorin::DecodeSzdd(c.file.data(), c.file.size(), out, &header), c.status);
        EXPECT_EQ(out, c.output);
        if (c.status == SzddStatus::Ok) {
            EXPECT_EQ(header.length, c.output.size());
        } else {
            EXPECT_STRNE(quorin::SzddStatusText(c.status), quorin::SzddStatusText(SzddStatus::Ok));
        }
    }
}

} // namespace
