// Property-bag conversions, the load order with its stop-at-first-failure rule, and the default
// rule on save.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "joystick_logic/property_bag.h"

using namespace quorin::joystick;
using Text = std::u16string;

namespace {

// clang-format off
TEST(Conversion, ToInt32RoundsHalvesToEvenAndReadsNumericText) {
    const struct { PropValue value; ConvertStatus status; int32_t result; } rows[] = {
        {PropValue::Of(ValueKind::Empty), ConvertStatus::Ok, 0}, {PropValue::Int16(-5), ConvertStatus::Ok, -5},
        {PropValue::Int32(20000), ConvertStatus::Ok, 20000},     {PropValue::Bool(1), ConvertStatus::Ok, -1},
        {PropValue::Double(2.5), ConvertStatus::Ok, 2},          {PropValue::Double(3.5), ConvertStatus::Ok, 4},
        {PropValue::Double(-2.5), ConvertStatus::Ok, -2},        {PropValue::Double(2.4999), ConvertStatus::Ok, 2},
        {PropValue::Double(-2147483648.5), ConvertStatus::Ok, INT32_MIN},
        {PropValue::Double(2147483647.5), ConvertStatus::Overflow, 0},
        {PropValue::Double(NAN), ConvertStatus::Overflow, 0},    {PropValue::Double(INFINITY), ConvertStatus::Overflow, 0},
        {PropValue::Of(u"  42 "), ConvertStatus::Ok, 42},        {PropValue::Of(u"-1.5"), ConvertStatus::Ok, -2},
        {PropValue::Of(u"+1e3"), ConvertStatus::Ok, 1000},       {PropValue::Of(u".5"), ConvertStatus::Ok, 0},
        {PropValue::Of(u"1e999"), ConvertStatus::Overflow, 0},   {PropValue::Of(u"1e-999"), ConvertStatus::Ok, 0},
        {PropValue::Of(u"99999999999"), ConvertStatus::Overflow, 0},
        {PropValue::Of(u""), ConvertStatus::TypeMismatch, 0},    {PropValue::Of(u"abc"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"12abc"), ConvertStatus::TypeMismatch, 0}, {PropValue::Of(u"1e"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"."), ConvertStatus::TypeMismatch, 0},   {PropValue::Of(u"inf"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"0x10"), ConvertStatus::TypeMismatch, 0}, {PropValue::Of(u"１２"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(ValueKind::Null), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(ValueKind::Unsupported), ConvertStatus::TypeMismatch, 0},
    };
    for (const auto& row : rows) {
        int32_t out = 0;
        EXPECT_EQ(ToInt32(row.value, out), row.status) << int(row.value.kind) << " " << row.value.real;
        EXPECT_EQ(out, row.status == ConvertStatus::Ok ? row.result : 0) << int(row.value.kind) << " " << row.value.real;
    }
}

TEST(Conversion, ToBool16KnowsZeroNumbersAndTheNamesOfTrueAndFalse) {
    const struct { PropValue value; ConvertStatus status; int16_t result; } rows[] = {
        {PropValue::Of(ValueKind::Empty), ConvertStatus::Ok, 0}, {PropValue::Int16(0), ConvertStatus::Ok, 0},
        {PropValue::Int32(7), ConvertStatus::Ok, -1},            {PropValue::Bool(1), ConvertStatus::Ok, -1},
        {PropValue::Double(0.0), ConvertStatus::Ok, 0},          {PropValue::Double(0.1), ConvertStatus::Ok, -1},
        {PropValue::Of(u"TRUE"), ConvertStatus::Ok, -1},         {PropValue::Of(u" false "), ConvertStatus::Ok, 0},
        {PropValue::Of(u"0"), ConvertStatus::Ok, 0},             {PropValue::Of(u"-1"), ConvertStatus::Ok, -1},
        {PropValue::Of(u"yes"), ConvertStatus::TypeMismatch, 5}, {PropValue::Of(u"truex"), ConvertStatus::TypeMismatch, 5},
        {PropValue::Of(ValueKind::Null), ConvertStatus::TypeMismatch, 5},
    };
    for (const auto& row : rows) {
        int16_t out = 5;
        EXPECT_EQ(ToBool16(row.value, out), row.status) << int(row.value.kind);
        EXPECT_EQ(out, row.result) << int(row.value.kind);
    }
}
// clang-format on

// A bag over a map of owned values; a name in `unreadable` fails its read, and the bag refuses
// its write number `refuseWriteAt`.
class MapBag final : public PropertyBagReader, public PropertyBagWriter {
public:
    std::map<Text, std::pair<PropValue, Text>> values; // the value and the text it refers to
    std::vector<Text> reads, writes;
    Text unreadable;
    size_t refuseWriteAt = SIZE_MAX;
    void Put(const char16_t* name, PropValue v) {
        auto& slot = values[name] = {v, Text(v.text)};
        slot.first.text = slot.second;
    }
    ReadOutcome Read(const char16_t* name, PropValue& out) noexcept override {
        reads.emplace_back(name);
        if (name == unreadable)
            return ReadOutcome::Failed;
        return values.count(name) ? (out = values[name].first, ReadOutcome::Stored) : ReadOutcome::Missing;
    }
    bool Write(const char16_t* name, const PropValue& v) noexcept override {
        if (writes.size() == refuseWriteAt)
            return false;
        writes.emplace_back(name);
        Put(name, v);
        return true;
    }
};

TEST(PropertyBag, LoadOrderDefaultsAndFailures) {
    const struct {
        std::vector<std::pair<const char16_t*, PropValue>> stored;
        Text unreadable;
        LoadStatus status;
        Text failedKey;
        PersistedProperties expected; // from {1, 2, 3, 4}
        size_t reads;
    } rows[] = {
        {{}, u"", LoadStatus::Ok, u"", {0, 0, 0, 0}, 4}, // every default
        {{{u"Interval", PropValue::Int32(20000)}, {u"Port", PropValue::Int32(1)}, {u"RepeatButton", PropValue::Bool(-1)},
          {u"RepeatCursor", PropValue::Of(u"True")}},
         u"", LoadStatus::Ok, u"", {20000, 1, -1, -1}, 4}, // an interval the property would refuse loads
        {{{u"Interval", PropValue::Of(u"250")}, {u"Port", PropValue::Of(u"two")}, {u"RepeatButton", PropValue::Bool(-1)}},
         u"", LoadStatus::TypeMismatch, u"Port", {250, 2, 3, 4}, 2},
        {{{u"Interval", PropValue::Double(1e12)}}, u"", LoadStatus::Overflow, u"Interval", {1, 2, 3, 4}, 1},
        {{{u"RepeatCursor", PropValue::Of(ValueKind::Null)}}, u"", LoadStatus::TypeMismatch, u"RepeatCursor", {0, 0, 0, 4}, 4},
        {{{u"RepeatButton", PropValue::Of(ValueKind::Unsupported)}}, u"", LoadStatus::TypeMismatch, u"RepeatButton",
         {0, 0, 3, 4}, 3},
        {{{u"Interval", PropValue::Int32(40)}, {u"RepeatCursor", PropValue::Bool(-1)}}, u"RepeatButton",
         LoadStatus::ReadFailed, u"RepeatButton", {40, 0, 3, 4}, 3},
    };
    for (const auto& row : rows) {
        MapBag bag;
        for (auto& [key, value] : row.stored)
            bag.Put(key, value);
        bag.unreadable = row.unreadable;
        PersistedProperties fields{1, 2, 3, 4};
        const LoadResult r = LoadProperties(bag, fields);
        EXPECT_EQ(r.status, row.status) << bag.reads.size();
        EXPECT_EQ(Text(r.key ? r.key : u""), row.failedKey);
        EXPECT_TRUE(fields == row.expected) << fields.interval << " " << fields.port << " " << fields.repeatButton << " "
                                            << fields.repeatCursor;
        EXPECT_EQ(bag.reads.size(), row.reads);
    }
}

TEST(PropertyBag, SaveSkipsDefaultsAndRoundTrips) {
    for (const PersistedProperties& p : {PersistedProperties{0, 0, 0, 0}, PersistedProperties{10, 0, 0, 0},
                                         PersistedProperties{0, 3, -1, 0}, PersistedProperties{20000, -1, 1, -1}}) {
        MapBag bag;
        ASSERT_TRUE(SaveProperties(p, bag));
        EXPECT_EQ(bag.writes.size(), size_t((p.interval != 0) + (p.port != 0) + (p.repeatButton != 0) + (p.repeatCursor != 0)));
        PersistedProperties back{9, 9, 9, 9};
        ASSERT_EQ(LoadProperties(bag, back).status, LoadStatus::Ok);
        EXPECT_TRUE(back == (PersistedProperties{p.interval, p.port, int16_t(p.repeatButton ? -1 : 0),
                                                 int16_t(p.repeatCursor ? -1 : 0)})); // booleans normalised
    }
    MapBag refusing;
    refusing.refuseWriteAt = 1;
    EXPECT_FALSE(SaveProperties({5, 6, -1, -1}, refusing));
    EXPECT_EQ(refusing.writes, std::vector<Text>{u"Interval"});
}

} // namespace
