// The scan tick against scripted readings: every behaviour the tick distinguishes, as a table of
// scenarios of one or more ticks, each tick given by its two readings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "joystick_logic/scan.h"

using namespace quorin::joystick;

namespace {

constexpr uint32_t C = CursorCentre, L = CursorLow, H = CursorHigh, Unplugged = 165;

struct Reading {
    JoyReading record;
    uint32_t result = 0; // non-zero: the service fails and leaves the record untouched
};
Reading At(uint32_t x, uint32_t y, uint32_t buttons = 0) {
    return {{x, y, 0, buttons}, 0};
}
const Reading Fails{{0xDEAD, 0xBEEF, 0, 0x77}, Unplugged};

class ScriptedReader final : public JoystickReader {
public:
    std::vector<Reading> script;
    std::vector<int32_t> ports;
    std::vector<JoyReading> handedIn; // the record as the tick handed it over
    uint32_t Read(int32_t port, JoyReading& record) noexcept override {
        ports.push_back(port);
        handedIn.push_back(record);
        const Reading r = handedIn.size() <= script.size() ? script[handedIn.size() - 1] : Fails;
        if (r.result == 0)
            record = r.record;
        return r.result;
    }
};

// Records events as "Name(a,b)"; a ButtonDown handler may switch the cursor repeat on.
class RecordingEvents final : public ScanEvents {
public:
    std::vector<std::string> log;
    ScanSettings* repeatCursorOnButtonDown = nullptr;
    void ButtonDown(int16_t first, int32_t button) noexcept override {
        Add("ButtonDown", {first, button});
        if (repeatCursorOnButtonDown)
            repeatCursorOnButtonDown->repeatCursor = -1;
    }
    void ButtonUp(int16_t last, int32_t button) noexcept override { Add("ButtonUp", {last, button}); }
    void CursorPress(int16_t first, int16_t last) noexcept override { Add("CursorPress", {first, last}); }
    void ScanButton(int32_t button) noexcept override { Add("ScanButton", {button}); }
    void ScanCursor(int32_t x, int32_t y) noexcept override { Add("ScanCursor", {x, y}); }

private:
    void Add(const char* name, std::initializer_list<long long> args) {
        std::string s = std::string(name) + "(";
        for (long long a : args)
            s += (s.back() == '(' ? "" : ",") + std::to_string(a);
        log.push_back(s + ")");
    }
};

ScanState Saved(Reading r, bool armed) {
    return {r.record, static_cast<int16_t>(armed ? -1 : 0)};
}

struct Tick {
    Reading current, second;
};
Tick Steady(Reading r) {
    return {r, r};
}

struct Scenario {
    const char* name;
    ScanState start;
    ScanSettings settings;
    std::vector<Tick> ticks;
    std::vector<std::string> events; // all ticks; "|" ends each tick
    ScanState end;
    bool buttonDownSwitchesCursorRepeatOn = false; // seen later in the same tick
};

const ScanSettings NoRepeat{0, 0, 0}, RepeatButtons{0, -1, 0}, RepeatCursor{0, 0, -1}, RepeatBoth{0, -1, -1};
const ScanState Fresh{}, Rest = Saved(At(C, C), true);

// clang-format off
const Scenario Scenarios[] = {
    {"PadAtRestOnFirstTickOnlyArms", Fresh, NoRepeat, {Steady(At(C, C))}, {"|"}, Rest},
    {"FirstTickWithButtonAndPadLeft", Fresh, NoRepeat, {Steady(At(L, C, 1))},
     {"ButtonDown(-1,1)", "ScanButton(1)", "ScanCursor(256,32768)", "|"}, Saved(At(L, C, 1), true)},
    {"PressAHoldThenRelease", Rest, NoRepeat, {Steady(At(C, C, 1)), Steady(At(C, C, 1)), Steady(At(C, C, 0))},
     {"ButtonDown(-1,1)", "ScanButton(1)", "|", "|", "ButtonUp(-1,1)", "|"}, Rest},
    {"HoldAWithRepeatButton", Rest, RepeatButtons, {Steady(At(C, C, 1)), Steady(At(C, C, 1))},
     {"ButtonDown(-1,1)", "ScanButton(1)", "|", "ScanButton(1)", "|"}, Saved(At(C, C, 1), true)},
    {"BWhileAHeldThenARelease", Saved(At(C, C, 1), true), NoRepeat, {Steady(At(C, C, 3)), Steady(At(C, C, 2))},
     {"ButtonDown(0,2)", "ScanButton(3)", "|", "ButtonUp(0,1)", "ScanButton(2)", "|"}, Saved(At(C, C, 2), true)},
    {"AReleasedAndBPressedBetweenTicksCountsAsDown", Saved(At(C, C, 1), true), NoRepeat, {Steady(At(C, C, 2))},
     {"ButtonDown(0,3)", "ScanButton(2)", "|"}, Saved(At(C, C, 2), true)},
    {"MasksCompareSigned", Rest, NoRepeat, {Steady(At(C, C, 0x80000000u)), Steady(At(C, C, 0))},
     {"ButtonUp(0,-2147483648)", "ScanButton(-2147483648)", "|", "ButtonDown(0,-2147483648)", "|"}, Rest},
    {"PadLeftAndBack", Rest, NoRepeat, {Steady(At(L, C)), Steady(At(L, C)), Steady(At(C, C))},
     {"CursorPress(-1,0)", "ScanCursor(256,32768)", "|", "|", "CursorPress(0,-1)", "|"}, Rest},
    {"PadLeftToUpLeft", Saved(At(L, C), true), NoRepeat, {Steady(At(L, L))},
     {"CursorPress(0,0)", "ScanCursor(256,256)", "|"}, Saved(At(L, L), true)},
    {"PadHeldRightDownWithRepeatCursor", Rest, RepeatCursor, {Steady(At(H, H)), Steady(At(H, H))},
     {"CursorPress(-1,0)", "ScanCursor(65280,65280)", "|", "ScanCursor(65280,65280)", "|"}, Saved(At(H, H), true)},
    {"ChangeBetweenReadingsRaisesNoEdges", Rest, NoRepeat,
     {{At(C, C), At(L, C, 1)}, Steady(At(L, C, 1)), {At(L, C, 1), At(C, C)}, Steady(At(C, C))}, {"|", "|", "|", "|"}, Rest},
    {"ChangeBetweenReadingsScansOnlyWithRepeat", Rest, RepeatBoth, {{At(C, C), At(L, C, 1)}, Steady(At(L, C, 1))},
     {"|", "ScanButton(1)", "ScanCursor(256,32768)", "|"}, Saved(At(L, C, 1), true)},
    {"FailedFirstReadingIsZeroPosition", Saved(At(L, C, 1), true), NoRepeat, {{Fails, At(L, C, 1)}},
     {"ButtonUp(-1,1)", "CursorPress(0,0)", "ScanCursor(0,0)", "|"}, Saved(At(L, C, 1), true)},
    {"FailedFirstReadingBeforeArming", Fresh, NoRepeat, {{Fails, At(C, C)}}, {"|"}, Saved(At(C, C), false)},
    {"FailedSecondReadingKeepsWhatTheServiceLeft", Rest, NoRepeat, {{At(C, C, 4), Fails}, Steady(At(C, C, 4))},
     {"ButtonDown(-1,4)", "ScanButton(4)", "|", "ButtonDown(-1,4)", "ScanButton(4)", "|"}, Saved(At(C, C, 4), true)},
    {"BothReadingsUseThePortAndZIsKept", Fresh, ScanSettings{3, 0, 0},
     {{{{C, C, 99, 0}, 0}, {{C, C, 77, 0}, 0}}}, {"|"}, ScanState{{C, C, 77, 0}, -1}},
    {"HandlerSwitchingCursorRepeatOn", Saved(At(L, C), true), NoRepeat, {Steady(At(L, C, 1))},
     {"ButtonDown(-1,1)", "ScanButton(1)", "ScanCursor(256,32768)", "|"}, Saved(At(L, C, 1), true),
     true},
};
// clang-format on

class ScanTickTable : public testing::TestWithParam<Scenario> {};

TEST_P(ScanTickTable, EventsAndSavedState) {
    const Scenario& s = GetParam();
    ScriptedReader reader;
    for (const Tick& t : s.ticks)
        reader.script.insert(reader.script.end(), {t.current, t.second});
    ScanSettings settings = s.settings;
    RecordingEvents events;
    if (s.buttonDownSwitchesCursorRepeatOn)
        events.repeatCursorOnButtonDown = &settings;
    ScanState state = s.start;
    for (size_t i = 0; i < s.ticks.size(); ++i) {
        ScanTick(state, settings, reader, events);
        events.log.push_back("|");
    }
    EXPECT_EQ(events.log, s.events);
    EXPECT_EQ(std::vector<uint32_t>({state.saved.x, state.saved.y, state.saved.z, state.saved.buttons}),
              std::vector<uint32_t>({s.end.saved.x, s.end.saved.y, s.end.saved.z, s.end.saved.buttons}));
    EXPECT_EQ(state.cursorArmed, s.end.cursorArmed);
    ASSERT_EQ(reader.handedIn.size(), reader.script.size());
    EXPECT_EQ(reader.ports, std::vector<int32_t>(reader.script.size(), s.settings.port));
    // The first reading of each tick goes into a cleared record; the second into the saved state.
    for (size_t i = 0; i < reader.handedIn.size(); i += 2)
        EXPECT_EQ(reader.handedIn[i].x + reader.handedIn[i].buttons, 0u);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScanTickTable, testing::ValuesIn(Scenarios),
                         [](const testing::TestParamInfo<Scenario>& info) { return info.param.name; });

// Writing Port tests the port with one reading into a cleared record.
TEST(PortTest, FailsOnAnyResultButZero) {
    for (uint32_t result : {0u, Unplugged, 1u}) {
        ScriptedReader reader;
        reader.script = {{{1, 2, 3, 4}, result}};
        EXPECT_EQ(PortTestFails(2, reader), result != 0) << result;
        ASSERT_EQ(reader.handedIn.size(), 1u);
        EXPECT_EQ(reader.handedIn[0].buttons, 0u);
        EXPECT_EQ(reader.ports[0], 2);
    }
}

} // namespace
