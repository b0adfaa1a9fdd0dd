// The stream record: known bytes, a round trip, and malformed records that change nothing.
#include <gtest/gtest.h>

#include <vector>

#include "joystick_logic/stream_record.h"

using namespace quorin::joystick;

namespace {

TEST(StreamRecord, KnownBytesAndRoundTrip) {
    const PersistedProperties p{-2, 0x01020304, -1, 1};
    uint8_t bytes[StreamRecordSize];
    EncodeStreamRecord(p, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + sizeof bytes),
              (std::vector<uint8_t>{12, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 0xFF, 0xFF, 1, 0}));
    PersistedProperties back;
    size_t consumed = 0;
    ASSERT_EQ(DecodeStreamRecord(bytes, sizeof bytes, back, consumed), StreamStatus::Ok);
    EXPECT_TRUE(back == p);
    EXPECT_EQ(consumed, StreamRecordSize);
}

TEST(StreamRecord, MalformedRecordsChangeNothing) {
    const struct {
        std::vector<uint8_t> bytes;
        StreamStatus status;
        size_t consumed;
    } rows[] = {
        {{}, StreamStatus::Truncated, 0},
        {{12, 0, 0}, StreamStatus::Truncated, 0},
        {{11, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, StreamStatus::BadLength, 0}, // shorter than the known fields
        {{0xFF, 0xFF, 0xFF, 0xFF}, StreamStatus::BadLength, 0},
        {{12, 0, 0, 0, 1, 0}, StreamStatus::Truncated, 0},
        {{14, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC}, StreamStatus::Ok, 18}, // a later version's
    };
    for (const auto& row : rows) {
        PersistedProperties fields{7, 7, 7, 7};
        size_t consumed = 0;
        EXPECT_EQ(DecodeStreamRecord(row.bytes.data(), row.bytes.size(), fields, consumed), row.status) << row.bytes.size();
        EXPECT_EQ(consumed, row.consumed);
        EXPECT_TRUE(row.status == StreamStatus::Ok ? fields.interval == 5 : fields == (PersistedProperties{7, 7, 7, 7}));
    }
}

} // namespace
