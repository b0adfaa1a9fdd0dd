// The stream record: known bytes, a round trip, and malformed records that change nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "joystick_logic/stream_record.h"

using namespace quorin::joystick;

namespace {

TEST(StreamRecord, RoundTripAndKnownBytes) {
    const PersistedProperties p{-2, 0x01020304, -1, 1};
    uint8_t bytes[StreamRecordSize];
    EncodeStreamRecord(p, bytes);
    const uint8_t expected[] = {12, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 0xFF, 0xFF, 1, 0};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof expected), 0);
    PersistedProperties back;
    size_t consumed = 0;
    ASSERT_EQ(DecodeStreamRecord(bytes, sizeof bytes, back, consumed), StreamStatus::Ok);
    EXPECT_TRUE(back == p);
    EXPECT_EQ(consumed, StreamRecordSize);
}

TEST(StreamRecord, MalformedRecords) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        StreamStatus status;
        size_t consumed;
    } cases[] = {
        {"Empty", {}, StreamStatus::Truncated, 0},
        {"ShortHeader", {12, 0, 0}, StreamStatus::Truncated, 0},
        {"BodyTooShortForKnownFields",
         {11, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
         StreamStatus::BadLength,
         0},
        {"HugeLength", {0xFF, 0xFF, 0xFF, 0xFF}, StreamStatus::BadLength, 0},
        {"BodyMissing", {12, 0, 0, 0, 1, 0}, StreamStatus::Truncated, 0},
        {"LaterVersionWithExtraBytes",
         {14, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC},
         StreamStatus::Ok,
         18},
    };
    for (const Case& c : cases) {
        PersistedProperties fields{7, 7, 7, 7};
        size_t consumed = 0;
        EXPECT_EQ(DecodeStreamRecord(c.bytes.data(), c.bytes.size(), fields, consumed), c.status) << c.name;
        EXPECT_EQ(consumed, c.consumed) << c.name;
        if (c.status != StreamStatus::Ok) {
            EXPECT_TRUE(fields == (PersistedProperties{7, 7, 7, 7}))
                << c.name << ": a failed load changes nothing";
        }
    }
}

} // namespace
