// The scan tick against scripted readings: every behaviour the tick distinguishes, as a table
// of scenarios of one or more ticks, each tick given by its two readings.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "joystick_logic/scan.h"

using namespace quorin::joystick;

namespace {

constexpr uint32_t C = CursorCentre;
constexpr uint32_t L = CursorLow;
constexpr uint32_t H = CursorHigh;
constexpr uint32_t Unplugged = 165;

struct Reading {
    JoyReading record;
    uint32_t result = 0; // non-zero: the service fails and leaves the record untouched
};

Reading At(uint32_t x, uint32_t y, uint32_t buttons = 0) {
    return {{x, y, 0, buttons}, 0};
}
Reading Fails() {
    return {{0xDEAD, 0xBEEF, 0, 0x77}, Unplugged};
}

class ScriptedReader final : public JoystickReader {
public:
    std::vector<Reading> script;
    size_t next = 0;
    std::vector<int32_t> ports;
    std::vector<JoyReading> seen; // the record as it was handed in

    uint32_t Read(int32_t port, JoyReading& record) noexcept override {
        ports.push_back(port);
        seen.push_back(record);
        if (next >= script.size())
            return Unplugged;
        const Reading& r = script[next++];
        if (r.result == 0)
            record = r.record;
        return r.result;
    }
};

class RecordingEvents final : public ScanEvents {
public:
    std::vector<std::string> log;
    ScanSettings* settings = nullptr;
    bool setRepeatCursorOnButtonDown = false;

    void ButtonDown(int16_t first, int32_t button) noexcept override {
        Add("ButtonDown", first, button);
        if (setRepeatCursorOnButtonDown)
            settings->repeatCursor = -1;
    }
    void ButtonUp(int16_t last, int32_t button) noexcept override { Add("ButtonUp", last, button); }
    void CursorPress(int16_t first, int16_t last) noexcept override { Add("CursorPress", first, last); }
    void ScanButton(int32_t button) noexcept override { Add("ScanButton", button); }
    void ScanCursor(int32_t x, int32_t y) noexcept override { Add("ScanCursor", x, y); }

private:
    void Add(const char* name, long long a) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s(%lld)", name, a);
        log.push_back(buf);
    }
    void Add(const char* name, long long a, long long b) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s(%lld,%lld)", name, a, b);
        log.push_back(buf);
    }
};

struct Tick {
    Reading current;
    Reading second;
};

struct Scenario {
    const char* name;
    ScanState start;
    ScanSettings settings;
    std::vector<Tick> ticks;
    std::vector<std::string> events; // all ticks, "|" marks the end of each tick
    ScanState end;
};

void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

ScanState Saved(Reading r, bool armed) {
    ScanState s;
    s.saved = r.record;
    s.cursorArmed = armed ? -1 : 0;
    return s;
}

Tick Steady(Reading r) {
    return {r, r};
}

const ScanSettings NoRepeat{0, 0, 0};
const ScanSettings RepeatButtons{0, -1, 0};
const ScanSettings RepeatCursor{0, 0, -1};

std::vector<Scenario> Scenarios() {
    const ScanState fresh{};
    const ScanState rest = Saved(At(C, C), true);
    return {
        {"PadAtRestOnFirstTickOnlyArms", fresh, NoRepeat, {Steady(At(C, C))}, {"|"}, rest},
        {"FirstTickWithButtonAndPadLeft",
         fresh,
         NoRepeat,
         {Steady(At(L, C, 1))},
         {"ButtonDown(-1,1)", "ScanButton(1)", "ScanCursor(256,32768)", "|"},
         Saved(At(L, C, 1), true)},
        {"PressAHoldThenRelease",
         rest,
         NoRepeat,
         {Steady(At(C, C, 1)), Steady(At(C, C, 1)), Steady(At(C, C, 0))},
         {"ButtonDown(-1,1)", "ScanButton(1)", "|", "|", "ButtonUp(-1,1)", "|"},
         rest},
        {"HoldAWithRepeatButton",
         rest,
         RepeatButtons,
         {Steady(At(C, C, 1)), Steady(At(C, C, 1)), Steady(At(C, C, 1))},
         {"ButtonDown(-1,1)", "ScanButton(1)", "|", "ScanButton(1)", "|", "ScanButton(1)", "|"},
         Saved(At(C, C, 1), true)},
        {"BWhileAHeldThenARelease",
         Saved(At(C, C, 1), true),
         NoRepeat,
         {Steady(At(C, C, 3)), Steady(At(C, C, 2))},
         {"ButtonDown(0,2)", "ScanButton(3)", "|", "ButtonUp(0,1)", "ScanButton(2)", "|"},
         Saved(At(C, C, 2), true)},
        {"AReleasedAndBPressedBetweenTicksCountsAsDown",
         Saved(At(C, C, 1), true),
         NoRepeat,
         {Steady(At(C, C, 2))},
         {"ButtonDown(0,3)", "ScanButton(2)", "|"},
         Saved(At(C, C, 2), true)},
        {"MasksCompareSigned",
         rest,
         NoRepeat,
         {Steady(At(C, C, 0x80000000u)), Steady(At(C, C, 0))},
         {"ButtonUp(0,-2147483648)", "ScanButton(-2147483648)", "|", "ButtonDown(0,-2147483648)", "|"},
         rest},
        {"PadLeftAndBack",
         rest,
         NoRepeat,
         {Steady(At(L, C)), Steady(At(L, C)), Steady(At(C, C))},
         {"CursorPress(-1,0)", "ScanCursor(256,32768)", "|", "|", "CursorPress(0,-1)", "|"},
         rest},
        {"PadLeftToUpLeft",
         Saved(At(L, C), true),
         NoRepeat,
         {Steady(At(L, L))},
         {"CursorPress(0,0)", "ScanCursor(256,256)", "|"},
         Saved(At(L, L), true)},
        {"PadHeldRightDownWithRepeatCursor",
         rest,
         RepeatCursor,
         {Steady(At(H, H)), Steady(At(H, H))},
         {"CursorPress(-1,0)", "ScanCursor(65280,65280)", "|", "ScanCursor(65280,65280)", "|"},
         Saved(At(H, H), true)},
        {"ChangeBetweenReadingsRaisesNoEdges",
         rest,
         NoRepeat,
         {{At(C, C), At(L, C, 1)}, Steady(At(L, C, 1)), {At(L, C, 1), At(C, C)}, Steady(At(C, C))},
         {"|", "|", "|", "|"},
         rest},
        {"ChangeBetweenReadingsScansOnlyWithRepeat",
         rest,
         ScanSettings{0, -1, -1},
         {{At(C, C), At(L, C, 1)}, Steady(At(L, C, 1))},
         {"|", "ScanButton(1)", "ScanCursor(256,32768)", "|"},
         Saved(At(L, C, 1), true)},
        {"FailedFirstReadingIsZeroPosition",
         Saved(At(L, C, 1), true),
         NoRepeat,
         {{Fails(), At(L, C, 1)}},
         {"ButtonUp(-1,1)", "CursorPress(0,0)", "ScanCursor(0,0)", "|"},
         Saved(At(L, C, 1), true)},
        {"FailedFirstReadingBeforeArming",
         fresh,
         NoRepeat,
         {{Fails(), At(C, C)}},
         {"|"},
         Saved(At(C, C), false)},
        {"FailedSecondReadingKeepsWhatTheServiceLeft",
         rest,
         NoRepeat,
         {{At(C, C, 4), Fails()}, Steady(At(C, C, 4))},
         {"ButtonDown(-1,4)", "ScanButton(4)", "|", "ButtonDown(-1,4)", "ScanButton(4)", "|"},
         Saved(At(C, C, 4), true)},
    };
}

class ScanTickTable : public testing::TestWithParam<Scenario> {};

TEST_P(ScanTickTable, EventsAndSavedState) {
    const Scenario& sc = GetParam();
    ScriptedReader reader;
    for (const Tick& t : sc.ticks) {
        reader.script.push_back(t.current);
        reader.script.push_back(t.second);
    }
    RecordingEvents events;
    ScanState state = sc.start;
    ScanSettings settings = sc.settings;
    for (size_t i = 0; i < sc.ticks.size(); ++i) {
        ScanTick(state, settings, reader, events);
        events.log.push_back("|");
    }
    EXPECT_EQ(events.log, sc.events);
    EXPECT_EQ(state.saved.x, sc.end.saved.x);
    EXPECT_EQ(state.saved.y, sc.end.saved.y);
    EXPECT_EQ(state.saved.buttons, sc.end.saved.buttons);
    EXPECT_EQ(state.cursorArmed, sc.end.cursorArmed);
    ASSERT_EQ(reader.next, reader.script.size());
    // The first reading of each tick goes into a cleared record, the second into the saved
    // state as it stands.
    for (size_t i = 0; i < reader.seen.size(); i += 2) {
        EXPECT_EQ(reader.seen[i].x, 0u);
        EXPECT_EQ(reader.seen[i].buttons, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScanTickTable, testing::ValuesIn(Scenarios()),
                         [](const testing::TestParamInfo<Scenario>& info) { return info.param.name; });

TEST(ScanTick, BothReadingsUseThePortAsItStandsAndZIsKept) {
    ScriptedReader reader;
    reader.script = std::vector<Reading>{{{C, C, 99, 0}, 0}, {{C, C, 77, 0}, 0}};
    RecordingEvents events;
    ScanState state;
    ScanSettings settings{3, 0, 0};
    ScanTick(state, settings, reader, events);
    EXPECT_EQ(reader.ports, (std::vector<int32_t>{3, 3}));
    EXPECT_EQ(state.saved.z, 77u);
}

TEST(ScanTick, HandlerChangingARepeatSwitchIsSeenLaterInTheSameTick) {
    ScriptedReader reader;
    reader.script = std::vector<Reading>{At(L, C, 1), At(L, C, 1)};
    RecordingEvents events;
    ScanState state = Saved(At(L, C), true);
    ScanSettings settings = NoRepeat;
    events.settings = &settings;
    events.setRepeatCursorOnButtonDown = true;
    ScanTick(state, settings, reader, events);
    EXPECT_EQ(events.log,
              (std::vector<std::string>{"ButtonDown(-1,1)", "ScanButton(1)", "ScanCursor(256,32768)"}));
}

TEST(PortTest, ClearedScratchAndResult) {
    struct Case {
        uint32_t result;
        bool fails;
    } cases[] = {{0, false}, {Unplugged, true}, {1, true}};
    for (const Case& c : cases) {
        ScriptedReader reader;
        reader.script = std::vector<Reading>{{{1, 2, 3, 4}, c.result}};
        EXPECT_EQ(PortTestFails(2, reader), c.fails) << c.result;
        ASSERT_EQ(reader.seen.size(), 1u);
        EXPECT_EQ(reader.seen[0].buttons, 0u);
        EXPECT_EQ(reader.ports[0], 2);
    }
}

} // namespace
