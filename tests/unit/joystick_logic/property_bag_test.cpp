// Property-bag conversions, the load order with its stop-at-first-failure rule, and the default
// rule on save.
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "joystick_logic/property_bag.h"

using namespace quorin::joystick;
using Text = std::u16string;

namespace {

struct IntCase {
    PropValue value;
    ConvertStatus status;
    int32_t result;
};

TEST(Conversion, ToInt32) {
    const IntCase cases[] = {
        {PropValue::Of(ValueKind::Empty), ConvertStatus::Ok, 0},
        {PropValue::Int16(-5), ConvertStatus::Ok, -5},
        {PropValue::Int32(20000), ConvertStatus::Ok, 20000},
        {PropValue::Bool(-1), ConvertStatus::Ok, -1},
        {PropValue::Bool(1), ConvertStatus::Ok, -1},
        {PropValue::Double(2.5), ConvertStatus::Ok, 2},
        {PropValue::Double(3.5), ConvertStatus::Ok, 4},
        {PropValue::Double(-2.5), ConvertStatus::Ok, -2},
        {PropValue::Double(2.4999), ConvertStatus::Ok, 2},
        {PropValue::Double(-2147483648.5), ConvertStatus::Ok, std::numeric_limits<int32_t>::min()},
        {PropValue::Double(2147483647.5), ConvertStatus::Overflow, 0},
        {PropValue::Double(std::numeric_limits<double>::quiet_NaN()), ConvertStatus::Overflow, 0},
        {PropValue::Double(std::numeric_limits<double>::infinity()), ConvertStatus::Overflow, 0},
        {PropValue::Of(u"  42 "), ConvertStatus::Ok, 42},
        {PropValue::Of(u"-1.5"), ConvertStatus::Ok, -2},
        {PropValue::Of(u"+1e3"), ConvertStatus::Ok, 1000},
        {PropValue::Of(u".5"), ConvertStatus::Ok, 0},
        {PropValue::Of(u"1e999"), ConvertStatus::Overflow, 0},
        {PropValue::Of(u"1e-999"), ConvertStatus::Ok, 0},
        {PropValue::Of(u"99999999999"), ConvertStatus::Overflow, 0},
        {PropValue::Of(u""), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"abc"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"12abc"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"1e"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"."), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"inf"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"0x10"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"１２"), ConvertStatus::TypeMismatch, 0}, // full-width digits
        {PropValue::Of(ValueKind::Null), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(ValueKind::Unsupported), ConvertStatus::TypeMismatch, 0},
    };
    for (const IntCase& c : cases) {
        int32_t out = 0;
        const ConvertStatus s = ToInt32(c.value, out);
        EXPECT_EQ(s, c.status) << int(c.value.kind) << " " << c.value.real << " " << c.value.integer;
        if (s == ConvertStatus::Ok) {
            EXPECT_EQ(out, c.result) << int(c.value.kind) << " " << c.value.real;
        }
    }
}

TEST(Conversion, ToBool16) {
    struct Case {
        PropValue value;
        ConvertStatus status;
        int16_t result;
    } cases[] = {
        {PropValue::Of(ValueKind::Empty), ConvertStatus::Ok, 0},
        {PropValue::Int16(0), ConvertStatus::Ok, 0},
        {PropValue::Int32(7), ConvertStatus::Ok, -1},
        {PropValue::Bool(1), ConvertStatus::Ok, -1},
        {PropValue::Double(0.0), ConvertStatus::Ok, 0},
        {PropValue::Double(0.1), ConvertStatus::Ok, -1},
        {PropValue::Of(u"TRUE"), ConvertStatus::Ok, -1},
        {PropValue::Of(u" false "), ConvertStatus::Ok, 0},
        {PropValue::Of(u"0"), ConvertStatus::Ok, 0},
        {PropValue::Of(u"-1"), ConvertStatus::Ok, -1},
        {PropValue::Of(u"yes"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(u"truex"), ConvertStatus::TypeMismatch, 0},
        {PropValue::Of(ValueKind::Null), ConvertStatus::TypeMismatch, 0},
    };
    for (const Case& c : cases) {
        int16_t out = 5;
        const ConvertStatus s = ToBool16(c.value, out);
        EXPECT_EQ(s, c.status) << int(c.value.kind);
        if (s == ConvertStatus::Ok) {
            EXPECT_EQ(out, c.result) << int(c.value.kind);
        }
    }
}

// A bag over a map of owned values; texts are kept alive by the map.
class MapBag final : public PropertyBagReader, public PropertyBagWriter {
public:
    struct Stored {
        ValueKind kind;
        int32_t integer;
        double real;
        Text text;
    };
    std::map<Text, Stored> values;
    std::vector<Text> reads;
    std::vector<Text> writes;
    size_t refuseWriteAt = SIZE_MAX;
    const char16_t* failReadOf = nullptr; // a name the bag cannot answer for

    void Put(const char16_t* name, PropValue v) { values[name] = {v.kind, v.integer, v.real, Text(v.text)}; }

    ReadOutcome Read(const char16_t* name, PropValue& out) noexcept override {
        reads.emplace_back(name);
        if (failReadOf && Text(name) == Text(failReadOf))
            return ReadOutcome::Failed;
        auto it = values.find(name);
        if (it == values.end())
            return ReadOutcome::Missing;
        out = {it->second.kind, it->second.integer, it->second.real, it->second.text};
        return ReadOutcome::Stored;
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
    struct Case {
        const char* name;
        std::vector<std::pair<const char16_t*, PropValue>> stored;
        const char16_t* unreadable; // the bag fails to read this name
        LoadStatus status;
        const char16_t* failedKey;
        PersistedProperties expected; // starting from {1, 2, 3, 4}
        size_t reads;
    } cases[] = {
        {"EmptyBagLoadsDefaults", {}, nullptr, LoadStatus::Ok, nullptr, {0, 0, 0, 0}, 4},
        {"AllStored",
         {{u"Interval", PropValue::Int32(20000)},
          {u"Port", PropValue::Int32(1)},
          {u"RepeatButton", PropValue::Bool(-1)},
          {u"RepeatCursor", PropValue::Of(u"True")}},
         nullptr,
         LoadStatus::Ok,
         nullptr,
         {20000, 1, -1, -1},
         4},
        {"IntervalOutsidePropertyRangeLoads",
         {{u"Interval", PropValue::Int32(-7)}},
         nullptr,
         LoadStatus::Ok,
         nullptr,
         {-7, 0, 0, 0},
         4},
        {"WrongKindStopsAtPort",
         {{u"Interval", PropValue::Of(u"250")},
          {u"Port", PropValue::Of(u"two")},
          {u"RepeatButton", PropValue::Bool(-1)}},
         nullptr,
         LoadStatus::TypeMismatch,
         u"Port",
         {250, 2, 3, 4},
         2},
        {"OverflowStopsAtInterval",
         {{u"Interval", PropValue::Double(1e12)}},
         nullptr,
         LoadStatus::Overflow,
         u"Interval",
         {1, 2, 3, 4},
         1},
        {"NullRepeatCursor",
         {{u"RepeatCursor", PropValue::Of(ValueKind::Null)}},
         nullptr,
         LoadStatus::TypeMismatch,
         u"RepeatCursor",
         {0, 0, 0, 4},
         4},
        {"UnsupportedKind",
         {{u"RepeatButton", PropValue::Of(ValueKind::Unsupported)}},
         nullptr,
         LoadStatus::TypeMismatch,
         u"RepeatButton",
         {0, 0, 3, 4},
         3},
        {"FailedReadStopsAtRepeatButton",
         {{u"Interval", PropValue::Int32(40)}, {u"RepeatCursor", PropValue::Bool(-1)}},
         u"RepeatButton",
         LoadStatus::ReadFailed,
         u"RepeatButton",
         {40, 0, 3, 4},
         3},
    };
    for (const Case& c : cases) {
        MapBag bag;
        for (auto& [k, v] : c.stored)
            bag.Put(k, v);
        bag.failReadOf = c.unreadable;
        PersistedProperties fields{1, 2, 3, 4};
        const LoadResult r = LoadProperties(bag, fields);
        EXPECT_EQ(r.status, c.status) << c.name;
        if (c.failedKey) {
            ASSERT_NE(r.key, nullptr) << c.name;
            EXPECT_EQ(Text(r.key), Text(c.failedKey)) << c.name;
        }
        EXPECT_TRUE(fields == c.expected) << c.name << ": " << fields.interval << " " << fields.port << " "
                                          << fields.repeatButton << " " << fields.repeatCursor;
        EXPECT_EQ(bag.reads.size(), c.reads) << c.name;
    }
}

TEST(PropertyBag, SaveSkipsDefaultsAndRoundTrips) {
    const PersistedProperties samples[] = {{0, 0, 0, 0}, {10, 0, 0, 0}, {0, 3, -1, 0}, {20000, -1, 1, -1}};
    for (const auto& p : samples) {
        MapBag bag;
        ASSERT_TRUE(SaveProperties(p, bag));
        size_t nonDefault = (p.interval != 0) + (p.port != 0) + (p.repeatButton != 0) + (p.repeatCursor != 0);
        EXPECT_EQ(bag.writes.size(), nonDefault);
        PersistedProperties back{9, 9, 9, 9};
        ASSERT_EQ(LoadProperties(bag, back).status, LoadStatus::Ok);
        EXPECT_EQ(back.interval, p.interval);
        EXPECT_EQ(back.port, p.port);
        // Booleans come back normalised.
        EXPECT_EQ(back.repeatButton, p.repeatButton ? -1 : 0);
        EXPECT_EQ(back.repeatCursor, p.repeatCursor ? -1 : 0);
    }
    MapBag refusing;
    refusing.refuseWriteAt = 1;
    EXPECT_FALSE(SaveProperties({5, 6, -1, -1}, refusing));
    EXPECT_EQ(refusing.writes, (std::vector<Text>{u"Interval"}));
}

} // namespace
