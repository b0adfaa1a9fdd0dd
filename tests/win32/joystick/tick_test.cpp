// The scan tick end to end: the control polls scripted joystick readings (its joyGetPos import
// pointed at the test) on its own window timer, through this thread's message loop, with no
// container. The events reach a recording sink in order, with the argument types the control's
// type library declares (a host that binds them through it refuses others). The tick's rules
// themselves are proved natively.
#include <algorithm>

#include "ocx_test_support.h"

#include <mmsystem.h>

using namespace ocxtest;

namespace {

// A scripted reading: x, y, buttons and the service's result; non-zero leaves the record alone.
struct Reading {
    UINT x, y, buttons, result;
};
constexpr Reading Rest{32768, 32768, 0, 0}, PressA{32768, 32768, 1, 0}, LeftWithA{256, 32768, 1, 0};
std::vector<Reading> g_script; // each call takes the next reading; the last repeats
LONG g_reads = 0;

MMRESULT WINAPI ScriptedJoyGetPos(UINT, JOYINFO* info) {
    if (g_script.empty())
        return JOYERR_UNPLUGGED;
    const Reading& r = g_script[std::min<size_t>(static_cast<size_t>(g_reads++), g_script.size() - 1)];
    if (r.result == 0)
        *info = {r.x, r.y, 0, r.buttons};
    return r.result;
}

class Tick : public testing::Test {
protected:
    static void Script(std::vector<Reading> readings) {
        g_script = std::move(readings);
        g_reads = 0;
    }
    static void Scan(IControlJoystick* c, SHORT interval) {
        ASSERT_EQ(c->put_Interval(&interval), S_OK);
        ASSERT_EQ(c->Begin(), S_OK);
    }
    static bool PumpUntilReads(LONG reads) {
        return PumpUntil([&] { return g_reads >= reads; });
    }
    ImportPatch joystick{"joyGetPos", reinterpret_cast<const void*>(ScriptedJoyGetPos)};
    ComPtr<IControlJoystick> c = NewControl();
    Host host;
    Connection events{c.Get(), DIID___ControlJoystick, &host};
};

// Every event, once each, with the arguments the library declares: the port test's reading (a
// joystick answers it: no Error), then two per tick: at rest, A, pad left with A, released.
TEST_F(Tick, ScriptedReadingsBecomeEventsInOrder) {
    Script({Rest, Rest, Rest, PressA, PressA, LeftWithA, LeftWithA, Rest});
    JoystickPortConstants port = JoystickPort2;
    ASSERT_EQ(c->put_Port(&port), S_OK);
    Scan(c.Get(), 10);
    ASSERT_TRUE(PumpUntilReads(9));
    ASSERT_EQ(c->Finish(), S_OK);
    const LONG afterFinish = g_reads;
    PumpPeriods(3, 10);
    EXPECT_EQ(g_reads, afterFinish) << "ticks after Finish";
    EXPECT_EQ(host.events, (std::vector<std::string>{"Begin()", "ButtonDown(true,1)", "ScanButton(1)",
                                                     "CursorPress(true,false)", "ScanCursor(256,32768)",
                                                     "ButtonUp(true,1)", "CursorPress(false,true)",
                                                     "Finish()"}));
    EXPECT_TRUE(host.plainMethodCalls);
}

// Interval written while scanning changes the period at once; 0 stops the ticks but leaves the
// timer enabled, so a later interval starts them again without Begin. Begin without an
// interval never ticks. Finish and Begin leave the saved state and the armed cursor alone: a
// button still held is no new press, and the first pad move of the next scan is a press at once.
TEST_F(Tick, IntervalWrittenWhileScanningAndStateKeptAcrossFinishAndBegin) {
    Script({Rest});
    ASSERT_EQ(c->Begin(), S_OK);
    PumpPeriods(5, 10);
    EXPECT_EQ(g_reads, 0);
    SHORT slow = 10000, fast = 10, stopped = 0;
    ASSERT_EQ(c->put_Interval(&slow), S_OK);
    ASSERT_EQ(c->put_Interval(&fast), S_OK);
    EXPECT_TRUE(PumpUntilReads(4)) << "at the old period this takes 20 s; the wait gives up at 15";
    ASSERT_EQ(c->put_Interval(&stopped), S_OK);
    const LONG reads = g_reads;
    PumpPeriods(3, 10);
    EXPECT_EQ(g_reads, reads);
    ASSERT_EQ(c->put_Interval(&fast), S_OK);
    EXPECT_TRUE(PumpUntilReads(reads + 2));
    ASSERT_EQ(c->Finish(), S_OK);
    Script({Rest, Rest, PressA});
    ASSERT_EQ(c->Begin(), S_OK);
    ASSERT_TRUE(PumpUntilReads(4));
    ASSERT_EQ(c->Finish(), S_OK);
    Script({LeftWithA}); // A still held
    ASSERT_EQ(c->Begin(), S_OK);
    ASSERT_TRUE(PumpUntilReads(2));
    ASSERT_EQ(c->Finish(), S_OK);
    EXPECT_EQ(host.events, (std::vector<std::string>{"Begin()", "Finish()", "Begin()", "ButtonDown(true,1)",
                                                     "ScanButton(1)", "Finish()", "Begin()",
                                                     "CursorPress(true,false)", "ScanCursor(256,32768)",
                                                     "Finish()"}));
}

// A handler that runs a message loop gets no tick inside its own tick; a handler that calls
// Finish stops later ticks, and the tick in progress still takes its second reading.
class FinishingHost final : public Host {
public:
    IControlJoystick* control = nullptr;
    LONG readsDuringLoop = -1;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT* result,
                                     EXCEPINFO* error, UINT* argError) override {
        const HRESULT hr = Host::Invoke(id, iid, lcid, flags, p, result, error, argError);
        if (id == DISPID_EvButtonDown) {
            const LONG before = g_reads;
            PumpPeriods(3, 5); // the scan timer's messages keep coming meanwhile
            readsDuringLoop = g_reads - before;
            control->Finish();
        }
        return hr;
    }
};

TEST_F(Tick, FinishFromAHandlerAndNoTickInsideATick) {
    FinishingHost finishing;
    finishing.control = c.Get();
    Connection connection(c.Get(), DIID___ControlJoystick, &finishing);
    Script({Rest, Rest, {32768, 32768, 4, 0}, {32768, 32768, 4, 0}, Rest});
    Scan(c.Get(), 5);
    ASSERT_TRUE(PumpUntilReads(4));
    PumpPeriods(3, 5);
    EXPECT_EQ(finishing.readsDuringLoop, 0);
    EXPECT_EQ(g_reads, 4);
    EXPECT_EQ(finishing.events,
              (std::vector<std::string>{"Begin()", "ButtonDown(true,4)", "Finish()", "ScanButton(4)"}));
}

} // namespace
