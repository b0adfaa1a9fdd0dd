// Runs the scan tick over a cycle of readings that takes every branch (press, hold, release,
// pad moves, repeat scans), with a reader and events that do nothing, and prints the
// allocations made per tick. Exits non-zero when a tick allocates. Instructions per tick come
// from run-callgrind.sh, which runs this program under callgrind.
#include <cstdio>
#include <cstdlib>
#include <new>

#include "joystick_logic/scan.h"

using namespace quorin::joystick;

namespace {

size_t g_allocations = 0;

constexpr JoyReading kCycle[] = {
    {32768, 32768, 0, 0}, {32768, 32768, 0, 1}, {256, 32768, 0, 1},   {256, 256, 0, 3},
    {256, 256, 0, 2},     {32768, 65280, 0, 2}, {32768, 32768, 0, 0}, {65280, 65280, 0, 512},
};
constexpr size_t kCycleLength = sizeof kCycle / sizeof kCycle[0];

class CycleReader final : public JoystickReader {
public:
    size_t next = 0;
    uint32_t Read(int32_t, JoyReading& record) noexcept override {
        record = kCycle[next];
        next = (next + 1) % kCycleLength;
        return 0;
    }
};

class CountingEvents final : public ScanEvents {
public:
    unsigned long long raised = 0;
    void ButtonDown(int16_t, int32_t) noexcept override { ++raised; }
    void ButtonUp(int16_t, int32_t) noexcept override { ++raised; }
    void CursorPress(int16_t, int16_t) noexcept override { ++raised; }
    void ScanButton(int32_t) noexcept override { ++raised; }
    void ScanCursor(int32_t, int32_t) noexcept override { ++raised; }
};

} // namespace

void* operator new(size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

int main(int argc, char** argv) {
    const long ticks = argc > 1 ? std::atol(argv[1]) : 100000;
    if (ticks <= 0)
        return 2;
    CycleReader reader;
    CountingEvents events;
    ScanState state;
    ScanSettings settings{0, -1, -1};

    const size_t before = g_allocations;
    for (long i = 0; i < ticks; ++i) {
        // Alternate the repeat switches so both sides of steps 4 and 5 run.
        settings.repeatButton = (i & 1) ? -1 : 0;
        settings.repeatCursor = (i & 2) ? -1 : 0;
        ScanTick(state, settings, reader, events);
    }
    const size_t allocations = g_allocations - before;
    std::printf("ticks: %ld\nevents per tick: %.3f\nallocations per tick: %.3f\n", ticks,
                double(events.raised) / double(ticks), double(allocations) / double(ticks));
    return allocations == 0 ? 0 : 1;
}
